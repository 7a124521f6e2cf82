#pragma once

#include <QString>

#include <functional>

namespace gt_test {

// Runs the event loop until pred() holds or the deadline passes; returns pred().
bool waitFor(const std::function<bool()> &pred, int timeoutMs = 5000);

// Waits for pred() with a deadline without running the event loop, for tests
// in which an event must stay queued meanwhile; returns pred().
bool waitWithoutEvents(const std::function<bool()> &pred, int timeoutMs = 5000);

// Runs every event posted before the call, and those they post in turn up to
// `rounds` deep: a marker posted behind them must have run. Returns false
// when the marker did not run in time.
bool runPostedEvents(int rounds = 2, int timeoutMs = 5000);

// For "nothing (more) happens" checks: waits for the fault with a deadline
// and returns true when it did not show within the window.
bool staysFalse(const std::function<bool()> &fault, int windowMs);

// A pseudo-terminal pair standing in for a serial line: the program opens the
// terminal side by its path, the test reads and writes the controller side.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    const QString &slavePath() const { return m_slavePath; }

    // Writes all bytes to the controller side.
    bool write(const QByteArray &bytes);
    // Reads what has arrived on the controller side, waiting up to timeoutMs
    // for at least minBytes (the event loop keeps running).
    QByteArray read(int minBytes, int timeoutMs = 5000);
    // Bytes written to the controller side that the program has not read yet.
    int unreadByProgram() const;
    // Closes the controller side: the far end goes away.
    void closeMaster();

private:
    int m_master = -1;
    int m_slaveKeep = -1; // keeps the terminal side alive until the program opened it
    QString m_slavePath;
};

// Directory of the build (for tools and the simulator) and of the sources.
QString buildDir();
QString sourceDir();

} // namespace gt_test
