#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <initializer_list>
#include <memory>
#include <stdexcept>

// COM port numbers; ordinal n stands for "COMn".
enum TPort : quint8 { NoPort = 0, Com1, Com2, Com3, Com4, Com5, Com6, Com7, Com8, Com9 };

enum class TBaudRate : quint8 {
    ____110,
    ____300,
    ____600,
    ___1200,
    ___2400,
    ___4800,
    ___9600,
    __14400,
    __19200,
    __38400,
    __56000,
    _128000,
    _256000
};

enum class TParity : quint8 { None, Odd, Even, Mark, Space };
enum class TDataBits : quint8 { _4, _5, _6, _7, _8 };
enum class TStopBits : quint8 { _1, _1_5, _2 };
enum class TMode : quint8 { Disable, Enable, Handshake, Toggle };
// RTS takes every mode; DTR stops at Handshake (a DTR setter clamps Toggle).
using TRtsMode = TMode;
using TDtrMode = TMode;

enum TDCBFlag : quint8 {
    dcbBinaryMode = 0,
    dcbParityCheck,
    dcbOutxCtsFlowCtrl,
    dcbOutxDsrFlowCtrl,
    dcbDsrSensitivity,
    dcbTXContinueOnXoff,
    dcbOutX,
    dcbInX,
    dcbErrorChar,
    dcbNull,
    dcbAbortOnError
};

// Set of TDCBFlag; bit n stands for the flag with ordinal n.
class TDCBFlags {
public:
    constexpr TDCBFlags() = default;
    constexpr TDCBFlags(std::initializer_list<TDCBFlag> flags)
    {
        for (TDCBFlag f : flags)
            m_bits |= bit(f);
    }
    static constexpr TDCBFlags fromBits(quint16 bits)
    {
        TDCBFlags s;
        s.m_bits = bits;
        return s;
    }
    constexpr quint16 bits() const { return m_bits; }
    constexpr bool contains(TDCBFlag f) const { return (m_bits & bit(f)) != 0; }
    constexpr TDCBFlags &insert(TDCBFlag f)
    {
        m_bits |= bit(f);
        return *this;
    }
    constexpr TDCBFlags &remove(TDCBFlag f)
    {
        m_bits &= quint16(~bit(f));
        return *this;
    }
    constexpr bool operator==(const TDCBFlags &o) const = default;

private:
    static constexpr quint16 bit(TDCBFlag f) { return quint16(1u << unsigned(f)); }
    quint16 m_bits = 0;
};

// Raised by a failed open, and only when CreateExceptions is set. what() is UTF-8.
class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const QString &message);
    QString Message() const { return QString::fromUtf8(what()); }
};

class QEventLoop;
class TCateEvent;
class TCateReceiver;
class TCateThread;
struct TCateShared;

// The serial port component: owns one port, a read and a write thread, and
// turns everything the threads observe into events on the main thread.
class TCate : public QObject {
    Q_OBJECT

public:
    explicit TCate(QObject *parent = nullptr);
    ~TCate() override;

    TCate(const TCate &) = delete;
    TCate &operator=(const TCate &) = delete;

    QString Version() const { return QStringLiteral("1.024"); }

    TPort Port() const { return m_port; }
    // Any ComN opens (closing first what is open), NoPort closes.
    void setPort(TPort port);
    bool IsOpen() const { return m_fd >= 0; }
    // The device the port was opened on (empty while closed).
    QString DevicePath() const { return m_devicePath; }
    // Why the last open failed (errno, 0 after a successful open) and the device it tried.
    int LastOpenError() const { return m_lastOpenError; }
    QString LastOpenDevice() const { return m_lastOpenDevice; }
    // The same in German ("belegt", "keine Berechtigung …"); empty after a successful open.
    QString LastOpenErrorText() const;

    TBaudRate BaudRate() const { return m_baudRate; }
    void setBaudRate(TBaudRate v);
    TParity Parity() const { return m_parity; }
    void setParity(TParity v);
    TDataBits DataBits() const { return m_dataBits; }
    void setDataBits(TDataBits v);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits v);
    TRtsMode RtsMode() const { return m_rtsMode; }
    void setRtsMode(TRtsMode v);
    TDtrMode DtrMode() const { return m_dtrMode; }
    void setDtrMode(TDtrMode v);

    bool CtsState() const;
    bool DsrState() const;

    char ErrorChar() const { return m_errorChar; }
    void setErrorChar(char c);
    TDCBFlags Flags() const { return m_flags; }
    void setFlags(TDCBFlags f);

    // The configured queue sizes (POSIX terminals cannot apply them).
    quint32 WriteBufferSize();
    void setWriteBufferSize(quint32 v);
    quint32 ReadBufferSize();
    void setReadBufferSize(quint32 v);

    QString LogfileName() const { return m_logfileName; }
    void setLogfileName(const QString &name);
    bool LogTicks() const { return m_logTicks; }
    void setLogTicks(bool on) { m_logTicks = on; }

    // 0 is stored as 0xFFFFFFFF: hand over whatever has arrived at once.
    quint32 ReadInterval() const { return m_readInterval; }
    void setReadInterval(quint32 ms);
    quint32 ReadTotalTimeoutMultiplier() const { return m_readTotalMultiplier; }
    void setReadTotalTimeoutMultiplier(quint32 ms);
    quint32 ReadTotalTimeoutConstant() const { return m_readTotalConstant; }
    void setReadTotalTimeoutConstant(quint32 ms);

    bool CreateExceptions() const { return m_createExceptions; }
    void setCreateExceptions(bool on) { m_createExceptions = on; }

    // Queues a copy of the bytes for the write thread; true means queued, not written.
    bool SendData(const void *Buffer, quint16 Len);
    void ClosePort();

signals:
    // All on the main thread. Received bytes go to receiveBData; only when
    // nobody listens there do they arrive as text on receiveSData. The buffer
    // is valid during the call only.
    void receiveBData(const quint8 *Buffer, quint16 BufferLength);
    void receiveSData(const QString &Data);
    void requestHangup();
    void frameError();
    void overrunError();
    void rxParityError();
    void breakReceived(); // the line's break condition ("break" is a keyword)
    void charReceived();
    void lastCharSent();
    void connected();    // the port is open and both threads run
    void disconnected(); // the port was closed
    void ctsChange(bool Status);
    void dsrChange(bool Status);

protected:
    // Counts the listeners of charReceived: the read thread posts it, and
    // wakes the main thread for it, only when there is one.
    void connectNotify(const QMetaMethod &signal) override;
    void disconnectNotify(const QMetaMethod &signal) override;

private:
    friend class TCateReceiver;
    void openPort(TPort port);
    int openDescriptor();
    bool makeShared();
    bool startThreads();
    void awaitThreadsReady();
    void failOpen(const QString &message);
    void applyLineState();
    void applyModemLines();
    void applyTimeouts();
    void closeThread(std::unique_ptr<TCateThread> &thread, const QString &closing, const QString &stuck,
                     int queue);
    void notify(const TCateEvent &ev);

    TPort m_port = NoPort;
    QString m_devicePath;
    int m_lastOpenError = 0;
    QString m_lastOpenDevice;
    TBaudRate m_baudRate = TBaudRate::___9600;
    TParity m_parity = TParity::None;
    TDataBits m_dataBits = TDataBits::_8;
    TStopBits m_stopBits = TStopBits::_1;
    TRtsMode m_rtsMode = TMode::Disable;
    TDtrMode m_dtrMode = TMode::Disable;
    char m_errorChar = 0;
    TDCBFlags m_flags{dcbBinaryMode};
    quint32 m_writeBufferSize = 0;
    quint32 m_readBufferSize = 4096;
    QString m_logfileName;
    bool m_logTicks = false;
    quint32 m_readInterval = 1;
    quint32 m_readTotalMultiplier = 0;
    quint32 m_readTotalConstant = 0;
    bool m_createExceptions = false;

    int m_fd = -1;
    bool m_rs485 = false; // RTS toggling handed to the driver
    quint64 m_session = 0;
    bool m_opening = false;
    bool m_readReady = false;
    bool m_writeReady = false;
    std::shared_ptr<TCateShared> m_shared;
    std::unique_ptr<TCateThread> m_readThread;
    std::unique_ptr<TCateThread> m_writeThread;
    std::unique_ptr<TCateReceiver> m_receiver;
    QEventLoop *m_openLoop = nullptr;
    QList<TCateEvent *> m_deferred; // notifications that arrived while opening
    // Shared with the read thread of every opening; connections may be made
    // from any thread.
    std::shared_ptr<std::atomic<int>> m_charListeners = std::make_shared<std::atomic<int>>(0);
};
