// Request/answer round trips of the bus engine over a pseudo-terminal, with a
// responder thread on the far side: a minimal echo, and (when built) the
// tester simulator's command handling. Optionally paced like a 9600-baud 8N1
// line in both directions. Also the CPU the program uses while it waits for
// an answer that never comes.

#include "bus/Protok.h"
#include "bus/SyncBus.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortNames.h"

#ifdef GT_BENCH_WITH_SIM
#include "SimTester.h"
#endif

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Answerer = std::function<QByteArray(const TProtok &, qint64 nowMs)>;

// Character time of 9600 baud with 10 bits per byte.
constexpr auto kByteTime9600 = std::chrono::nanoseconds(1'041'667);

// The far end of the line on its own thread. Each request byte is taken as
// arriving one character time after the previous one, and each answer byte is
// written one character time after the previous one, so a paced exchange
// costs what it costs on the real line.
class TResponder {
public:
    TResponder(int fd, bool paced, Answerer answer) : m_fd(fd), m_paced(paced), m_answer(std::move(answer))
    {
        m_thread = std::thread([this] { run(); });
    }
    ~TResponder()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    void run()
    {
        const auto t0 = Clock::now();
        auto inDue = t0;
        auto outDue = t0;
        TFrameAssembler assembler;
        char buf[512];
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) continue;
            const auto readAt = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                if (m_paced) {
                    inDue = std::max(inDue, readAt) + kByteTime9600;
                    std::this_thread::sleep_until(inDue);
                }
                const qint64 nowMs =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
                if (assembler.feed(quint8(buf[i]), nowMs) != TFrameAssembler::FrameValid) continue;
                const QByteArray out = m_answer(assembler.frame(), nowMs);
                if (!m_paced) {
                    writeAll(out);
                    continue;
                }
                // Due times run on from the first byte, so a late wake-up
                // does not push back the bytes behind it.
                outDue = std::max(outDue, Clock::now());
                for (char c : out) {
                    outDue += kByteTime9600;
                    std::this_thread::sleep_until(outDue);
                    writeAll(QByteArray(1, c));
                }
            }
        }
    }

    void writeAll(const QByteArray &b)
    {
        qsizetype done = 0;
        while (done < b.size()) {
            const ssize_t w = ::write(m_fd, b.constData() + done, size_t(b.size() - done));
            if (w > 0)
                done += w;
            else if (m_stop)
                return;
        }
    }

    int m_fd;
    bool m_paced;
    Answerer m_answer;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A pseudo-terminal whose terminal side is opened as COM1 by a real port,
// with the bus engine bound to it.
struct TLine {
    TLine()
    {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        keepSlave = slave;
        const QString ini = dir.filePath(QStringLiteral("ports.ini"));
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly)) f.write(QByteArray("[Ports]\r\nCOM1=") + name + "\r\n");
        f.close();
        SetProgramIniOverride(ini);
        cate.setPort(Com1);
        bus.setCate(&cate);
        bus.setMsgTimeOut(500);
    }
    ~TLine()
    {
        cate.setPort(NoPort);
        SetProgramIniOverride(QString());
        if (master >= 0) ::close(master);
        if (keepSlave >= 0) ::close(keepSlave);
    }
    bool ok() const { return cate.Port() == Com1; }

    QTemporaryDir dir;
    int master = -1;
    int keepSlave = -1;
    TCate cate;
    TSynchroBus bus;
};

QByteArray echoAnswer(const TProtok &req, qint64)
{
    return MsgToWire(BuildMsg(0xEC, req.Cmd, QByteArray("\x01\x02\x03", 3)));
}

void roundTrips(benchmark::State &state, bool paced, const Answerer &answer, quint8 cmd)
{
    TLine line;
    if (!line.ok()) {
        state.SkipWithError("port could not be opened on the pseudo-terminal");
        return;
    }
    TResponder responder(line.master, paced, answer);
    TProtok reply{};
    for ([[maybe_unused]] auto _ : state) {
        if (!line.bus.RequestMsg(0x61, cmd, {}, {0xEC}, {cmd}, 1000, reply)) {
            state.SkipWithError("request not answered");
            return;
        }
    }
    state.counters["round_trips_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RoundTripEcho(benchmark::State &state)
{
    roundTrips(state, state.range(0) != 0, echoAnswer, 0x10);
}
BENCHMARK(BM_RoundTripEcho)->ArgName("paced9600")->Arg(0)->Arg(1)->UseRealTime()->MinTime(2.0);

#ifdef GT_BENCH_WITH_SIM
void BM_RoundTripSimulator(benchmark::State &state)
{
    // The simulated tester answers the firmware request ($10) as a tester would.
    auto tester = std::make_shared<SimTester>();
    const Answerer answer = [tester](const TProtok &req, qint64 nowMs) {
        const std::optional<TProtok> a = tester->handle(req, nowMs);
        return a ? MsgToWire(*a) : QByteArray();
    };
    roundTrips(state, state.range(0) != 0, answer, 0x10);
}
BENCHMARK(BM_RoundTripSimulator)->ArgName("paced9600")->Arg(0)->Arg(1)->UseRealTime()->MinTime(2.0);
#endif

double cpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// One unanswered request of one second (maxTry 1): CPU of the whole process
// and of the waiting main thread, per second of waiting.
void BM_WaitForMissingAnswer(benchmark::State &state)
{
    TLine line;
    if (!line.ok()) {
        state.SkipWithError("port could not be opened on the pseudo-terminal");
        return;
    }
    line.bus.setMaxTry(1);
    TProtok reply{};
    double procMs = 0, threadMs = 0, wallMs = 0;
    for ([[maybe_unused]] auto _ : state) {
        const double p0 = cpuMs(RUSAGE_SELF), t0 = cpuMs(RUSAGE_THREAD);
        const auto w0 = Clock::now();
        benchmark::DoNotOptimize(line.bus.RequestMsg(0x61, 0x10, {}, {0xEC}, {0x10}, 1000, reply));
        wallMs += std::chrono::duration<double, std::milli>(Clock::now() - w0).count();
        procMs += cpuMs(RUSAGE_SELF) - p0;
        threadMs += cpuMs(RUSAGE_THREAD) - t0;
    }
    state.counters["process_cpu_ms_per_s"] = procMs / wallMs * 1000.0;
    state.counters["main_thread_cpu_ms_per_s"] = threadMs / wallMs * 1000.0;
}
BENCHMARK(BM_WaitForMissingAnswer)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
