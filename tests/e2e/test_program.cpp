#include "E2eSupport.h"

#include "core/IniFile.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace gt_e2e;

namespace {

// The program, copied under a name of the test's choice into a folder of its own.
struct ProgramCopy {
    QTemporaryDir dir;
    QTemporaryDir home; // the user's: settings and data of an installed program go here
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
    bool start(const QStringList &args = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("GT_STARTUP_REPORT"), QStringLiteral("1"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("konfig")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("daten")));
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(dir.path());
        proc.start(exe, args);
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

TEST(Program, WithoutIniBesideItTheSettingsGoToTheUsersConfigFolder)
{
    ProgramCopy p(QStringLiteral("geraetetester"));
    ASSERT_TRUE(p.start());
    // The question whether to make the missing database is open; the signal
    // still ends the program, and a question not answered makes nothing.
    EXPECT_EQ(p.terminate(), 0);
    EXPECT_FALSE(QFile::exists(p.dir.filePath(QStringLiteral("geraetetester.ini"))));
    EXPECT_FALSE(QFile::exists(p.home.filePath(QStringLiteral("daten/geraetetester/VERIDA.db"))));
    EXPECT_FALSE(QFile::exists(p.dir.filePath(QStringLiteral("VERIDA.db"))));
    const TIniFile ini(p.home.filePath(QStringLiteral("konfig/geraetetester/geraetetester.ini")));
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

TEST(Program, IniOptionChoosesTheWindowsSettingsFile)
{
    ProgramCopy p(QStringLiteral("geraetetester"));
    makeDatabase(p.dir.filePath(QStringLiteral("VERIDA.db")));
    writeFile(p.dir.filePath(QStringLiteral("geraetetester.ini")), "[Interface]\nPort=2\n");
    const QString chosen = p.home.filePath(QStringLiteral("platz2.ini"));
    writeFile(chosen, "[Interface]\nPort=5\n");
    ASSERT_TRUE(p.start({QStringLiteral("--ini"), chosen}));
    EXPECT_EQ(p.terminate(), 0);
    const TIniFile ini(chosen);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Interface"), QStringLiteral("Port"), 0), 5);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Timing")).size(), 8);
    // The file beside the program was not touched.
    EXPECT_EQ(TIniFile(p.dir.filePath(QStringLiteral("geraetetester.ini")))
                  .ReadSection(QStringLiteral("Timing"))
                  .size(),
              0);
}

TEST(Program, HelpVersionAndAWrongOptionNeedNoDisplay)
{
    auto run = [](const QStringList &args, QByteArray *out, QByteArray *err) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(v));
        p.setProcessEnvironment(env);
        p.start(gt_test::buildDir() + QStringLiteral("/src/app/geraetetester"), args);
        if (!p.waitForFinished(10000)) return -1;
        *out = p.readAllStandardOutput();
        *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    };
    QByteArray out, err;
    EXPECT_EQ(run({QStringLiteral("--help")}, &out, &err), 0);
    for (const char *c : {"--export-csv DATEI", "--fetch", "--transfer", "--protocol-pdf N DATEI",
                          "--barcode-sheet steuer|leser DATEI", "--ini DATEI", "--version"})
        EXPECT_TRUE(out.contains(c)) << c;
    // The files listed are the ones in use: "--ini" names the settings file.
    const QString chosen = QStringLiteral("/tmp/gt-hilfe-platz2.ini");
    EXPECT_EQ(run({QStringLiteral("--ini"), chosen, QStringLiteral("--help")}, &out, &err), 0);
    EXPECT_TRUE(
        QString::fromLocal8Bit(out).contains(QStringLiteral("Einstellungen:                  ") + chosen))
        << out.constData();
    EXPECT_EQ(run({QStringLiteral("--version")}, &out, &err), 0);
    EXPECT_TRUE(out.startsWith("geraetetester ")) << out.constData();
    EXPECT_EQ(run({QStringLiteral("--gibtsnicht")}, &out, &err), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(err).contains(QStringLiteral("Unbekannte Option „--gibtsnicht“")))
        << err.constData();
}
