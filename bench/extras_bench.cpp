// The due list over the large database (2 000 customers, 20 000 devices,
// 200 000 tests, made by gt-bench-gendb into the working folder and reused)
// and the protocol archive over 1 000 tests (protocols per second), and
// reminder letters to the customers of the small one (letters per second).
//   bench_extras [--db FILE] [benchmark options]

#include "BenchSupport.h"

#include "core/FormatSettings.h"
#include "protocols/ProtocolArchive.h"
#include "protocols/ReminderRun.h"
#include "store/Database.h"
#include "store/DueList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QString g_db;
QString g_small;

bool ensure(const QString &file, const QStringList &sizes)
{
    if (QFileInfo::exists(file)) return true;
    std::fprintf(stderr, "Erzeuge %s ...\n", file.toLocal8Bit().constData());
    return bench::runProgram(QStringLiteral(GT_INITDB_PATH), {file}) &&
           bench::runProgram(QStringLiteral(GT_GENDB_PATH), QStringList{file} + sizes);
}

QSqlDatabase open(const QString &file, const QString &name, QString *error)
{
    if (!QSqlDatabase::contains(name))
        OpenConnection(ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file), name,
                       error);
    return QSqlDatabase::database(name, false);
}

void BM_DueList(benchmark::State &state)
{
    QString error;
    QSqlDatabase db = open(g_db, QStringLiteral("due"), &error);
    if (!db.isOpen()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    QList<TDueEntry> list;
    for ([[maybe_unused]] auto _ : state) {
        if (!LoadDueList(db, 365, QDate::currentDate(), list, &error)) {
            state.SkipWithError(error.toLocal8Bit().constData());
            break;
        }
        const QList<TDueEntry> due = DueWithin(list, 30);
        benchmark::DoNotOptimize(due.size());
    }
    state.counters["devices"] = double(list.size());
}
BENCHMARK(BM_DueList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ArchiveProtocols(benchmark::State &state)
{
    QString error;
    QSqlDatabase db = open(g_small, QStringLiteral("archive"), &error);
    if (!db.isOpen()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    int written = 0;
    for ([[maybe_unused]] auto _ : state) {
        QTemporaryDir dir;
        TProtocolArchive archive;
        TArchiveResult r;
        if (!archive.Run(db, dir.path(), QDate(), TProtocolSettings{}, r, &error) || r.failed) {
            state.SkipWithError(error.toLocal8Bit().constData());
            break;
        }
        written += r.written;
    }
    state.SetItemsProcessed(written);
}
BENCHMARK(BM_ArchiveProtocols)->Unit(benchmark::kSecond)->Iterations(1);

// Every device counts as due, so each customer gets a letter of all of theirs.
void BM_ReminderLetters(benchmark::State &state)
{
    QString error;
    QSqlDatabase db = open(g_small, QStringLiteral("reminders"), &error);
    QList<TDueEntry> all;
    if (!db.isOpen() || !LoadDueList(db, 365, QDate::currentDate(), all, &error)) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    const QList<TDueEntry> due = DueWithin(all, 36500);
    int written = 0;
    for ([[maybe_unused]] auto _ : state) {
        QTemporaryDir dir;
        TReminderResult r;
        if (!WriteReminderLetters(db, due, {QStringLiteral("Prüfdienst")}, QDate::currentDate(), dir.path(),
                                  r, &error)) {
            state.SkipWithError(error.toLocal8Bit().constData());
            break;
        }
        written += static_cast<int>(r.files.size());
    }
    state.SetItemsProcessed(written);
    state.counters["devices"] = double(due.size());
}
BENCHMARK(BM_ReminderLetters)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitFormatSettings();
    g_db = QDir::current().filePath(QStringLiteral("bench-export.db"));
    for (int i = 1; i + 1 < argc; ++i)
        if (QLatin1String(argv[i]) == QLatin1String("--db"))
            g_db = QFileInfo(QString::fromLocal8Bit(argv[i + 1])).absoluteFilePath();
    g_small = QDir::current().filePath(QStringLiteral("bench-archive.db"));
    if (!ensure(g_db, {}) ||
        !ensure(g_small, {QStringLiteral("20"), QStringLiteral("200"), QStringLiteral("1000")}))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
