#pragma once

// Test helpers for the bus engine: a tester stand-in on the controller side
// of a pseudo-terminal, and a port bound to the terminal side.

#include "bus/Protok.h"
#include "bus/SyncBus.h"
#include "serial/Cate32.h"
#include "serial/PortNames.h"

#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

namespace bus_test {

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list) b.append(char(v));
    return b;
}

// Plays the tester: assembles the frames the program sends and answers each
// with what reply() returns (nothing when it returns an empty array).
class TPtyResponder {
public:
    explicit TPtyResponder(gt_test::PtyPair &pty) : m_pty(pty)
    {
        m_clock.start();
        m_notifier = std::make_unique<QSocketNotifier>(pty.masterFd(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readAvailable(); });
    }

    std::function<QByteArray(const TProtok &)> reply;
    std::vector<TProtok> received;

    // Answers a request with the tester's address and the same command.
    static QByteArray answerFor(const TProtok &req, const QByteArray &data = {})
    {
        return MsgToWire(BuildMsg(0xEC, req.Cmd, data));
    }

private:
    void readAvailable()
    {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(m_pty.masterFd(), buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t i = 0; i < n; ++i) {
                if (m_asm.feed(quint8(buf[i]), m_clock.elapsed()) != TFrameAssembler::FrameValid) continue;
                received.push_back(m_asm.frame());
                if (reply) {
                    const QByteArray out = reply(m_asm.frame());
                    if (!out.isEmpty()) m_pty.write(out);
                }
            }
        }
    }

    gt_test::PtyPair &m_pty;
    TFrameAssembler m_asm;
    QElapsedTimer m_clock;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// A port opened on the terminal side of a pseudo-terminal as COM1.
class TPtyPort {
public:
    TPtyPort()
    {
        const QString ini = m_dir.filePath(QStringLiteral("ports.ini"));
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly))
            f.write("[Ports]\r\nCOM1=" + m_pty.slavePath().toLocal8Bit() + "\r\n");
        f.close();
        SetPortIniFile(ini);
        cate.setPort(Com1);
    }
    ~TPtyPort()
    {
        cate.setPort(NoPort);
        SetPortIniFile(QString());
    }
    bool ok() const { return m_pty.ok() && cate.Port() == Com1; }
    gt_test::PtyPair &pty() { return m_pty; }

    TCate cate;

private:
    QTemporaryDir m_dir;
    gt_test::PtyPair m_pty;
};

// Records the engine's events as short texts, in order.
inline void recordEvents(TSynchroBus &bus, QStringList &log)
{
    bus.OnSendMsg = [&log](TProtok &m) { log << QStringLiteral("send %1").arg(m.Cmd, 2, 16, QLatin1Char('0')); };
    bus.OnCateSend = [&log](TProtok &) { log << QStringLiteral("catesend"); };
    bus.OnCateSent = [&log](TProtok &, bool ok) { log << QStringLiteral("catesent %1").arg(ok); };
    bus.OnCharReceived = [&log](quint8, bool accepted) { log << QStringLiteral("char %1").arg(accepted); };
    bus.OnMsgReceived = [&log](TProtok &m) {
        log << QStringLiteral("received %1").arg(m.Cmd, 2, 16, QLatin1Char('0'));
    };
    bus.OnMsgUnhandled = [&log](TProtok &m) {
        log << QStringLiteral("unhandled %1").arg(m.Cmd, 2, 16, QLatin1Char('0'));
    };
    bus.OnBadMsg = [&log](TProtok &m) { log << QStringLiteral("bad %1").arg(m.Cmd, 2, 16, QLatin1Char('0')); };
    bus.OnStackMsg = [&log](TProtok &m) { log << QStringLiteral("stack %1").arg(m.Cmd, 2, 16, QLatin1Char('0')); };
    bus.OnUnstackMsg = [&log](TProtok &m) {
        log << QStringLiteral("unstack %1").arg(m.Cmd, 2, 16, QLatin1Char('0'));
    };
    bus.OnTimeOver = [&log] { log << QStringLiteral("timeover"); };
}

// The log without the per-byte entries.
inline QStringList withoutChars(const QStringList &log)
{
    QStringList out;
    for (const QString &s : log)
        if (!s.startsWith(QLatin1String("char"))) out << s;
    return out;
}

} // namespace bus_test
