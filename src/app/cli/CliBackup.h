#pragma once

#include "app/cli/CommandLine.h"

#include <QStringList>

#include <vector>

struct TConnectionInfo;

// Command line: "--backup FILE" copies the configured SQLite database while
// it may be in use; "--restore FILE" puts such a copy back while the program
// is closed, keeping the current database in the backup folder first. On a
// server database both name the server's own tools instead. Returns the exit
// code (0 success, 1 error).
int RunBackupCommand(const QStringList &args);
int RunRestoreCommand(const QStringList &args);

// What to do instead on a server database, in German, with the file the user
// named in the example call; empty for SQLite.
QString ServerBackupAdvice(const TConnectionInfo &info, bool restore, const QString &file);

// The table with the two commands added at its end.
std::vector<TCommand> WithBackupCommands(std::vector<TCommand> table);
