#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <mutex>

// Line layout shared by the diagnostic logs: timestamp, optional tick stamp,
// separator, text, CR LF.

// "dd.mm.yyyy hh:mm:ss.zzz"
QString FormatLogTimestamp(const QDateTime &t);
// Monotonic high-resolution counter (nanoseconds since an arbitrary start).
qint64 PerformanceCounter();
// "#" and the counter with at least 16 digits, zero-padded.
QString FormatTickStamp(qint64 c);
// One whole log line including CR LF.
QString FormatLogLine(const QDateTime &when, bool ticks, const QString &separator, const QString &text);
// Caption followed by " XX" per byte (upper-case hex).
QString HexDump(const QString &caption, const void *data, qsizetype len);

// The COM log: one file per process, written from several threads; lines
// never interleave. Opening appends a block that starts with an empty line
// and "--- Logfile-Start ---"; closing ends it with "--- Logfile-Ende ---".
// false when the file can be neither appended to nor created (log stays off).
bool OpenComLog(const QString &fileName, bool ticks);
void CloseComLog();
bool ComLogIsOpen();
QString ComLogFileName();
// Does nothing unless the COM log is open.
void WriteComLog(const QString &text);

// Opens, appends one line, closes. false if the file cannot be opened or created.
bool AppendLogLine(const QString &fileName, const QDateTime &when, bool ticks, const QString &separator,
                   const QString &text);

// The program log: created (truncated) at start, kept open, " = " separator,
// tick stamp always. Write failures are ignored.
class TProgramLog {
public:
    TProgramLog() = default;
    ~TProgramLog();
    TProgramLog(const TProgramLog &) = delete;
    TProgramLog &operator=(const TProgramLog &) = delete;

    // false (and FileName() empty) when the file cannot be created.
    bool Open(const QString &name);
    void Write(const QString &text);
    void Close();
    bool IsOpen() const;
    QString FileName() const;

private:
    mutable std::mutex m_mutex;
    QFile m_file;
    QString m_name;
};
