#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The program's command line: one table row per command, QCommandLineParser
// underneath, every text German. Without a command the window opens.

// What a command needs of the program to run.
enum class TCommandApp {
    Core,     // no display, no widgets (database, serial line)
    Offscreen // draws (PDF, pictures): widgets on the offscreen platform, still no display
};

// An option that belongs to one command ("--test NR" of "--export-csv").
struct TCommandOption {
    QString name;
    QString valueName; // empty: a switch
    QString description;
    bool repeated = false;      // may be given more than once; the runner sees each
    bool insteadOfLast = false; // given instead of the command's last value ("--printer" for a file)
};

using TCommandRunner = int (*)(const QStringList &args);

struct TCommand {
    QString name;           // without dashes: "export-csv"
    QStringList valueNames; // what follows the command: {"DATEI"}, {"N", "DATEI"}
    QString description;
    std::vector<TCommandOption> options;
    // Gets the program name, the command with its values and the command's
    // options as given, in that order. nullptr: not part of this build.
    TCommandRunner run = nullptr;
    TCommandApp app = TCommandApp::Core;
};

const std::vector<TCommand> &CommandTable();

struct TCommandLine {
    enum Action { StartWindow, ShowHelp, ShowVersion, RunCommand, Error };
    Action action = StartWindow;
    const TCommand *command = nullptr;
    QStringList commandArgs; // for the runner, see TCommand::run
    QString iniFile;         // "--ini FILE", empty if not given
    QString error;           // German, for Error
};

// args as main gets them, the program name first.
TCommandLine ParseCommandLine(const QStringList &args, const std::vector<TCommand> &table = CommandTable());

QString HelpText(const std::vector<TCommand> &table = CommandTable());
QString VersionText();

// Exit codes: 0 done, 1 the command failed, 2 the command line is wrong.
inline constexpr int kExitUsage = 2;

// Everything the command line decides before a window: help, version, errors
// and commands end here with their exit code. Returns -1 when the window is
// to open (an "--ini FILE" has then been applied).
int RunCommandLine(int argc, char **argv);
