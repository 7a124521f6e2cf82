// Time of the full CSV export of a large database, next to the sqlite3 shell
// writing the same join as CSV, in the same run. The database is generated
// once into the working folder (bench-export.db) and reused.
//   bench_export [--db FILE] [benchmark options]

#include "BenchSupport.h"

#include "core/FormatSettings.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/TestRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include <sys/resource.h>

namespace {

QString g_db;
QString g_out;
double g_exportMs = 0;
double g_shellMs = 0;
// CPU time (user + system): on a shared machine a steadier comparison than the clock.
double g_exportCpuMs = 0;
double g_shellCpuMs = 0;

double cpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3) +
           (double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3);
}

bool ensureDatabase()
{
    if (QFileInfo::exists(g_db)) return true;
    std::fprintf(stderr, "Erzeuge %s ...\n", g_db.toLocal8Bit().constData());
    return bench::runProgram(QStringLiteral(GT_INITDB_PATH), {g_db}) &&
           bench::runProgram(QStringLiteral(GT_GENDB_PATH), {g_db});
}

void BM_FullExport(benchmark::State &state)
{
    QString error;
    if (!OpenConnection(ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + g_db),
                        QStringLiteral("bench"), &error)) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    const TExportSwitches sw; // the default columns
    int n = 0;
    for ([[maybe_unused]] auto _ : state) {
        const double c0 = cpuMs(RUSAGE_SELF);
        const auto t0 = std::chrono::steady_clock::now();
        if (!ExportAllTests(QSqlDatabase::database(QStringLiteral("bench")), g_out, sw, &error, &n)) {
            state.SkipWithError(error.toLocal8Bit().constData());
            break;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(ms / 1000.0);
        g_exportMs = g_exportMs == 0 ? ms : std::min(g_exportMs, ms);
        const double cpu = cpuMs(RUSAGE_SELF) - c0;
        g_exportCpuMs = g_exportCpuMs == 0 ? cpu : std::min(g_exportCpuMs, cpu);
    }
    state.counters["Zeilen"] = n;
    state.counters["MB"] = double(QFileInfo(g_out).size()) / 1e6;
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

void BM_Sqlite3Shell(benchmark::State &state)
{
    const QString sql = FullExportQueryLines().join(QLatin1Char(' '));
    for ([[maybe_unused]] auto _ : state) {
        const double c0 = cpuMs(RUSAGE_CHILDREN);
        const auto t0 = std::chrono::steady_clock::now();
        if (!bench::runProgram(QStringLiteral("sqlite3"),
                               {QStringLiteral("-csv"), QStringLiteral("-header"), g_db, sql}, g_out)) {
            state.SkipWithError("sqlite3 fehlgeschlagen");
            break;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(ms / 1000.0);
        g_shellMs = g_shellMs == 0 ? ms : std::min(g_shellMs, ms);
        const double cpu = cpuMs(RUSAGE_CHILDREN) - c0;
        g_shellCpuMs = g_shellCpuMs == 0 ? cpu : std::min(g_shellCpuMs, cpu);
    }
    state.counters["MB"] = double(QFileInfo(g_out).size()) / 1e6;
}

BENCHMARK(BM_FullExport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Sqlite3Shell)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    InitFormatSettings();
    g_db = QDir::current().filePath(QStringLiteral("bench-export.db"));
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--db")
            g_db = QFileInfo(QString::fromLocal8Bit(argv[i + 1])).absoluteFilePath();
    g_out = QDir::temp().filePath(QStringLiteral("gt-bench-export.csv"));
    if (!ensureDatabase()) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QFile::remove(g_out);
    if (g_exportMs > 0 && g_shellMs > 0)
        std::printf("Vollexport %.0f ms, sqlite3 %.0f ms: Faktor %.2f (Ziel <= 1,5); "
                    "Rechenzeit %.0f ms gegen %.0f ms: Faktor %.2f\n",
                    g_exportMs, g_shellMs, g_exportMs / g_shellMs, g_exportCpuMs, g_shellCpuMs,
                    g_exportCpuMs / g_shellCpuMs);
    return 0;
}
