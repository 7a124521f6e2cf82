#pragma once

// A far end of the line with nothing of the program's protocol code in it,
// for replaying hand-written answers.

#include "FakeTester.h"

#include "fixtures/BusFrames.h"

#include "bus/SyncBus.h"
#include "tester/Commands.h"

#include "support/TestSupport.h"

#include <QList>
#include <QMap>
#include <QSocketNotifier>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tester_test {

// The far end of the line with nothing of the program's protocol code in it:
// it cuts what arrives into 12-byte requests at each "S" and answers a
// request with the bytes listed for exactly that request, noise first.
class THandTester {
public:
    explicit THandTester(gt_test::PtyPair &pty) : m_pty(pty)
    {
        m_notifier = std::make_unique<QSocketNotifier>(pty.masterFd(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readAvailable(); });
    }

    QMap<QByteArray, QByteArray> answers; // request wire bytes -> answer bytes
    QList<QByteArray> requests;           // every request, in order
    // Runs before a request is answered (to change the answers, as a
    // tester's read pointer moves on).
    std::function<void(const QByteArray &)> onRequest;

private:
    void readAvailable()
    {
        char buf[256];
        for (;;) {
            const ssize_t n = ::read(m_pty.masterFd(), buf, sizeof buf);
            if (n <= 0) break;
            m_in.append(buf, qsizetype(n));
        }
        for (;;) {
            const qsizetype start = m_in.indexOf('S');
            if (start < 0) {
                m_in.clear();
                return;
            }
            if (m_in.size() - start < 12) {
                m_in.remove(0, start);
                return;
            }
            const QByteArray req = m_in.mid(start, 12);
            m_in.remove(0, start + 12);
            requests << req;
            if (onRequest) onRequest(req);
            const auto it = answers.constFind(req);
            if (it != answers.constEnd()) m_pty.write(fixtures::Hex(fixtures::Noise) + *it);
        }
    }

    gt_test::PtyPair &m_pty;
    QByteArray m_in;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// The program's end of the line (port, bus engine, command set) facing a
// hand-written far end; every answer may take up to a second.
class HandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.ok()) << "pseudo-terminal could not be opened as COM1";
        bus.setCate(&line.Cate);
        bus.setWriteLog({});
        tester = std::make_unique<THandTester>(line.pty());
        cmds.setBus(&bus);
        for (TTimeoutClass c : {tcRAM, tcReadEEPROM, tcWriteEEPROM})
            cmds.setTimeout(c, 1000);
    }

    TPtyLine line;
    TSynchroBus bus;
    std::unique_ptr<THandTester> tester;
    TTesterCommands cmds;
};

} // namespace tester_test
