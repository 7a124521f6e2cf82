#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace gt_test {

bool waitFor(const std::function<bool()> &pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        QThread::usleep(500);
    }
    return true;
}

bool waitWithoutEvents(const std::function<bool()> &pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return pred();
        QThread::usleep(500);
    }
    return true;
}

bool runPostedEvents(int rounds, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (int i = 0; i < rounds; ++i) {
        bool ran = false;
        QObject marker;
        QMetaObject::invokeMethod(
            &marker, [&ran] { ran = true; }, Qt::QueuedConnection);
        if (!waitFor([&ran] { return ran; }, int(qMax<qint64>(deadline.remainingTime(), 0)))) return false;
    }
    return true;
}

bool staysFalse(const std::function<bool()> &fault, int windowMs)
{
    return !waitFor(fault, windowMs);
}

PtyPair::PtyPair()
{
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios t{};
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    m_master = master;
    m_slaveKeep = slave;
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (m_slaveKeep >= 0) ::close(m_slaveKeep);
}

bool PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(5000);
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            if (deadline.hasExpired()) return false;
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
    return done == bytes.size();
}

QByteArray PtyPair::read(int minBytes, int timeoutMs)
{
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    char buf[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            continue;
        }
        if (out.size() >= minBytes || deadline.hasExpired()) break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd p{m_master, POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    return out;
}

int PtyPair::unreadByProgram() const
{
    int n = 0;
    // The terminal side kept open here shares its input queue with the program's open.
    if (m_slaveKeep < 0 || ::ioctl(m_slaveKeep, FIONREAD, &n) != 0) return -1;
    return n;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

// The environment may point elsewhere (a test run from a copied build).
QString buildDir()
{
    const QByteArray d = qgetenv("GT_BUILD_DIR");
    return d.isEmpty() ? QStringLiteral(GT_DEFAULT_BUILD_DIR) : QString::fromLocal8Bit(d);
}

QString sourceDir()
{
    const QByteArray d = qgetenv("GT_SOURCE_DIR");
    return d.isEmpty() ? QStringLiteral(GT_DEFAULT_SOURCE_DIR) : QString::fromLocal8Bit(d);
}

} // namespace gt_test
