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
#include <linux/serial.h>
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

constexpr unsigned BaudRates[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                  14400, 19200, 38400, 56000, 128000, 256000};

speed_t standardSpeed(unsigned rate)
{
    switch (rate) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B0;
    }
}

void setModemBit(int fd, int bit, bool on)
{
    // Pseudo-terminals have no modem lines: the call fails and is ignored.
    ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

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
    return PortErrorText(m_lastOpenError);
}

void TCate::openPort(TPort port)
{
    if (IsOpen()) ClosePort();
    m_port = port;
    WriteComLog(QStringLiteral("Schnittstelle auf COM%1 wird geöffnet").arg(int(port)));

    m_lastOpenError = 0;
    const QString path = DevicePathForPort(int(port));
    const int fd = path.isEmpty()
                       ? -1
                       : ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int openError = fd < 0 ? (path.isEmpty() ? ENODEV : errno) : 0;
    m_lastOpenDevice = path;
    m_lastOpenError = openError;
    if (fd < 0) {
        LogSystemError(m_lastOpenError, 500);
        failOpen(QStringLiteral("Fehler beim Öffnen der Schnittstelle"));
        return;
    }
    if (!::isatty(fd)) {
        m_lastOpenError = ENOTTY;
        ::close(fd);
        failOpen(QStringLiteral("File Handle ist kein Comm Handle."));
        return;
    }
    // No sharing: another program (or component) holding the device refuses
    // this open. TIOCEXCL keeps out later plain opens; it does not bind root,
    // which is why the advisory lock is taken as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_lastOpenError = errno;
        LogSystemError(m_lastOpenError, 500);
        ::close(fd);
        failOpen(QStringLiteral("Fehler beim Öffnen der Schnittstelle"));
        return;
    }
    ::ioctl(fd, TIOCEXCL);

    m_fd = fd;
    m_devicePath = path;
    // Queue sizes: POSIX terminals have fixed driver queues; ReadBufferSize and
    // WriteBufferSize are kept but cannot be applied.
    applyTimeouts();
    applyLineState();
    applyModemLines();
    ::tcflush(fd, TCIOFLUSH);

    auto shared = std::make_shared<TCateShared>();
    shared->fd = fd;
    shared->closeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared->closeFd < 0) {
        LogSystemError(errno, 528);
        ::close(fd);
        m_fd = -1;
        m_devicePath.clear();
        m_port = NoPort;
        return;
    }
    shared->queueFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared->queueFd < 0) {
        LogSystemError(errno, 528);
        ::close(fd);
        m_fd = -1;
        m_devicePath.clear();
        m_port = NoPort;
        return;
    }
    shared->session = ++m_session;
    shared->receiver = m_receiver.get();
    shared->readInterval = m_readInterval;
    shared->readTotalMultiplier = m_readTotalMultiplier;
    shared->readTotalConstant = m_readTotalConstant;
    shared->discardNull = m_flags.contains(dcbNull);
    m_shared = shared;
    m_readReady = m_writeReady = false;

    m_readThread = std::make_unique<TReadThread>(shared);
    WriteComLog(QStringLiteral("Read Thread wurde erzeugt"));
    // Thread priorities: ordinary threads on Linux all share one; none is set.
    if (const int err = m_readThread->start()) {
        LogSystemError(err, 539);
        WriteComLog(QStringLiteral("Read Thread konnte nicht erzeugt werden!"));
        m_readThread.reset();
        ClosePort();
        failOpen(QStringLiteral("Read Thread wurde nicht erzeugt."));
        return;
    }
    m_writeThread = std::make_unique<TWriteThread>(shared);
    WriteComLog(QStringLiteral("Write Thread wurde erzeugt"));
    if (const int err = m_writeThread->start()) {
        LogSystemError(err, 562);
        WriteComLog(QStringLiteral("Write Thread konnte nicht erzeugt werden!"));
        m_writeThread.reset();
        ClosePort();
        failOpen(QStringLiteral("Write Thread wurde nicht erzeugt."));
        return;
    }

    // Wait for both ready notifications with the event loop running.
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

// --- line state ----------------------------------------------------------------

void TCate::applyLineState()
{
    if (!IsOpen()) return;
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0) return; // results are not checked, as ever
    // Start from a fully raw line: flow control, parity checks and the like
    // left behind by another program must not survive; only the rate is kept
    // and then everything the properties say is applied.
    const speed_t oldIn = ::cfgetispeed(&t), oldOut = ::cfgetospeed(&t);
    const tcflag_t rateBits = t.c_cflag & (CBAUD | CBAUDEX | CIBAUD);
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = rateBits | CLOCAL | CREAD;
    ::cfsetispeed(&t, oldIn);
    ::cfsetospeed(&t, oldOut);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    const unsigned rate = BaudRates[int(m_baudRate)];
    const speed_t speed = standardSpeed(rate);
    if (speed != B0) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }

    t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (m_parity) {
    case TParity::None:
        break;
    case TParity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case TParity::Even:
        t.c_cflag |= PARENB;
        break;
    case TParity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case TParity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }

    t.c_cflag &= ~tcflag_t(CSIZE);
    switch (m_dataBits) {
    case TDataBits::_4: // POSIX knows no 4-bit characters: 5 is the nearest
    case TDataBits::_5:
        t.c_cflag |= CS5;
        break;
    case TDataBits::_6:
        t.c_cflag |= CS6;
        break;
    case TDataBits::_7:
        t.c_cflag |= CS7;
        break;
    case TDataBits::_8:
        t.c_cflag |= CS8;
        break;
    }

    // POSIX has no 1.5 stop bits; UARTs send 1.5 when asked for 2 with 5 data bits.
    if (m_stopBits == TStopBits::_1)
        t.c_cflag &= ~tcflag_t(CSTOPB);
    else
        t.c_cflag |= CSTOPB;

    // POSIX has one switch for RTS/CTS flow control in both directions.
    if (m_rtsMode == TMode::Handshake || m_flags.contains(dcbOutxCtsFlowCtrl))
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~tcflag_t(CRTSCTS);

    if (m_flags.contains(dcbParityCheck)) t.c_iflag |= INPCK;
    if (m_flags.contains(dcbOutX)) t.c_iflag |= IXON;
    if (m_flags.contains(dcbInX)) t.c_iflag |= IXOFF;
    // No counterpart here: DSR flow control and sensitivity, the error
    // replacement character, abort on error, and holding back transmission
    // after XOFF (POSIX always goes on). Null stripping is done by the read thread.

    ::tcsetattr(m_fd, TCSANOW, &t);
    // Rates without a termios constant need the kernel's arbitrary-rate
    // interface; a driver that refuses it keeps its previous rate.
    if (speed == B0) SetCustomBaudRate(m_fd, rate);
    if (m_shared) m_shared->discardNull = m_flags.contains(dcbNull);
}

void TCate::applyModemLines()
{
    if (!IsOpen()) return;
    // Toggle (RTS up only while sending) is the driver's RS-485 mode on Linux.
    const bool toggle = m_rtsMode == TMode::Toggle;
    if (toggle != m_rs485) {
        serial_rs485 rs{};
        if (toggle) rs.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        // A driver without RS-485 support leaves RTS as it is.
        if (::ioctl(m_fd, TIOCSRS485, &rs) == 0 || !toggle) m_rs485 = toggle;
    }
    if (m_rtsMode == TMode::Disable || m_rtsMode == TMode::Enable)
        setModemBit(m_fd, TIOCM_RTS, m_rtsMode == TMode::Enable);
    // DTR handshake does not exist on POSIX: DTR simply stays up.
    setModemBit(m_fd, TIOCM_DTR, m_dtrMode != TMode::Disable);
}

void TCate::applyTimeouts()
{
    // Writes never time out. The read time-outs shape how the read thread
    // cuts the byte stream into blocks (see the read thread).
    if (!m_shared) return;
    m_shared->readInterval = m_readInterval;
    m_shared->readTotalMultiplier = m_readTotalMultiplier;
    m_shared->readTotalConstant = m_readTotalConstant;
}

void TCate::setBaudRate(TBaudRate v)
{
    if (int(v) > int(TBaudRate::_256000)) return;
    m_baudRate = v;
    applyLineState();
}

void TCate::setParity(TParity v)
{
    if (int(v) > int(TParity::Space)) return;
    m_parity = v;
    applyLineState();
}

void TCate::setDataBits(TDataBits v)
{
    if (int(v) > int(TDataBits::_8)) return;
    m_dataBits = v;
    applyLineState();
}

void TCate::setStopBits(TStopBits v)
{
    if (int(v) > int(TStopBits::_2)) return;
    m_stopBits = v;
    applyLineState();
}

void TCate::setRtsMode(TRtsMode v)
{
    if (int(v) > int(TMode::Toggle)) return;
    m_rtsMode = v;
    applyLineState();
    applyModemLines();
}

void TCate::setDtrMode(TDtrMode v)
{
    m_dtrMode = int(v) > int(TMode::Handshake) ? TMode::Handshake : v;
    applyModemLines();
}

void TCate::setErrorChar(char c)
{
    // Stored only: POSIX terminals cannot replace characters received with errors.
    m_errorChar = c;
}

void TCate::setFlags(TDCBFlags f)
{
    m_flags = f;
    applyLineState();
}

bool TCate::CtsState() const
{
    int st = 0;
    return IsOpen() && ::ioctl(m_fd, TIOCMGET, &st) == 0 && (st & TIOCM_CTS);
}

bool TCate::DsrState() const
{
    int st = 0;
    return IsOpen() && ::ioctl(m_fd, TIOCMGET, &st) == 0 && (st & TIOCM_DSR);
}

// --- queue sizes and time-outs -------------------------------------------------------

// POSIX cannot size a terminal's queues: the configured sizes are kept and
// reported as set, never replaced by the bytes waiting.
quint32 TCate::WriteBufferSize()
{
    return m_writeBufferSize;
}

void TCate::setWriteBufferSize(quint32 v)
{
    m_writeBufferSize = v;
}

quint32 TCate::ReadBufferSize()
{
    return m_readBufferSize;
}

void TCate::setReadBufferSize(quint32 v)
{
    m_readBufferSize = v;
}

void TCate::setReadInterval(quint32 ms)
{
    m_readInterval = ms == 0 ? 0xFFFFFFFFu : ms;
    applyTimeouts();
}

void TCate::setReadTotalTimeoutMultiplier(quint32 ms)
{
    m_readTotalMultiplier = ms;
    applyTimeouts();
}

void TCate::setReadTotalTimeoutConstant(quint32 ms)
{
    m_readTotalConstant = ms;
    applyTimeouts();
}

// --- COM log ----------------------------------------------------------------------

void TCate::setLogfileName(const QString &name)
{
    m_logfileName = name;
    if (!OpenComLog(name, m_logTicks)) m_logfileName.clear();
}
