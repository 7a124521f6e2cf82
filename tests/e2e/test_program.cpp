#include "E2eSupport.h"

#include "core/IniFile.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace gt_e2e;

namespace {

// The program, copied under a name of the test's choice into a folder of its own.
struct ProgramCopy {
    QTemporaryDir dir;
    QString exe;
    QProcess proc;

    explicit ProgramCopy(const QString &name)
    {
        exe = dir.filePath(name);
        QFile::copy(gt_test::buildDir() + QStringLiteral("/src/app/geraetetester"), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    }
    ~ProgramCopy()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(3000);
        }
    }
    // Starts it and waits until its window is up.
    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("GT_STARTUP_REPORT"), QStringLiteral("1"));
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(dir.path());
        proc.start(exe, {});
        if (!proc.waitForStarted(5000)) return false;
        return waitUntil([&] { return proc.canReadLine() && proc.readLine().startsWith("bereit"); }, 10000);
    }
    // SIGTERM, then the orderly end; the exit code.
    int terminate()
    {
        proc.terminate();
        if (!proc.waitForFinished(10000)) return -1;
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -2;
    }
};

} // namespace

TEST(Program, StartWithoutIniAndDatabaseEndsOnSigtermAndWritesEveryKey)
{
    ProgramCopy p(QStringLiteral("geraetetester"));
    ASSERT_TRUE(p.start());
    // The missing database's message box is open; the signal still ends the program.
    EXPECT_EQ(p.terminate(), 0);
    const TIniFile ini(p.dir.filePath(QStringLiteral("geraetetester.ini")));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Interface")).size(), 5);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Export")).size(), 58);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Interface"), QStringLiteral("Port"), 0), 1);
}

TEST(Program, CopyUnderAnotherNameUsesItsOwnIni)
{
    ProgramCopy p(QStringLiteral("pruefplatz2"));
    makeDatabase(p.dir.filePath(QStringLiteral("VERIDA.db")));
    writeFile(p.dir.filePath(QStringLiteral("pruefplatz2.ini")), "[Interface]\nPort=4\n");
    ASSERT_TRUE(p.start());
    EXPECT_EQ(p.terminate(), 0);
    EXPECT_FALSE(QFile::exists(p.dir.filePath(QStringLiteral("geraetetester.ini"))));
    const TIniFile ini(p.dir.filePath(QStringLiteral("pruefplatz2.ini")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Interface"), QStringLiteral("Port"), 0), 4);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Timing")).size(), 8);
}

TEST(Program, SigtermWhileConnectedEndsInOrder)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ProgramCopy p(QStringLiteral("geraetetester"));
    const QString log = p.dir.filePath(QStringLiteral("programm.log"));
    makeDatabase(p.dir.filePath(QStringLiteral("VERIDA.db")));
    writeFile(p.dir.filePath(QStringLiteral("geraetetester.ini")),
              "[Interface]\nAutoConnect=1\nPgmLog=" + log.toUtf8() +
                  "\n[Ports]\nCOM1=" + sim.path().toUtf8() + "\n");
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(sim.waitForAutosend(0x79c, 10000));
    EXPECT_EQ(p.terminate(), 0);
    EXPECT_TRUE(sim.waitForAutosend(0));
    QStringList texts;
    for (const QString &l : readLines(log))
        texts << logText(l);
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts.mid(texts.size() - 2), QStringList({"Programmende", "------------"}));
}
