// Keys with two writers that are processes of their own, as two workstations
// on one database: every caller that stores new rows, and the key lock itself.

#include "StoreTestDb.h"
#include "store/BrowserData.h"
#include "store/Database.h"
#include "store/EntryStore.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QSqlQuery>

#include <array>
#include <memory>

namespace {

QString writerPath()
{
    return gt_test::buildDir() + QStringLiteral("/tests/store/key-writer");
}

struct TWriterRun {
    int rc = -1;
    QString out;
};

// Starts both writers before waiting for either, so they overlap.
std::array<TWriterRun, 2> runTwoWriters(const QString &cs, const QString &mode, int rows)
{
    std::array<std::unique_ptr<QProcess>, 2> p;
    for (int i = 0; i < 2; ++i) {
        p[i] = std::make_unique<QProcess>();
        p[i]->setProcessChannelMode(QProcess::MergedChannels);
        p[i]->start(writerPath(), {cs, mode, QString::number(rows), QStringLiteral("W%1").arg(i)});
    }
    std::array<TWriterRun, 2> r;
    for (int i = 0; i < 2; ++i) {
        if (p[i]->waitForFinished(100000) && p[i]->exitStatus() == QProcess::NormalExit)
            r[i].rc = p[i]->exitCode();
        else
            p[i]->kill();
        r[i].out = QString::fromLocal8Bit(p[i]->readAll());
    }
    return r;
}

// Rows, distinct keys, and whether every writer's every row is there.
void expectAllStoredOnce(const TTestDb &t, const QString &table, const QString &key, const QString &text,
                         int rowsBefore, int rows)
{
    QSqlQuery q(t.db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT %1), COUNT(DISTINCT %2) FROM %3")
                           .arg(key, text, table)));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), rowsBefore + 2 * rows);
    EXPECT_EQ(q.value(1).toInt(), rowsBefore + 2 * rows) << "a key was handed out twice";
    EXPECT_EQ(q.value(2).toInt(), rowsBefore + 2 * rows) << "a row is missing or doubled";
}

class KeyWriters : public StoreDb {
protected:
    void expectClean(const std::array<TWriterRun, 2> &r)
    {
        for (const TWriterRun &w : r)
            EXPECT_EQ(w.rc, 0) << w.out.toStdString();
    }
};

constexpr int kRows = 500;

TEST_P(KeyWriters, BrowserInsertsOfTwoWorkstationsNeverShareAKey)
{
    t->addCustomer(1, QStringLiteral("Vorhanden"));
    expectClean(runTwoWriters(t->connectionString(), QStringLiteral("browser-customer"), kRows));
    expectAllStoredOnce(*t, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"),
                        QStringLiteral("KDstrName1"), 1, kRows);

    expectClean(runTwoWriters(t->connectionString(), QStringLiteral("browser-device"), kRows));
    expectAllStoredOnce(*t, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"),
                        QStringLiteral("PLstrBezeichnung"), 0, kRows);
}

TEST_P(KeyWriters, EntryDialogStoresOfTwoWorkstationsNeverShareAKey)
{
    t->addCustomer(1, QStringLiteral("Vorhanden"));
    expectClean(runTwoWriters(t->connectionString(), QStringLiteral("customer"), kRows));
    expectAllStoredOnce(*t, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"),
                        QStringLiteral("KDstrName1"), 1, kRows);

    expectClean(runTwoWriters(t->connectionString(), QStringLiteral("device"), kRows));
    expectAllStoredOnce(*t, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"),
                        QStringLiteral("PLstrBarcode"), 0, kRows);
}

TEST_P(KeyWriters, ImportsOfTwoWorkstationsNeverShareAKey)
{
    expectClean(runTwoWriters(t->connectionString(), QStringLiteral("import"), kRows));
    expectAllStoredOnce(*t, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"),
                        QStringLiteral("KDstrName1"), 0, kRows);
    expectAllStoredOnce(*t, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"),
                        QStringLiteral("PLstrBarcode"), 0, kRows);
    QSqlQuery q(t->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT PRintPruefungsNr), "
                                      "COUNT(DISTINCT PRintPrueflingNr) FROM tblPruefung")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 2 * kRows);
    EXPECT_EQ(q.value(1).toInt(), 2 * kRows);
    EXPECT_EQ(q.value(2).toInt(), 2 * kRows);
}

// Both workstations enter the same barcodes at once: each barcode is stored
// once, the other workstation is told it is taken.
TEST_P(KeyWriters, OneBarcodeEnteredOnTwoWorkstationsIsStoredOnce)
{
    constexpr int kBarcodes = 150;
    t->addCustomer(1, QStringLiteral("Vorhanden"));
    const auto r = runTwoWriters(t->connectionString(), QStringLiteral("same-barcode"), kBarcodes);
    expectClean(r);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), kBarcodes);
    QSqlQuery q(t->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(DISTINCT PLstrBarcode) FROM tblPruefling")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), kBarcodes);
    // Each writer saw every barcode either stored or taken.
    for (const TWriterRun &w : r)
        EXPECT_TRUE(w.out.contains(QStringLiteral("failed 0"))) << w.out.toStdString();
}

// A second workstation asking for a key waits for the first one's commit and
// then gets the maximum after it; nothing retries behind the scenes.
TEST_P(KeyWriters, SecondKeyWaitsForTheFirstTransactionToCommit)
{
    QSqlDatabase db = t->db();
    ASSERT_TRUE(db.transaction());
    QString error;
    const int first = TakeNextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &error);
    ASSERT_EQ(first, 1) << error.toStdString();

    QProcess other;
    other.setProcessChannelMode(QProcess::MergedChannels);
    other.start(writerPath(), {t->connectionString(), QStringLiteral("next-key")});
    QString said;
    auto read = [&] {
        said += QString::fromLocal8Bit(other.readAll());
        return said;
    };
    ASSERT_TRUE(gt_test::waitFor([&] { return read().contains(QStringLiteral("asking")); }, 20000))
        << said.toStdString();
    if (t->engine() == TTestEngine::PostgreSQL) {
        // The server shows the second session waiting for the key lock.
        EXPECT_TRUE(gt_test::waitFor(
            [&] {
                QSqlQuery q(db);
                return q.exec(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' "
                                             "AND NOT granted AND database = (SELECT oid FROM pg_database "
                                             "WHERE datname = current_database())")) &&
                       q.next() && q.value(0).toInt() >= 1;
            },
            10000));
    } else {
        // The file's write lock gives no outside view: a while without an
        // answer (well inside the busy timeout) must pass.
        EXPECT_TRUE(gt_test::staysFalse([&] { return read().contains(QStringLiteral("key")); }, 700));
    }
    EXPECT_FALSE(read().contains(QStringLiteral("key"))) << said.toStdString();

    for (int k = first; k < first + 3; ++k)
        ASSERT_TRUE(ExecLines(db,
                              {QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1)"),
                               QStringLiteral("VALUES (%1, 'A')").arg(k)},
                              &error))
            << error.toStdString();
    ASSERT_TRUE(db.commit());
    ASSERT_TRUE(other.waitForFinished(20000));
    read();
    EXPECT_EQ(other.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("key 4 "))) << said.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 4);
}

// One workstation deletes a device while another transfers its fetched
// tests: no test may outlive its device, and neither side may fail.
TEST_P(KeyWriters, DeletingADeviceDuringATransferLeavesNoTestWithoutItsDevice)
{
    constexpr int kStaged = 1500;
    t->addCustomer(1, QStringLiteral("Müller"));
    t->addDevice(1, 1, QStringLiteral("Kaffeemaschine"));
    t->exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)\n"
                       "INSERT INTO tblUebernahme (UNintLfdNr, UNstrBarcode, UNintPrueflingNr, "
                       "UNstrGTSeriennummer, UNintSchutzleiterwid)\nSELECT i, '', 1, '0612345678', i FROM n")
            .arg(kStaged));

    QProcess other;
    other.setProcessChannelMode(QProcess::MergedChannels);
    other.start(writerPath(), {t->connectionString(), QStringLiteral("transfer")});
    QString said;
    auto read = [&] {
        said += QString::fromLocal8Bit(other.readAll());
        return said;
    };
    ASSERT_TRUE(gt_test::waitFor([&] { return read().contains(QStringLiteral("started")); }, 20000))
        << said.toStdString();
    // Delete while rows are on their way, not before the first or after the last.
    ASSERT_TRUE(gt_test::waitFor([&] { return t->count(QStringLiteral("tblPruefung")) >= 20; }, 20000));
    QString error;
    EXPECT_TRUE(DeleteDeviceCascade(t->db(), 1, true, &error)) << error.toStdString();
    ASSERT_TRUE(other.waitForFinished(60000));
    read();
    EXPECT_EQ(other.exitCode(), 0) << said.toStdString();

    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0) << "a test outlived its device";
    // The rows not yet moved wait, unassigned, for a device.
    const int left = t->count(QStringLiteral("tblUebernahme"));
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintPrueflingNr = 0")), left);
}

// The browser of one workstation still shows what another one deletes: an
// edit of the deleted device, or a new device under the deleted customer, is
// refused with a message instead of vanishing or being stored where no view
// shows it.
TEST_P(KeyWriters, BrowserStoresNothingUnderWhatAnotherWorkstationDeleted)
{
    t->addCustomer(1, QStringLiteral("Müller"));
    t->addCustomer(2, QStringLiteral("Kaiser"));
    t->addDevice(10, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("4711"));
    t->addDevice(20, 2, QStringLiteral("Monitor"));
    auto deleteElsewhere = [&](const char *what, int key) {
        QProcess other;
        other.setProcessChannelMode(QProcess::MergedChannels);
        other.start(writerPath(), {t->connectionString(), QLatin1String(what), QString::number(key)});
        ASSERT_TRUE(other.waitForFinished(30000));
        EXPECT_EQ(other.exitCode(), 0) << other.readAll().toStdString();
    };
    TBrowserData b;
    b.setDatabase(t->db());
    ASSERT_TRUE(b.Open(0));
    ASSERT_EQ(b.Devices->CurrentKey(), 10);

    QString error;
    ASSERT_TRUE(b.Devices->SetValue(QStringLiteral("PLstrTyp"), QStringLiteral("KM 3")));
    deleteElsewhere("delete-device", 10);
    EXPECT_FALSE(b.Devices->Post(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("gelöscht"))) << error.toStdString();
    b.Devices->Cancel();

    ASSERT_TRUE(b.InsertDevice(&error)) << error.toStdString();
    ASSERT_TRUE(b.Devices->SetValue(QStringLiteral("PLstrBezeichnung"), QStringLiteral("Bohrmaschine")));
    deleteElsewhere("delete-customer", 1);
    error.clear();
    EXPECT_FALSE(b.Devices->Post(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("Kunde"))) << error.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling"),
                       QStringLiteral("PLintKundenNr NOT IN (SELECT KDintKundenNr FROM tblKunden)")),
              0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 1);

    // The new-device dialog chose the customer from its list before.
    TPrueflingEingabe neu;
    neu.KundenNr = 1;
    neu.Bezeichnung = QStringLiteral("Wasserkocher");
    neu.Barcode = QStringLiteral("4712");
    error.clear();
    EXPECT_EQ(StoreNewDevice(t->db(), neu, nullptr, &error), TEntryResult::Failed);
    EXPECT_TRUE(error.contains(QStringLiteral("Kunde"))) << error.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 1);
}

// The lock ends with the transaction, so a key asked for outside one would
// protect nothing: it is refused.
TEST_P(KeyWriters, KeyOutsideATransactionIsRefused)
{
    QSqlDatabase db = t->db();
    bool ok = true;
    EXPECT_EQ(NextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok), 0);
    EXPECT_FALSE(ok);
    QString error;
    EXPECT_EQ(TakeNextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &error), 0);
    EXPECT_TRUE(error.contains(QStringLiteral("Transaktion"))) << error.toStdString();

    t->addCustomer(7, QStringLiteral("K"));
    ASSERT_TRUE(db.transaction());
    EXPECT_EQ(NextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok), 8);
    EXPECT_TRUE(ok);
    ASSERT_TRUE(db.rollback());
    // After the transaction it is refused again.
    EXPECT_EQ(NextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, KeyWriters, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

} // namespace
