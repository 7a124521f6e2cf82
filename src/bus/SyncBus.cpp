#include "bus/SyncBus.h"

#include "core/Logs.h"
#include "serial/Cate32.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaMethod>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>

namespace {

const QEvent::Type kTickEvent = QEvent::Type(QEvent::registerEventType());
const QEvent::Type kThreadStartEvent = QEvent::Type(QEvent::registerEventType());
const QEvent::Type kThreadEndEvent = QEvent::Type(QEvent::registerEventType());

// Calls a copy, so a handler may reassign its own event while it runs.
template <typename F, typename... A> void fire(const F &event, A &&...args)
{
    if (!event) return;
    F f = event;
    f(std::forward<A>(args)...);
}

QThread::Priority toQtPriority(TThreadPriority p)
{
    switch (p) {
    // Not IdlePriority: on Linux that is SCHED_IDLE, which starves the thread
    // on a busy machine, so time-outs would be found seconds late and the
    // engine's destruction would wait for it.
    case tpIdle:
    case tpLowest:
        return QThread::LowestPriority;
    case tpLower:
        return QThread::LowPriority;
    case tpNormal:
        return QThread::NormalPriority;
    case tpHigher:
        return QThread::HighPriority;
    case tpHighest:
    case tpTimeCritical:
        return QThread::HighestPriority;
    }
    return QThread::NormalPriority;
}

int timerMs(quint32 ms)
{
    return ms > quint32(INT_MAX) ? INT_MAX : int(ms);
}

// Runs a nested event loop until quit or ms have passed. The loop sleeps in
// the event dispatcher, so a wait costs next to no CPU.
void runLoopFor(QEventLoop &loop, quint32 ms)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timerMs(ms));
    loop.exec();
}

} // namespace

// Receives the tick thread's posts on the main thread.
class TBusReceiver : public QObject {
public:
    explicit TBusReceiver(TSynchroBus *bus) : m_bus(bus) {}

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == kTickEvent) {
            m_bus->HandleTick();
            return true;
        }
        if (e->type() == kThreadStartEvent) {
            emit m_bus->threadExecuting();
            return true;
        }
        if (e->type() == kThreadEndEvent) {
            emit m_bus->threadTerminating();
            return true;
        }
        return QObject::event(e);
    }

private:
    TSynchroBus *m_bus;
};

// Posts one tick per TickTime; does nothing else, so it never touches the
// engine's state. A real thread (rather than a main-thread timer) keeps the
// start/end notifications and the priority setting meaningful.
class TBusTickThread : public QThread {
public:
    TBusTickThread(QObject *receiver, quint32 tickTime) : m_receiver(receiver), m_tickTime(tickTime) {}

    // Applies at once: a sleep under the old interval (a second by default)
    // starts over with the new one.
    void setTickTime(quint32 ms)
    {
        {
            std::lock_guard lock(m_mutex);
            m_tickTime = ms;
            m_changed = true;
        }
        m_cv.notify_all();
    }

    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_cv.notify_all();
    }

protected:
    void run() override
    {
        // A copy: after the last unlock the thread touches no member, since the
        // engine may delete it as soon as wait() returns.
        QObject *const receiver = m_receiver;
        QCoreApplication::postEvent(receiver, new QEvent(kThreadStartEvent));
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            QCoreApplication::postEvent(receiver, new QEvent(kTickEvent));
            do {
                m_changed = false;
                m_cv.wait_for(lock, std::chrono::milliseconds(m_tickTime),
                              [this] { return m_stop || m_changed; });
            } while (m_changed && !m_stop);
        }
        lock.unlock();
        QCoreApplication::postEvent(receiver, new QEvent(kThreadEndEvent));
    }

private:
    QObject *m_receiver;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    quint32 m_tickTime;
    bool m_changed = false;
    bool m_stop = false;
};

TSynchroBus::TSynchroBus(QObject *parent)
    : QObject(parent), m_answer(EmptyMsg()), m_receiver(std::make_unique<TBusReceiver>(this))
{
    m_tickThread = std::make_unique<TBusTickThread>(m_receiver.get(), m_tickTime);
    m_tickThread->start(toQtPriority(m_priority));
}

TSynchroBus::~TSynchroBus()
{
    if (m_waitLoop) m_waitLoop->quit();
    if (m_tickThread) {
        m_tickThread->stop();
        m_tickThread->wait();
    }
    m_tickThread.reset();
    m_receiver.reset(); // drops ticks still queued for it
}

qint64 TSynchroBus::MsNow()
{
    // Monotonic, so a change of the system clock neither fires nor holds off
    // a time-out. The offset keeps every reading far from 0 ("no deadline").
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1'000'000'000LL;
}

void TSynchroBus::setTickTime(quint32 ms)
{
    if (ms == 0 || ms > 10000) return;
    m_tickTime = ms;
    if (m_tickThread) m_tickThread->setTickTime(ms);
}

void TSynchroBus::setPriority(TThreadPriority p)
{
    if (int(p) < int(tpIdle) || int(p) > int(tpHighest)) return;
    m_priority = p;
    if (m_tickThread && m_tickThread->isRunning()) m_tickThread->setPriority(toQtPriority(p));
}

void TSynchroBus::setMode(TSynchroMode m)
{
    m_mode = m;
    if (m == smSlave) m_deadline = 0;
}

void TSynchroBus::setCate(TCate *cate)
{
    if (cate == m_cate && m_cateReceive) return;
    disconnect(m_cateReceive);
    m_cate = cate;
    if (!cate) return;
    // A port that outlives the engine drops the connection by itself.
    m_cateReceive =
        connect(cate, &TCate::receiveBData, this,
                [this](const quint8 *Buffer, quint16 BufferLength) { ReceiveBytes(Buffer, BufferLength); });
}

TProtok TSynchroBus::BuildMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data) const
{
    return ::BuildMsg(Addr, Cmd, Data, DataBytes());
}

quint8 TSynchroBus::MsgChecksum(const TProtok &Msg) const
{
    return ::MsgChecksum(Msg, DataBytes());
}

QString TSynchroBus::MsgToText(const TProtok &Msg) const
{
    return ::MsgToText(Msg, DataBytes());
}

QByteArray TSynchroBus::MsgDataToStr(const TProtok &Msg) const
{
    return ::MsgDataToStr(Msg, DataBytes());
}

QByteArray TSynchroBus::IntToMsgData(qint32 Value) const
{
    return ::IntToMsgData(Value);
}

void TSynchroBus::WriteToLog(const QString &Line)
{
    // The clock is local time, which costs a time-zone check: only when read.
    if (!OnWriteToLog && m_logFile.isEmpty()) return;
    const QDateTime when = QDateTime::currentDateTime();
    QString line = Line;
    fire(OnWriteToLog, when, line);
    if (m_logFile.isEmpty()) return;
    if (!AppendLogLine(m_logFile, when, m_logTicks, QStringLiteral(": "), line)) m_logFile.clear();
}

void TSynchroBus::SendMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data)
{
    const qint64 now = MsNow();
    if (deadlinePassed(now)) emit timeOver();
    if (now > m_deadline) {
        m_assembler.reset();
        TransmitMsg(Addr, Cmd, Data);
        return;
    }
    if (isSignalConnected(QMetaMethod::fromSignal(&TSynchroBus::stackMsg)))
        emit stackMsg(BuildMsg(Addr, Cmd, Data));
    m_stack.push_back(TStackMsg{Addr, Cmd, Data.left(kMaxDataBytes)});
}

void TSynchroBus::TransmitMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data)
{
    const TProtok msg = BuildMsg(Addr, Cmd, Data);
    emit sendMsg(msg);
    if (!m_cate) {
        if (m_writeLog.contains(wpError))
            WriteToLog(QStringLiteral("Kein Schnittstellenobjekt \"Cate\" verfügbar."));
        return;
    }
    emit cateSend(msg);
    QPointer<TSynchroBus> self(this);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const qint64 now = MsNow();
        // Saturating, so an absurd time-out means "wait for ever", not a wrap.
        m_deadline = m_msgTimeOut > LLONG_MAX - now ? LLONG_MAX : std::max<qint64>(1, now + m_msgTimeOut);
        const bool ok = m_cate && m_cate->SendData(&msg, quint16(DataBytes() + 4));
        emit cateSent(msg, ok);
        if (ok) {
            if (logWanted(wpSend)) WriteToLog(QStringLiteral("Gesendet: ") + MsgToText(msg));
            break;
        }
        if (m_writeLog.contains(wpError) || m_writeLog.contains(wpSend))
            WriteToLog(QStringLiteral("Senden mißlungen: ") + MsgToText(msg));
        DelayMs(10);
        if (!self) return;
    }
    if (m_mode == smSlave) m_deadline = 0;
}

void TSynchroBus::PopStackedMsg()
{
    if (m_stack.empty()) return;
    const TStackMsg entry = std::move(m_stack.front());
    m_stack.pop_front();
    if (isSignalConnected(QMetaMethod::fromSignal(&TSynchroBus::unstackMsg)))
        emit unstackMsg(BuildMsg(entry.Addr, entry.Cmd, entry.Data));
    TransmitMsg(entry.Addr, entry.Cmd, entry.Data);
}

void TSynchroBus::CheckTimeOver()
{
    if (!deadlinePassed(MsNow())) return;
    emit timeOver();
    m_assembler.reset();
    m_deadline = 0;
    PopStackedMsg();
}

void TSynchroBus::HandleTick()
{
    emit tick();
    CheckTimeOver();
}

void TSynchroBus::connectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&TSynchroBus::charReceived)) ++m_charListeners;
}

// A disconnect of everything at once names no signal: the count stays high,
// which only costs the emits it would have saved.
void TSynchroBus::disconnectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&TSynchroBus::charReceived) && m_charListeners > 0)
        --m_charListeners;
}

void TSynchroBus::ReceiveBytes(const void *Buffer, quint16 BufferLength)
{
    if (!Buffer) return;
    // Handlers may run a nested event loop that delivers the next block while
    // this one is half fed: that block waits its turn, so frames keep their order.
    m_pendingBytes.append(static_cast<const char *>(Buffer), BufferLength);
    if (m_feeding) return;
    m_feeding = true;
    m_charsSignalled = false;
    QPointer<TSynchroBus> self(this);
    while (m_feedPos < m_pendingBytes.size()) {
        const quint8 c = quint8(m_pendingBytes.at(m_feedPos++));
        ReceiveChar(c);
        if (!self) return;
    }
    m_pendingBytes.clear();
    m_feedPos = 0;
    m_feeding = false;
}

void TSynchroBus::ReceiveChar(quint8 c)
{
    const qint64 now = MsNow();
    if (deadlinePassed(now)) {
        emit timeOver();
        m_assembler.reset();
        m_deadline = 0;
    }
    const TFrameAssembler::TFeedResult r = m_assembler.feed(c, now);
    if (r == TFrameAssembler::Dropped) return;
    if (!m_charsSignalled) {
        m_charsSignalled = true;
        emit charsReceived();
    }
    if (r == TFrameAssembler::Stored) {
        if (m_charListeners) emit charReceived(c, false);
        return;
    }
    if (m_charListeners) emit charReceived(c, true);
    // A frame's handlers may let time pass: the next character counts anew.
    m_charsSignalled = false;
    m_deadline = 0;
    const TProtok msg = m_assembler.frame();
    if (r == TFrameAssembler::FrameValid) {
        DispatchMsg(msg);
    } else {
        if (m_writeLog.contains(wpError)) WriteToLog(QStringLiteral("Prüfsummenfehler: ") + MsgToText(msg));
        emit badMsg(msg);
    }
    PopStackedMsg();
}

void TSynchroBus::DispatchMsg(const TProtok &Msg)
{
    if (logWanted(wpReceive)) {
        WriteToLog(QStringLiteral("Empfang : ") + MsgToText(Msg));
        WriteToLog(QStringLiteral("-----------"));
    }
    emit msgReceived(Msg);
    if (m_answerCmds.contains(Msg.Cmd) && m_answerAddrs.contains(Msg.Addr))
        StoreAnswer(Msg);
    else
        emit msgUnhandled(Msg);
}

void TSynchroBus::StoreAnswer(const TProtok &Msg)
{
    m_answer = Msg;
    m_answerReady = true;
    if (m_waitLoop) m_waitLoop->quit();
}

bool TSynchroBus::RequestMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data, const TByteSet &AnswerAddrs,
                             const TByteSet &AnswerCmds, quint32 TimeOut, TProtok &Answer)
{
    if (m_mode == smSlave) {
        m_answer = EmptyMsg();
        SendMsg(Addr, Cmd, Data);
        m_answerCmds.clear();
        m_answerAddrs.clear();
        Answer = EmptyMsg();
        return false;
    }
    // One answer slot: a request started from a handler during another
    // request's wait would steal or clobber its answer.
    if (m_requestWaiting) {
        WriteToLog(QStringLiteral("Anfrage abgelehnt, eine andere wartet noch: ") +
                   MsgToText(BuildMsg(Addr, Cmd, Data)));
        Answer = EmptyMsg();
        return false;
    }

    m_requestWaiting = true;
    m_answer = EmptyMsg();
    m_answerReady = false;
    m_answerCmds = AnswerCmds;
    m_answerAddrs = AnswerAddrs;
    QPointer<TSynchroBus> self(this);
    int attempts = 0;
    do {
        ++attempts;
        SendMsg(Addr, Cmd, Data);
        if (!self) return false;
        if (m_answerReady) break;
        QEventLoop loop;
        m_waitLoop = &loop;
        runLoopFor(loop, TimeOut);
        if (!self) return false;
        m_waitLoop = nullptr;
    } while (!m_answerReady && attempts < m_maxTry);
    m_answerCmds.clear();
    m_answerAddrs.clear();
    m_requestWaiting = false;
    if (!m_answerReady) return false;
    Answer = m_answer;
    return true;
}

void TSynchroBus::DelayMs(quint32 ms)
{
    QEventLoop loop;
    runLoopFor(loop, ms);
}
