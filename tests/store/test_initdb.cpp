#include "StoreTestDb.h"
#include "store/Database.h"
#include "store/InitDatabase.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <set>
#include <string>

namespace {

// "nr | part | check", readable in a failure message.
using TCatalogueRow = std::string;

TCatalogueRow catalogueRow(int nr, const QString &part, const QString &check)
{
    return QStringLiteral("%1 | %2 | %3").arg(nr).arg(part, check).toStdString();
}

// The catalogue as the schema folder states it, read independently of the
// program: every "VALUES (nr, 'part', 'check')" of db/catalogue.sql.
std::set<TCatalogueRow> catalogueFromScript()
{
    QFile f(gt_test::sourceDir() + QStringLiteral("/db/catalogue.sql"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromUtf8(f.readAll());
    static const QRegularExpression row(
        QStringLiteral(R"(VALUES\s*\(\s*(\d+)\s*,\s*'((?:[^']|'')*)'\s*,\s*'((?:[^']|'')*)'\s*\))"));
    std::set<TCatalogueRow> rows;
    for (auto it = row.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        rows.insert(catalogueRow(m.captured(1).toInt(),
                                 m.captured(2).replace(QStringLiteral("''"), QStringLiteral("'")),
                                 m.captured(3).replace(QStringLiteral("''"), QStringLiteral("'"))));
    }
    return rows;
}

std::set<TCatalogueRow> catalogueInDatabase(const TTestDb &t)
{
    QSqlQuery q(t.db());
    if (!q.exec(QStringLiteral("SELECT STintPruefteil, STstrPruefteil, STstrPruefung FROM tblSichtTeil")))
        return {};
    std::set<TCatalogueRow> rows;
    while (q.next())
        rows.insert(catalogueRow(q.value(0).toInt(), q.value(1).toString(), q.value(2).toString()));
    return rows;
}

// The fixture has run gt-initdb once already.
TEST_P(StoreDb, InitdbMadeTablesIndexesAndCatalogue)
{
    EXPECT_TRUE(MissingTables(t->db()).isEmpty());
    // Every row of the script arrived, letter for letter, and nothing else.
    const std::set<TCatalogueRow> script = catalogueFromScript();
    EXPECT_GE(script.size(), 20u);
    EXPECT_EQ(catalogueInDatabase(*t), script);
    EXPECT_EQ(
        t->count(QStringLiteral("tblSichtTeil"), QStringLiteral("STstrPruefteil = 'Netzanschlussleitung'")),
        1);
    EXPECT_EQ(
        t->count(QStringLiteral("tblSichtTeil"),
                 QStringLiteral("STstrPruefteil IS NULL OR STstrPruefteil = '' OR STstrPruefung IS NULL "
                                "OR STstrPruefung = ''")),
        0);

    QSqlQuery q(t->db());
    const QString sql =
        t->engine() == TTestEngine::SQLite
            ? QStringLiteral("SELECT lower(name) FROM sqlite_master WHERE type = 'index'")
            : QStringLiteral("SELECT lower(indexname) FROM pg_indexes WHERE schemaname = 'public'");
    ASSERT_TRUE(q.exec(sql));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    for (const char *ix : {"ixprueflingkunde", "ixpruefungpruefling", "ixprueflingbarcode"})
        EXPECT_TRUE(names.contains(QLatin1String(ix))) << ix;
}

TEST_P(StoreDb, InitdbOnAReadyDatabaseChangesNothingAndSaysSo)
{
    t->addCustomer(1, QStringLiteral("bleibt"));
    t->exec(QStringLiteral("DELETE FROM tblSichtTeil WHERE STintPruefteil = 10"));
    const int items = t->count(QStringLiteral("tblSichtTeil"));
    const TInitdbRun r = RunInitdb({QStringLiteral("--connection"), t->connectionString()});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("nichts geändert"))) << r.out.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtTeil")), items);
}

TEST_P(StoreDb, InitdbCompletesAPartialDatabase)
{
    t->exec(QStringLiteral("DROP TABLE tblUebernahme"));
    t->exec(QStringLiteral("DELETE FROM tblSichtTeil"));
    t->addCustomer(5, QStringLiteral("bleibt"));
    const TInitdbRun r = RunInitdb({QStringLiteral("--connection"), t->connectionString()});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("tblUebernahme"))) << r.out.toStdString();
    EXPECT_TRUE(MissingTables(t->db()).isEmpty());
    EXPECT_EQ(catalogueInDatabase(*t), catalogueFromScript());
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
}

// Databases made while the staging barcode was 15 wide refused every fetch
// of a 16-digit barcode; gt-initdb widens the column and keeps the rows.
TEST_P(StoreDb, InitdbWidensANarrowStagingBarcodeAndKeepsTheRows)
{
    // Not a missing tool: the case exists only for the server engine.
    if (t->engine() != TTestEngine::PostgreSQL) GTEST_SKIP() << "SQLite setzt keine Spaltenbreiten durch";
    t->exec(QStringLiteral("ALTER TABLE tblUebernahme ALTER COLUMN UNstrBarcode TYPE VARCHAR(15)"));
    t->exec(
        QStringLiteral("INSERT INTO tblUebernahme (UNintLfdNr, UNstrBarcode) VALUES (1, '123456789012345')"));
    const TInitdbRun r = RunInitdb({QStringLiteral("--connection"), t->connectionString()});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("UNstrBarcode"))) << r.out.toStdString();
    QSqlQuery q(t->db());
    EXPECT_TRUE(q.exec(QStringLiteral(
        "INSERT INTO tblUebernahme (UNintLfdNr, UNstrBarcode) VALUES (2, '1234567890123456')")))
        << q.lastError().text().toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 2);
    // A second run finds nothing to do.
    const TInitdbRun again = RunInitdb({QStringLiteral("--connection"), t->connectionString()});
    EXPECT_TRUE(again.out.contains(QStringLiteral("nichts geändert"))) << again.out.toStdString();
}

// The program's first start runs the same code in-process.
TEST_P(StoreDb, ProbeTellsReadyAndIncompleteAndInitCompletesInProcess)
{
    const TConnectionInfo info = ParseConnectionString(t->connectionString());
    ASSERT_TRUE(CanInitializeDatabase(info));
    EXPECT_EQ(ProbeDatabase(info), TDbReadiness::Ready);
    t->addCustomer(3, QStringLiteral("bleibt"));
    t->exec(QStringLiteral("DROP TABLE tblUebernahme"));
    EXPECT_EQ(ProbeDatabase(info), TDbReadiness::Incomplete);
    const TInitDbResult r = InitializeDatabase(info);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(r.messages.join(u'\n').contains(QStringLiteral("tblUebernahme")));
    EXPECT_EQ(ProbeDatabase(info), TDbReadiness::Ready);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
}

TEST(InitDatabase, SqliteFileMadeOnlyWhereAsked)
{
    QTemporaryDir dir;
    TConnectionInfo info = ParseConnectionString(
        QStringLiteral("Provider=SQLite;Data Source=%1").arg(dir.filePath(QStringLiteral("neu/unter/x.db"))));
    EXPECT_EQ(ProbeDatabase(info), TDbReadiness::Missing);
    TInitDbResult r = InitializeDatabase(info);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("Verzeichnis"))) << r.error.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("neu"))));

    r = InitializeDatabase(info, /*makeFolder=*/true);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(ProbeDatabase(info), TDbReadiness::Ready);
    r = InitializeDatabase(info, true);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.messages.join(u' ').contains(QStringLiteral("nichts geändert")));
    // No connection is left behind under the program's name or any other.
    EXPECT_FALSE(QSqlDatabase::contains(QString::fromLatin1(kProgramConnection)));
}

TEST(InitDatabase, AFileThatIsNoDatabaseIsRefusedAndKept)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("VERIDA.db"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("Kundenliste, bitte nicht löschen\n").repeated(200));
    f.close();
    const QByteArray before = [&] {
        QFile g(file);
        return g.open(QIODevice::ReadOnly) ? g.readAll() : QByteArray();
    }();
    const TConnectionInfo info =
        ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(file));
    QString why;
    EXPECT_EQ(ProbeDatabase(info, &why), TDbReadiness::Unreachable);
    EXPECT_TRUE(why.contains(QStringLiteral("keine SQLite-Datenbank"))) << why.toStdString();
    const TInitDbResult r = InitializeDatabase(info, true);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    QFile g(file);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), before);

    const TConnectionInfo odbc = ParseConnectionString(QStringLiteral("Provider=ODBC;DSN=verida"));
    EXPECT_FALSE(CanInitializeDatabase(odbc));
    EXPECT_TRUE(InitializeDatabase(odbc).error.contains(QStringLiteral("von Hand")));
}

TEST(InitDatabase, ScriptsSplitAtLineEndsAndKeepTriggersWhole)
{
    const QStringList st = SplitSqlStatements(QStringLiteral(
        "-- Kommentar;\n\nCREATE TABLE a (x INTEGER);\nCREATE TRIGGER t AFTER INSERT ON a\nBEGIN\n"
        "  UPDATE a SET x = 1;\n  UPDATE a SET x = 2;\nEND;\nINSERT INTO a VALUES ('a;b');\nSELECT 1"));
    ASSERT_EQ(st.size(), 4);
    EXPECT_EQ(st[0], QStringLiteral("CREATE TABLE a (x INTEGER);"));
    EXPECT_TRUE(st[1].startsWith(QStringLiteral("CREATE TRIGGER")));
    EXPECT_TRUE(st[1].endsWith(QStringLiteral("END;")));
    EXPECT_EQ(st[2], QStringLiteral("INSERT INTO a VALUES ('a;b');"));
    EXPECT_EQ(st[3], QStringLiteral("SELECT 1"));
}

TEST(Initdb, SqliteFileAndBadArguments)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("neu.db"));
    TInitdbRun r = RunInitdb({file});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    r = RunInitdb({file});
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("nichts geändert")));

    EXPECT_EQ(RunInitdb({}).rc, 2);
    EXPECT_EQ(RunInitdb({QStringLiteral("--connection")}).rc, 2);
    r = RunInitdb({QStringLiteral("--connection"), QStringLiteral("Provider=Unbekannt")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_FALSE(r.err.isEmpty());
    r = RunInitdb({dir.filePath(QStringLiteral("gibtsnicht/x.db"))});
    EXPECT_EQ(r.rc, 1);
}

} // namespace
