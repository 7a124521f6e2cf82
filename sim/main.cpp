// tester-sim: the appliance tester at the far end of a serial line, for
// end-to-end tests and demos. The I/O loop is kept thin: everything the tester
// does lives in SimTester and SimLine.

#include "SimLine.h"
#include "SimOptions.h"
#include "SimPty.h"
#include "SimTester.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

qint64 monotonicUs()
{
    using namespace std::chrono;
    static const auto start = steady_clock::now() - seconds(1); // keep times positive
    return duration_cast<microseconds>(steady_clock::now() - start).count();
}

void printLine(const QString &text)
{
    const QByteArray b = text.toLocal8Bit() + '\n';
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fflush(stdout);
}

void traceLine(const QString &text)
{
    const QByteArray b = QStringLiteral("%1 %2\n").arg(monotonicUs() / 1000, 8).arg(text).toLocal8Bit();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
}

// Smallest non-negative wait, -1 meaning "no deadline".
qint64 earliest(qint64 a, qint64 b)
{
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

// The I/O loop: bytes in at the pace of the line, frames out one at a time,
// the control channel on stdin. run() returns the exit code.
class SimLoop {
public:
    SimLoop(const SimOptions &opt, SimTester &tester, SimLine &line, SimPort &port)
        : m_opt(opt), m_tester(tester), m_line(line), m_port(port),
          m_inbound(opt.pacing ? SimPacedQueue::byteTimeUs(opt.baud) : 0),
          m_outbound(opt.pacing ? SimPacedQueue::byteTimeUs(opt.baud) : 0)
    {
    }

    int run()
    {
        for (;;) {
            const qint64 nowUs = monotonicUs();
            exchange(nowUs);
            if (hangupReached(nowUs)) return 0;
            pollfd fds[2];
            int nfds = 0;
            fds[nfds++] = pollfd{m_port.fd(), short(POLLIN | (m_unwritten.isEmpty() ? 0 : POLLOUT)), 0};
            if (m_stdinOpen) fds[nfds++] = pollfd{STDIN_FILENO, POLLIN, 0};
            const qint64 waitUs = nextWaitUs(nowUs);
            timespec ts{};
            if (waitUs >= 0) {
                ts.tv_sec = waitUs / 1'000'000;
                ts.tv_nsec = long((waitUs % 1'000'000) * 1000);
            }
            const int r = ::ppoll(fds, nfds_t(nfds), waitUs >= 0 ? &ts : nullptr, nullptr);
            if (r < 0 && errno != EINTR) {
                std::perror("tester-sim: poll");
                return 1;
            }
            if (r <= 0) continue;
            readPort(fds[0].revents);
            if (m_stdinOpen && nfds > 1 && (fds[1].revents & (POLLIN | POLLHUP)) && !readStdin()) return 0;
        }
    }

private:
    // Bytes reach the tester when the line would have carried them; its
    // frames go out one at a time, so an answer overtakes waiting reports.
    void exchange(qint64 nowUs)
    {
        const qint64 nowMs = nowUs / 1000;
        for (const auto &b : m_inbound.takeDue(nowUs))
            m_line.receiveByte(b.first, b.second / 1000);
        m_line.advance(nowMs);
        if (m_opt.verbose && (m_tester.phase() != m_shownPhase || m_tester.step() != m_shownStep)) {
            m_shownPhase = m_tester.phase();
            m_shownStep = m_tester.step();
            traceLine(QStringLiteral("phase %1 step %2").arg(m_shownPhase).arg(m_shownStep));
        }
        if (m_outbound.empty() && m_unwritten.isEmpty() && m_line.hasOutput())
            m_outbound.push(m_line.takeFrame(), nowUs);
        for (const auto &b : m_outbound.takeDue(nowUs))
            m_unwritten.append(char(b.first));
        if (!m_unwritten.isEmpty()) {
            const ssize_t n = ::write(m_port.fd(), m_unwritten.constData(), size_t(m_unwritten.size()));
            if (n > 0) m_unwritten.remove(0, n);
        }
    }

    bool idle() const { return m_outbound.empty() && m_unwritten.isEmpty() && !m_line.hasOutput(); }

    bool hangupReached(qint64 nowUs)
    {
        if (!m_line.hangupDue() || !idle()) return false;
        // A short grace so the last answer is read before the line goes dead.
        if (m_hangupAtUs < 0) m_hangupAtUs = nowUs + 100'000;
        if (nowUs < m_hangupAtUs) return false;
        m_port.close();
        // What the tester still holds, for tests that check nothing was lost.
        std::fprintf(stderr, "tester-sim: line closed (--hangup-after) records=%d\n",
                     int(m_tester.records().size()));
        return true;
    }

    qint64 nextWaitUs(qint64 nowUs) const
    {
        qint64 waitUs = earliest(m_inbound.usUntilNext(nowUs), m_outbound.usUntilNext(nowUs));
        const qint64 testerMs = m_tester.msUntilDue(nowUs / 1000);
        if (testerMs >= 0) waitUs = earliest(waitUs, testerMs * 1000);
        if (m_outbound.empty() && m_unwritten.isEmpty() && m_line.hasOutput()) waitUs = 0;
        if (m_hangupAtUs >= 0) waitUs = earliest(waitUs, std::max<qint64>(0, m_hangupAtUs - nowUs));
        return waitUs;
    }

    void readPort(short revents)
    {
        if (revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::read(m_port.fd(), buf, sizeof buf);
            if (n > 0)
                m_inbound.push(QByteArray(buf, int(n)), monotonicUs());
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                ::usleep(20000); // a device without a far end: do not spin
        } else if (revents & (POLLHUP | POLLERR)) {
            ::usleep(20000); // nobody on the other end yet: do not spin
        }
    }

    // The control channel; false when it asks to quit.
    bool readStdin()
    {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            m_stdinOpen = false;
            if (m_opt.quitOnEof) return false;
        } else {
            m_stdinBuf.append(buf, int(n));
        }
        qsizetype nl;
        while ((nl = m_stdinBuf.indexOf('\n')) >= 0) {
            const QString cmd = QString::fromLocal8Bit(m_stdinBuf.left(nl));
            m_stdinBuf.remove(0, nl + 1);
            bool quit = false;
            const QString reply = SimControlCommand(m_line, cmd, monotonicUs() / 1000, quit);
            if (!reply.isEmpty()) printLine(reply);
            if (quit) return false;
        }
        return true;
    }

    const SimOptions &m_opt;
    SimTester &m_tester;
    SimLine &m_line;
    SimPort &m_port;
    SimPacedQueue m_inbound;
    SimPacedQueue m_outbound;
    QByteArray m_unwritten;
    QByteArray m_stdinBuf;
    bool m_stdinOpen = true;
    qint64 m_hangupAtUs = -1;
    int m_shownPhase = -1;
    int m_shownStep = -1;
};

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    SimOptions opt;
    QString error;
    if (!ParseSimOptions(args, opt, error)) {
        std::fprintf(stderr, "tester-sim: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (opt.help) {
        std::fputs(SimHelpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    std::signal(SIGPIPE, SIG_IGN);

    SimTester tester(opt.identity);
    ApplySimOptions(opt, tester);
    SimLine line(tester, opt.faults, opt.seed);
    if (opt.verbose) line.OnTrace = traceLine;

    SimPort port;
    const bool opened =
        opt.device.isEmpty() ? port.openPty(error) : port.openDevice(opt.device, opt.baud, error);
    if (!opened) {
        std::fprintf(stderr, "tester-sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    printLine(port.path());
    if (isatty(STDIN_FILENO)) std::fputs("tester-sim: type \"help\" for the commands\n", stderr);
    return SimLoop(opt, tester, line, port).run();
}
