#include "StoreTestDb.h"
#include "store/Database.h"

#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

// The fixture has run gt-initdb once already.
TEST_P(StoreDb, InitdbMadeTablesIndexesAndCatalogue)
{
    EXPECT_TRUE(MissingTables(t->db()).isEmpty());
    const int items = t->count(QStringLiteral("tblSichtTeil"));
    EXPECT_GE(items, 20);
    EXPECT_LE(items, 40);
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
    EXPECT_GE(t->count(QStringLiteral("tblSichtTeil")), 20);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
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
