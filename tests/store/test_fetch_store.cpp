// Storing a fetch and recognising records a tester may still hold after a
// fetch whose clearing it never confirmed, on both engines.

#include "StoreTestDb.h"
#include "store/Database.h"
#include "store/FetchStore.h"

#include <QSqlQuery>

namespace {

const QString kTester = QStringLiteral("0612345678");

TAbrufSatz satz(int pe, const QString &barcode = QStringLiteral("4711"))
{
    TAbrufSatz s;
    s.Werte.UNstrBarcode = barcode;
    s.Werte.UNintSchutzleiterwid = pe;
    s.Werte.UNintIsolationswid = 2000;
    s.Werte.UNintSchutzlStromL1N = -1;
    s.Werte.UNintMenueflags = 5;
    s.Werte.UNintSichtpruef = 1;
    return s;
}

TAbrufKopf kopf(const QString &serial = kTester)
{
    return {serial, QStringLiteral("O'Neill"), QStringLiteral("Chefin"),
            QDateTime(QDate(2026, 4, 5), QTime(6, 7, 8))};
}

class FetchStore : public StoreDb {
protected:
    TAbrufSpeicherung store(const QList<TAbrufSatz> &saetze, const QString &serial = kTester)
    {
        const TAbrufSpeicherung r = AbrufSpeichern(t->db(), kopf(serial), saetze);
        EXPECT_TRUE(r.Ok) << r.Fehlertext.toStdString();
        return r;
    }
};

} // namespace

TEST_P(FetchStore, RowsTakeTheNextNumbersAndTheirValuesInOneTransaction)
{
    store({satz(100)});
    const TAbrufSpeicherung r = store({satz(101), satz(102, QString())});
    EXPECT_EQ(r.LfdNrs, (QList<int>{2, 3}));
    EXPECT_EQ(r.Doppelt, 0);
    QSqlQuery q(t->db());
    ASSERT_TRUE(q.exec(QStringLiteral(
                    "SELECT UNstrBarcode, UNintSchutzleiterwid, UNintSchutzlStromL1N, UNstrPruefer, "
                    "UNdtmUebernahme, UNstrNotiz FROM tblUebernahme WHERE UNintLfdNr = 3")) &&
                q.next());
    EXPECT_EQ(FieldString(q.value(0)), QString());
    EXPECT_EQ(FieldInt(q.value(1)), 102);
    EXPECT_EQ(FieldInt(q.value(2)), -1);
    EXPECT_EQ(FieldString(q.value(3)), QStringLiteral("O'Neill"));
    EXPECT_EQ(FieldDateTime(q.value(4)), QDateTime(QDate(2026, 4, 5), QTime(6, 7, 8)));
    EXPECT_EQ(FieldString(q.value(5)), QString());
}

TEST_P(FetchStore, ARefusedRowTakesTheWholeFetchBackAndNamesItsStatement)
{
    if (GetParam() == TTestEngine::SQLite) {
        t->exec(QStringLiteral("CREATE TRIGGER tVoll BEFORE INSERT ON tblUebernahme WHEN NEW.UNintLfdNr = 2 "
                               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    } else {
        t->exec(
            QStringLiteral("CREATE FUNCTION fVoll() RETURNS trigger AS $$ BEGIN IF NEW.UNintLfdNr = 2 THEN "
                           "RAISE EXCEPTION 'database or disk is full'; END IF; RETURN NEW; END $$ "
                           "LANGUAGE plpgsql"));
        t->exec(QStringLiteral("CREATE TRIGGER tVoll BEFORE INSERT ON tblUebernahme FOR EACH ROW EXECUTE "
                               "FUNCTION fVoll()"));
    }
    // The probe goes in under a number no fetch gives, so it passes.
    QString why;
    EXPECT_TRUE(AbrufSpeicherBereit(t->db(), &why)) << why.toStdString();
    const TAbrufSpeicherung r = AbrufSpeichern(t->db(), kopf(), {satz(1), satz(2), satz(3)});
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.LfdNrs.isEmpty());
    EXPECT_TRUE(r.Fehlertext.startsWith(QStringLiteral("Der Datenträger der Datenbank ist voll.")))
        << r.Fehlertext.toStdString();
    // The statement with its values, as it would have read as text.
    EXPECT_TRUE(r.Anweisung.startsWith(QStringLiteral("INSERT INTO tblUebernahme\n  (UNintLfdNr,")));
    EXPECT_TRUE(r.Anweisung.contains(QStringLiteral("\n  (2,\n  '4711',"))) << r.Anweisung.toStdString();
    EXPECT_TRUE(r.Anweisung.contains(QStringLiteral("'O''Neill'")));
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblAbrufSatz")), 0);
}

TEST_P(FetchStore, ReadOnlyDatabaseFailsTheProbeWithTheReasonAndKeepsNothing)
{
    QString why;
    ASSERT_TRUE(AbrufSpeicherBereit(t->db(), &why)) << why.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 0) << "the probe row never stays";
    t->exec(GetParam() == TTestEngine::SQLite ? QStringLiteral("PRAGMA query_only = ON")
                                              : QStringLiteral("SET default_transaction_read_only = on"));
    EXPECT_FALSE(AbrufSpeicherBereit(t->db(), &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("Die Datenbank oder ihr Ordner ist schreibgeschützt.")))
        << why.toStdString();
}

// A server that went away between reading the tester and storing: the
// message says so instead of ending after "Fehlertext:".
TEST_P(FetchStore, AServerGoneBeforeStoringIsNamedAndNothingIsKept)
{
    // Not a missing tool: the case exists only for the server engine.
    if (GetParam() != TTestEngine::PostgreSQL) GTEST_SKIP() << "a file has no server to lose";
    QSqlQuery pid(t->db());
    ASSERT_TRUE(pid.exec(QStringLiteral("SELECT pg_backend_pid()")) && pid.next());
    const QString name = QStringLiteral("fetch_store_killer");
    {
        QString error;
        ASSERT_TRUE(OpenConnection(ParseConnectionString(t->connectionString()), name, &error))
            << error.toStdString();
        QSqlQuery kill(QSqlDatabase::database(name, false));
        EXPECT_TRUE(kill.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid.value(0).toInt())));
        QSqlDatabase::database(name, false).close();
    }
    QSqlDatabase::removeDatabase(name);
    const TAbrufSpeicherung r = AbrufSpeichern(t->db(), kopf(), {satz(1)});
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(
        r.Fehlertext.startsWith(QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen")))
        << r.Fehlertext.toStdString();
}

// What a fetch after an unconfirmed one marks, and what it must not mark.
TEST_P(FetchStore, DoublesAreMarkedOnlyAfterAnUnconfirmedFetchAndWhileTheirCopyExists)
{
    store({satz(100), satz(200)}); // clearing never confirmed
    EXPECT_TRUE(UnbestaetigterAbruf(t->db()));
    // The same content again, one new record, and another tester's equal record.
    TAbrufSpeicherung r = store({satz(100), satz(300), satz(100)});
    EXPECT_EQ(r.Doppelt, 2) << "both copies of record 100 in the new read-out";
    EXPECT_EQ(DoppeltMarkierteZeilen(t->db()), (QSet<int>{3, 5}));
    EXPECT_EQ(store({satz(200)}, QStringLiteral("0699999999")).Doppelt, 0);

    // Two equal records in one read-out are two tests.
    AbrufGeloeschtBestaetigen(t->db(), kTester);
    t->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    r = store({satz(7), satz(7)});
    EXPECT_EQ(r.Doppelt, 0);
    EXPECT_TRUE(DoppeltMarkierteZeilen(t->db()).isEmpty()) << "marks of deleted rows go with them";

    // Confirmed clear: nothing of that read-out can come again.
    AbrufGeloeschtBestaetigen(t->db(), kTester);
    EXPECT_FALSE(UnbestaetigterAbruf(t->db()));
    EXPECT_EQ(store({satz(7)}).Doppelt, 0);

    // Unconfirmed, then the staging row deleted by the user: no copy, no mark.
    t->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    store({satz(8)});
    t->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    EXPECT_EQ(store({satz(8)}).Doppelt, 0);
}

TEST_P(FetchStore, ADoubleOfATransferredTestIsMarkedAndTheUserCanLiftTheMark)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(4, 1, QStringLiteral("Bohrer"), QStringLiteral("4711"));
    store({satz(100)});
    // Transferred as the transfer writes it: the test keeps the record's content.
    t->exec(
        QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRstrGTSeriennummer, "
                       "PRintGrenzwertflags, PRintMenueflags, PRintSchutzklasseFlags, PRintMessablaufFlags, "
                       "PRintSchutzleiterwid, PRintIsolationswid, PRintAbleitstrom, PRintSchutzlStromL1N, "
                       "PRintSchutzlStromNL1, PRintBeruehrungsstromL1N, PRintBeruehrungsstromNL1, "
                       "PRintGrwSchutzleiterwid, PRintGrwIsolationswid, PRintGrwAbleitstrom, "
                       "PRintGrwSchutzleiterstrom, PRintGrwBeruehrungsstrom, PRintGrwSchnellabschaltung, "
                       "PRintSchutzklasse, PRintDINVDE, PRblnExternDiffStr, PRintIsolDiff, PRintSichtpruef) "
                       "VALUES (1, 4, '0612345678', 0, 5, 0, 0, 100, 2000, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                       "0, 0, 0, 0, 1)"));
    t->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    const TAbrufSpeicherung r = store({satz(100), satz(101)});
    EXPECT_EQ(r.Doppelt, 1);
    EXPECT_TRUE(IstDoppeltMarkiert(t->db(), r.LfdNrs[0]));
    EXPECT_FALSE(IstDoppeltMarkiert(t->db(), r.LfdNrs[1]));
    QString why;
    EXPECT_TRUE(DoppeltMarkierungAufheben(t->db(), r.LfdNrs[0], &why)) << why.toStdString();
    EXPECT_FALSE(IstDoppeltMarkiert(t->db(), r.LfdNrs[0]));

    // A different measured value is a different test.
    t->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    EXPECT_EQ(store({satz(102)}).Doppelt, 0);
}

TEST_P(FetchStore, DatabasesMadeBeforeTheBookkeepingGetItOnFirstUse)
{
    t->exec(QStringLiteral("DROP TABLE tblAbrufSatz"));
    EXPECT_TRUE(DoppeltMarkierteZeilen(t->db()).isEmpty());
    QString why;
    EXPECT_TRUE(AbrufSpeicherBereit(t->db(), &why)) << why.toStdString();
    EXPECT_EQ(store({satz(1)}).LfdNrs, QList<int>{1});
}

INSTANTIATE_TEST_SUITE_P(Engines, FetchStore, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);
