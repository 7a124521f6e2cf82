#include "StoreTestDb.h"
#include "store/Database.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <thread>

namespace {

QStringList customerInsert(int key, const QString &name)
{
    return {QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1)"),
            QStringLiteral("VALUES (%1, %2)").arg(key).arg(SqlQuote(name))};
}

// Two workstations on one database, each adding rows as fast as it can:
// maximum + 1 without a lock hands both the same key.
TEST_P(StoreDb, TwoConcurrentWritersNeverShareAKey)
{
    constexpr int kRows = 1000;
    std::atomic<int> failures{0};
    QStringList errors[2];
    auto writer = [&](int id) {
        const QString conn = QStringLiteral("gt_keys_writer_%1").arg(id);
        {
            QString err;
            if (!OpenConnection(ParseConnectionString(t->connectionString()), conn, &err)) {
                errors[id] << err;
                failures += kRows;
                return;
            }
            QSqlDatabase db = QSqlDatabase::database(conn, false);
            for (int i = 0; i < kRows; ++i) {
                const QString name = QStringLiteral("W%1-%2").arg(id).arg(i);
                if (InsertWithNextKey(
                        db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"),
                        [&](int key) { return customerInsert(key, name); }, &err) <= 0) {
                    ++failures;
                    if (errors[id].size() < 3) errors[id] << err;
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(conn);
    };
    std::thread a(writer, 0), b(writer, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0) << errors[0].join(QLatin1Char('|')).toStdString()
                                  << errors[1].join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 2 * kRows);
    QSqlQuery q(t->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT MIN(KDintKundenNr), MAX(KDintKundenNr), "
                                      "COUNT(DISTINCT KDintKundenNr) FROM tblKunden")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toInt(), 2 * kRows);
    EXPECT_EQ(q.value(2).toInt(), 2 * kRows);
}

// A run that reads the maximum once and counts on (fetch, transfer) keeps
// its keys to itself until it commits.
TEST_P(StoreDb, KeyRunHoldsTheLockUntilCommit)
{
    QSqlDatabase db = t->db();
    ASSERT_TRUE(db.transaction());
    bool ok = false;
    const int first = NextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first, 1);

    std::atomic<int> otherKey{-1};
    std::atomic<bool> otherDone{false};
    std::thread other([&] {
        const QString conn = QStringLiteral("gt_keys_other");
        {
            QString err;
            if (OpenConnection(ParseConnectionString(t->connectionString()), conn, &err)) {
                QSqlDatabase d = QSqlDatabase::database(conn, false);
                otherKey = InsertWithNextKey(
                    d, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"),
                    [](int key) { return customerInsert(key, QStringLiteral("B")); }, &err);
                d.close();
            }
        }
        QSqlDatabase::removeDatabase(conn);
        otherDone = true;
    });
    for (int k = first; k < first + 3; ++k) {
        QString err;
        EXPECT_TRUE(ExecLines(db, customerInsert(k, QStringLiteral("A")), &err)) << err.toStdString();
    }
    EXPECT_FALSE(otherDone.load()); // still waiting for the lock
    ASSERT_TRUE(db.commit());
    other.join();
    EXPECT_EQ(otherKey.load(), 4);
}

TEST_P(StoreDb, InsertWithNextKeyReportsAFailingInsert)
{
    QString err;
    const int key = InsertWithNextKey(
        t->db(), QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"),
        [](int next) {
            return QStringList{QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrGibtEsNicht) "
                                              "VALUES (%1, 'x')")
                                   .arg(next)};
        },
        &err);
    EXPECT_EQ(key, 0);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 0);
}

// Instantiated over both engines in test_database.cpp.

} // namespace
