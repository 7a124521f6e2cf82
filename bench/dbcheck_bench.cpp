// dbcheck_bench FILE [RUNS]
// Times the start-up check (quick check and schema comparison) and the full
// check on an SQLite file: wall clock and this process's CPU, per run.

#include "store/DatabaseCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <ctime>

namespace {

double cpuMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

void timeCheck(const TConnectionInfo &info, TCheckDepth depth, const char *name, int runs)
{
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer wall;
        const double cpu0 = cpuMs();
        wall.start();
        const TDatabaseCheck c = CheckDatabase(info, depth);
        std::printf("%-6s run %d: %6.1f ms wall, %6.1f ms CPU%s\n", name, i + 1, wall.nsecsElapsed() / 1e6,
                    cpuMs() - cpu0, c.ok() ? "" : "  (findings)");
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || !QFileInfo(args[1]).isFile()) {
        std::fprintf(stderr, "Aufruf: dbcheck_bench DATEI [LÄUFE]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? qMax(1, args[2].toInt()) : 5;
    const TConnectionInfo info =
        ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=\"%1\"").arg(args[1]));
    std::printf("%s: %.1f MB\n", qPrintable(args[1]), QFileInfo(args[1]).size() / 1e6);
    timeCheck(info, TCheckDepth::Start, "start", runs);
    timeCheck(info, TCheckDepth::Full, "voll", runs);
    return 0;
}
