// due_window_bench DATABASE
// Opens the "Prüffristen" window offscreen on a database (a file made by
// gt-initdb and gt-bench-gendb, or a connection string) and prints the time
// from creating it to its first painting, then what the user does next:
// sorting by customer and showing only what is due within 30 days.
//   gt-initdb /tmp/d.db && gt-bench-gendb /tmp/d.db 10000 100000 1000000
//   due_window_bench /tmp/d.db

#include "BenchDatabase.h"
#include "app/extras/PrueffristenDlg.h"
#include "core/FormatSettings.h"
#include "store/Database.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTableView>

#include <cstdio>
#include <ctime>

namespace {

qint64 ms(qint64 ns)
{
    return (ns + 500000) / 1000000;
}

// CPU time of this thread in nanoseconds: on a busy machine the clock on the
// wall says more about the neighbours.
qint64 cpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// What the program has done before the window can open: the styles and fonts
// are loaded for the main window.
void warmUp()
{
    QTableView view;
    view.show();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench::connectGivenDatabase(app.arguments(), "due_window_bench")) return 1;
    QString error;
    warmUp();

    QList<TDueEntry> list;
    QElapsedTimer t;
    t.start();
    qint64 cpu = cpuNs();
    if (!LoadDueList(ProgramDatabase(), 365, QDate::currentDate(), list, &error)) {
        std::fprintf(stderr, "Prüffristen nicht gelesen: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    const qint64 loadNs = t.nsecsElapsed();
    const qint64 loadCpuNs = cpuNs() - cpu;

    t.restart();
    cpu = cpuNs();
    TPrueffristenDlg dlg;
    dlg.setDatabase(ProgramDatabase());
    dlg.setServiceInterval(365);
    dlg.show();
    QCoreApplication::processEvents();
    const qint64 openNs = t.nsecsElapsed();
    const qint64 openCpuNs = cpuNs() - cpu;
    const int rows = dlg.Liste->model()->rowCount();
    if (rows != list.size()) {
        std::fprintf(stderr, "Das Fenster zeigt %d von %lld Prüflingen.\n", rows, qint64(list.size()));
        return 1;
    }

    t.restart();
    dlg.Liste->sortByColumn(0, Qt::AscendingOrder);
    QCoreApplication::processEvents();
    const qint64 sortNs = t.nsecsElapsed();
    t.restart();
    dlg.FaelligCheck->setChecked(true);
    QCoreApplication::processEvents();
    const qint64 filterNs = t.nsecsElapsed();

    std::printf("devices=%d\n", rows);
    std::printf("due_list_load_ms=%lld (CPU %lld)\n", ms(loadNs), ms(loadCpuNs));
    std::printf("due_window_ms=%lld\n", ms(openNs));
    std::printf("due_window_cpu_ms=%lld\n", ms(openCpuNs));
    std::printf("due_window_sort_by_customer_ms=%lld\n", ms(sortNs));
    std::printf("due_window_due_within_30_days_ms=%lld (%s)\n", ms(filterNs),
                dlg.Anzahl->text().toLocal8Bit().constData());
    return 0;
}
