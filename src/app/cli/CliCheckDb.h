#pragma once

#include <QStringList>

#include <vector>

// "geraetetester --check-db": damage and an older schema of the configured
// database, one German line per fault; exit 0 when sound, 1 otherwise.
int RunCheckDbCommand(const QStringList &args);

// "geraetetester --upgrade-db": brings an older database up to date after a
// backup, as the window offers it at start; for a package's update scripts.
int RunUpgradeDbCommand(const QStringList &args);

struct TCommand;
// The table rows of "--check-db" and "--upgrade-db".
std::vector<TCommand> DatabaseCommands();
