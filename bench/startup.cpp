// Start-up time, peak memory and CPU share of the program, measured from the
// outside on copies of the built program (offscreen, each in its own folder).
//   bench_startup                              all figures (the CPU share takes 60 s)
//   GT_BENCH_CPU_SECONDS=10 bench_startup      shorter CPU window
//   bench_startup --benchmark_filter=Connected only the CPU share while connected
//                                              (paced simulator, autosend running)
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>

#include <unistd.h>

namespace {

// CPU time of one thread in seconds: the scheduler's own account in
// nanoseconds where the kernel keeps it. The tick-sampled utime + stime are
// the fallback: they miss or double-count threads that wake briefly in step
// with the tick, as a paced serial line and 100 ms timers do.
double threadCpuSeconds(qint64 pid, qint64 tid)
{
    QFile sched(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(tid));
    if (sched.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const qint64 ns = sched.readAll().split(' ').value(0).toLongLong(&ok);
        if (ok && ns > 0) return double(ns) / 1e9;
    }
    QFile f(QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(tid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// CPU time of a process (all its threads), or of one of its threads, in seconds.
double cpuSeconds(qint64 pid, qint64 tid = 0)
{
    if (tid) return threadCpuSeconds(pid, tid);
    double sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &t : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        sum += std::max(0.0, threadCpuSeconds(pid, t.toLongLong()));
    return sum;
}

// Voluntary context switches of all the process's threads (or of one): how
// often it slept and was woken.
double wakeups(qint64 pid, qint64 onlyTid = 0)
{
    double sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (onlyTid && tid.toLongLong() != onlyTid) continue;
        QFile f(tasks.filePath(tid + QStringLiteral("/status")));
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:")) sum += line.mid(24).trimmed().toDouble();
    }
    return sum;
}

// Peak resident memory in kB.
double peakRssKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble();
    return -1;
}

void makeDatabase(const QString &file)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(file);
        if (db.open())
            for (const char *t : {"tblKunden", "tblPruefling", "tblPruefung", "tblUebernahme",
                                  "tblSichtpruefung", "tblSichtTeil"})
                db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (id INTEGER)").arg(QLatin1String(t)));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

struct Program {
    QTemporaryDir dir;
    QString exe;
    QProcess proc;

    // realDatabase: a complete empty database, as a user runs the program;
    // otherwise one whose tables the program refuses (start-up stops at that
    // message).
    explicit Program(bool realDatabase = false)
    {
        exe = dir.filePath(QStringLiteral("geraetetester"));
        QFile::copy(QStringLiteral(GT_PROGRAM_PATH), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        const QString db = dir.filePath(QStringLiteral("VERIDA.db"));
        if (!realDatabase || QProcess::execute(QStringLiteral(GT_INITDB_PATH), {db}) != 0) makeDatabase(db);
    }
    void writeIni(const QByteArray &content)
    {
        QFile f(dir.filePath(QStringLiteral("geraetetester.ini")));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(content);
    }
    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("GT_STARTUP_REPORT"), QStringLiteral("1"));
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(dir.path());
        proc.start(exe, {});
        if (!proc.waitForStarted(5000)) return false;
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (proc.canReadLine() && proc.readLine().startsWith("bereit")) return true;
            proc.waitForReadyRead(50);
        }
        return false;
    }
    void stop()
    {
        proc.terminate();
        if (!proc.waitForFinished(10000)) proc.kill();
        proc.waitForFinished(2000);
    }
};

void BM_StartToWindowShown(benchmark::State &state)
{
    Program p;
    p.writeIni("[Interface]\nPort=1\n");
    double peak = 0;
    for ([[maybe_unused]] auto _ : state) {
        QElapsedTimer t;
        t.start();
        if (!p.start()) {
            state.SkipWithError("program did not start");
            return;
        }
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        peak = std::max(peak, peakRssKb(p.proc.processId()));
        p.stop();
    }
    state.counters["peak_rss_MB"] = peak / 1024.0;
}
BENCHMARK(BM_StartToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ConnectedCpuShare(benchmark::State &state)
{
    const int seconds = qEnvironmentVariableIsSet("GT_BENCH_CPU_SECONDS")
                            ? qEnvironmentVariableIntValue("GT_BENCH_CPU_SECONDS")
                            : 60;
    for ([[maybe_unused]] auto _ : state) {
        QProcess sim;
        sim.start(QStringLiteral(GT_SIM_PATH), {QStringLiteral("--quit-on-eof")});
        if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
            state.SkipWithError("tester-sim did not start");
            return;
        }
        const QByteArray pty = sim.readLine().trimmed();
        Program p(true);
        p.writeIni("[Interface]\nPort=1\nAutoConnect=1\n[Ports]\nCOM1=" + pty + "\n");
        if (!p.start()) {
            state.SkipWithError("program did not start");
            return;
        }
        // Identification done and autosend running before the window opens.
        QThread::msleep(3000);
        const qint64 pid = p.proc.processId();
        const double c0 = cpuSeconds(pid), s0 = cpuSeconds(sim.processId()), m0 = cpuSeconds(pid, pid);
        const double w0 = wakeups(pid), mw0 = wakeups(pid, pid);
        QElapsedTimer t;
        t.start();
        QThread::msleep(quint64(seconds) * 1000);
        const double wall = double(t.nsecsElapsed()) / 1e9;
        const double c1 = cpuSeconds(pid), s1 = cpuSeconds(sim.processId()), m1 = cpuSeconds(pid, pid);
        const double w1 = wakeups(pid), mw1 = wakeups(pid, pid);
        state.SetIterationTime(wall);
        state.counters["program_cpu_percent"] = 100.0 * (c1 - c0) / wall;
        state.counters["main_thread_cpu_percent"] = 100.0 * (m1 - m0) / wall;
        state.counters["sim_cpu_percent"] = 100.0 * (s1 - s0) / wall;
        state.counters["wakeups_per_s"] = (w1 - w0) / wall;
        state.counters["main_thread_wakeups_per_s"] = (mw1 - mw0) / wall;
        state.counters["peak_rss_MB"] = peakRssKb(pid) / 1024.0;
        p.stop();
        sim.write("quit\n");
        sim.closeWriteChannel();
        if (!sim.waitForFinished(3000)) sim.kill();
    }
}
BENCHMARK(BM_ConnectedCpuShare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
