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

    const qint64 byteUs = opt.pacing ? SimPacedQueue::byteTimeUs(opt.baud) : 0;
    SimPacedQueue inbound(byteUs);
    SimPacedQueue outbound(byteUs);
    QByteArray unwritten;
    QByteArray stdinBuf;
    bool stdinOpen = true;
    qint64 hangupAtUs = -1;
    int shownPhase = -1;
    int shownStep = -1;

    for (;;) {
        const qint64 nowUs = monotonicUs();
        const qint64 nowMs = nowUs / 1000;

        // Bytes reach the tester when the line would have carried them.
        for (const auto &b : inbound.takeDue(nowUs))
            line.receiveByte(b.first, b.second / 1000);
        line.advance(nowMs);
        if (opt.verbose && (tester.phase() != shownPhase || tester.step() != shownStep)) {
            shownPhase = tester.phase();
            shownStep = tester.step();
            traceLine(QStringLiteral("phase %1 step %2").arg(shownPhase).arg(shownStep));
        }

        // One frame at a time on the line, so an answer overtakes waiting reports.
        if (outbound.empty() && unwritten.isEmpty() && line.hasOutput())
            outbound.push(line.takeFrame(), nowUs);
        for (const auto &b : outbound.takeDue(nowUs))
            unwritten.append(char(b.first));
        if (!unwritten.isEmpty()) {
            const ssize_t n = ::write(port.fd(), unwritten.constData(), size_t(unwritten.size()));
            if (n > 0) unwritten.remove(0, n);
        }

        if (line.hangupDue() && outbound.empty() && unwritten.isEmpty() && !line.hasOutput()) {
            // A short grace so the last answer is read before the line goes dead.
            if (hangupAtUs < 0) hangupAtUs = nowUs + 100'000;
            if (nowUs >= hangupAtUs) {
                port.close();
                // What the tester still holds, for tests that check nothing was lost.
                std::fprintf(stderr, "tester-sim: line closed (--hangup-after) records=%d\n",
                             int(tester.records().size()));
                return 0;
            }
        }

        qint64 waitUs = earliest(inbound.usUntilNext(nowUs), outbound.usUntilNext(nowUs));
        const qint64 testerMs = tester.msUntilDue(nowMs);
        if (testerMs >= 0) waitUs = earliest(waitUs, testerMs * 1000);
        if (outbound.empty() && unwritten.isEmpty() && line.hasOutput()) waitUs = 0;
        if (hangupAtUs >= 0) waitUs = earliest(waitUs, std::max<qint64>(0, hangupAtUs - nowUs));

        pollfd fds[2];
        int nfds = 0;
        fds[nfds++] = pollfd{port.fd(), short(POLLIN | (unwritten.isEmpty() ? 0 : POLLOUT)), 0};
        if (stdinOpen) fds[nfds++] = pollfd{STDIN_FILENO, POLLIN, 0};
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

        if (fds[0].revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::read(port.fd(), buf, sizeof buf);
            if (n > 0)
                inbound.push(QByteArray(buf, int(n)), monotonicUs());
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                ::usleep(20000); // a device without a far end: do not spin
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            ::usleep(20000); // nobody on the other end yet: do not spin
        }

        if (stdinOpen && nfds > 1 && (fds[1].revents & (POLLIN | POLLHUP))) {
            char buf[1024];
            const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                stdinOpen = false;
                if (opt.quitOnEof) return 0;
            } else {
                stdinBuf.append(buf, int(n));
            }
            qsizetype nl;
            while ((nl = stdinBuf.indexOf('\n')) >= 0) {
                const QString cmd = QString::fromLocal8Bit(stdinBuf.left(nl));
                stdinBuf.remove(0, nl + 1);
                bool quit = false;
                const QString reply = SimControlCommand(line, cmd, monotonicUs() / 1000, quit);
                if (!reply.isEmpty()) printLine(reply);
                if (quit) return 0;
            }
        }
    }
}
