#include "store/BackupCopy.h"

#include "core/AtomicFile.h"
#include "store/DbErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>

#include <cerrno>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace backupcopy {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString engineText(sqlite3 *handle, int rc)
{
    const QString text = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString();
    return DbFehlertext(text.isEmpty() || text == QLatin1String("not an error")
                            ? QString::fromUtf8(sqlite3_errstr(rc))
                            : text);
}

// Reserves a fresh partial name beside target; -1 with errno set on failure.
int reservePartial(const QString &target, QString *part)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *part =
            target +
            QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd =
            ::open(QFile::encodeName(*part).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// One step for the whole file: a single read transaction on the source, so
// the copy is one committed state even while others write (WAL readers do
// not wait for writers). A busy source (a checkpoint running) is tried again.
int copyPages(sqlite3 *source, sqlite3 *dest)
{
    sqlite3_backup *b = sqlite3_backup_init(dest, "main", source, "main");
    if (!b) return sqlite3_errcode(dest);
    int rc = SQLITE_OK;
    for (int busy = 0; busy < 200; ++busy) {
        rc = sqlite3_backup_step(b, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        sqlite3_sleep(25);
    }
    const int finish = sqlite3_backup_finish(b);
    return rc == SQLITE_DONE ? finish : rc;
}

} // namespace

sqlite3 *OpenSqliteFile(const QString &file, bool readOnly, QString *error)
{
    sqlite3 *h = nullptr;
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    QByteArray name = QFile::encodeName(file);
    // Read as it lies: a file in WAL mode would otherwise get a -shm and a
    // -wal beside it that a read-only connection cannot take away again.
    // With a -wal there, that journal belongs to the contents and is read.
    if (readOnly && !QFileInfo::exists(file + QStringLiteral("-wal"))) {
        name = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded() + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    const int rc = sqlite3_open_v2(name.constData(), &h, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error =
                QStringLiteral("„%1“ kann nicht geöffnet werden: %2").arg(shown(file), engineText(h, rc));
        sqlite3_close(h);
        return nullptr;
    }
    sqlite3_busy_timeout(h, 5000);
    return h;
}

void CloseSqliteFile(sqlite3 *handle)
{
    if (handle) sqlite3_close(handle);
}

void DiscardPartial(const QString &part)
{
    if (part.isEmpty()) return;
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
}

bool WritePartial(sqlite3 *source, const QString &target, QString *part, QString *error)
{
    auto fail = [&](const QString &why) {
        DiscardPartial(*part);
        part->clear();
        if (error) *error = QStringLiteral("„%1“ kann nicht geschrieben werden: %2").arg(shown(target), why);
        return false;
    };
    part->clear();
    struct stat st {};
    const bool replaces = ::stat(QFile::encodeName(target).constData(), &st) == 0;
    if (replaces && S_ISDIR(st.st_mode)) return fail(FileErrorReason(EISDIR));
    const int fd = reservePartial(target, part);
    if (fd < 0) {
        const int err = errno;
        part->clear();
        return fail(FileErrorReason(err));
    }
    if (replaces) (void)::fchmod(fd, st.st_mode & 07777);
    ::close(fd);

    QString why;
    sqlite3 *dest = OpenSqliteFile(*part, false, &why);
    if (!dest) return fail(why);
    int rc = copyPages(source, dest);
    // A copy in WAL mode would need a -wal beside it; a backup is one file.
    if (rc == SQLITE_OK) rc = sqlite3_exec(dest, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    // The copy's own disk is what ran full here, not the database's.
    if ((rc & 0xff) == SQLITE_FULL)
        why =
            QStringLiteral("Der Datenträger von „%1“ ist voll.").arg(shown(QFileInfo(*part).absolutePath()));
    else if (rc != SQLITE_OK)
        why = engineText(dest, rc);
    CloseSqliteFile(dest);
    if (rc != SQLITE_OK) return fail(why);
    if (!syncPath(*part, O_RDONLY)) return fail(FileErrorReason(errno));
    return true;
}

bool CommitPartial(const QString &part, const QString &target, QString *error)
{
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        const int err = errno;
        DiscardPartial(part);
        if (error)
            *error = QStringLiteral("„%1“ kann nicht geschrieben werden: %2")
                         .arg(shown(target), FileErrorReason(err));
        return false;
    }
    QFile::remove(part + QStringLiteral("-journal"));
    // The rename lives in the folder: without this a power cut could undo it.
    (void)syncPath(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY);
    return true;
}

bool FirstColumn(sqlite3 *h, const char *sql, QStringList *rows, QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(h, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            *rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    if (rc == SQLITE_DONE) return true;
    *error = QString::fromUtf8(sqlite3_errmsg(h));
    return false;
}

} // namespace backupcopy
