#include "core/AtomicFile.h"
#include "core/IniFile.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using gt_test::TSmallDisk;

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

void writePlain(const QString &fileName, const QByteArray &bytes)
{
    QFile f(fileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A full disk in the middle of a write: nothing is reported as written, the
// old file keeps every byte, nothing half-written is left beside it.
TEST(AtomicFile, FullDiskKeepsTheOldFileAndSaysSo)
{
    TSmallDisk disk(64);
    GT_REQUIRE_SMALL_DISK(disk);
    const QString target = disk.path(QStringLiteral("export.csv"));
    const QByteArray old(10000, 'a');
    writePlain(target, old);
    ASSERT_TRUE(disk.fill());

    TAtomicFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Small pieces: each fits a buffer, so only the end can tell.
    for (int i = 0; i < 100; ++i)
        f.write(QByteArray(1000, 'b'));
    EXPECT_FALSE(f.commit());
    EXPECT_EQ(f.reason(), QStringLiteral("Der Datenträger ist voll."));
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(filesIn(disk.path(QString())),
              (QStringList{QStringLiteral("export.csv"), QStringLiteral("fuellung")}));

    QString why;
    EXPECT_FALSE(WriteFileAtomically(target, QByteArray(5000, 'c'), &why));
    EXPECT_EQ(why, QStringLiteral("Der Datenträger ist voll."));
    EXPECT_EQ(readAll(target), old);
}

TEST(AtomicFile, SettingsOnAFullDiskAreNotReportedAsSaved)
{
    TSmallDisk disk(64);
    GT_REQUIRE_SMALL_DISK(disk);
    const QString ini = disk.path(QStringLiteral("geraetetester.ini"));
    writePlain(ini, "[Interface]\nPort=3\n");
    ASSERT_TRUE(disk.fill());
    TIniFile file(ini);
    EXPECT_FALSE(file.WriteString(QStringLiteral("Configuration"), QStringLiteral("Operator"),
                                  QString(20000, QLatin1Char('x'))));
    EXPECT_EQ(readAll(ini), QByteArray("[Interface]\nPort=3\n"));
}

TEST(AtomicFile, ReplacesInPlaceKeepingModeAndLink)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("liste.csv"));
    writePlain(target, "alt");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    const QString link = dir.filePath(QStringLiteral("verweis.csv"));
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(WriteFileAtomically(link, "neu"));
    EXPECT_EQ(readAll(target), QByteArray("neu"));
    EXPECT_TRUE(QFileInfo(link).isSymLink()) << "the link is followed, not replaced";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(filesIn(dir.path()), (QStringList{QStringLiteral("liste.csv"), QStringLiteral("verweis.csv")}));
}

TEST(AtomicFile, UnfinishedWritesLeaveTheOldFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.txt"));
    writePlain(target, "alt");
    {
        TAtomicFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("halb");
    } // gone without commit
    {
        TAtomicFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("halb");
        f.cancel();
        EXPECT_FALSE(f.commit());
    }
    EXPECT_EQ(readAll(target), QByteArray("alt"));
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("a.txt")});

    TAtomicFile missing(dir.filePath(QStringLiteral("fehlt/b.txt")));
    EXPECT_FALSE(missing.open(QIODevice::WriteOnly));
    EXPECT_EQ(missing.reason(), QStringLiteral("Den Ordner gibt es nicht."));
}

} // namespace
