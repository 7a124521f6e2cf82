#include "SimProcess.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace gt_test {

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::executable()
{
    return QFileInfo(buildDir() + QStringLiteral("/sim/tester-sim")).absoluteFilePath();
}

bool SimProcess::start(const QStringList &options, int timeoutMs)
{
    stop();
    m_path.clear();
    m_stderr.clear();
    // A crashed test binary must not leave simulators behind.
    m_proc.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QStringList args = options;
    args << QStringLiteral("--quit-on-eof");
    m_proc.start(executable(), args);
    if (!m_proc.waitForStarted(timeoutMs)) return false;
    m_path = readLine(timeoutMs);
    if (m_path.isEmpty()) {
        stop();
        return false;
    }
    return true;
}

bool SimProcess::isRunning() const
{
    return m_proc.state() != QProcess::NotRunning;
}

void SimProcess::stop()
{
    if (m_proc.state() == QProcess::NotRunning) return;
    m_proc.write("quit\n");
    m_proc.closeWriteChannel();
    if (!m_proc.waitForFinished(2000)) {
        m_proc.terminate();
        if (!m_proc.waitForFinished(2000)) {
            m_proc.kill();
            m_proc.waitForFinished(2000);
        }
    }
    m_stderr += m_proc.readAllStandardError();
}

bool SimProcess::waitForExit(int timeoutMs)
{
    return waitFor([this] { return m_proc.state() == QProcess::NotRunning || m_proc.waitForFinished(5); },
                   timeoutMs);
}

QString SimProcess::readLine(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!m_proc.canReadLine()) {
        if (deadline.hasExpired() || m_proc.state() == QProcess::NotRunning) {
            if (m_proc.canReadLine()) break;
            return {};
        }
        // The program under test lives in this thread: keep its events going.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        m_proc.waitForReadyRead(5);
    }
    return QString::fromUtf8(m_proc.readLine()).trimmed();
}

QString SimProcess::command(const QString &line, int timeoutMs)
{
    if (m_proc.state() != QProcess::Running) return {};
    // Replies of earlier commands that timed out must not be taken as ours.
    while (m_proc.canReadLine())
        m_proc.readLine();
    m_proc.write(line.toUtf8() + '\n');
    return readLine(timeoutMs);
}

QMap<QString, QString> SimProcess::state(int timeoutMs)
{
    QMap<QString, QString> out;
    const QString reply = command(QStringLiteral("state"), timeoutMs);
    if (!reply.startsWith(QLatin1String("state"))) return out;
    const QStringList parts = reply.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq > 0) out.insert(p.left(eq), p.mid(eq + 1));
    }
    return out;
}

int SimProcess::stateInt(const QString &key)
{
    const QMap<QString, QString> s = state();
    if (!s.contains(key)) return -1;
    bool ok = false;
    const int v = s.value(key).toInt(&ok, 0);
    return ok ? v : -1;
}

bool SimProcess::waitForState(const std::function<bool(const QMap<QString, QString> &)> &pred, int timeoutMs)
{
    bool held = false;
    QDeadlineTimer nextQuery(0);
    waitFor(
        [&] {
            if (!isRunning()) return true;
            // Asked back to back, the simulator would do little but answer.
            if (!nextQuery.hasExpired()) return false;
            nextQuery.setRemainingTime(20);
            const QMap<QString, QString> s = state();
            held = !s.isEmpty() && pred(s);
            return held;
        },
        timeoutMs);
    return held;
}

QString SimProcess::errorOutput()
{
    m_stderr += m_proc.readAllStandardError();
    return QString::fromUtf8(m_stderr);
}

bool SimProcess::waitForAutosend(int mask, int timeoutMs)
{
    return waitForState(
        [mask](const QMap<QString, QString> &s) {
            return s.value(QStringLiteral("autosend")).toInt(nullptr, 0) == mask;
        },
        timeoutMs);
}

} // namespace gt_test
