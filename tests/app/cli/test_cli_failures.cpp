// Failures of the commands a scheduled job runs: each one ends with exit
// code 1 and a German reason on standard error, never with a success line,
// and an earlier file of the same name stays as it was.

#include "../AppTestSupport.h"
#include "StoreTestDb.h"
#include "app/cli/CliBarcodeSheet.h"
#include "app/cli/CliDue.h"
#include "app/cli/CliExportCsv.h"
#include "app/cli/CliExportXlsx.h"
#include "app/cli/CliLabels.h"
#include "app/cli/CliSupport.h"
#include "app/cli/CommandLine.h"
#include "app/common/Configuration.h"
#include "app/shell/MainActions.h"
#include "app/shell/MainWindow.h"
#include "core/IniFile.h"
#include "core/ProgramPaths.h"
#include "serial/PortAccess.h"
#include "serial/PortNames.h"
#include "store/Database.h"
#include "support/OutputCapture.h"
#include "support/ProgramIniScope.h"
#include "support/SmallDisk.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using gt_test::TSmallDisk;

namespace {

using TStderrCapture = gt_test::TOutputCapture;

// Runs a command; its exit code, and its standard error in *err.
int runCommand(int (*command)(const QStringList &), const QStringList &args, QString *err)
{
    TStderrCapture capture;
    const int rc = command(QStringList{QStringLiteral("geraetetester")} + args);
    *err = capture.text();
    return rc;
}

class CliFailures : public StoreDb {
protected:
    void SetUp() override
    {
        StoreDb::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        iniScope.useDatabase(t->connectionString());
        FillTwoTests(*t);
    }
    static int run(int (*command)(const QStringList &), const QStringList &args, QString *err)
    {
        return runCommand(command, args, err);
    }
    gt_test::TProgramIniScope iniScope;
};

TEST_P(CliFailures, ExportsOntoAFullDiskFailAndKeepTheOldFile)
{
    TSmallDisk disk(64);
    GT_REQUIRE_SMALL_DISK(disk);
    const QByteArray old(9000, 'a');
    const struct {
        int (*command)(const QStringList &);
        const char *option;
        const char *name;
    } cases[] = {{RunCsvExportCommand, "--export-csv", "alle.csv"},
                 {RunDueCommand, "--due", "faellig.csv"},
                 {RunXlsxExportCommand, "--export-xlsx", "alle.xlsx"}};
    for (const auto &c : cases) {
        QFile f(disk.path(QLatin1String(c.name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(old), old.size());
    }
    ASSERT_TRUE(disk.fill());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.option);
        const QString file = disk.path(QLatin1String(c.name));
        QString err;
        EXPECT_EQ(run(c.command, {QLatin1String(c.option), file}, &err), 1);
        EXPECT_EQ(ReadFileBytes(file), old);
        if (QLatin1String(c.option) != QLatin1String("--export-xlsx")) {
            EXPECT_TRUE(err.contains(QStringLiteral("Der Datenträger ist voll."))) << err.toStdString();
        }
        EXPECT_FALSE(err.isEmpty());
    }
}

// An older or damaged schema: the command names what is missing instead of
// exporting empty values as if they had been stored.
TEST_P(CliFailures, MissingColumnIsNamedAndNothingIsExported)
{
    t->exec(QStringLiteral("ALTER TABLE tblPruefung DROP COLUMN PRintGrwAbleitstrom"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alle.csv"));
    QString err;
    EXPECT_EQ(run(RunCsvExportCommand, {QStringLiteral("--export-csv"), file}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Der Tabelle tblPruefung fehlt die Spalte PRintGrwAbleitstrom.")))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(run(RunDueCommand, {QStringLiteral("--due"), file}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("PRintGrwAbleitstrom"))) << err.toStdString();

    // The window's connection refuses it the same way.
    QString why;
    EXPECT_FALSE(ConnectDatabase(t->connectionString(), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("Der Tabelle tblPruefung fehlt die Spalte PRintGrwAbleitstrom.")))
        << why.toStdString();
    EXPECT_FALSE(ProgramDatabase().isOpen());

    // gt-initdb adds the column; the rows keep their values and the export runs.
    const TInitdbRun r = RunInitdb({QStringLiteral("--connection"), t->connectionString()});
    EXPECT_EQ(r.rc, 0) << (r.out + r.err).toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Spalte ergänzt: tblPruefung.PRintGrwAbleitstrom.")))
        << r.out.toStdString();
    EXPECT_EQ(run(RunCsvExportCommand, {QStringLiteral("--export-csv"), file}, &err), 0) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
}

// The database is no export target and no import source: written over, it
// would be gone; read and closed, SQLite's locks on it would be gone.
// A mistyped customer number is named as such, not as a customer without devices.
TEST_P(CliFailures, LabelsForACustomerThatIsNotThereSaySo)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("etiketten.pdf"));
    QString err;
    EXPECT_EQ(run(RunLabelsCommand,
                  {QStringLiteral("--labels"), file, QStringLiteral("--customer"), QStringLiteral("999")},
                  &err),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("Einen Kunden Nr. 999 gibt es in der Datenbank nicht.")))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

TEST_P(CliFailures, TheDatabaseFileIsNeitherExportedOntoNorImported)
{
    // Not a missing tool: the case exists only for the file engine.
    if (GetParam() != TTestEngine::SQLite) GTEST_SKIP() << "a server's database is no file";
    const QString file = ParseConnectionString(t->connectionString()).databaseName;
    ASSERT_GT(QFileInfo(file).size(), 0);
    for (const auto &args :
         {QStringList{QStringLiteral("--export-csv"), file}, QStringList{QStringLiteral("--due"), file},
          QStringList{QStringLiteral("--export-xlsx"), file + QStringLiteral("-wal")}}) {
        QString err;
        SCOPED_TRACE(args.join(u' ').toStdString());
        // The command opens its own connection: the guard must see that one.
        EXPECT_EQ(run(args.first() == QLatin1String("--due")          ? RunDueCommand
                      : args.first() == QLatin1String("--export-csv") ? RunCsvExportCommand
                                                                      : RunXlsxExportCommand,
                      args, &err),
                  1);
        EXPECT_TRUE(err.contains(QStringLiteral("ist die Datenbank des Programms"))) << err.toStdString();
    }
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
}

// The same when no connection of this process is open while the file is
// written: --due closes its connection before writing, a barcode sheet never
// opens one. Either used to replace the database with its output.
TEST(CliDatabaseFile, IsNotWrittenOverByACommandWithoutAnOpenConnection)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("VERIDA.db"));
    const TInitdbRun made = RunInitdb({file});
    ASSERT_EQ(made.rc, 0) << (made.out + made.err).toStdString();
    gt_test::TProgramIniScope iniScope;
    iniScope.useDatabase(QStringLiteral("Provider=SQLite;Data Source=") + file);
    const QByteArray before = ReadFileBytes(file);
    const struct {
        int (*command)(const QStringList &);
        QStringList args;
    } cases[] = {
        {RunDueCommand, {QStringLiteral("--due"), file}},
        {RunDueCommand, {QStringLiteral("--due"), file + QStringLiteral("-wal")}},
        {RunBarcodeSheetCommand, {QStringLiteral("--barcode-sheet"), QStringLiteral("steuer"), file}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QString err;
        EXPECT_EQ(runCommand(c.command, c.args, &err), 1);
        EXPECT_TRUE(err.contains(QStringLiteral("Datenbank"))) << err.toStdString();
        EXPECT_EQ(ReadFileBytes(file), before);
    }
    // Nor is a journal file made up beside it.
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal")));
}

INSTANTIATE_TEST_SUITE_P(Engines, CliFailures,
                         ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL), EngineName);

// Settings that cannot work are said at once, and a command that needs the
// tester refuses with them instead of reporting a tester that does not answer.
TEST(CliSettings, UnusableValuesAreNamed)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("g.ini"));
    {
        TIniFile f(ini);
        f.WriteString(QStringLiteral("Interface"), QStringLiteral("Port"), QStringLiteral("COM3"));
        f.WriteInteger(QStringLiteral("Timing"), QStringLiteral("MessageTimeOut"), 0);
    }
    TConfiguration config;
    config.ReadFile(ini);
    EXPECT_EQ(config.Port, 1);
    ASSERT_EQ(config.Problems.size(), 2) << config.Problems.join(u'|').toStdString();
    EXPECT_TRUE(config.Problems[0].startsWith(QStringLiteral("Der Wert „COM3“ für „Port“")));
    EXPECT_TRUE(config.Problems[1].contains(QStringLiteral("„MessageTimeOut“ = 0 ms")));
    cli::TCliTesterLink link(config);
    QString err;
    EXPECT_FALSE(link.open(&err));
    EXPECT_EQ(err, config.Problems.join(u'\n'));

    // The defaults and an ordinary file give no word.
    TConfiguration plain;
    plain.ReadFile(dir.filePath(QStringLiteral("fehlt.ini")));
    EXPECT_TRUE(plain.Problems.isEmpty());
    EXPECT_TRUE(TimingProblems(500, 100).isEmpty());
    EXPECT_EQ(TimingProblems(500, 0).size(), 1);
    // Too long is as unusable as too short: requests behind an unanswered
    // message give up before the line is free.
    EXPECT_TRUE(TimingProblems(2400, 100, 300).isEmpty());
    ASSERT_EQ(TimingProblems(3000, 100, 300).size(), 1);
    EXPECT_TRUE(TimingProblems(3000, 100, 300)[0].contains(QStringLiteral("zu lang")));
    EXPECT_TRUE(TimingProblems(3000, 100, 1000).isEmpty());
}

// A label offset the file gets wrong is said, but does not keep the tester's line shut.
TEST(CliSettings, ALabelValueTheFileGetsWrongDoesNotBlockTheTester)
{
    gt_test::PtyPair line;
    ASSERT_TRUE(line.ok());
    gt_test::TProgramIniScope scope;
    {
        TIniFile f(scope.path());
        f.WriteString(QStringLiteral("Ports"), QStringLiteral("COM4"), line.slavePath());
        f.WriteInteger(QStringLiteral("Interface"), QStringLiteral("Port"), 4);
        f.WriteString(QStringLiteral("Labels"), QStringLiteral("OffsetX"), QStringLiteral("abc"));
    }
    TConfiguration config;
    config.ReadFile(scope.path());
    ASSERT_EQ(config.Problems.size(), 1) << config.Problems.join(u'|').toStdString();
    EXPECT_TRUE(config.Problems[0].contains(QStringLiteral("OffsetX")));
    EXPECT_EQ(config.LabelProblems, config.Problems);
    cli::TCliTesterLink link(config);
    QString err;
    EXPECT_TRUE(link.open(&err)) << err.toStdString();
}

TEST(CliSettings, MissingIniFileIsNamedInsteadOfStartingOnDefaults)
{
    QTemporaryDir dir;
    const QByteArray ini = QFile::encodeName(dir.filePath(QStringLiteral("tippfehler.ini")));
    for (const bool command : {true, false}) {
        QByteArray a0("geraetetester"), a1("--ini"), a2(ini), a3("--export-csv"), a4("x.csv");
        char *argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), nullptr};
        TStderrCapture capture;
        EXPECT_EQ(RunCommandLine(command ? 5 : 3, argv), 1);
        const QString err = capture.text();
        EXPECT_TRUE(err.contains(
            QStringLiteral("Die Konfigurationsdatei „%1“ gibt es nicht.").arg(QString::fromLocal8Bit(ini))))
            << err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(ini)));
}

// Two programs on one port: the first holds it against any other process,
// and the second is told that the port is in use.
TEST(CliPort, ASecondProgramIsToldThePortIsInUse)
{
    gt_test::PtyPair line;
    ASSERT_TRUE(line.ok());
    QTemporaryDir dir;
    const QString ports = dir.filePath(QStringLiteral("ports.ini"));
    TIniFile(ports).WriteString(QStringLiteral("Ports"), QStringLiteral("COM4"), line.slavePath());
    SetProgramIniOverride(ports);
    TConfiguration config;
    config.Port = 4;
    cli::TCliTesterLink first(config);
    QString err;
    ASSERT_TRUE(first.open(&err)) << err.toStdString();

    // Another process tries to take the device as the program does.
    const QByteArray device = QFile::encodeName(line.slavePath());
    int answer[2];
    ASSERT_EQ(::pipe(answer), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char c = fd < 0 ? 'b' : (::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'f' : 'l');
        (void)!::write(answer[1], &c, 1);
        ::_exit(0);
    }
    ::close(answer[1]);
    char c = 0;
    EXPECT_EQ(::read(answer[0], &c, 1), 1);
    ::close(answer[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_NE(c, 'f') << "another process took the port the program holds";

    cli::TCliTesterLink second(config);
    EXPECT_FALSE(second.open(&err));
    EXPECT_TRUE(err.startsWith(QStringLiteral("COM4 ist belegt"))) << err.toStdString();
    SetProgramIniOverride(QString());
}

// A port refused for want of rights is explained by the device's own group,
// not by a guess at "dialout" (a root-only device needs the administrator).
TEST(CliPort, RefusedRightsAreExplainedByTheDevicesGroup)
{
    QTemporaryFile device;
    ASSERT_TRUE(device.open());
    const TPortAccess access = PortAccessFor(device.fileName());
    const QString text = cli::PortOpenFailureText(3, EACCES, device.fileName(), PortErrorText(EACCES));
    EXPECT_TRUE(text.startsWith(QStringLiteral("COM3 kann nicht geöffnet werden."))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("dialout?"))) << text.toStdString();
    EXPECT_EQ(text.contains(QStringLiteral("Administrator")), access.group == QLatin1String("root"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(device.fileName()) || text.contains(QStringLiteral("Administrator")))
        << text.toStdString();
    // Other failures keep their short text.
    EXPECT_EQ(cli::PortOpenFailureText(3, ENOENT, device.fileName(), PortErrorText(ENOENT)),
              QStringLiteral("COM3 kann nicht geöffnet werden: nicht vorhanden."));
}

// The window says the same once it runs, and keeps to the default meanwhile.
TEST(WindowSettings, UnusableValuesAreSaidOnceTheWindowRuns)
{
    gt_app_test::FormFixture f;
    f.withDatabase();
    gt_app_test::writeFile(f.iniPath(), "[Interface]\nPort=0\n[Timing]\nMessageTimeOut=-5\n");
    TForm1 *w = f.make();
    ASSERT_TRUE(gt_app_test::waitUntil([&] { return !f.messages.isEmpty(); }));
    ASSERT_EQ(f.messages.size(), 1) << f.messages.join(u'|').toStdString();
    EXPECT_TRUE(f.messages[0].contains(QStringLiteral("Der Wert „0“ für „Port“")))
        << f.messages[0].toStdString();
    EXPECT_TRUE(f.messages[0].contains(QStringLiteral("„MessageTimeOut“ = -5 ms")))
        << f.messages[0].toStdString();
    EXPECT_EQ(w->Configuration().Port, 1);
    f.destroy();
}

// The window says so too: "belegt" in the status bar alone is easily missed.
TEST(WindowPort, ABusyPortIsReported)
{
    gt_test::PtyPair line;
    ASSERT_TRUE(line.ok());
    QTemporaryDir dir;
    const QString ports = dir.filePath(QStringLiteral("ports.ini"));
    TIniFile(ports).WriteString(QStringLiteral("Ports"), QStringLiteral("COM5"), line.slavePath());
    SetProgramIniOverride(ports);
    TConfiguration config;
    config.Port = 5;
    cli::TCliTesterLink other(config);
    QString err;
    ASSERT_TRUE(other.open(&err)) << err.toStdString();

    gt_app_test::FormFixture f;
    f.withDatabase();
    gt_app_test::writeFile(f.iniPath(), "[Interface]\nPort=5\n");
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(gt_app_test::waitUntil([&] { return !f.messages.isEmpty(); }));
    EXPECT_TRUE(f.messages.last().startsWith(QStringLiteral("COM5 ist belegt")))
        << f.messages.last().toStdString();
    if (w->Actions().G_Verbinden->isChecked()) w->Actions().G_Verbinden->trigger();
    f.destroy();
    SetProgramIniOverride(QString());
}

} // namespace
