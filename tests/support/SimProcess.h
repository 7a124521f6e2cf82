#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace gt_test {

// The tester simulator as a child process for end-to-end tests: it serves a
// new pseudo-terminal whose path the program under test opens as its port.
// Control lines go to the simulator's stdin; each one gets exactly one reply
// line on its stdout ("ok", "error: ...", "state k=v ...", ...). While a reply
// is awaited the event loop keeps running, so the program in this process
// keeps talking to the simulator.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts build/sim/tester-sim with the given options and waits for the
    // terminal path on its first output line. False when it did not start.
    bool start(const QStringList &options = {}, int timeoutMs = 5000);
    // Path of the simulator's terminal (the program's serial device).
    const QString &path() const { return m_path; }
    bool isRunning() const;
    // Ends the simulator ("quit", then terminate, then kill).
    void stop();
    // Waits until the simulator has ended by itself (e.g. --hangup-after).
    bool waitForExit(int timeoutMs = 5000);

    // Sends one control line and returns its reply line (empty on time-out).
    QString command(const QString &line, int timeoutMs = 3000);
    // Presses the tester's buttons.
    bool pressStart() { return command(QStringLiteral("start")) == QLatin1String("ok"); }
    bool pressConfirm() { return command(QStringLiteral("confirm")) == QLatin1String("ok"); }
    bool pressAbort() { return command(QStringLiteral("abort")) == QLatin1String("ok"); }
    // The simulator's state as key=value pairs (see tester-sim --help).
    QMap<QString, QString> state(int timeoutMs = 3000);
    // One state value as an integer (decimal or 0x-hex); -1 when missing.
    int stateInt(const QString &key);
    // Polls the state until pred holds or the deadline passes.
    bool waitForState(const std::function<bool(const QMap<QString, QString> &)> &pred, int timeoutMs = 5000);
    // Waits until the tester runs the given autosend mask (0 = switched off).
    bool waitForAutosend(int mask, int timeoutMs = 5000);

    // What the simulator wrote to stderr so far (for failure messages).
    QString errorOutput();
    QProcess &process() { return m_proc; }

    // build/sim/tester-sim of the current build.
    static QString executable();

private:
    QString readLine(int timeoutMs);

    QProcess m_proc;
    QString m_path;
    QByteArray m_stderr;
};

} // namespace gt_test
