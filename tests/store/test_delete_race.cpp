#include "StoreTestDb.h"
#include "store/Database.h"
#include "support/TestSupport.h"

#include <QSqlQuery>

#include <atomic>
#include <thread>

namespace {

// A transfer on another workstation holds its device row and has inserted a
// test that is not yet committed, when this workstation deletes the device.
// The delete must wait and then take that test with it: no test may stay
// behind under a device that is gone.
TEST_P(StoreDb, DeletingADeviceWaitsForATransferAndLeavesNoTestBehind)
{
    // Not a missing tool: the case exists only for the server engine.
    if (GetParam() != TTestEngine::PostgreSQL) GTEST_SKIP() << "SQLite lässt nur einen Schreiber zu";
    t->addCustomer(1, QStringLiteral("Müller"));
    t->addDevice(5, 1, QStringLiteral("Kaffeemaschine"));

    const QString conn = QStringLiteral("gt_delete_race_transfer");
    QString err;
    ASSERT_TRUE(OpenConnection(ParseConnectionString(t->connectionString()), conn, &err))
        << err.toStdString();
    {
        QSqlDatabase other = QSqlDatabase::database(conn, false);
        ASSERT_TRUE(other.transaction());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT PLintPrueflingNr FROM tblPruefling "
                                          "WHERE PLintPrueflingNr = 5 FOR SHARE")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr) "
                                          "VALUES (1, 5)")));

        std::atomic<bool> done{false};
        std::atomic<bool> deleted{false};
        std::thread deleter([&] {
            const QString c2 = QStringLiteral("gt_delete_race_delete");
            {
                QString e;
                if (OpenConnection(ParseConnectionString(t->connectionString()), c2, &e)) {
                    QSqlDatabase d = QSqlDatabase::database(c2, false);
                    deleted = DeleteDeviceCascade(d, 5, true, &e);
                    d.close();
                }
            }
            QSqlDatabase::removeDatabase(c2);
            done = true;
        });
        // The delete must be waiting for the transfer's row lock, not finished.
        QSqlQuery probe(other);
        bool waiting = false;
        gt_test::waitFor(
            [&] {
                QSqlQuery w(t->db());
                waiting = w.exec(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE NOT granted")) &&
                          w.next() && w.value(0).toInt() > 0;
                return waiting || done;
            },
            20000);
        EXPECT_TRUE(waiting);
        ASSERT_TRUE(other.commit());
        deleter.join();
        EXPECT_TRUE(deleted.load());
        other.close();
    }
    QSqlDatabase::removeDatabase(conn);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
}

} // namespace
