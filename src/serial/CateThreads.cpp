#include "serial/CateThreads.h"

#include "core/Logs.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcSerial, "gt.serial", QtInfoMsg)

constexpr qsizetype ReadChunk = 2048;
// A thread's message queue has always held at most this many blocks.
constexpr std::size_t MaxQueuedBlocks = 10000;
// Line states that a driver cannot signal on its own are sampled this often.
constexpr int LinePollMs = 50;
// Collecting a block, the read thread sleeps at least this long at a time.
constexpr std::chrono::milliseconds MinStep{2};
// A listener of arriving characters hears of a long run again this often (the
// receive lamp stays lit two 100 ms ticks), instead of at every byte.
constexpr std::chrono::milliseconds CharAnnounceEvery{100};
// Sleeps up to this long that need not watch the line do without the close
// signal (a plain sleep costs a quarter less a wake-up); closing waits them out.
constexpr std::chrono::milliseconds MaxBlindSleep{20};
// While the driver still holds bytes, it is asked again this often.
constexpr int TxEmptyPollMs = 10;

bool signalled(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void drainEventFd(int fd)
{
    eventfd_t v;
    eventfd_read(fd, &v);
}

// The same texts the component has always written for modem line changes.
void lineChange(const TCateShared &s, int code, bool on, const char *name)
{
    WriteComLog(QStringLiteral("%1 %2 detected")
                    .arg(QLatin1String(name), on ? QStringLiteral("ON") : QStringLiteral("OFF")));
    s.post(code, on ? 1 : 0);
}

} // namespace

// --- events and shared state -------------------------------------------------

TCateEvent::TCateEvent(int code_, quint64 session_, int arg_, QByteArray data_)
    : QEvent(eventType()), code(code_), session(session_), arg(arg_), data(std::move(data_))
{
}

TCateEvent::~TCateEvent()
{
    TsanAcquire(this); // also when it is dropped undelivered
}

QEvent::Type TCateEvent::eventType()
{
    static const QEvent::Type t = QEvent::Type(QEvent::registerEventType());
    return t;
}

TCateShared::~TCateShared()
{
    if (queueFd >= 0) ::close(queueFd);
    if (closeFd >= 0) ::close(closeFd);
}

void TCateShared::post(int code, int arg, QByteArray data) const
{
    auto *ev = new TCateEvent(code, session, arg, std::move(data));
    TsanRelease(ev);
    QCoreApplication::postEvent(receiver, ev);
}

bool TCateShared::closing() const
{
    return signalled(closeFd);
}

bool TCateShared::enqueue(QByteArray block)
{
    {
        std::lock_guard lock(queueMutex);
        if (!writerAlive.load() || queue.size() >= MaxQueuedBlocks) return false;
        queue.push_back(std::move(block));
    }
    eventfd_write(queueFd, 1);
    return true;
}

bool TCateShared::dequeue(QByteArray &block)
{
    std::lock_guard lock(queueMutex);
    if (queue.empty()) return false;
    block = std::move(queue.front());
    queue.pop_front();
    return true;
}

// --- threads -------------------------------------------------------------------

TCateThread::~TCateThread()
{
    join();
}

int TCateThread::start()
{
    try {
        m_thread = std::thread([this] {
            run();
            std::lock_guard lock(m_mutex);
            m_finished = true;
            m_done.notify_all();
        });
    } catch (const std::system_error &e) {
        return e.code().value() ? e.code().value() : EAGAIN;
    }
    return 0;
}

bool TCateThread::waitFor(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finished; });
}

void TCateThread::join()
{
    if (m_thread.joinable()) m_thread.join();
}

// --- errors -----------------------------------------------------------------

QString SystemErrorText(int code)
{
    char buf[256] = {};
    // GNU strerror_r: returns the text, possibly not in buf.
    const char *text = strerror_r(code, buf, sizeof buf);
    if (text && *text) return QString::fromLocal8Bit(text);
    const QString why = QString::fromLocal8Bit(strerror_r(errno, buf, sizeof buf));
    if (why.isEmpty()) return QString();
    return QStringLiteral("Fehler #%1 (Fehlertext nicht verfügbar: %2)").arg(code).arg(why);
}

void LogSystemError(int code, int site)
{
    if (!ComLogIsOpen()) return;
    WriteComLog(QStringLiteral("[Cate.%1]. Fehler: \"%2\"").arg(site).arg(SystemErrorText(code)));
}

bool IsProviderGone(int err)
{
    // EIO: terminal hung up (far end of a pseudo-terminal closed, carrier
    // lost); ENXIO/ENODEV: USB adapter pulled; EBADF: descriptor gone.
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF;
}

// --- read thread ----------------------------------------------------------------

void TReadThread::providerClosed()
{
    WriteComLog(QStringLiteral("Fehler bei TReadThread.SetupReadEvent"));
    WriteComLog(QStringLiteral("ERROR_INVALID_HANDLE, Port wurde vom Provider geschlossen"));
    m_s->post(cnHangup);
}

bool TReadThread::handleReadData(const char *bytes, qsizetype count)
{
    if (count <= 0) return false; // an empty read is end of file, handled by the caller
    QByteArray block(bytes, count);
    if (m_s->discardNull.load()) block.replace(QByteArray(1, '\0'), QByteArray());
    if (block.isEmpty()) return true;
    if (ComLogIsOpen())
        WriteComLog(HexDump(QStringLiteral("Daten wurden empfangen:"), block.constData(), block.size()));
    m_s->post(cnData, 0, std::move(block));
    return true;
}

// Reads what has arrived and, as the read time-outs ask, collects the rest of
// the block before handing it over (an interval of 0xFFFFFFFF hands over at
// once). Returns false when the device went away or failed (the caller ends
// the thread).
bool TReadThread::gatherAndHandle(bool hungUp)
{
    char buf[ReadChunk];
    const ssize_t n = ::read(m_s->fd, buf, sizeof buf);
    if (n == 0) { // end of file: the terminal hung up
        providerClosed();
        return false;
    }
    if (n < 0) {
        const int err = errno;
        if (err == EINTR || (err == EAGAIN && !hungUp)) return true;
        // A hang-up without data to read would wake the wait forever.
        if (IsProviderGone(err) || err == EAGAIN) {
            providerClosed();
            return false;
        }
        WriteComLog(QStringLiteral("Fehler bei TReadThread.SetupReadEvent"));
        LogSystemError(err, 1322);
        m_s->post(cnHangup);
        return false;
    }
    qsizetype have = n;
    collectRest(buf, have);
    return handleReadData(buf, have);
}

// The block ends when the line has been quiet for the interval after its last
// byte. Waking for every byte (a tester sends them one at a time) costs more
// than the whole rest of the program, so while bytes keep coming the thread
// sleeps a whole interval at a time and takes what came meanwhile; the first
// sleep that brings nothing ends the block. The last byte came within the
// last sleep that brought any, so the block ends between one and two
// intervals after it, never before one. (Half-interval sleeps would end it
// within one and a half, at twice the wake-ups: then this thread alone used
// half the program's CPU while connected and idle.)
void TReadThread::collectRest(char *buf, qsizetype &have)
{
    const quint32 interval = m_s->readInterval.load();
    if (interval == 0xFFFFFFFFu) return;
    const quint32 mult = m_s->readTotalMultiplier.load();
    const quint32 constant = m_s->readTotalConstant.load();
    const bool totalBound = mult != 0 || constant != 0;
    const TClock::time_point start = TClock::now();
    const TClock::time_point total = start + std::chrono::milliseconds(qint64(mult) * ReadChunk + constant);
    const auto quiet = std::chrono::milliseconds(interval);
    const auto step = quiet;
    // Steps shorter than two characters at 9600 baud bring at most one: then
    // watching the line wakes no more often and ends the block exactly.
    const bool stepping = step >= MinStep;
    TClock::time_point quietUntil = start + quiet;
    bool flowing = stepping;              // the last step brought bytes: sleep through the next
    TClock::time_point announced = start; // the run's first byte was announced
    while (have < ReadChunk) {
        TClock::time_point until = flowing ? std::min(quietUntil, TClock::now() + step) : quietUntil;
        if (totalBound) until = std::min(until, total);
        if (waitQuietly(until, !flowing) == TLineWait::Stop) break;
        const ssize_t more = ::read(m_s->fd, buf + have, size_t(ReadChunk - have));
        const TClock::time_point now = TClock::now();
        if (more > 0) {
            have += more;
            quietUntil = now + quiet; // the bytes came at the latest now
            flowing = stepping;
            if (now - announced >= CharAnnounceEvery && m_s->charListeners &&
                m_s->charListeners->load() > 0) {
                m_s->post(cnCharReceived);
                announced = now;
            }
        } else if (more == 0 || (errno != EAGAIN && errno != EINTR)) {
            break; // a hang-up or error shows again on the next wait
        } else {
            flowing = false;
        }
        if (now >= quietUntil || (totalBound && now >= total)) break;
    }
}

// Sleeps until the moment, or until closing; with watchLine also until a byte
// arrives. Stop: closing, or the line hung up (that shows again on the next
// wait of the thread's loop).
TReadThread::TLineWait TReadThread::waitQuietly(TClock::time_point until, bool watchLine) const
{
    if (!watchLine && until - TClock::now() <= MaxBlindSleep) {
        // steady_clock is CLOCK_MONOTONIC.
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(until.time_since_epoch()).count();
        const timespec at{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
        }
        return m_s->stopping.load() ? TLineWait::Stop : TLineWait::Due;
    }
    for (;;) {
        const auto left = until - TClock::now();
        if (left <= TClock::duration::zero()) return TLineWait::Due;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec ts{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
        pollfd p[2] = {{m_s->closeFd, POLLIN, 0}, {m_s->fd, POLLIN, 0}};
        const int r = ::ppoll(p, watchLine ? 2 : 1, &ts, nullptr);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || (p[0].revents & POLLIN)) return TLineWait::Stop;
        if ((p[1].revents & POLLIN) == 0 && (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
            return TLineWait::Stop;
        return TLineWait::Due; // the time came, or a byte
    }
}

// Frame, overrun, parity and break counts and the CTS/DSR lines: pseudo-
// terminals and some adapters cannot report them (the ioctls fail); those
// ports simply raise no line events.
void TReadThread::pollLineEvents()
{
    if (m_countOk) {
        serial_icounter_struct ic{};
        if (::ioctl(m_s->fd, TIOCGICOUNT, &ic) == 0) {
            int ce = 0;
            if (ic.buf_overrun != m_counts.bufOverrun) ce |= 0x01; // CE_RXOVER
            if (ic.overrun != m_counts.overrun) ce |= 0x02;        // CE_OVERRUN
            if (ic.parity != m_counts.parity) ce |= 0x04;          // CE_RXPARITY
            if (ic.frame != m_counts.frame) ce |= 0x08;            // CE_FRAME
            const bool brk = ic.brk != m_counts.brk;
            if (brk) ce |= 0x10; // CE_BREAK
            m_counts = {ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
            if (ce != 0) {
                WriteComLog(QStringLiteral("CommError: $") +
                            QStringLiteral("%1").arg(ce, 4, 16, QLatin1Char('0')).toUpper());
                if (ce & 0x08) m_s->post(cnFrameError);
                if (ce & 0x02) m_s->post(cnOverrun);
                if (ce & 0x04) m_s->post(cnParity);
            }
            if (brk) {
                WriteComLog(QStringLiteral("BREAK detected"));
                m_s->post(cnBreak);
            }
        } else {
            m_countOk = false;
        }
    }
    if (m_modemOk) {
        int st = 0;
        if (::ioctl(m_s->fd, TIOCMGET, &st) == 0) {
            const int changed = st ^ m_modem;
            m_modem = st;
            if (changed & TIOCM_CTS) lineChange(*m_s, cnCts, st & TIOCM_CTS, "CTS");
            if (changed & TIOCM_DSR) lineChange(*m_s, cnDsr, st & TIOCM_DSR, "DSR");
        } else {
            m_modemOk = false;
        }
    }
}

void TReadThread::run()
{
    m_s->post(cnReady, 0);

    m_modemOk = ::ioctl(m_s->fd, TIOCMGET, &m_modem) == 0;
    serial_icounter_struct ic{};
    m_countOk = ::ioctl(m_s->fd, TIOCGICOUNT, &ic) == 0;
    if (m_countOk) m_counts = {ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};

    for (;;) {
        const int timeout = (m_modemOk || m_countOk) ? LinePollMs : -1;
        pollfd p[2] = {{m_s->closeFd, POLLIN, 0}, {m_s->fd, POLLIN, 0}};
        const int r = ::poll(p, 2, timeout);
        if (r < 0) {
            if (errno == EINTR) continue;
            LogSystemError(errno, 1221);
            m_s->post(cnHangup);
            break;
        }
        // Closing wins over line events, line events over data.
        if (p[0].revents & POLLIN) {
            qCDebug(lcSerial) << "Time to Exit";
            break;
        }
        if (m_modemOk || m_countOk) pollLineEvents();
        if (p[1].revents & POLLNVAL) {
            providerClosed();
            break;
        }
        if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            if ((p[1].revents & POLLIN) && m_s->charListeners && m_s->charListeners->load() > 0)
                m_s->post(cnCharReceived);
            if (!gatherAndHandle((p[1].revents & POLLIN) == 0)) break;
        }
    }

    WriteComLog(QStringLiteral("Read Thread wird beendet"));
    ::tcflush(m_s->fd, TCIFLUSH);
}

// --- write thread ----------------------------------------------------------------

bool TWriteThread::transmitQueueEmpty(bool &known) const
{
    int pending = 0;
    known = ::ioctl(m_s->fd, TIOCOUTQ, &pending) == 0;
    return !known || pending == 0;
}

TWriteThread::WriteResult TWriteThread::writeData(const QByteArray &block)
{
    qsizetype off = 0;
    while (off < block.size()) {
        const ssize_t n = ::write(m_s->fd, block.constData() + off, size_t(block.size() - off));
        if (n > 0) {
            off += n;
            continue;
        }
        const int err = n < 0 ? errno : EAGAIN;
        if (err == EINTR) continue;
        if (err == EAGAIN) {
            // The driver's queue is full: wait until it takes more, or until closing.
            pollfd p[2] = {{m_s->closeFd, POLLIN, 0}, {m_s->fd, POLLOUT, 0}};
            const int r = ::poll(p, 2, -1);
            if (r < 0) {
                if (errno == EINTR) continue;
                LogSystemError(errno, 1882);
                m_s->post(cnHangup);
                return WriteResult::Failed;
            }
            if (p[0].revents & POLLIN) return WriteResult::Closing;
            if ((p[1].revents & POLLOUT) == 0 && (p[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
                WriteComLog(QStringLiteral("ERROR_INVALID_HANDLE, Port wurde vom Provider geschlossen"));
                return WriteResult::Failed;
            }
            continue;
        }
        if (IsProviderGone(err)) {
            WriteComLog(QStringLiteral("ERROR_INVALID_HANDLE, Port wurde vom Provider geschlossen"));
            return WriteResult::Failed;
        }
        LogSystemError(err, 1852);
        WriteComLog(QStringLiteral("TAPI wird geschlossen"));
        m_s->post(cnHangup);
        return WriteResult::Failed;
    }
    return WriteResult::Ok;
}

void TWriteThread::run()
{
    m_s->post(cnReady, 1);

    bool txPending = false; // bytes handed to the driver, empty queue not yet reported
    for (;;) {
        QByteArray block;
        if (!m_s->dequeue(block)) {
            pollfd p[2] = {{m_s->closeFd, POLLIN, 0}, {m_s->queueFd, POLLIN, 0}};
            const int r = ::poll(p, 2, txPending ? TxEmptyPollMs : -1);
            if (r < 0) {
                if (errno == EINTR) continue;
                LogSystemError(errno, 1714);
                m_s->post(cnHangup);
                break;
            }
            if (p[0].revents & POLLIN) break;
            if (p[1].revents & POLLIN) drainEventFd(m_s->queueFd);
            if (txPending) {
                bool known = false;
                if (transmitQueueEmpty(known)) {
                    txPending = false;
                    m_s->post(cnLastCharSent);
                }
            }
            continue;
        }
        if (m_s->closing()) break;

        if (ComLogIsOpen())
            WriteComLog(HexDump(QStringLiteral("Daten werden gesendet:"), block.constData(), block.size()));
        const WriteResult res = writeData(block);
        if (res == WriteResult::Closing) break;
        if (res == WriteResult::Failed) {
            WriteComLog(QStringLiteral("Fehler beim Senden im Write Thread"));
            break;
        }
        bool idle;
        {
            std::lock_guard lock(m_s->queueMutex);
            idle = m_s->queue.empty();
        }
        if (idle) {
            // Drivers that cannot say what they still hold (pseudo-terminals)
            // count as empty once they took the bytes.
            bool known = false;
            if (transmitQueueEmpty(known)) {
                txPending = false;
                m_s->post(cnLastCharSent);
            } else {
                txPending = true;
            }
        }
    }

    {
        std::lock_guard lock(m_s->queueMutex);
        m_s->writerAlive = false;
        m_s->queue.clear();
    }
    WriteComLog(QStringLiteral("Write Thread wird beendet"));
    ::tcflush(m_s->fd, TCOFLUSH);
}
