// tester-sim as a process: its pseudo-terminal, pacing, autosend, a test run
// driven over the line and the control channel, the fault options, --device.

#include "support/SimProcess.h"
#include "support/TestSupport.h"

#include "bus/Protok.h"

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using gt_test::SimProcess;

namespace {

// The program's side of the line, reduced to frames.
class Line {
public:
    explicit Line(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0) return;
        termios t{};
        tcgetattr(m_fd, &t);
        cfmakeraw(&t);
        tcsetattr(m_fd, TCSANOW, &t);
    }
    ~Line()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }

    void send(quint8 cmd, const QByteArray &data = {})
    {
        const QByteArray w = MsgToWire(BuildMsg(0x61, cmd, data));
        ASSERT_EQ(::write(m_fd, w.constData(), size_t(w.size())), w.size());
    }

    // Next frame of the given command (others are skipped), or nothing.
    std::optional<TProtok> await(quint8 cmd, int timeoutMs = 2000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            while (!m_frames.isEmpty()) {
                const TProtok f = m_frames.takeFirst();
                if (f.Cmd == cmd) return f;
            }
            pump(int(timeoutMs - t.elapsed()));
        }
        return std::nullopt;
    }

    // Request and answer; nothing when no answer comes.
    std::optional<TProtok> ask(quint8 cmd, const QByteArray &data = {}, int timeoutMs = 1000)
    {
        m_frames.clear();
        send(cmd, data);
        return await(cmd, timeoutMs);
    }

    // Reads for a while; returns the raw bytes seen.
    QByteArray collect(int ms)
    {
        QElapsedTimer t;
        t.start();
        const qsizetype before = m_raw.size();
        while (t.elapsed() < ms)
            pump(int(ms - t.elapsed()));
        return m_raw.mid(before);
    }

    // Reads until at least n bytes came or the time is up, then a little
    // longer to catch what should not come.
    QByteArray collectAtLeast(qsizetype n, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        const qsizetype before = m_raw.size();
        while (m_raw.size() - before < n && t.elapsed() < timeoutMs)
            pump(int(timeoutMs - t.elapsed()));
        collect(100);
        return m_raw.mid(before);
    }

    QList<TProtok> frames() const { return m_frames; }
    int badFrames() const { return m_bad; }
    bool hungUp() const { return m_hup; }
    void clear() { m_frames.clear(); }

    // Waits until the far end closes the line.
    bool awaitHangup(int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (!m_hup && t.elapsed() < timeoutMs)
            pump(20);
        return m_hup;
    }

private:
    void pump(int maxWaitMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, std::max(1, std::min(maxWaitMs, 20))) <= 0) return;
        char buf[512];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0) {
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) m_hup = true;
            return;
        }
        m_raw.append(buf, int(n));
        for (ssize_t i = 0; i < n; ++i) {
            switch (m_asm.feed(quint8(buf[i]), m_ms.elapsed())) {
            case TFrameAssembler::FrameValid:
                m_frames.append(m_asm.frame());
                break;
            case TFrameAssembler::FrameBad:
                ++m_bad;
                break;
            default:
                break;
            }
        }
    }

    int m_fd = -1;
    TFrameAssembler m_asm;
    QElapsedTimer m_ms = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    QList<TProtok> m_frames;
    QByteArray m_raw;
    int m_bad = 0;
    bool m_hup = false;
};

int word(const TProtok &m, int offset)
{
    return qint16(quint16(m.Data[offset] | (m.Data[offset + 1] << 8)));
}

} // namespace

TEST(SimProcessLine, ServesANewTerminalAndAnswersIdentity)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--serial", "1234567890", "--firmware", "1.03.00 XY"}))
        << sim.errorOutput().toStdString();
    EXPECT_TRUE(sim.path().startsWith("/dev/pts/")) << sim.path().toStdString();
    Line line(sim.path());
    ASSERT_TRUE(line.ok());
    auto fw = line.ask(0x10);
    ASSERT_TRUE(fw);
    EXPECT_EQ(fw->Addr, 0xEC);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(fw->Data), 7), QByteArray("10300XY"));
    auto sn = line.ask(0x11);
    ASSERT_TRUE(sn);
    EXPECT_EQ(sn->Data[0], 0x21);
    EXPECT_EQ(sn->Data[4], 0x09);
}

TEST(SimProcessLine, PacedAtLineSpeedUnlessTurnedOff)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start());
    Line line(sim.path());
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(line.ask(0x34));
    // 12 bytes in and 12 bytes out at 9600 baud: at least 25 ms a round trip.
    EXPECT_GE(t.elapsed(), 8 * 24);

    SimProcess fast;
    ASSERT_TRUE(fast.start({"--no-pacing"}));
    Line l2(fast.path());
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(l2.ask(0x34)) << i;
}

TEST(SimProcessLine, AutosendReportsUntilSwitchedOff)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--records", "4"}));
    Line line(sim.path());
    line.send(0x67, QByteArray("\x9c\x07", 2));
    // Rounds keep coming (their period is checked without a process).
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(line.await(0x3A, 1500)) << "round " << i;
    auto mem = line.await(0x33, 1500);
    ASSERT_TRUE(mem);
    EXPECT_EQ(word(*mem, 0), 4);
    EXPECT_EQ(sim.stateInt("autosend"), 0x79C);

    line.send(0x67, QByteArray(1, '\0'));
    ASSERT_TRUE(
        sim.waitForState([](const QMap<QString, QString> &s) { return s.value("autosend") == "0x00"; }));
    line.collect(100); // what was under way
    line.clear();
    EXPECT_TRUE(line.collect(500).isEmpty());
}

TEST(SimProcessLine, ReadOutOverTheLine)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--records", "3", "--seed", "5", "--no-pacing"}));
    Line line(sim.path());
    const QString rec1 = sim.command("record 1").section("hex=", 1);
    ASSERT_EQ(rec1.size(), 80);
    ASSERT_TRUE(line.ask(0x70, "T"));
    ASSERT_TRUE(line.ask(0x70, "S"));
    QByteArray got;
    for (quint8 c = 0x20; c <= 0x24; ++c) {
        auto p = line.ask(c);
        ASSERT_TRUE(p);
        got += QByteArray(reinterpret_cast<const char *>(p->Data), 8);
    }
    EXPECT_EQ(QString::fromLatin1(got.toHex()), rec1);
    ASSERT_TRUE(line.ask(0x70, "S"));
    ASSERT_TRUE(line.ask(0x70, "C"));
    EXPECT_EQ(word(*line.ask(0x33), 0), 1);
}

TEST(SimProcessLine, SettingsAndLimitsWrittenOverTheLineCanBeReadBack)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--no-pacing"}));
    Line line(sim.path());
    auto blk = line.ask(0x34);
    ASSERT_TRUE(blk);
    QByteArray b(reinterpret_cast<const char *>(blk->Data), 8);
    b[0] = char(0x19);        // automatic, manual limits, touch current
    b[2] = char(0x02 | 0x04); // class II, 0751
    b[3] = char(42);
    b[5] = char(0x04 | 0x08); // write mark and setting lock
    ASSERT_TRUE(line.ask(0x66, b));
    ASSERT_TRUE(line.ask(0x68, QByteArray("\x08\x04\x0c\x02", 4)));
    const auto s = sim.state();
    EXPECT_EQ(s.value("menu"), "0x19");
    EXPECT_EQ(s.value("class"), "2");
    EXPECT_EQ(s.value("standard"), "2");
    EXPECT_EQ(s.value("messzeit"), "42");
    EXPECT_EQ(s.value("sperr"), "0x08");
    EXPECT_EQ(s.value("lim_pe"), "8");
    EXPECT_EQ(s.value("lim_leak"), "12");
    EXPECT_EQ(s.value("limit_pe"), "100");
    auto seq = line.ask(0x3A);
    ASSERT_TRUE(seq);
    EXPECT_EQ(seq->Data[2], 8);
    EXPECT_EQ(seq->Data[5], 2);
}

TEST(SimProcessLine, TestRunThroughThePhasesOverTheLine)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--no-pacing", "--speed", "5"}));
    Line line(sim.path());
    ASSERT_EQ(sim.command("set messzeit=20"), "ok"); // 0.4 s a step: several reports each
    ASSERT_EQ(sim.command("dut pe=450"), "ok");      // above the 300 mOhm limit
    auto blk = line.ask(0x34);
    ASSERT_TRUE(blk);
    QByteArray b(reinterpret_cast<const char *>(blk->Data), 8);
    b[6] = char(0x40); // visual inspection passed
    b[7] = 0x01;       // start
    ASSERT_TRUE(line.ask(0x66, b));
    line.send(0x67, QByteArray("\x00\x06", 2)); // $39 and $3A

    auto phaseIs = [&](int phase) {
        for (int i = 0; i < 100; ++i) {
            auto f = line.await(0x3A, 500);
            if (f && f->Data[7] == phase) return true;
        }
        return false;
    };
    ASSERT_TRUE(phaseIs(17));
    b[7] = 0x01; // continue after the visual inspection
    ASSERT_TRUE(line.ask(0x66, b));
    ASSERT_TRUE(phaseIs(32));
    ASSERT_TRUE(phaseIs(19));
    auto m = line.ask(0x37);
    ASSERT_TRUE(m);
    EXPECT_EQ(word(*m, 0), 450);
    EXPECT_EQ(m->Data[6], 0x01);
    ASSERT_TRUE(line.ask(0x66, b)); // store
    ASSERT_TRUE(phaseIs(21));
    auto mem = line.ask(0x33);
    ASSERT_TRUE(mem);
    EXPECT_EQ(word(*mem, 0), 1);
    const QString rec = sim.command("record 0");
    EXPECT_TRUE(rec.contains("hex=000105014200c201")) << rec.toStdString();
}

TEST(SimProcessControl, ButtonsFromTheControlChannel)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "20"}));
    ASSERT_EQ(sim.command("set klasse=0x09 messzeit=1"), "ok");
    ASSERT_TRUE(sim.pressStart());
    ASSERT_TRUE(sim.waitForState([](const auto &s) { return s.value("phase") == "19"; }));
    ASSERT_TRUE(sim.pressConfirm());
    ASSERT_TRUE(sim.waitForState([](const auto &s) { return s.value("phase") == "21"; }));
    EXPECT_EQ(sim.stateInt("records"), 1);
    ASSERT_TRUE(sim.pressAbort());
    EXPECT_EQ(sim.stateInt("phase"), 2);
    EXPECT_TRUE(sim.command("nonsense").startsWith("error"));
}

// ---- Faults ----------------------------------------------------------------------------

TEST(SimProcessFaults, SilentAfterN)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--silent-after", "2", "--no-pacing"}));
    Line line(sim.path());
    EXPECT_TRUE(line.ask(0x10));
    EXPECT_TRUE(line.ask(0x11));
    EXPECT_FALSE(line.ask(0x10, {}, 300));
    EXPECT_EQ(sim.stateInt("silent"), 1);
}

TEST(SimProcessFaults, DropTheKthRequestOfACommand)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--drop", "33:1", "--drop", "$66:2", "--no-pacing"}));
    Line line(sim.path());
    EXPECT_FALSE(line.ask(0x33, {}, 300));
    EXPECT_TRUE(line.ask(0x33));
    EXPECT_TRUE(line.ask(0x66, QByteArray(8, '\0')));
    EXPECT_FALSE(line.ask(0x66, QByteArray(8, '\0'), 300));
    EXPECT_TRUE(line.ask(0x66, QByteArray(8, '\0')));
    EXPECT_EQ(sim.stateInt("dropped"), 2);
}

TEST(SimProcessFaults, CorruptChecksums)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--corrupt", "1", "--no-pacing"}));
    Line line(sim.path());
    line.send(0x10);
    line.collectAtLeast(12, 2000);
    EXPECT_TRUE(line.frames().isEmpty());
    EXPECT_EQ(line.badFrames(), 1);
}

TEST(SimProcessFaults, DroppedBytes)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--drop-byte", "1", "--no-pacing"}));
    Line line(sim.path());
    line.send(0x10);
    EXPECT_EQ(line.collectAtLeast(11, 2000).size(), 11);
}

TEST(SimProcessFaults, HangupAfterN)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--hangup-after", "2", "--no-pacing"}));
    Line line(sim.path());
    EXPECT_TRUE(line.ask(0x10));
    EXPECT_TRUE(line.ask(0x11)); // the last frame is still answered
    EXPECT_TRUE(line.awaitHangup(3000));
    EXPECT_TRUE(sim.waitForExit(3000));
    EXPECT_EQ(sim.process().exitCode(), 0);
}

// ---- Process ----------------------------------------------------------------------------

TEST(SimProcessRun, ServesAnExistingDevice)
{
    gt_test::PtyPair pair;
    ASSERT_TRUE(pair.ok());
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--device", pair.slavePath(), "--no-pacing"}));
    EXPECT_EQ(sim.path(), pair.slavePath());
    ASSERT_TRUE(pair.write(MsgToWire(BuildMsg(0x61, 0x3B, {}))));
    const QByteArray a = pair.read(12, 2000);
    ASSERT_EQ(a.size(), 12);
    EXPECT_EQ(quint8(a[1]), 0xEC);
    EXPECT_EQ(a.mid(5, 2), QByteArray("en"));
}

TEST(SimProcessRun, HelpAndBadOptions)
{
    QProcess p;
    p.start(SimProcess::executable(), {"--help"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(help.contains("--hangup-after"));
    EXPECT_TRUE(help.contains("Control channel"));

    p.start(SimProcess::executable(), {"--corrupt", "2"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("--corrupt"));

    SimProcess sim;
    EXPECT_FALSE(sim.start({"--device", "/nonexistent/tty"}, 2000));
}

TEST(SimProcessRun, EndsWithItsStdinWhenAsked)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start());
    sim.process().closeWriteChannel();
    EXPECT_TRUE(sim.waitForExit(3000));
}
