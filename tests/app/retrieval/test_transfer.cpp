// Moving staging rows into the tests table: every row becomes exactly one
// test, also with two workstations transferring at once, with a device
// deleted meanwhile, and with a server that goes away.

#include "../../store/StoreTestDb.h"

#include "store/Database.h"
#include "store/StagingStore.h"
#include "support/TestSupport.h"
#include "tester/Datenabruf.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

// Staging rows from..from+n-1 for one device (0: not assigned); the remark
// tells the rows apart in the tests table.
void stageRows(const TTestDb &t, int from, int n, int device, const QString &barcode = QString())
{
    QSqlDatabase db = t.db();
    ASSERT_TRUE(db.transaction());
    for (int i = from; i < from + n; ++i)
        t.exec(
            QStringLiteral("INSERT INTO tblUebernahme (UNintLfdNr, UNstrBarcode, UNintPrueflingNr, "
                           "UNdtmUebernahme, UNstrGTSeriennummer, UNintSchutzleiterwid, UNintIsolationswid, "
                           "UNblnPruefungsergebnis, UNintSichtpruef, UNstrNotiz, UNstrPruefer) VALUES "
                           "(%1, '%2', %3, '06.05.2026 07:08:09', '0612345678', %4, -1, 1, 1, 'Satz %1', "
                           "'O''Brien')")
                .arg(i)
                .arg(barcode)
                .arg(device)
                .arg(100 + i));
    ASSERT_TRUE(db.commit());
}

int intOf(const TTestDb &t, const QString &sql)
{
    QSqlQuery q(t.db());
    if (!q.exec(sql) || !q.next()) {
        ADD_FAILURE() << sql.toStdString();
        return -99;
    }
    return FieldInt(q.value(0));
}

class TransferRows : public StoreDb {
protected:
    TUebertragBericht transfer()
    {
        TDatenabruf abruf(nullptr, t->db().connectionName());
        return abruf.Transfer();
    }
};

} // namespace

TEST(TransferStatement, FailingStatementIsWrittenWithItsValues)
{
    const QString sql = QStringLiteral("UPDATE x SET a = :a, b = :b, c = ':kein', d = :d::text WHERE e = :e");
    const QString out =
        RenderBoundStatement(sql, {{QStringLiteral(":a"), QStringLiteral("O'Brien")},
                                   {QStringLiteral(":b"), QVariant(QMetaType(QMetaType::QString))},
                                   {QStringLiteral(":d"), 7},
                                   {QStringLiteral(":e"), -3}});
    EXPECT_EQ(out,
              QStringLiteral("UPDATE x SET a = 'O''Brien', b = NULL, c = ':kein', d = 7::text WHERE e = -3"));
}

TEST_P(TransferRows, AssignedRowsBecomeTestsWithTheirValuesUnassignedStay)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(3, 1, QStringLiteral("A"), QStringLiteral("77"));
    t->addTest(5, 3, QDateTime(QDate(2025, 1, 1), QTime(8, 0)));
    stageRows(*t, 1, 2, 3, QStringLiteral("77"));
    stageRows(*t, 3, 1, 0, QStringLiteral("78"));

    const TUebertragBericht r = transfer();
    EXPECT_EQ(r.Uebertragen, 2);
    EXPECT_EQ(r.NichtZugeordnet, 1);
    EXPECT_TRUE(r.Meldung().isEmpty());
    // Numbers follow the tests already there.
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintPruefungsNr IN (6, 7)")), 2);
    EXPECT_EQ(
        intOf(*t, QStringLiteral("SELECT PRintSchutzleiterwid FROM tblPruefung WHERE PRstrNotiz = 'Satz 2'")),
        102);
    EXPECT_EQ(
        t->count(QStringLiteral("tblPruefung"),
                 QStringLiteral("PRstrNotiz = 'Satz 1' AND PRintIsolationswid = -1 AND PRintSichWied = -1 "
                                "AND PRintGesamtbew = 0 AND PRstrPruefer = 'O''Brien' AND "
                                "PRstrGTSeriennummer = '0612345678' AND PRblnPruefungsergebnis = 1")),
        1);
    QSqlQuery q(t->db());
    ASSERT_TRUE(
        q.exec(QStringLiteral("SELECT PRdtmUebernahme FROM tblPruefung WHERE PRintPruefungsNr = 6")) &&
        q.next());
    EXPECT_EQ(FieldDateTime(q.value(0)), QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)));
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 3")), 1);
}

TEST_P(TransferRows, RowOfADeletedDeviceStaysAndShowsUnassigned)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(3, 1, QStringLiteral("A"));
    stageRows(*t, 1, 1, 3);
    // Gone behind the list's back (another workstation, an older version).
    t->exec(QStringLiteral("DELETE FROM tblPruefling WHERE PLintPrueflingNr = 3"));

    const TUebertragBericht r = transfer();
    EXPECT_EQ(r.Uebertragen, 0);
    EXPECT_EQ(r.NichtZugeordnet, 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintPrueflingNr = 0")), 1);
}

TEST_P(TransferRows, RowTakenMeanwhileIsLeftAloneAndCostsNoNumber)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(3, 1, QStringLiteral("A"));
    stageRows(*t, 2, 1, 3);
    const TTransferZeile gone = TransferStagingRow(t->db(), 1);
    EXPECT_EQ(gone.Schritt, TTransferSchritt::Vergeben);
    const TTransferZeile done = TransferStagingRow(t->db(), 2);
    EXPECT_EQ(done.Schritt, TTransferSchritt::Uebertragen);
    EXPECT_EQ(done.PruefungsNr, 1);
    EXPECT_EQ(TransferStagingRow(t->db(), 2).Schritt, TTransferSchritt::Vergeben);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 1);
}

TEST_P(TransferRows, HandChosenDeviceHoldsUntilABarcodeNamesAnother)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(1, 1, QStringLiteral("ohne Barcode"));
    t->addDevice(2, 1, QStringLiteral("mit"), QStringLiteral("5"));
    QSqlDatabase db = t->db();
    // The tester's barcode names no device: the hand choice stays.
    EXPECT_EQ(StagingDeviceFor(db, QStringLiteral("4711"), 1), 1);
    EXPECT_EQ(StagingDeviceFor(db, QString(), 1), 1);
    // A barcode that names a device decides.
    EXPECT_EQ(StagingDeviceFor(db, QStringLiteral("5"), 1), 2);
    // A device with another barcode was only the barcode's; a missing one is none.
    EXPECT_EQ(StagingDeviceFor(db, QStringLiteral("4711"), 2), 0);
    EXPECT_EQ(StagingDeviceFor(db, QStringLiteral("4711"), 9), 0);

    stageRows(*t, 1, 1, 1, QStringLiteral("4711"));
    stageRows(*t, 2, 1, 9, QStringLiteral("4712"));
    EXPECT_EQ(ReassignStagingDevices(db), 1);
    EXPECT_EQ(
        t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 1 AND UNintPrueflingNr = 1")),
        1);
    EXPECT_EQ(
        t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 2 AND UNintPrueflingNr = 0")),
        1);
}

TEST_P(TransferRows, LostServerStopsAtTheFirstRowWithOneMessage)
{
    // Not a missing tool: the case exists only for the server engine.
    if (GetParam() != TTestEngine::PostgreSQL) GTEST_SKIP() << "only a server connection can be cut";
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(3, 1, QStringLiteral("A"));
    stageRows(*t, 1, 5, 3);

    const QString killer = QStringLiteral("gt_transfer_killer");
    ASSERT_TRUE(OpenConnection(ParseConnectionString(t->connectionString()), killer, nullptr));
    int failures = 0;
    {
        TDatenabruf abruf(nullptr, t->db().connectionName());
        QObject::connect(&abruf, &TDatenabruf::transferFailed, [&] { ++failures; });
        QObject::connect(&abruf, &TDatenabruf::rowTransferred, [&](int lfd, int) {
            if (lfd != 1) return;
            QSqlQuery k(QSqlDatabase::database(killer, false));
            EXPECT_TRUE(k.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                              "datname = current_database() AND pid <> pg_backend_pid()")));
            // The signal is asynchronous: wait until the backend is really gone.
            EXPECT_TRUE(gt_test::waitFor([&] {
                return k.exec(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                             "current_database() AND pid <> pg_backend_pid()")) &&
                       k.next() && k.value(0).toInt() == 0;
            }));
        });
        const TUebertragBericht r = abruf.Transfer();
        EXPECT_EQ(r.Uebertragen, 1);
        EXPECT_TRUE(r.Beendet);
        EXPECT_EQ(r.Meldungen.size(), 1);
        EXPECT_EQ(failures, 1);
        EXPECT_TRUE(r.Meldung().contains(QStringLiteral("Verbindung zum Datenbankserver ist unterbrochen")))
            << r.Meldung().toStdString();
    }
    {
        QSqlQuery k(QSqlDatabase::database(killer, false));
        ASSERT_TRUE(k.exec(QStringLiteral("SELECT (SELECT COUNT(*) FROM tblPruefung), "
                                          "(SELECT COUNT(*) FROM tblUebernahme)")) &&
                    k.next());
        EXPECT_EQ(k.value(0).toInt(), 1);
        EXPECT_EQ(k.value(1).toInt(), 4);
    }
    QSqlDatabase::database(killer, false).close();
    QSqlDatabase::removeDatabase(killer);
}

// Another program holds SQLite's write lock: one wait, one message, not one per row.
TEST_P(TransferRows, LockedDatabaseStopsAtTheFirstRow)
{
    // Not a missing tool: the case exists only for the file engine.
    if (GetParam() != TTestEngine::SQLite) GTEST_SKIP() << "the server waits on row locks instead";
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(3, 1, QStringLiteral("A"));
    stageRows(*t, 1, 3, 3);
    const QString other = QStringLiteral("gt_transfer_locker");
    ASSERT_TRUE(OpenConnection(ParseConnectionString(t->connectionString()), other, nullptr));
    {
        QSqlQuery lock(QSqlDatabase::database(other, false));
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const TUebertragBericht r = transfer();
        EXPECT_TRUE(r.Beendet);
        EXPECT_EQ(r.Uebertragen, 0);
        EXPECT_EQ(r.Meldungen.size(), 1);
        EXPECT_TRUE(r.Meldung().contains(QStringLiteral("gesperrt"))) << r.Meldung().toStdString();
        lock.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::database(other, false).close();
    QSqlDatabase::removeDatabase(other);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 3);
    EXPECT_EQ(transfer().Uebertragen, 3);
}

// A database that refuses to store the assignment (full disk, lost server):
// the transfer says so and fails instead of calling the rows "not assigned".
TEST_P(TransferRows, RefusedAssignmentFailsTheTransferInsteadOfLeavingRowsUnassigned)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(2, 1, QStringLiteral("A"), QStringLiteral("5"));
    stageRows(*t, 1, 2, 0, QStringLiteral("5"));
    if (GetParam() == TTestEngine::SQLite) {
        t->exec(QStringLiteral("CREATE TRIGGER tFull BEFORE UPDATE ON tblUebernahme "
                               "BEGIN SELECT RAISE(ABORT, 'Datenträger voll'); END"));
    } else {
        t->exec(QStringLiteral("CREATE FUNCTION fFull() RETURNS trigger AS $$ BEGIN "
                               "RAISE EXCEPTION 'Datenträger voll'; END $$ LANGUAGE plpgsql"));
        t->exec(QStringLiteral("CREATE TRIGGER tFull BEFORE UPDATE ON tblUebernahme FOR EACH ROW "
                               "EXECUTE FUNCTION fFull()"));
    }
    QString error;
    EXPECT_EQ(ReassignStagingDevices(t->db(), &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("Datenträger voll"))) << error.toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("zweiter.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[DataBase]\nConnectionString=" + t->connectionString().toUtf8() + "\n");
    f.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(gt_test::buildDir() + QStringLiteral("/src/app/geraetetester"),
            {QStringLiteral("--ini"), ini, QStringLiteral("--transfer")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Datenträger voll"))) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("nicht zugeordnet"))) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintPrueflingNr = 0")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
}

// Two workstations press "übernehmen" at the same moment: two programs, not threads.
TEST_P(TransferRows, TwoProgramsAtOnceMakeEachRowExactlyOneTest)
{
    constexpr int kRows = 200;
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(1, 1, QStringLiteral("A"));
    stageRows(*t, 1, kRows, 1);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString exe = dir.filePath(QStringLiteral("geraetetester"));
    ASSERT_TRUE(QFile::copy(gt_test::buildDir() + QStringLiteral("/src/app/geraetetester"), exe));
    QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    QFile ini(dir.filePath(QStringLiteral("geraetetester.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[DataBase]\nConnectionString=" + t->connectionString().toUtf8() + "\n");
    ini.close();

    QProcess a, b;
    for (QProcess *p : {&a, &b}) {
        p->setWorkingDirectory(dir.path());
        p->start(exe, {QStringLiteral("--transfer")});
    }
    int moved = 0;
    for (QProcess *p : {&a, &b}) {
        ASSERT_TRUE(p->waitForFinished(120000));
        const QString err = QString::fromLocal8Bit(p->readAllStandardError());
        EXPECT_EQ(p->exitCode(), 0) << err.toStdString();
        EXPECT_FALSE(err.contains(QStringLiteral("Fehler"))) << err.toStdString();
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("(\\d+) Sätze übertragen")).match(err);
        ASSERT_TRUE(m.hasMatch()) << err.toStdString();
        moved += m.captured(1).toInt();
    }
    EXPECT_EQ(moved, kRows);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), kRows);
    EXPECT_EQ(intOf(*t, QStringLiteral("SELECT COUNT(DISTINCT PRstrNotiz) FROM tblPruefung")), kRows);
    EXPECT_EQ(intOf(*t, QStringLiteral("SELECT MAX(PRintPruefungsNr) FROM tblPruefung")), kRows);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, TransferRows,
                         ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL), EngineName);

// A full disk refuses every row alike: the transfer stops at the first one
// with one message instead of trying (and reporting) each row.
TEST_P(TransferRows, FullDiskStopsAtTheFirstRow)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(3, 1, QStringLiteral("A"));
    stageRows(*t, 1, 3, 3);
    if (GetParam() == TTestEngine::SQLite) {
        t->exec(QStringLiteral("CREATE TRIGGER tFull BEFORE INSERT ON tblPruefung "
                               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    } else {
        t->exec(QStringLiteral("CREATE FUNCTION fFull() RETURNS trigger AS $$ BEGIN "
                               "RAISE EXCEPTION 'could not extend file: No space left on device'; END $$ "
                               "LANGUAGE plpgsql"));
        t->exec(QStringLiteral("CREATE TRIGGER tFull BEFORE INSERT ON tblPruefung FOR EACH ROW "
                               "EXECUTE FUNCTION fFull()"));
    }
    const TUebertragBericht r = transfer();
    EXPECT_TRUE(r.Beendet);
    EXPECT_EQ(r.Uebertragen, 0);
    EXPECT_EQ(r.Fehlgeschlagen, 1);
    EXPECT_TRUE(r.Meldung().contains(QStringLiteral("voll"))) << r.Meldung().toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 3);
}
