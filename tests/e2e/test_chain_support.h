#pragma once

// The program's side of the line exactly as the program assembles it — a
// serial port on COM1, the bus engine bound to it and the tester's command
// set on top — talking to the tester simulator on its pseudo-terminal.

#include "core/ProgramPaths.h"
#include "support/SimProcess.h"
#include "support/TestSupport.h"

#include "bus/SyncBus.h"
#include "serial/Cate32.h"
#include "serial/PortNames.h"
#include "tester/Commands.h"
#include "tester/Mailbox.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace chain_test {

class TesterChain : public ::testing::Test {
protected:
    // Starts the simulator with the options and opens its terminal as COM1
    // through a port mapping of our own.
    void connect(const QStringList &options)
    {
        ASSERT_TRUE(sim.start(options)) << qPrintable(sim.errorOutput());
        const QString ini = dir.filePath(QStringLiteral("ports.ini"));
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Ports]\nCOM1=" + sim.path().toLocal8Bit() + "\n");
        f.close();
        SetProgramIniOverride(ini);

        bus.setCate(&cate);
        bus.setTickTime(20);
        bus.setWriteLog({});
        // Listeners once per fixture: a second simulator in the same case must
        // not count every frame twice.
        if (!m_listening) {
            m_listening = true;
            QObject::connect(&cate, &TCate::requestHangup, [this] { ++hangups; });
            QObject::connect(&bus, &TSynchroBus::badMsg, [this] { ++badMsgs; });
            QObject::connect(&bus, &TSynchroBus::msgUnhandled, [this](const TProtok &m) {
                ++unhandled;
                mailbox.Dispatch(m);
            });
            QObject::connect(&bus, &TSynchroBus::cateSend, [this](const TProtok &m) { sent << m.Cmd; });
        }
        cmds.setBus(&bus);
        cate.setPort(Com1);
        ASSERT_TRUE(cate.IsOpen()) << "simulator terminal could not be opened as COM1";
    }

    // The program's own answer time-outs (configuration defaults).
    void programTimeouts()
    {
        bus.setMsgTimeOut(500);
        cmds.setTimeout(tcRAM, DefaultTimeoutRAM);
        cmds.setTimeout(tcReadEEPROM, DefaultTimeoutReadEEPROM);
        cmds.setTimeout(tcWriteEEPROM, DefaultTimeoutWriteEEPROM);
    }

    // Short time-outs for the cases that wait for answers that never come;
    // an unpaced simulator answers within a few milliseconds.
    void shortTimeouts()
    {
        bus.setMsgTimeOut(60);
        cmds.setTimeout(tcRAM, 100);
        cmds.setTimeout(tcReadEEPROM, 120);
        cmds.setTimeout(tcWriteEEPROM, 150);
    }

    void TearDown() override
    {
        cate.setPort(NoPort);
        SetProgramIniOverride(QString());
        sim.stop();
    }

    int sentCount(quint8 cmd) const { return int(sent.count(cmd)); }

    // The tester's sequence phase as the program sees it ($3A), -1 without answer.
    int phase()
    {
        TProtok a;
        return cmds.AskTester(cmdMessablauf, {}, tcRAM, a) ? DecodeMessablauf(a.Data).Ablaufphase : -1;
    }

    // The tester's settings block as the program sees it ($34).
    bool readBlock(TEinstellBlock &b)
    {
        TProtok a;
        if (!cmds.AskTester(cmdFlags, {}, tcRAM, a)) return false;
        b = TEinstellBlock::FromBytes(a.Data);
        return true;
    }

    // Stored record I of the simulator as 80 hex digits, and its barcode.
    QString simRecordHex(int i, QString *barcode = nullptr)
    {
        const QString reply = sim.command(QStringLiteral("record %1").arg(i));
        QString hex;
        for (const QString &w : reply.split(QLatin1Char(' '))) {
            if (w.startsWith(QLatin1String("hex="))) hex = w.mid(4);
            if (barcode && w.startsWith(QLatin1String("barcode="))) {
                *barcode = w.mid(8);
                if (*barcode == QLatin1String("-")) barcode->clear();
            }
        }
        return hex;
    }

    static QString hexOf(const TSpeicherSatz &s)
    {
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(s.Bytes.data()), int(s.Bytes.size())).toHex());
    }

    // The simulator must be running for the port to exist; the port must be
    // closed before the bus engine goes, the engine before the commands.
    gt_test::SimProcess sim;
    QTemporaryDir dir;
    TCate cate;
    TSynchroBus bus;
    TTesterCommands cmds;
    TAutosendMailbox mailbox;

    QList<quint8> sent; // command of every frame handed to the port
    int badMsgs = 0;
    int unhandled = 0;
    int hangups = 0;
    bool m_listening = false;
};

} // namespace chain_test
