#pragma once

// Internals of the serial port component: what its read and write threads
// share, the notifications they post, and the threads themselves.

#include <QByteArray>
#include <QEvent>
#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class TCate;

// Notification codes, numbered as the component has always numbered them.
enum TCateNotify : int {
    cnData = 2,
    cnHangup = 3,
    cnReady = 4,
    cnFrameError = 5,
    cnOverrun = 6,
    cnParity = 7,
    cnBreak = 8,
    cnCts = 9,
    cnDsr = 10,
    cnCharReceived = 11,
    cnLastCharSent = 12
};

// One notification, posted from a worker thread to the main thread. Received
// bytes travel as an owned copy; the event (and with it the copy) is freed by
// the event loop after delivery, or when the receiver goes away undelivered.
class TCateEvent : public QEvent {
public:
    TCateEvent(int code, quint64 session, int arg, QByteArray data = {});
    ~TCateEvent() override;
    static QEvent::Type eventType();

    int code;
    quint64 session; // which opening of the port posted it
    int arg;         // thread index for cnReady, line state for cnCts/cnDsr
    QByteArray data;
};

// Lives on the main thread; the workers post to it.
class TCateReceiver : public QObject {
public:
    explicit TCateReceiver(TCate *cate) : m_cate(cate) {}

protected:
    bool event(QEvent *e) override;

private:
    TCate *m_cate;
};

// What the component and its two threads share while a port is open. The
// descriptors stay valid until both threads have ended.
struct TCateShared {
    int fd = -1;
    int closeFd = -1; // one eventfd that wakes both threads for good
    int queueFd = -1; // eventfd counting blocks handed to the write thread
    // Set with closeFd, for the short sleeps that do not watch it.
    std::atomic<bool> stopping{false};
    quint64 session = 0;
    TCateReceiver *receiver = nullptr;

    // Read time-outs and flags the owner may change while the port is open.
    std::atomic<quint32> readInterval{0xFFFFFFFFu};
    std::atomic<quint32> readTotalMultiplier{0};
    std::atomic<quint32> readTotalConstant{0};
    std::atomic<bool> discardNull{false};
    // How many listen to charReceived (the component's count).
    std::shared_ptr<const std::atomic<int>> charListeners;

    std::atomic<bool> writerAlive{true};
    std::mutex queueMutex;
    std::deque<QByteArray> queue;

    ~TCateShared();
    void post(int code, int arg = 0, QByteArray data = {}) const;
    bool closing() const;
    // false when the write thread has ended or its queue is full.
    bool enqueue(QByteArray block);
    bool dequeue(QByteArray &block);
};

// A worker thread that can be waited for with a bound. Plain standard threads:
// their start and end are visible to the thread sanitizer.
class TCateThread {
public:
    virtual ~TCateThread();
    // 0, or the system's error number when it could not create the thread.
    int start();
    // true when the thread ended within ms.
    bool waitFor(int ms);
    void join();

protected:
    virtual void run() = 0;

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
};

class TReadThread : public TCateThread {
public:
    explicit TReadThread(std::shared_ptr<TCateShared> shared) : m_s(std::move(shared)) {}

protected:
    void run() override;

private:
    bool handleReadData(const char *bytes, qsizetype count);
    using TClock = std::chrono::steady_clock;
    enum class TLineWait { Due, Stop };
    // hungUp: woken by a hang-up or error rather than by data.
    bool gatherAndHandle(bool hungUp);
    void collectRest(char *buf, qsizetype &have);
    TLineWait waitQuietly(TClock::time_point until, bool watchLine) const;
    void pollLineEvents();
    void providerClosed();

    std::shared_ptr<TCateShared> m_s;
    bool m_modemOk = false;
    int m_modem = 0;
    bool m_countOk = false;
    struct Counts {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    } m_counts;
};

class TWriteThread : public TCateThread {
public:
    explicit TWriteThread(std::shared_ptr<TCateShared> shared) : m_s(std::move(shared)) {}

protected:
    void run() override;

private:
    enum class WriteResult { Ok, Failed, Closing };
    WriteResult writeData(const QByteArray &block);
    bool transmitQueueEmpty(bool &known) const;

    std::shared_ptr<TCateShared> m_s;
};

// "[Cate.<site>]. Fehler: "<text>"" into the COM log.
void LogSystemError(int code, int site);
QString SystemErrorText(int code);
// Error numbers that mean the device went away under us.
bool IsProviderGone(int err);

// The hand-over of a posted event runs through Qt's own locks, which the
// thread sanitizer cannot see; these tell it about that ordering.
#if defined(__SANITIZE_THREAD__)
#define GT_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define GT_TSAN 1
#endif
#endif
#ifdef GT_TSAN
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
inline void TsanAcquire(void *p)
{
    __tsan_acquire(p);
}
inline void TsanRelease(void *p)
{
    __tsan_release(p);
}
#else
inline void TsanAcquire(void *)
{
}
inline void TsanRelease(void *)
{
}
#endif

// Baud rates that termios has no constant for (Linux termios2); false if refused.
bool SetCustomBaudRate(int fd, unsigned rate);
