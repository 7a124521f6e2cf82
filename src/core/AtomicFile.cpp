#include "core/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A link is followed: its target is replaced, the link stays.
QString resolved(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink() && info.exists()) return info.canonicalFilePath();
    return info.absoluteFilePath();
}

} // namespace

TAtomicFile::TAtomicFile(const QString &fileName) : m_name(fileName), m_target(resolved(fileName))
{
}

TAtomicFile::~TAtomicFile()
{
    cancel();
}

bool TAtomicFile::open(OpenMode mode)
{
    if (m_fd >= 0 || !(mode & WriteOnly) || (mode & ReadOnly)) return false;
    m_errno = 0;
    // The target's permissions carry over; a new file gets the umask's.
    struct stat st {};
    const QByteArray target = QFile::encodeName(m_target);
    const bool replaces = ::stat(target.constData(), &st) == 0;
    // A folder of that name would only show at the rename, after all the work.
    if (replaces && S_ISDIR(st.st_mode)) return fail(EISDIR);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_part =
            m_target +
            QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        m_fd = ::open(QFile::encodeName(m_part).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) return fail(errno);
    }
    if (m_fd < 0) return fail(EEXIST);
    if (replaces) (void)::fchmod(m_fd, st.st_mode & 07777);
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 TAtomicFile::readData(char *, qint64)
{
    return -1;
}

qint64 TAtomicFile::writeData(const char *data, qint64 len)
{
    if (m_fd < 0 || m_errno != 0) return -1;
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::write(m_fd, data + done, size_t(len - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
            return -1;
        }
        done += n;
    }
    return done;
}

bool TAtomicFile::commit()
{
    if (m_fd < 0) {
        if (m_errno == 0) m_errno = EBADF;
        return false;
    }
    // A late error (delayed allocation, a network drive) shows only at sync or close.
    if (m_errno == 0 && ::fsync(m_fd) != 0 && errno != EINVAL) fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && m_errno == 0) fail(errno);
    QIODevice::close();
    const QByteArray part = QFile::encodeName(m_part);
    if (m_errno == 0 && ::rename(part.constData(), QFile::encodeName(m_target).constData()) != 0) fail(errno);
    if (m_errno != 0) {
        ::unlink(part.constData());
        return false;
    }
    m_part.clear();
    return true;
}

void TAtomicFile::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_part.isEmpty()) ::unlink(QFile::encodeName(m_part).constData());
    m_part.clear();
    if (isOpen()) QIODevice::close();
}

bool TAtomicFile::fail(int err)
{
    if (m_errno == 0) m_errno = err;
    setErrorString(FileErrorReason(m_errno));
    return false;
}

QString TAtomicFile::reason() const
{
    return m_errno ? FileErrorReason(m_errno) : QString();
}

QString FileErrorReason(int err)
{
    switch (err) {
    case 0:
        return QString();
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Der Datenträger ist voll.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Keine Berechtigung, in diesem Ordner zu schreiben.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Den Ordner gibt es nicht.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Ein-/Ausgabefehler.");
    case EFBIG:
        return QStringLiteral("Die Datei wird zu groß für den Datenträger.");
    case EISDIR:
        return QStringLiteral("Unter diesem Namen gibt es einen Ordner.");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes, QString *reason)
{
    TAtomicFile f(fileName);
    const bool ok = f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
    if (!ok && reason) *reason = f.reason();
    return ok;
}
