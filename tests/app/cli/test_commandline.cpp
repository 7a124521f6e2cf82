#include "app/cli/CommandLine.h"
#include "core/ProgramPaths.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

QStringList recorded;

int recordRun(const QStringList &args)
{
    recorded = args;
    return 0;
}

// A table of its own, so the runners can be watched.
const std::vector<TCommand> &testTable()
{
    static const std::vector<TCommand> table = {
        {QStringLiteral("export-csv"),
         {QStringLiteral("DATEI")},
         QStringLiteral("CSV"),
         {TCommandOption{QStringLiteral("test"), QStringLiteral("NR"), QStringLiteral("eine")}},
         &recordRun,
         TCommandApp::Core},
        {QStringLiteral("protocol-pdf"),
         {QStringLiteral("N"), QStringLiteral("DATEI")},
         QStringLiteral("PDF"),
         {},
         &recordRun,
         TCommandApp::Offscreen},
        {QStringLiteral("import-csv"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Import"),
         {TCommandOption{QStringLiteral("dry-run"), QString(), QStringLiteral("nur prüfen")}},
         nullptr,
         TCommandApp::Core},
        {QStringLiteral("fetch"), {}, QStringLiteral("Abruf"), {}, nullptr, TCommandApp::Core},
    };
    return table;
}

TCommandLine parse(const QStringList &args)
{
    return ParseCommandLine(QStringList{QStringLiteral("geraetetester")} + args, testTable());
}

} // namespace

TEST(CommandLine, NoArgumentsOpenTheWindowAndQtOptionsPassThrough)
{
    EXPECT_EQ(parse({}).action, TCommandLine::StartWindow);
    const TCommandLine cl = parse({"-platform", "offscreen", "-style", "Fusion", "-reverse"});
    EXPECT_EQ(cl.action, TCommandLine::StartWindow) << cl.error.toStdString();
    const TCommandLine ini = parse({"--ini", "/tmp/a.ini"});
    EXPECT_EQ(ini.action, TCommandLine::StartWindow);
    EXPECT_EQ(ini.iniFile, QStringLiteral("/tmp/a.ini"));
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElse)
{
    for (const char *h : {"-h", "--help"})
        EXPECT_EQ(parse({"--export-csv", "x.csv", h}).action, TCommandLine::ShowHelp) << h;
    for (const char *v : {"-v", "--version"})
        EXPECT_EQ(parse({v}).action, TCommandLine::ShowVersion) << v;
    EXPECT_TRUE(VersionText().startsWith(QStringLiteral("geraetetester ")));
}

TEST(CommandLine, WrongCallsAreErrorsWithAGermanReason)
{
    struct Case {
        QStringList args;
        const char *says;
    };
    const Case cases[] = {
        {{"--gibtsnicht"}, "Unbekannte Option „--gibtsnicht“"},
        {{"-x"}, "Unbekannte Option „-x“"},
        {{"--export-csv"}, "Nach „--export-csv“ fehlt ein Wert"},
        {{"--ini"}, "Nach „--ini“ fehlt ein Wert"},
        {{"--ini", ""}, "Konfigurationsdatei"},
        {{"--protocol-pdf", "3"}, "Aufruf: geraetetester --protocol-pdf N DATEI"},
        {{"--export-csv", "a.csv", "b.csv"}, "Aufruf: geraetetester --export-csv DATEI"},
        {{"--export-csv", "a.csv", "--fetch"}, "nur einen Befehl"},
        {{"--export-csv", "a.csv", "--export-csv", "b.csv"}, "mehrfach"},
        {{"--test", "3"}, "gehört zu einem Befehl"},
        {{"--import-csv", "a.csv", "--test", "3"}, "„--test“ gehört nicht zu „--import-csv“"},
        {{"datei.csv"}, "Unerwartetes Argument „datei.csv“"},
    };
    for (const Case &c : cases) {
        const TCommandLine cl = parse(c.args);
        EXPECT_EQ(cl.action, TCommandLine::Error) << c.args.join(' ').toStdString();
        EXPECT_TRUE(cl.error.contains(QString::fromUtf8(c.says)))
            << c.args.join(' ').toStdString() << ": " << cl.error.toStdString();
    }
}

TEST(CommandLine, TheRunnerGetsOnePlainFormHoweverTheUserWroteIt)
{
    TCommandLine cl = parse({"--test=7", "--ini", "k.ini", "--export-csv=aus.csv"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.command->name, QStringLiteral("export-csv"));
    EXPECT_EQ(cl.commandArgs, QStringList({"geraetetester", "--export-csv", "aus.csv", "--test", "7"}));
    EXPECT_EQ(cl.iniFile, QStringLiteral("k.ini"));
    EXPECT_EQ(cl.command->run(cl.commandArgs), 0);
    EXPECT_EQ(recorded, cl.commandArgs);

    cl = parse({"--protocol-pdf", "12", "p.pdf"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.commandArgs, QStringList({"geraetetester", "--protocol-pdf", "12", "p.pdf"}));
    EXPECT_EQ(cl.command->app, TCommandApp::Offscreen);

    cl = parse({"--import-csv", "-", "--dry-run"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.commandArgs, QStringList({"geraetetester", "--import-csv", "-", "--dry-run"}));
    EXPECT_EQ(cl.command->run, nullptr);

    // A repeated option reaches the runner each time (the real table's import).
    cl = ParseCommandLine({"geraetetester", "--import-csv", "a.csv", "--column", "A=Name1", "--column=B="});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.commandArgs, QStringList({"geraetetester", "--import-csv", "a.csv", "--column", "A=Name1",
                                           "--column", "B="}));

    cl = parse({"--fetch"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand);
    EXPECT_EQ(cl.commandArgs, QStringList({"geraetetester", "--fetch"}));
}

TEST(CommandLine, APrinterTakesThePlaceOfTheFile)
{
    using L = QStringList;
    TCommandLine cl = ParseCommandLine({"geraetetester", "--barcode-sheet", "steuer", "--printer=Werkstatt"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.commandArgs, L({"geraetetester", "--barcode-sheet", "steuer", "--printer", "Werkstatt"}));
    cl = ParseCommandLine({"geraetetester", "--print", "7"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.commandArgs, L({"geraetetester", "--print", "7"}));
    EXPECT_EQ(cl.command->app, TCommandApp::Offscreen);

    struct Case {
        QStringList args;
        const char *says;
    };
    const Case cases[] = {
        {{"--barcode-sheet", "steuer", "a.pdf", "--printer", "W"}, "Aufruf: geraetetester --barcode-sheet"},
        {{"--barcode-sheet", "steuer"}, "Aufruf: geraetetester --barcode-sheet"},
        // The printer replaces only a file the command would write.
        {{"--print", "7", "a.pdf"}, "Aufruf: geraetetester --print N"},
        {{"--protocol-pdf", "7", "a.pdf", "--printer", "W"}, "„--printer“ gehört nicht zu „--protocol-pdf“"},
    };
    for (const Case &c : cases) {
        cl = ParseCommandLine(QStringList{"geraetetester"} + c.args);
        EXPECT_EQ(cl.action, TCommandLine::Error) << c.args.join(' ').toStdString();
        EXPECT_TRUE(cl.error.contains(QString::fromUtf8(c.says)))
            << c.args.join(' ').toStdString() << ": " << cl.error.toStdString();
    }
}

TEST(CommandLine, HelpListsEveryCommandWithItsValuesAndTheFiles)
{
    const QString help = HelpText(testTable());
    EXPECT_TRUE(help.contains(QStringLiteral("--export-csv DATEI [--test NR]")));
    EXPECT_TRUE(help.contains(QStringLiteral("--protocol-pdf N DATEI")));
    EXPECT_TRUE(help.contains(QStringLiteral("--import-csv DATEI [--dry-run]")));
    EXPECT_TRUE(help.contains(QStringLiteral("nicht verfügbar")));
    EXPECT_TRUE(help.contains(QStringLiteral("--ini DATEI")));
    EXPECT_TRUE(help.contains(ProgramIniPath()));
    for (const QString &line : help.split(u'\n'))
        EXPECT_LE(line.size(), 100) << line.toStdString();
}

TEST(CommandLine, TheProgramsTableHasEveryCommandOnceAndTheExportRuns)
{
    QSet<QString> names;
    for (const TCommand &c : CommandTable()) {
        EXPECT_FALSE(names.contains(c.name)) << c.name.toStdString();
        names << c.name;
        EXPECT_FALSE(c.description.isEmpty());
    }
    for (const char *n : {"export-csv", "fetch", "transfer", "protocol-pdf", "barcode-sheet"})
        EXPECT_TRUE(names.contains(QLatin1String(n))) << n;
    const TCommandLine cl = ParseCommandLine({"geraetetester", "--export-csv", "x.csv"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand);
    EXPECT_NE(cl.command->run, nullptr);
}
