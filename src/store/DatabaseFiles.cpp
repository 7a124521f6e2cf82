#include "store/DatabaseFiles.h"

#include <QDir>
#include <QFile>
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

} // namespace

bool IsOpenDatabaseFile(const QString &fileName)
{
    struct stat target {};
    if (fileName.isEmpty() || ::stat(QFile::encodeName(fileName).constData(), &target) != 0) return false;
    for (const QString &name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driverName() != QLatin1String("QSQLITE") || !db.isOpen()) continue;
        const QString file = db.databaseName();
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            if (sameFile(file + QLatin1String(suffix), target)) return true;
    }
    return false;
}

QString DatabaseFileRefusal(const QString &fileName)
{
    if (!IsOpenDatabaseFile(fileName)) return QString();
    return QStringLiteral(
               "Die Datei „%1“ ist die Datenbank des Programms (oder gehört zu ihr); sie wird weder "
               "gelesen noch überschrieben. Bitte wählen Sie eine andere Datei.")
        .arg(QDir::toNativeSeparators(fileName));
}
