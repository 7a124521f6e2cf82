// The full CSV export of a large database, then that file imported into an
// empty database by a process of its own, so its peak memory is the
// import's alone. Prints export and import time, their ratio (goal: at most
// 4) and the import's peak memory (goal: at most 150 MB).
//   bench_import [--db FILE] [--keep-csv FILE]
//   bench_import --child CSV DB   (the import alone)
// The database is generated once into the working folder (bench-export.db,
// shared with bench_export) and reused.

#include "BenchSupport.h"

#include "core/FormatSettings.h"
#include "store/CsvExport.h"
#include "store/CsvImport.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

namespace {

// CPU time (user + system): on a shared machine a steadier comparison than the clock.
double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3) +
           (double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3);
}

bool open(const QString &file, const QString &name)
{
    QString error;
    if (OpenConnection(ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file), name,
                       &error))
        return true;
    std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    return false;
}

// The child: imports CSV into DB and prints its time and peak memory.
int importChild(const QString &csv, const QString &db)
{
    if (!open(db, QStringLiteral("target"))) return 1;
    QElapsedTimer clock;
    clock.start();
    TCsvImport import;
    QString error;
    if (!import.ReadFile(csv, &error) ||
        !import.Run(QSqlDatabase::database(QStringLiteral("target")), true, &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    const qint64 ms = clock.elapsed();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("%lld %ld %.0f\n%s\n", static_cast<long long>(ms), u.ru_maxrss, cpuMs(),
                import.Summary().Text().toLocal8Bit().constData());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    InitFormatSettings();
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--child")) return importChild(args[2], args[3]);
    QString source = QDir::current().filePath(QStringLiteral("bench-export.db"));
    if (const qsizetype at = args.indexOf(QStringLiteral("--db")); at > 0 && at + 1 < args.size())
        source = QFileInfo(args[at + 1]).absoluteFilePath();
    if (!QFileInfo::exists(source)) {
        std::fprintf(stderr, "Erzeuge %s ...\n", source.toLocal8Bit().constData());
        if (!bench::runProgram(QStringLiteral(GT_INITDB_PATH), {source}) ||
            !bench::runProgram(QStringLiteral(GT_GENDB_PATH), {source}))
            return 1;
    }
    QTemporaryDir dir;
    QString csv = dir.filePath(QStringLiteral("export.csv"));
    if (const qsizetype at = args.indexOf(QStringLiteral("--keep-csv")); at > 0 && at + 1 < args.size())
        csv = QFileInfo(args[at + 1]).absoluteFilePath();
    const QString target = dir.filePath(QStringLiteral("leer.db"));
    if (!open(source, QStringLiteral("source"))) return 1;
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = cpuMs();
    QString error;
    int rows = 0;
    // The default columns: what a user's "Export" writes.
    if (!ExportAllTests(QSqlDatabase::database(QStringLiteral("source")), csv, TExportSwitches{}, &error,
                        &rows)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    const qint64 exportMs = clock.elapsed();
    const double exportCpuMs = cpuMs() - cpu0;
    if (!bench::runProgram(QStringLiteral(GT_INITDB_PATH), {target})) return 1;

    QProcess child;
    child.start(app.applicationFilePath(), {QStringLiteral("--child"), csv, target});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "Import: %s\n", child.readAllStandardError().constData());
        return 1;
    }
    const QList<QByteArray> out = child.readAllStandardOutput().split('\n');
    const QList<QByteArray> figures = out.value(0).split(' ');
    const double importMs = figures.value(0).toDouble();
    const double peakMb = figures.value(1).toDouble() / 1024.0;
    const double importCpuMs = figures.value(2).toDouble();
    std::printf("%s\n", out.value(1).constData());
    std::printf("Export von %d Prüfungen (%.0f MB): %lld ms; Import in eine leere Datenbank: %.0f ms, "
                "Faktor %.2f (Ziel <= 4); Rechenzeit %.0f ms gegen %.0f ms: Faktor %.2f; "
                "Spitzenspeicher des Imports %.1f MB (Ziel <= 150)\n",
                rows, double(QFileInfo(csv).size()) / 1e6, static_cast<long long>(exportMs), importMs,
                importMs / double(exportMs), importCpuMs, exportCpuMs, importCpuMs / exportCpuMs, peakMb);
    return 0;
}
