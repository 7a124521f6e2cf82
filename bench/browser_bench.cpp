// browser_bench DATABASE
// Opens the stored-data browser offscreen on a large database (a file made by
// gt-initdb and gt-bench-gendb, or a connection string) at a test near the
// end, then steps back through 100 tests. Prints the time from showing to the
// filled test pane, the peak memory and the slowest step.

#include "app/browser/DatenanzeigeDlg.h"
#include "app/common/Configuration.h"
#include "core/FormatSettings.h"
#include "store/Database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSqlQuery>
#include <QToolButton>

#include <cstdio>

namespace {

double peakRssMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Back through 100 tests: within the device, then the devices and customers
// before. Returns the slowest step in nanoseconds.
qint64 stepBack(TDatenanzeigeDlg &dlg, TBrowserData &data)
{
    QElapsedTimer t;
    t.start();
    qint64 slowest = 0, total = 0;
    qint64 byLevel[3] = {0, 0, 0}; // slowest step of tests, devices, customers
    qint64 paintNs = 0;            // of total: the layout and painting after the data step
    int steps = 0;
    for (; steps < 100; ++steps) {
        QToolButton *button = nullptr;
        int level = 0;
        if (data.Tests->RecNo() > 1)
            button = dlg.TestNavigator->Prior;
        else if (data.Devices->RecNo() > 1)
            button = dlg.DeviceNavigator->Prior, level = 1;
        else if (data.Customers->RecNo() > 1)
            button = dlg.CustomerNavigator->Prior, level = 2;
        if (!button) break;
        t.restart();
        button->click();
        paintNs -= t.nsecsElapsed();
        QCoreApplication::processEvents();
        const qint64 ns = t.nsecsElapsed();
        paintNs += ns;
        slowest = qMax(slowest, ns);
        byLevel[level] = qMax(byLevel[level], ns);
        total += ns;
    }
    std::printf("browser_steps=%d browser_step_mean_us=%lld\n", steps, steps ? total / steps / 1000 : 0);
    std::printf("browser_step_paint_mean_us=%lld\n", steps ? paintNs / steps / 1000 : 0);
    std::printf("browser_slowest_test_us=%lld device_us=%lld customer_us=%lld\n", byLevel[0] / 1000,
                byLevel[1] / 1000, byLevel[2] / 1000);
    return slowest;
}

// The search above the panes: a scanned barcode (indexed) and a name (full scan).
void timeSearch(QSqlQuery &q, TBrowserData &data)
{
    QElapsedTimer t;
    t.start();
    QString barcode;
    if (q.exec(QStringLiteral("SELECT MAX(PLstrBarcode) FROM tblPruefling")) && q.next())
        barcode = q.value(0).toString();
    q.finish();
    t.restart();
    const int barcodeHits = int(data.Search(barcode).size());
    const qint64 barcodeNs = t.nsecsElapsed();
    t.restart();
    const int nameHits = int(data.Search(QStringLiteral("pflege")).size());
    const qint64 nameNs = t.nsecsElapsed();
    std::printf("search_barcode_us=%lld (%d) search_text_us=%lld (%d)\n", barcodeNs / 1000, barcodeHits,
                nameNs / 1000, nameHits);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "Aufruf: browser_bench DATENBANK\n");
        return 1;
    }
    InitFormatSettings();
    const QString connection = args[1].contains(QLatin1Char('='))
                                   ? args[1]
                                   : QStringLiteral("Provider=SQLite;Data Source=\"%1\"").arg(args[1]);
    QString error;
    if (!ConnectDatabase(connection, &error)) {
        std::fprintf(stderr, "Datenbank nicht geöffnet: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    QSqlQuery q(ProgramDatabase());
    int last = 0;
    if (q.exec(QStringLiteral("SELECT MAX(PRintPruefungsNr) FROM tblPruefung")) && q.next())
        last = q.value(0).toInt();
    if (last < 10) {
        std::fprintf(stderr, "Die Datenbank enthält zu wenige Prüfungen.\n");
        return 1;
    }
    q.finish();

    TConfiguration config;
    config.aktCheckNumber = last - 7;
    TDatenanzeigeDlg dlg;
    dlg.setConfiguration(&config);
    dlg.resize(980, 700);
    TBrowserData *data = dlg.Data();

    QElapsedTimer t;
    // The first showing in a process also loads fonts and styles, which the
    // program has done for its main window before the browser can open.
    t.start();
    dlg.show();
    QCoreApplication::processEvents();
    const qint64 firstNs = t.nsecsElapsed();
    dlg.hide();
    config.aktCheckNumber = last - 7;

    t.restart();
    dlg.show();
    QCoreApplication::processEvents();
    const qint64 openNs = t.nsecsElapsed();
    if (data->Tests->CurrentKey() != config.aktCheckNumber || dlg.TestPos->text().isEmpty()) {
        std::fprintf(stderr, "Die Prüfung %d wurde nicht angezeigt.\n", config.aktCheckNumber);
        return 1;
    }
    std::printf("browser_first_open_ms=%lld\n", (firstNs + 500000) / 1000000);
    std::printf("browser_open_ms=%lld\n", (openNs + 500000) / 1000000);
    std::fflush(stdout);

    const qint64 slowest = stepBack(dlg, *data);
    timeSearch(q, *data);
    std::printf("peak_rss_mb=%.1f\n", peakRssMb());
    std::printf("browser_step_ms=%lld\n", (slowest + 500000) / 1000000);
    dlg.hide();
    return 0;
}
