#pragma once

// Test helpers for the bus engine: a tester stand-in on the controller side
// of a pseudo-terminal, and a port bound to the terminal side.

#include "bus/Protok.h"
#include "bus/SyncBus.h"
#include "core/ProgramPaths.h"
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
    for (int v : list)
        b.append(char(v));
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
        SetProgramIniOverride(ini);
        cate.setPort(Com1);
    }
    ~TPtyPort()
    {
        cate.setPort(NoPort);
        SetProgramIniOverride(QString());
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
    auto cmd = [](const TProtok &m) { return QStringLiteral("%1").arg(m.Cmd, 2, 16, QLatin1Char('0')); };
    QObject::connect(&bus, &TSynchroBus::sendMsg, [&log, cmd](const TProtok &m) { log << "send " + cmd(m); });
    QObject::connect(&bus, &TSynchroBus::cateSend, [&log] { log << QStringLiteral("catesend"); });
    QObject::connect(&bus, &TSynchroBus::cateSent,
                     [&log](const TProtok &, bool ok) { log << QStringLiteral("catesent %1").arg(ok); });
    QObject::connect(&bus, &TSynchroBus::charReceived,
                     [&log](quint8, bool accepted) { log << QStringLiteral("char %1").arg(accepted); });
    QObject::connect(&bus, &TSynchroBus::msgReceived,
                     [&log, cmd](const TProtok &m) { log << "received " + cmd(m); });
    QObject::connect(&bus, &TSynchroBus::msgUnhandled,
                     [&log, cmd](const TProtok &m) { log << "unhandled " + cmd(m); });
    QObject::connect(&bus, &TSynchroBus::badMsg, [&log, cmd](const TProtok &m) { log << "bad " + cmd(m); });
    QObject::connect(&bus, &TSynchroBus::stackMsg,
                     [&log, cmd](const TProtok &m) { log << "stack " + cmd(m); });
    QObject::connect(&bus, &TSynchroBus::unstackMsg,
                     [&log, cmd](const TProtok &m) { log << "unstack " + cmd(m); });
    QObject::connect(&bus, &TSynchroBus::timeOver, [&log] { log << QStringLiteral("timeover"); });
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
