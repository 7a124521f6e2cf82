#pragma once

// What more than one benchmark program needs.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace bench {

// Runs a helper program (database set-up, the sqlite3 shell) to its end;
// false, with its error output on stderr, unless it ended with exit code 0.
inline bool runProgram(const QString &program, const QStringList &args, const QString &stdoutFile = QString())
{
    QProcess p;
    if (!stdoutFile.isEmpty()) p.setStandardOutputFile(stdoutFile);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s\n", program.toLocal8Bit().constData(),
                     p.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace bench
