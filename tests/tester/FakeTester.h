#pragma once

// A small stand-in for the tester on the controller side of a pseudo-terminal:
// it keeps a settings block, limit indexes and languages, answers the command
// set from them, applies what the program writes, and can stay silent.

#include "bus/Protok.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortNames.h"
#include "tester/CommandCodes.h"
#include "tester/SettingsBlock.h"

#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QSocketNotifier>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include <unistd.h>

namespace tester_test {

class TFakeTester {
public:
    explicit TFakeTester(gt_test::PtyPair &pty) : m_pty(pty)
    {
        m_clock.start();
        m_notifier = std::make_unique<QSocketNotifier>(pty.masterFd(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readAvailable(); });
    }

    // Tester state.
    TEinstellBlock Block;
    quint8 Limits[4] = {0, 0, 0, 0};
    quint8 Step = 0;
    quint8 Phase = 2;
    QStringList Languages{QStringLiteral("de")}; // an empty entry is one the tester leaves blank
    int CurrentLanguage = 0;
    QByteArray Firmware = "10300ab";
    QByteArray Serial = QByteArray("\x21\x43\x65\x87\x09", 5);
    QByteArray Record = QByteArray(40, '\0');
    quint16 RecordCount = 1;

    // Requests of these commands go unanswered; Drop[cmd] = k drops the next k.
    QList<quint8> Silent;
    QMap<quint8, int> Drop;

    // Every frame received, in order.
    std::vector<TProtok> Received;

    int count(quint8 cmd) const
    {
        int n = 0;
        for (const TProtok &m : Received)
            n += m.Cmd == cmd;
        return n;
    }
    QList<quint8> commands() const
    {
        QList<quint8> out;
        for (const TProtok &m : Received)
            out << m.Cmd;
        return out;
    }
    const TProtok *last(quint8 cmd) const
    {
        // The newest first.
        for (qsizetype i = Received.size() - 1; i >= 0; --i)
            if (Received.at(i).Cmd == cmd) return &Received.at(i);
        return nullptr;
    }

    // Sends a report of its own.
    void report(quint8 cmd, const QByteArray &data)
    {
        m_pty.write(MsgToWire(BuildMsg(AddrTester, cmd, data)));
    }

private:
    QByteArray answer(const TProtok &req)
    {
        switch (req.Cmd) {
        case cmdProgrammversion:
            return Firmware;
        case cmdSeriennummer:
            return Serial;
        case cmdSprachEintrag: {
            const int i = req.Data[0];
            QByteArray d(8, '\0');
            if (i < Languages.size()) {
                const QByteArray code = Languages[i].toLatin1();
                d[1] = 1;
                for (int k = 0; k < code.size() && k < 2; ++k)
                    d[2 + k] = code[k];
            }
            d[4] = char(Languages.size());
            d[5] = char(CurrentLanguage);
            return d;
        }
        case cmdSprache: {
            QByteArray d(8, '\0');
            const QByteArray code = Languages.value(CurrentLanguage).toLatin1();
            for (int k = 0; k < code.size() && k < 2; ++k)
                d[1 + k] = code[k];
            return d;
        }
        case cmdFlags: {
            TEinstellBlock b = Block;
            b.Aktion = 0x5A; // not meaningful in answers
            return b.ToBytes();
        }
        case cmdEinstellungen: {
            const quint8 aktion = req.Data[7];
            Block = TEinstellBlock::FromBytes(req.Data);
            Block.Aktion = 0;
            Actions << aktion;
            return QByteArray(1, '\1');
        }
        case cmdMessablauf: {
            QByteArray d(8, '\0');
            d[1] = char(Step);
            for (int t = 0; t < 4; ++t)
                d[2 + t] = char(Limits[t]);
            d[7] = char(Phase);
            return d;
        }
        case cmdGrenzwertIndex:
            for (int t = 0; t < 4; ++t)
                Limits[t] = req.Data[t];
            return QByteArray(1, '\1');
        case cmdSprachwahl:
            CurrentLanguage = req.Data[0];
            return QByteArray(1, '\1');
        case cmdDatensatzAnzahl: {
            QByteArray d(8, '\0');
            d[0] = char(RecordCount & 0xFF);
            d[1] = char(RecordCount >> 8);
            d[2] = char(0x34);
            d[3] = char(0x12);
            return d;
        }
        case cmdEepromFunktion:
            return QByteArray(1, '\1');
        default:
            if (req.Cmd >= cmdDatensatzA && req.Cmd <= cmdDatensatzE)
                return Record.mid(8 * (req.Cmd - cmdDatensatzA), 8);
            return QByteArray(1, '\1');
        }
    }

    void readAvailable()
    {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(m_pty.masterFd(), buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t i = 0; i < n; ++i) {
                if (m_asm.feed(quint8(buf[i]), m_clock.elapsed()) != TFrameAssembler::FrameValid) continue;
                const TProtok req = m_asm.frame();
                Received.push_back(req);
                if (req.Cmd == cmdAutosend || Silent.contains(req.Cmd)) continue;
                if (Drop.value(req.Cmd) > 0) {
                    --Drop[req.Cmd];
                    continue;
                }
                m_pty.write(MsgToWire(BuildMsg(AddrTester, req.Cmd, answer(req))));
            }
        }
    }

public:
    QList<quint8> Actions; // Aktion bytes of the $66 writes

private:
    gt_test::PtyPair &m_pty;
    TFrameAssembler m_asm;
    QElapsedTimer m_clock;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// A port opened as COM1 on the terminal side of a pseudo-terminal.
class TPtyLine {
public:
    TPtyLine()
    {
        const QString ini = m_dir.filePath(QStringLiteral("ports.ini"));
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly))
            f.write("[Ports]\r\nCOM1=" + m_pty.slavePath().toLocal8Bit() + "\r\n");
        f.close();
        SetProgramIniOverride(ini);
        Cate.setPort(Com1);
    }
    ~TPtyLine()
    {
        Cate.setPort(NoPort);
        SetProgramIniOverride(QString());
    }
    bool ok() const { return m_pty.ok() && Cate.IsOpen(); }
    gt_test::PtyPair &pty() { return m_pty; }

    TCate Cate;

private:
    QTemporaryDir m_dir;
    gt_test::PtyPair m_pty;
};

} // namespace tester_test
