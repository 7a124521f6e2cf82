#include "../AppTestSupport.h"

#include "app/common/ExportFileChooser.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace gt_app_test;

namespace {

TEST(ExportFile, FixedNameIsUsedWithoutAsking)
{
    TFakePrompt prompt;
    EXPECT_EQ(ChooseExportFile(1, QStringLiteral("/tmp/x.csv")), "/tmp/x.csv");
    EXPECT_TRUE(prompt.calls.isEmpty());
    // A fixed choice without a name asks after all, starting at that name.
    prompt.files << QStringLiteral("/tmp/y.csv");
    EXPECT_EQ(ChooseExportFile(1, QStringLiteral("  ")), "/tmp/y.csv");
    ASSERT_EQ(prompt.calls.size(), 1);
    EXPECT_EQ(prompt.calls[0].kind, TFakePrompt::TKind::ExportFile);
}

// POSIX record locks this process holds on a file, as the kernel lists them.
int locksOn(const QString &fileName)
{
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0) return 0;
    QFile f(QStringLiteral("/proc/locks"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray inode = ":" + QByteArray::number(qulonglong(st.st_ino));
    int n = 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        // "1: POSIX ADVISORY READ <pid> <maj:min:inode> <start> <end>"
        if (parts.size() >= 6 && parts[1] == "POSIX" && parts[4] == pid && parts[5].endsWith(inode)) ++n;
    }
    return n;
}

// A dialog that shows the database's folder must not open the database file:
// closing any descriptor of it ends every POSIX lock SQLite holds on it, and
// another process may then check out the write-ahead log under our feet.
TEST(ExportFile, DialogOnTheDatabaseFolderKeepsSqliteLocks)
{
    QTemporaryDir dir;
    const QString dbFile = dir.filePath(QStringLiteral("VERIDA.db"));
    const QString conn = QStringLiteral("lock_probe");
    int before = 0, during = 0, after = 0;
    bool shown = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(dbFile);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (x INTEGER)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES (1)")));
        // A read transaction holds its locks until it ends.
        ASSERT_TRUE(db.transaction());
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT x FROM t")));
        ASSERT_TRUE(q.next());
        const auto locks = [&] { return locksOn(dbFile) + locksOn(dbFile + QStringLiteral("-shm")); };
        before = locks();
        ASSERT_GT(before, 0) << "no lock seen in /proc/locks";

        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            shown = dlg != nullptr;
            // Long enough for the folder to be listed and every icon and type to be asked for.
            waitUntil([&] { return locks() < before; }, 3000);
            during = locks();
            if (dlg) dlg->reject();
        });
        EXPECT_TRUE(ChooseExportFile(0, dir.filePath(QStringLiteral("export.csv"))).isEmpty());
        after = locks();
        q.finish();
        db.commit();
    }
    QSqlDatabase::removeDatabase(conn);
    EXPECT_TRUE(shown);
    EXPECT_EQ(during, before);
    EXPECT_EQ(after, before);
}

} // namespace
