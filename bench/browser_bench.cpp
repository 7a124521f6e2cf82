// browser_bench DATABASE
// Opens the stored-data browser offscreen on a large database (a file made by
// gt-initdb and gt-bench-gendb, or a connection string) at a test near the
// end, then steps back through 100 tests. Prints the time from showing to the
// filled test pane, the slowest step (on the clock, and the program's own CPU
// time, which load on the machine does not stretch), the search, the customer
// list by name with its filter, and the peak memory.

#include "BenchDatabase.h"
#include "app/browser/AuswListeDlg.h"
#include "app/browser/DatenanzeigeDlg.h"
#include "app/common/Configuration.h"
#include "core/FormatSettings.h"
#include "store/Database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QToolButton>

#include <cstdio>
#include <ctime>

namespace {

double peakRssMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Back through 100 tests: within the device, then the devices and customers
// before. Returns the slowest step in nanoseconds.
qint64 stepBack(TDatenanzeigeDlg &dlg, TBrowserData &data)
{
    QElapsedTimer t;
    t.start();
    qint64 slowest = 0, total = 0;
    qint64 byLevel[3] = {0, 0, 0}; // slowest step of tests, devices, customers
    qint64 slowestCpu = 0;         // the program's own work, whatever else runs on the machine
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
        const qint64 cpu0 = threadCpuNs();
        t.restart();
        button->click();
        paintNs -= t.nsecsElapsed();
        QCoreApplication::processEvents();
        const qint64 ns = t.nsecsElapsed();
        paintNs += ns;
        slowestCpu = qMax(slowestCpu, threadCpuNs() - cpu0);
        slowest = qMax(slowest, ns);
        byLevel[level] = qMax(byLevel[level], ns);
        total += ns;
    }
    std::printf("browser_steps=%d browser_step_mean_us=%lld\n", steps, steps ? total / steps / 1000 : 0);
    std::printf("browser_step_cpu_slowest_us=%lld\n", slowestCpu / 1000);
    std::printf("browser_step_paint_mean_us=%lld\n", steps ? paintNs / steps / 1000 : 0);
    std::printf("browser_slowest_test_us=%lld device_us=%lld customer_us=%lld\n", byLevel[0] / 1000,
                byLevel[1] / 1000, byLevel[2] / 1000);
    return slowest;
}

// The search above the panes: a scanned barcode (indexed) and a name (every
// device and customer counted, the first page of hits read).
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

// The customer list by name, and the filter as a name is typed letter by letter.
void timeCustomerList(TBrowserData &data)
{
    TAuswListeDlg list;
    QElapsedTimer t;
    t.start();
    list.Bind(data.Customers,
              {{QStringLiteral("KDstrName1"), QStringLiteral("Name 1"), 100},
               {QStringLiteral("KDstrName2"), QStringLiteral("Name 2"), 100},
               {QStringLiteral("KDstrName3"), QStringLiteral("Name 3"), 100},
               {QStringLiteral("KDstrStrasse"), QStringLiteral("Straße"), 100},
               {QStringLiteral("KDstrOrt"), QStringLiteral("Ort"), 100}},
              QStringLiteral("Kunden"));
    list.show();
    QCoreApplication::processEvents();
    const qint64 openNs = t.nsecsElapsed();
    qint64 slowestKey = 0;
    const QString typed = QStringLiteral("pflegeheim");
    for (int i = 1; i <= typed.size(); ++i) {
        t.restart();
        list.FilterEdit->setText(typed.left(i));
        QCoreApplication::processEvents();
        slowestKey = qMax(slowestKey, t.nsecsElapsed());
    }
    std::printf("customer_list_open_us=%lld (%d) filter_key_slowest_us=%lld (%d left)\n", openNs / 1000,
                data.Customers->RecordCount(), slowestKey / 1000, list.Model()->rowCount());
    list.hide();
    list.Unbind();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::connectGivenDatabase(app.arguments(), "browser_bench")) return 1;
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
    timeCustomerList(*data);
    std::printf("peak_rss_mb=%.1f\n", peakRssMb());
    std::printf("browser_step_ms=%lld\n", (slowest + 500000) / 1000000);
    dlg.hide();
    return 0;
}
