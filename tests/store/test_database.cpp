#include "StoreTestDb.h"
#include "store/Database.h"
#include "store/TestRecord.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QTemporaryDir>

namespace {

TEST_P(StoreDb, KeysStartAtOneAndFollowTheMaximum)
{
    QSqlDatabase db = t->db();
    bool ok = false;
    ASSERT_TRUE(db.transaction()); // keys are handed out only inside one
    auto next = [&db](const char *table, const char *column) {
        return NextKey(db, QLatin1String(table), QLatin1String(column));
    };
    EXPECT_EQ(NextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok), 1);
    EXPECT_TRUE(ok);
    EXPECT_EQ(next("tblPruefling", "PLintPrueflingNr"), 1);
    EXPECT_EQ(next("tblPruefung", "PRintPruefungsNr"), 1);
    EXPECT_EQ(next("tblUebernahme", "UNintLfdNr"), 1);
    ASSERT_TRUE(db.commit());

    t->addCustomer(7, QStringLiteral("A"));
    t->addCustomer(3, QStringLiteral("B"));
    t->addDevice(41, 7, QStringLiteral("Bett"));
    t->addTest(99, 41, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    ASSERT_TRUE(db.transaction());
    EXPECT_EQ(next("tblKunden", "KDintKundenNr"), 8);
    EXPECT_EQ(next("tblPruefling", "PLintPrueflingNr"), 42);
    EXPECT_EQ(next("tblPruefung", "PRintPruefungsNr"), 100);

    EXPECT_EQ(NextKey(db, QStringLiteral("tblGibtEsNicht"), QStringLiteral("x"), &ok), 0);
    EXPECT_FALSE(ok);
    db.rollback();
}

// Two customers with devices, tests and rows; the first one is deleted.
void buildTree(const TTestDb &t)
{
    t.addCustomer(1, QStringLiteral("Eins"));
    t.addCustomer(2, QStringLiteral("Zwei"));
    t.addDevice(10, 1, QStringLiteral("a"));
    t.addDevice(11, 1, QStringLiteral("b"));
    t.addDevice(20, 2, QStringLiteral("c"));
    const QDateTime d(QDate(2026, 5, 6), QTime(7, 8, 9));
    t.addTest(100, 10, d);
    t.addTest(101, 11, d);
    t.addTest(200, 20, d);
    for (int test : {100, 101, 200})
        for (int z = 1; z <= 3; ++z)
            t.addRow(test, z, z * 10, 1);
}

TEST_P(StoreDb, CustomerCascadeRemovesEverythingBelowItOnly)
{
    buildTree(*t);
    QString err;
    ASSERT_TRUE(DeleteCustomerCascade(t->db(), 1, true, &err)) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung")), 3);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung"), QStringLiteral("SIintPruefungsNr = 200")), 3);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtTeil")),
              t->count(QStringLiteral("tblSichtTeil"))); // untouched

    // Without the parent: children go, the customer row stays for the caller.
    ASSERT_TRUE(DeleteCustomerCascade(t->db(), 2, false, &err));
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung")), 0);
}

TEST_P(StoreDb, DeviceAndTestCascades)
{
    buildTree(*t);
    ASSERT_TRUE(DeleteDeviceCascade(t->db(), 10));
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung"), QStringLiteral("SIintPruefungsNr = 100")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung")), 6);

    ASSERT_TRUE(DeleteTestCascade(t->db(), 101, false));
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung")), 3);
    ASSERT_TRUE(DeleteTestCascade(t->db(), 101));
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 2);
}

// Staging rows assigned to a deleted device would be transferred as tests
// that no device shows.
TEST_P(StoreDb, DeletedDevicesReleaseTheirStagingRows)
{
    buildTree(*t);
    auto stage = [&](int lfd, int device) {
        t->exec(QStringLiteral("INSERT INTO tblUebernahme (UNintLfdNr, UNintPrueflingNr, UNstrBarcode) "
                               "VALUES (%1, %2, 'x%1')")
                    .arg(lfd)
                    .arg(device));
    };
    stage(1, 10);
    stage(2, 11);
    stage(3, 20);
    stage(4, 0);
    auto assigned = [&](int lfd) {
        QSqlQuery q(t->db());
        q.exec(QStringLiteral("SELECT UNintPrueflingNr FROM tblUebernahme WHERE UNintLfdNr = %1").arg(lfd));
        return q.next() ? q.value(0).toInt() : -1;
    };

    ASSERT_TRUE(DeleteDeviceCascade(t->db(), 20, false)); // tests only: the device stays
    EXPECT_EQ(assigned(3), 20);
    ASSERT_TRUE(DeleteDeviceCascade(t->db(), 20));
    EXPECT_EQ(assigned(3), 0);
    EXPECT_EQ(assigned(1), 10);

    ASSERT_TRUE(DeleteCustomerCascade(t->db(), 1));
    EXPECT_EQ(assigned(1), 0);
    EXPECT_EQ(assigned(2), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 4); // the records themselves stay
}

TEST_P(StoreDb, FailingCascadeLeavesEverythingInPlace)
{
    buildTree(*t);
    // The last statement (the device row) cannot run: the earlier ones must be undone.
    t->exec(QStringLiteral("ALTER TABLE tblPruefling RENAME TO tblPrueflingWeg"));
    QString err;
    EXPECT_FALSE(DeleteDeviceCascade(t->db(), 10, true, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 3);
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung")), 9);
}

TEST_P(StoreDb, AwkwardTextsSurviveTheRoundTrip)
{
    const QString name = QStringLiteral("O'Brien \"Bettenhaus\"; Abt. 3");
    const QString note = QStringLiteral("Zeile 1\nZeile 2 mit ' und \"\r\nΩ 测 €");
    t->addCustomer(1, name, QStringLiteral("Köln"));
    t->addDevice(2, 1, QStringLiteral("Pflegebett"), QStringLiteral("4711"));
    t->addTest(3, 2, QDateTime(QDate(2026, 12, 7), QTime(23, 53, 6)), note);
    TWerteSatz w;
    QString err;
    ASSERT_TRUE(LoadTestRecord(t->db(), 3, true, w, &err)) << err.toStdString();
    EXPECT_EQ(w.Name1, name);
    EXPECT_EQ(w.Ort, "Köln");
    EXPECT_EQ(w.Notiz, note);
    EXPECT_EQ(w.Barcode, "4711");
    EXPECT_EQ(w.Datum, QDateTime(QDate(2026, 12, 7), QTime(23, 53, 6)));
    EXPECT_EQ(w.KundenNr, 1);
    EXPECT_EQ(w.PrueflingNr, 2);
    EXPECT_EQ(w.Schutzleiterwid, 120);
    EXPECT_EQ(w.Ableitstrom, -1);
    EXPECT_TRUE(w.Automatisch);
    EXPECT_TRUE(w.Pruefungsergebnis);
    EXPECT_FALSE(w.MitBeruehr);
    EXPECT_EQ(w.Enables, ComputeEnableMask(1, 0, false, 1));
    EXPECT_EQ(w.Gesamtbew, 1);
    EXPECT_TRUE(w.Sichtpr.isEmpty());
}

TEST_P(StoreDb, InspectionRowsAndTheDeviceVerdict)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(2, 1, QStringLiteral("Bett"));
    t->addTest(3, 2, QDateTime(QDate(2026, 1, 1), QTime(8, 0)), QString(), 1);
    t->addRow(3, 2, 20, 1);
    t->addRow(3, 1, 10, -1);
    TWerteSatz w;
    ASSERT_TRUE(LoadTestRecord(t->db(), 3, true, w));
    ASSERT_EQ(w.Sichtpr.size(), 2);
    EXPECT_EQ(w.Sichtpr[0].ZeileNr, 1);
    EXPECT_EQ(w.Sichtpr[0].Pruefteil, "Typschild, Aufschriften");
    EXPECT_EQ(w.Sichtpr[1].Pruefung, "Vorhanden, aktuelle Fassung, am Gerät verfügbar");
    EXPECT_EQ(w.Gesamtbew, 1);
    t->exec(QStringLiteral("UPDATE tblSichtpruefung SET SIintBestanden = 0 WHERE SIintZeileNr = 2"));
    ASSERT_TRUE(LoadTestRecord(t->db(), 3, true, w));
    EXPECT_EQ(w.Gesamtbew, 0);

    EXPECT_FALSE(LoadTestRecord(t->db(), 4, true, w));

    // A test whose device is gone still loads, without device and customer.
    t->exec(QStringLiteral("DELETE FROM tblPruefling"));
    ASSERT_TRUE(LoadTestRecord(t->db(), 3, true, w));
    EXPECT_EQ(w.PruefungsNr, 3);
    EXPECT_EQ(w.PrueflingNr, 0);
    EXPECT_EQ(w.Name1, "");
    EXPECT_EQ(w.Sichtpr.size(), 2);
}

TEST_P(StoreDb, LookupTestOwner)
{
    buildTree(*t);
    int dev = -1, cust = -1;
    LookupTestOwner(t->db(), 200, dev, cust);
    EXPECT_EQ(dev, 20);
    EXPECT_EQ(cust, 2);
    LookupTestOwner(t->db(), 555, dev, cust);
    EXPECT_EQ(dev, 0);
    EXPECT_EQ(cust, 0);
}

TEST_P(StoreDb, DateLiteralIsStoredAsThatMoment)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(2, 1, QStringLiteral("x"));
    // Day and month both <= 12: a month-first reading would swap them.
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    t->addTest(3, 2, when);
    t->exec(QStringLiteral("UPDATE tblPruefung SET PRdtmUebernahme = ") +
            SqlDateLiteral(QDateTime(QDate(2025, 11, 10), QTime(9, 8, 7)), 0) +
            QStringLiteral(" WHERE PRintPruefungsNr = 3"));
    TWerteSatz w;
    ASSERT_TRUE(LoadTestRecord(t->db(), 3, false, w));
    EXPECT_EQ(w.Datum, QDateTime(QDate(2025, 11, 10), QTime(9, 8, 7)));
    // Stored as a sortable moment: the later test compares greater.
    t->addTest(4, 2, QDateTime(QDate(2026, 2, 1), QTime(0, 0)));
    QSqlQuery q(t->db());
    ASSERT_TRUE(
        q.exec(QStringLiteral("SELECT PRintPruefungsNr FROM tblPruefung ORDER BY PRdtmUebernahme DESC")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 4);
}

// Rows of one day must sort by their moment whatever form the date was
// written in (the browser's table model writes ISO with "T" and fractions).
TEST_P(StoreDb, EveryDateFormIsStoredAsOneSortableMoment)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(2, 1, QStringLiteral("x"));
    const QList<QPair<QString, QDateTime>> forms = {
        {QStringLiteral("7.3.2026 5:06:07"), QDateTime(QDate(2026, 3, 7), QTime(5, 6, 7))},
        {QStringLiteral("07.03.2026"), QDateTime(QDate(2026, 3, 7), QTime(0, 0))},
        {QStringLiteral("2026-03-07T05:06:08.123"), QDateTime(QDate(2026, 3, 7), QTime(5, 6, 8))},
        {QStringLiteral("2026-03-07 5:6"), QDateTime(QDate(2026, 3, 7), QTime(5, 6))},
        {QStringLiteral("  07.03.2026 23:59:59 "), QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59))},
        {QStringLiteral("07.03.2026 10:00"), QDateTime(QDate(2026, 3, 7), QTime(10, 0))},
        {QStringLiteral("2026-3-7 9:05:01"), QDateTime(QDate(2026, 3, 7), QTime(9, 5, 1))},
        {QStringLiteral("06.03.2026 23:00:00"), QDateTime(QDate(2026, 3, 6), QTime(23, 0))},
    };
    for (int i = 0; i < forms.size(); ++i)
        t->exec(
            QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme) "
                           "VALUES (%1, 2, '%2')")
                .arg(i + 1)
                .arg(forms[i].first));
    // Changing a date later goes the same way.
    t->exec(QStringLiteral("UPDATE tblPruefung SET PRdtmUebernahme = '8.3.2026 1:02' "
                           "WHERE PRintPruefungsNr = 8"));
    QList<QPair<QString, QDateTime>> expected = forms;
    expected[7].second = QDateTime(QDate(2026, 3, 8), QTime(1, 2));
    for (int i = 0; i < expected.size(); ++i) {
        TWerteSatz w;
        ASSERT_TRUE(LoadTestRecord(t->db(), i + 1, false, w));
        EXPECT_EQ(w.Datum, expected[i].second) << expected[i].first.toStdString();
    }
    QSqlQuery q(t->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT PRintPruefungsNr FROM tblPruefung ORDER BY PRdtmUebernahme")));
    QList<int> order;
    while (q.next())
        order << q.value(0).toInt();
    EXPECT_EQ(order, (QList<int>{2, 4, 1, 3, 7, 6, 5, 8}));

    if (GetParam() == TTestEngine::SQLite) {
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT PRdtmUebernahme FROM tblPruefung "
                                          "WHERE PRintPruefungsNr IN (1, 3) ORDER BY 1")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("2026-03-07 05:06:07"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("2026-03-07 05:06:08"));
        // Staging rows as well.
        t->exec(QStringLiteral("INSERT INTO tblUebernahme (UNintLfdNr, UNdtmUebernahme) "
                               "VALUES (1, '1.2.2026 3:4:5')"));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT UNdtmUebernahme FROM tblUebernahme")) && q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("2026-02-01 03:04:05"));
    }
}

TEST(Initdb, OlderSqliteFileGetsTheDateTriggersAndItsDatesNormalised)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    for (const char *name : {"trPruefungDatumFormIns", "trPruefungDatumFormUpd", "trUebernahmeDatumFormIns",
                             "trUebernahmeDatumFormUpd"})
        t.exec(QStringLiteral("DROP TRIGGER %1").arg(QLatin1String(name)));
    t.exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRdtmUebernahme) "
                          "VALUES (1, '2026-03-07T05:06:08.000')"));
    const TInitdbRun r = RunInitdb({QStringLiteral("--connection"), t.connectionString()});
    ASSERT_EQ(r.rc, 0) << (r.out + r.err).toStdString();
    EXPECT_EQ(t.count(QStringLiteral("sqlite_master"), QStringLiteral("type = 'trigger'")), 4);
    EXPECT_EQ(
        t.count(QStringLiteral("tblPruefung"), QStringLiteral("PRdtmUebernahme = '2026-03-07 05:06:08'")), 1);
    EXPECT_GT(t.count(QStringLiteral("tblSichtTeil")), 0);
}

// Text is quoted by doubling quotes only; a server that reads backslashes as
// escapes would change "C:\neu" or fail on a trailing backslash.
TEST_P(StoreDb, BackslashesInTextStayAsTheyAre)
{
    if (GetParam() == TTestEngine::PostgreSQL) {
        t->exec(QStringLiteral("ALTER DATABASE %1 SET standard_conforming_strings = off")
                    .arg(t->db().databaseName()));
        ASSERT_TRUE(
            OpenConnection(ParseConnectionString(t->connectionString()), QStringLiteral("gt_bs"), nullptr));
    }
    {
        QSqlDatabase db =
            GetParam() == TTestEngine::PostgreSQL ? QSqlDatabase::database(QStringLiteral("gt_bs")) : t->db();
        const QString text = QStringLiteral("C:\\neu\\O'Brien\\");
        QString err;
        ASSERT_TRUE(ExecLines(db,
                              {QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1)"),
                               QStringLiteral("VALUES (1, %1)").arg(SqlQuote(text))},
                              &err))
            << err.toStdString();
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT KDstrName1 FROM tblKunden")) && q.next());
        EXPECT_EQ(q.value(0).toString(), text);
    }
    if (GetParam() == TTestEngine::PostgreSQL) {
        QSqlDatabase::database(QStringLiteral("gt_bs")).close();
        QSqlDatabase::removeDatabase(QStringLiteral("gt_bs"));
    }
}

TEST_P(StoreDb, BarcodeIsEmptyOrUnique)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(2, 1, QStringLiteral("a"), QString());
    t->addDevice(3, 1, QStringLiteral("b"), QString());
    t->addDevice(4, 1, QStringLiteral("c"), QStringLiteral("123"));
    QSqlQuery q(t->db());
    EXPECT_FALSE(
        q.exec(QStringLiteral("INSERT INTO tblPruefling (PLintPrueflingNr, PLintKundenNr, PLstrBarcode) "
                              "VALUES (5, 1, '123')")));
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 3);
}

// Kind and engine are read from the connection a statement uses, so a second
// connection to another engine cannot be taken for the program's.
TEST_P(StoreDb, KindAndEngineAreReadFromTheConnection)
{
    const TDbEngine engine = GetParam() == TTestEngine::SQLite ? TDbEngine::SQLite : TDbEngine::PostgreSQL;
    EXPECT_EQ(DatabaseEngine(t->db()), engine);
    EXPECT_EQ(DatabaseKind(t->db()), 0);
    EXPECT_EQ(DatabaseEngine(ProgramDatabase()), TDbEngine::None);
    QString err;
    ASSERT_TRUE(ConnectDatabase(t->connectionString(), &err)) << err.toStdString();
    EXPECT_EQ(DatabaseEngine(ProgramDatabase()), engine);
    EXPECT_EQ(DatabaseKind(ProgramDatabase()), 0);
    EXPECT_TRUE(ProgramDatabase().isOpen());
    QSqlQuery q(ProgramDatabase());
    EXPECT_EQ(DatabaseKind(q.driver()), 0);
    DisconnectDatabase();
    EXPECT_FALSE(ProgramDatabase().isValid());
    EXPECT_EQ(DatabaseEngine(ProgramDatabase()), TDbEngine::None);
    EXPECT_EQ(DatabaseKind(ProgramDatabase()), 0);
    EXPECT_EQ(DatabaseKind(static_cast<const QSqlDriver *>(nullptr)), 0);
}

TEST_P(StoreDb, TableModelsWorkWithTheModelTableName)
{
    t->addCustomer(1, QStringLiteral("A"));
    t->addDevice(2, 1, QStringLiteral("Bett"));
    t->addTest(3, 2, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    QSqlTableModel m(nullptr, t->db());
    m.setTable(ModelTableName(QStringLiteral("tblPruefung")));
    m.setEditStrategy(QSqlTableModel::OnManualSubmit);
    ASSERT_TRUE(m.select()) << m.lastError().text().toStdString();
    ASSERT_EQ(m.rowCount(), 1);
    const int notiz = m.record().indexOf(QStringLiteral("PRstrNotiz"));
    const int gesamt = m.record().indexOf(QStringLiteral("PRintGesamtbew"));
    ASSERT_GE(notiz, 0);
    EXPECT_TRUE(m.setData(m.index(0, notiz), QStringLiteral("geändert 'x'")));
    EXPECT_TRUE(m.setData(m.index(0, gesamt), 0));
    ASSERT_TRUE(m.submitAll()) << m.lastError().text().toStdString();
    TWerteSatz w;
    ASSERT_TRUE(LoadTestRecord(t->db(), 3, false, w));
    EXPECT_EQ(w.Notiz, "geändert 'x'");
    EXPECT_EQ(w.Datum, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
}

INSTANTIATE_TEST_SUITE_P(Engines, StoreDb, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

TEST(Connect, MissingFileIsReportedAndNotCreated)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("VERIDA.db"));
    QString err;
    EXPECT_FALSE(ConnectDatabase(QStringLiteral("Provider=SQLite;Data Source=") + file, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("nicht gefunden"))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(DatabaseEngine(ProgramDatabase()), TDbEngine::None);
}

TEST(Connect, DatabaseWithoutTablesIsRefused)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("leer.db"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QString err;
    EXPECT_FALSE(ConnectDatabase(QStringLiteral("Provider=SQLite;Data Source=") + file, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("tblKunden"))) << err.toStdString();
    EXPECT_FALSE(ProgramDatabase().isValid());
}

} // namespace
