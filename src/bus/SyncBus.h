#pragma once

// The bus master engine: sends one message at a time over a TCate, stacks
// what is sent while an answer is awaited, assembles and dispatches received
// frames, and offers a blocking request with retries.

#include "bus/Protok.h"
#include "serial/Cate32.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <bitset>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>

class QEventLoop;
class TBusTickThread;
class TBusReceiver;

enum TSynchroMode { smMaster = 0, smSlave = 1 };

enum TWriteLog { wpError = 0, wpReceive = 1, wpSend = 2 };

class TWriteLogSet {
public:
    TWriteLogSet() = default;
    TWriteLogSet(std::initializer_list<TWriteLog> items)
    {
        for (TWriteLog w : items)
            insert(w);
    }
    bool contains(TWriteLog w) const { return (m_bits >> int(w)) & 1u; }
    void insert(TWriteLog w) { m_bits |= quint8(1u << int(w)); }
    void remove(TWriteLog w) { m_bits &= quint8(~(1u << int(w))); }
    bool operator==(const TWriteLogSet &) const = default;

private:
    quint8 m_bits = 0;
};

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A set of byte values (address or command bytes an answer may carry).
// Built from a brace list: {0xEC}; {} is the empty set.
class TByteSet {
public:
    TByteSet() = default;
    TByteSet(std::initializer_list<quint8> items)
    {
        for (quint8 b : items)
            m_bits.set(b);
    }
    bool contains(quint8 b) const { return m_bits.test(b); }
    void insert(quint8 b) { m_bits.set(b); }
    void clear() { m_bits.reset(); }
    bool isEmpty() const { return m_bits.none(); }

private:
    std::bitset<256> m_bits;
};

class TSynchroBus : public QObject {
    Q_OBJECT

public:
    explicit TSynchroBus(QObject *parent = nullptr);
    ~TSynchroBus() override;

    // Properties. Setters follow the component's rules: out-of-range values
    // are ignored where noted.
    quint32 TickTime() const { return m_tickTime; }
    void setTickTime(quint32 ms); // ignores 0 and values above 10000
    TThreadPriority Priority() const { return m_priority; }
    void setPriority(TThreadPriority p); // ignores values above tpHighest
    TSynchroMode Mode() const { return m_mode; }
    void setMode(TSynchroMode m); // smSlave clears the answer deadline
    TWriteLogSet WriteLog() const { return m_writeLog; }
    void setWriteLog(TWriteLogSet s) { m_writeLog = s; }
    qint64 MsgTimeOut() const { return m_msgTimeOut; }
    void setMsgTimeOut(qint64 ms) { m_msgTimeOut = ms; }
    qint64 CharTimeOut() const { return m_assembler.charTimeOut(); }
    void setCharTimeOut(qint64 ms) { m_assembler.setCharTimeOut(ms); }
    qint32 maxTry() const { return m_maxTry; }
    void setMaxTry(qint32 n) { m_maxTry = n; }
    TCate *Cate() const { return m_cate; }
    void setCate(TCate *cate); // listens to the port's receiveBData
    QString LogFile() const { return m_logFile; }
    void setLogFile(const QString &name) { m_logFile = name; }
    bool LogTicks() const { return m_logTicks; }
    void setLogTicks(bool on) { m_logTicks = on; }
    int DataBytes() const { return m_assembler.dataBytes(); }
    void setDataBytes(int n) { m_assembler.setDataBytes(n); } // accepts only 1..255
    QString Version() const { return QStringLiteral("1.023"); }

    // Sends now, or stacks the message while an answer is still awaited.
    void SendMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data);

    // Sends and waits for an answer whose address and command are in the
    // given sets; up to maxTry attempts of TimeOut ms each. The event loop
    // keeps running during the wait. Returns false without writing Answer on
    // failure (smSlave: sends once, zeroes Answer, returns false). Only one
    // request may wait at a time: a nested call is refused.
    bool RequestMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data, const TByteSet &AnswerAddrs,
                    const TByteSet &AnswerCmds, quint32 TimeOut, TProtok &Answer);

    // True while a RequestMsg waits for its answer.
    bool RequestPending() const { return m_requestWaiting; }

    // Waits ms milliseconds with the event loop running.
    void DelayMs(quint32 ms);

    // The port's receive handler: feeds every byte to the frame assembly.
    void ReceiveBytes(const void *Buffer, quint16 BufferLength);

    // Frame helpers with this engine's DataBytes.
    TProtok BuildMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data) const;
    quint8 MsgChecksum(const TProtok &Msg) const;
    QString MsgToText(const TProtok &Msg) const;
    QByteArray MsgDataToStr(const TProtok &Msg) const;
    QByteArray IntToMsgData(qint32 Value) const;

    // Writes one bus log line (OnWriteToLog sees it first).
    void WriteToLog(const QString &Line);

    // Messages waiting on the stack.
    int StackedCount() const { return int(m_stack.size()); }
    // True while an answer is awaited (the send deadline is armed).
    bool AnswerAwaited() const { return m_deadline != 0; }

    // The one listener that may rewrite a log line before it is written, so a
    // single hook rather than a signal.
    std::function<void(const QDateTime &when, QString &Line)> OnWriteToLog;

signals:
    // All emitted on the main thread; the frames are the engine's own, shown
    // to listeners read-only.
    void tick();
    void threadExecuting();
    void threadTerminating();
    void msgReceived(const TProtok &Msg);
    void msgUnhandled(const TProtok &Msg);
    void badMsg(const TProtok &Msg);
    void charReceived(quint8 RecChar, bool accepted);
    // Once for a run of accepted characters (a block, or up to a frame's
    // end): for listeners that need no single character, such as a lamp.
    void charsReceived();
    void stackMsg(const TProtok &Msg);
    void unstackMsg(const TProtok &Msg);
    void sendMsg(const TProtok &Msg);
    void cateSend(const TProtok &Msg);
    void cateSent(const TProtok &Msg, bool Success);
    void timeOver();

protected:
    void connectNotify(const QMetaMethod &signal) override;
    void disconnectNotify(const QMetaMethod &signal) override;

private:
    friend class TBusReceiver;

    struct TStackMsg {
        quint8 Addr;
        quint8 Cmd;
        QByteArray Data;
    };

    static qint64 MsNow();
    void ReceiveChar(quint8 c);
    void TransmitMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data);
    void PopStackedMsg();
    void CheckTimeOver();
    void DispatchMsg(const TProtok &Msg);
    void StoreAnswer(const TProtok &Msg);
    void HandleTick();
    bool deadlinePassed(qint64 now) const { return m_deadline != 0 && now > m_deadline; }
    // Whether a line of this kind would reach a log or a listener: texts of
    // every report are not built for nobody.
    bool logWanted(TWriteLog w) const
    {
        return m_writeLog.contains(w) && (OnWriteToLog || !m_logFile.isEmpty());
    }

    quint32 m_tickTime = 1000;
    TThreadPriority m_priority = tpIdle;
    TSynchroMode m_mode = smMaster;
    TWriteLogSet m_writeLog{wpError, wpReceive, wpSend};
    qint64 m_msgTimeOut = 200;
    qint32 m_maxTry = 3;
    QPointer<TCate> m_cate;
    QMetaObject::Connection m_cateReceive;
    QString m_logFile;
    bool m_logTicks = false;

    TFrameAssembler m_assembler{kDefaultDataBytes, 100};
    qint64 m_deadline = 0;
    std::deque<TStackMsg> m_stack;
    TByteSet m_answerCmds;
    TByteSet m_answerAddrs;
    bool m_answerReady = false;
    TProtok m_answer;
    bool m_requestWaiting = false;
    QByteArray m_pendingBytes; // received, not yet fed to frame assembly
    qsizetype m_feedPos = 0;
    bool m_feeding = false;
    bool m_charsSignalled = false; // charsReceived sent for the current run
    // Listeners of charReceived: an unheard signal per byte still costs.
    int m_charListeners = 0;
    QEventLoop *m_waitLoop = nullptr;

    std::unique_ptr<TBusReceiver> m_receiver;
    std::unique_ptr<TBusTickThread> m_tickThread;
};
