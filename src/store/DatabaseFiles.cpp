#include "store/DatabaseFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSqlDatabase>
#include <QStringList>

#include <sys/stat.h>

namespace {

bool sameFile(const QString &a, const struct stat &b)
{
    struct stat st {};
    return ::stat(QFile::encodeName(a).constData(), &st) == 0 && st.st_dev == b.st_dev &&
           st.st_ino == b.st_ino;
}

// A journal file that is not there now is the database's all the same: SQLite
// makes it again on the next write.
bool sameName(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    const QString dir = fa.dir().canonicalPath();
    return !dir.isEmpty() && fa.fileName() == fb.fileName() && dir == fb.dir().canonicalPath();
}

QMutex g_rememberedLock;
QStringList g_remembered;

// Only for files no connection of this process has open: reading one that is
// open would end SQLite's locks on it when closed.
bool startsAsDatabase(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return false;
    return f.read(16) == QByteArray("SQLite format 3", 16);
}

} // namespace

void RememberDatabaseFile(const QString &fileName)
{
    const QMutexLocker lock(&g_rememberedLock);
    if (!g_remembered.contains(fileName)) g_remembered << fileName;
}

bool IsOpenDatabaseFile(const QString &fileName)
{
    if (fileName.isEmpty()) return false;
    struct stat target {};
    const bool exists = ::stat(QFile::encodeName(fileName).constData(), &target) == 0;
    QStringList files;
    {
        const QMutexLocker lock(&g_rememberedLock);
        files = g_remembered;
    }
    for (const QString &name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driverName() == QLatin1String("QSQLITE") && db.isOpen()) files << db.databaseName();
    }
    for (const QString &file : files)
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            if (exists ? sameFile(file + QLatin1String(suffix), target)
                       : sameName(file + QLatin1String(suffix), fileName))
                return true;
    return false;
}

QString DatabaseFileRefusal(const QString &fileName)
{
    if (!IsOpenDatabaseFile(fileName)) {
        if (!QFileInfo(fileName).isFile() || !startsAsDatabase(fileName)) return QString();
        return QStringLiteral("Die Datei „%1“ ist eine Datenbank; sie wird weder gelesen noch "
                              "überschrieben. Bitte wählen Sie eine andere Datei.")
            .arg(QDir::toNativeSeparators(fileName));
    }
    return QStringLiteral(
               "Die Datei „%1“ ist die Datenbank des Programms (oder gehört zu ihr); sie wird weder "
               "gelesen noch überschrieben. Bitte wählen Sie eine andere Datei.")
        .arg(QDir::toNativeSeparators(fileName));
}
