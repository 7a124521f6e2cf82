#pragma once

// The real program run as a script would run it, with a settings file of its
// own that names the database: its exit code and both outputs.

#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace gt_test {

struct TProgramRun {
    int rc = -1; // -1: did not end by itself within a minute, or crashed
    QString out;
    QString err;
};

inline TProgramRun RunProgramOn(const QString &connectionString, const QStringList &args)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("geraetetester.ini"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write("[DataBase]\nConnectionString=" + connectionString.toUtf8() + "\n");
    f.close();
    QProcess p;
    p.start(buildDir() + QStringLiteral("/src/app/geraetetester"),
            QStringList{QStringLiteral("--ini"), ini} + args);
    TProgramRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace gt_test
