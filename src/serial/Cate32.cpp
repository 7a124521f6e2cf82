#include "serial/Cate32.h"

#include "core/Logs.h"
#include "serial/CateThreads.h"
#include "serial/PortNames.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaMethod>
#include <QSignalBlocker>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Both threads report ready as their first act; this only guards against a
// machine so loaded that they never get to run.
constexpr int ReadyTimeoutMs = 10000;
constexpr int ThreadStopMs = 10000;

} // namespace

ECommsError::ECommsError(const QString &message) : std::runtime_error(message.toStdString())
{
}

bool TCateReceiver::event(QEvent *e)
{
    TsanAcquire(e);
    if (e->type() != TCateEvent::eventType()) return QObject::event(e);
    m_cate->notify(*static_cast<TCateEvent *>(e));
    return true;
}

TCate::TCate(QObject *parent) : QObject(parent), m_receiver(std::make_unique<TCateReceiver>(this))
{
}

// NOLINTNEXTLINE(bugprone-exception-escape): only opening a port throws, closing never does
TCate::~TCate()
{
    // The owner is being torn down as well: its listeners must not run now.
    const QSignalBlocker quiet(this);
    setPort(NoPort);
    qDeleteAll(m_deferred);
}

// --- opening and closing ---------------------------------------------------------

void TCate::setPort(TPort port)
{
    if (port > Com9) port = NoPort;
    if (port == NoPort) {
        const bool wasSet = m_port != NoPort;
        if (IsOpen()) ClosePort();
        m_port = NoPort;
        if (wasSet) emit disconnected();
        return;
    }
    openPort(port);
}

void TCate::failOpen(const QString &message)
{
    m_port = NoPort;
    if (m_createExceptions) throw ECommsError(message);
}

QString TCate::LastOpenErrorText() const
{
    if (m_lastOpenError == 0) return QString();
    if (m_lastOpenError == ENOTTY) return QStringLiteral("keine serielle Schnittstelle");
    return PortErrorText(m_lastOpenError, m_lastOpenDevice);
}

void TCate::openPort(TPort port)
{
    if (IsOpen()) ClosePort();
    m_port = port;
    WriteComLog(QStringLiteral("Schnittstelle auf COM%1 wird geöffnet").arg(int(port)));
    const int fd = openDescriptor();
    if (fd < 0) return;

    m_fd = fd;
    m_devicePath = m_lastOpenDevice;
    // Queue sizes: POSIX terminals have fixed driver queues; ReadBufferSize and
    // WriteBufferSize are kept but cannot be applied.
    applyTimeouts();
    applyLineState();
    applyModemLines();
    ::tcflush(fd, TCIOFLUSH);
    if (!makeShared() || !startThreads()) return;
    awaitThreadsReady();
}

// The device opened for this program alone; -1 (and the failure reported) when not.
int TCate::openDescriptor()
{
    m_lastOpenError = 0;
    const QString path = DevicePathForPort(int(m_port));
    const int fd = path.isEmpty()
                       ? -1
                       : ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int openError = fd < 0 ? (path.isEmpty() ? ENODEV : errno) : 0;
    m_lastOpenDevice = path;
    m_lastOpenError = openError;
    if (fd < 0) {
        LogSystemError(m_lastOpenError, 500);
        failOpen(QStringLiteral("Fehler beim Öffnen der Schnittstelle"));
        return -1;
    }
    if (!::isatty(fd)) {
        m_lastOpenError = ENOTTY;
        ::close(fd);
        failOpen(QStringLiteral("File Handle ist kein Comm Handle."));
        return -1;
    }
    // No sharing: another program (or component) holding the device refuses
    // this open. TIOCEXCL keeps out later plain opens; it does not bind root,
    // which is why the advisory lock is taken as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_lastOpenError = errno;
        LogSystemError(m_lastOpenError, 500);
        ::close(fd);
        failOpen(QStringLiteral("Fehler beim Öffnen der Schnittstelle"));
        return -1;
    }
    ::ioctl(fd, TIOCEXCL);
    return fd;
}

// What the threads share with this side; false (and the port closed again)
// when the kernel has no eventfd left.
bool TCate::makeShared()
{
    auto shared = std::make_shared<TCateShared>();
    shared->fd = m_fd;
    shared->closeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared->closeFd >= 0) shared->queueFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared->closeFd < 0 || shared->queueFd < 0) {
        LogSystemError(errno, 528);
        ::close(m_fd);
        m_fd = -1;
        m_devicePath.clear();
        m_port = NoPort;
        return false;
    }
    shared->session = ++m_session;
    shared->receiver = m_receiver.get();
    shared->readInterval = m_readInterval;
    shared->readTotalMultiplier = m_readTotalMultiplier;
    shared->readTotalConstant = m_readTotalConstant;
    shared->discardNull = m_flags.contains(dcbNull);
    shared->charListeners = m_charListeners;
    m_shared = shared;
    m_readReady = m_writeReady = false;
    return true;
}

bool TCate::startThreads()
{
    m_readThread = std::make_unique<TReadThread>(m_shared);
    WriteComLog(QStringLiteral("Read Thread wurde erzeugt"));
    // Thread priorities: ordinary threads on Linux all share one; none is set.
    if (const int err = m_readThread->start()) {
        LogSystemError(err, 539);
        WriteComLog(QStringLiteral("Read Thread konnte nicht erzeugt werden!"));
        m_readThread.reset();
        ClosePort();
        failOpen(QStringLiteral("Read Thread wurde nicht erzeugt."));
        return false;
    }
    m_writeThread = std::make_unique<TWriteThread>(m_shared);
    WriteComLog(QStringLiteral("Write Thread wurde erzeugt"));
    if (const int err = m_writeThread->start()) {
        LogSystemError(err, 562);
        WriteComLog(QStringLiteral("Write Thread konnte nicht erzeugt werden!"));
        m_writeThread.reset();
        ClosePort();
        failOpen(QStringLiteral("Write Thread wurde nicht erzeugt."));
        return false;
    }
    return true;
}

// Waits for both ready notifications with the event loop running, then
// reports the port connected (or closes it again).
void TCate::awaitThreadsReady()
{
    const quint64 session = m_session;
    if (!(m_readReady && m_writeReady)) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(ReadyTimeoutMs);
        m_openLoop = &loop;
        m_opening = true;
        loop.exec();
        m_openLoop = nullptr;
        m_opening = false;
    }
    if (session != m_session || !IsOpen()) {
        // Closed or reopened by a handler while we waited: that call decided.
        qDeleteAll(m_deferred);
        m_deferred.clear();
        return;
    }
    // Whatever arrived during the wait goes out after connected(), ahead of
    // anything posted later.
    const QList<TCateEvent *> deferred = std::exchange(m_deferred, {});
    if (!(m_readReady && m_writeReady)) {
        qDeleteAll(deferred);
        WriteComLog(QStringLiteral("Threads melden sich nicht bereit"));
        ClosePort();
        failOpen(QStringLiteral("Fehler beim Öffnen der Schnittstelle"));
        return;
    }
    for (TCateEvent *ev : deferred)
        QCoreApplication::postEvent(m_receiver.get(), ev, Qt::HighEventPriority);
    emit connected();
}

void TCate::closeThread(std::unique_ptr<TCateThread> &thread, const QString &closing, const QString &stuck,
                        int queue)
{
    if (!thread) return;
    WriteComLog(closing);
    m_shared->stopping = true;
    eventfd_write(m_shared->closeFd, 1);
    ::tcflush(m_fd, queue);
    if (!thread->waitFor(ThreadStopMs)) WriteComLog(stuck);
    // The threads watch the close signal in every wait, so this ends.
    thread->join();
    thread.reset();
}

void TCate::ClosePort()
{
    if (IsOpen()) {
        WriteComLog(QStringLiteral("Schnittstelle wird geschlossen"));
        setRtsMode(TMode::Disable);
        setDtrMode(TMode::Disable);
        closeThread(m_readThread, QStringLiteral("Read Thread wird geschlossen"),
                    QStringLiteral("Read Thread beendet nicht - wird terminiert"), TCIFLUSH);
        closeThread(m_writeThread, QStringLiteral("Write Thread wird geschlossen"),
                    QStringLiteral("Write Thread beendet nicht - wird terminiert"), TCOFLUSH);
        m_shared.reset();
        // The exclusive flag outlives this descriptor while anybody else keeps
        // the device open; clear it so the port can be opened again.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd); // also drops the advisory lock
        m_fd = -1;
        m_devicePath.clear();
        m_readReady = m_writeReady = false;
        // Notifications of this opening still queued are stale from now on.
        ++m_session;
        if (m_openLoop) m_openLoop->quit();
    }
    setLogfileName(QString());
}

// --- notifications on the main thread --------------------------------------------

void TCate::notify(const TCateEvent &ev)
{
    if (ev.code == cnData) {
        // Bytes received are delivered even when the port was closed meanwhile:
        // they did arrive, and nothing received may be lost.
        const auto *bytes = reinterpret_cast<const quint8 *>(ev.data.constData());
        const auto len = quint16(qMin<qsizetype>(ev.data.size(), 0xFFFF));
        // Bytes of an earlier opening must not reach a reopened port's frame assembly.
        if (IsOpen() && ev.session != m_session) {
            WriteComLog(QStringLiteral("Daten einer früheren Verbindung verworfen"));
            return;
        }
        if (m_opening && ev.session == m_session) {
            m_deferred.append(new TCateEvent(ev.code, ev.session, ev.arg, ev.data));
            return;
        }
        if (isSignalConnected(QMetaMethod::fromSignal(&TCate::receiveBData)))
            emit receiveBData(bytes, len);
        else
            emit receiveSData(QString::fromLatin1(ev.data));
        return;
    }
    // A hang-up or line change of an earlier opening must not act on this one.
    if (ev.session != m_session) return;
    if (ev.code == cnReady) {
        (ev.arg == 0 ? m_readReady : m_writeReady) = true;
        if (m_readReady && m_writeReady && m_openLoop) m_openLoop->quit();
        return;
    }
    if (m_opening) {
        m_deferred.append(new TCateEvent(ev.code, ev.session, ev.arg, ev.data));
        return;
    }
    switch (ev.code) {
    case cnHangup:
        emit requestHangup();
        break;
    case cnFrameError:
        emit frameError();
        break;
    case cnOverrun:
        emit overrunError();
        break;
    case cnParity:
        emit rxParityError();
        break;
    case cnBreak:
        emit breakReceived();
        break;
    case cnCts:
        emit ctsChange(ev.arg != 0);
        break;
    case cnDsr:
        emit dsrChange(ev.arg != 0);
        break;
    case cnCharReceived:
        emit charReceived();
        break;
    case cnLastCharSent:
        emit lastCharSent();
        break;
    default:
        break;
    }
}

// --- sending ------------------------------------------------------------------

bool TCate::SendData(const void *Buffer, quint16 Len)
{
    if (!m_writeThread || !m_shared) {
        WriteComLog(QStringLiteral("Write Thread wurde nicht eingerichtet!"));
        return false;
    }
    if (!Buffer && Len != 0) return false;
    // The block is an owned copy: the caller's buffer may go at once.
    if (!m_shared->enqueue(QByteArray(static_cast<const char *>(Buffer), Len))) {
        WriteComLog(QStringLiteral("Write Thread übernimmt keine Daten!"));
        return false;
    }
    return true;
}

void TCate::connectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&TCate::charReceived)) ++*m_charListeners;
}

void TCate::disconnectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&TCate::charReceived)) --*m_charListeners;
}
