#pragma once

#include <QString>

// Where the program keeps its files.
//
// A portable copy - its folder writable and holding its INI file - keeps
// everything beside itself: INI, default database, logs named without a
// folder. An installed program (in /usr/bin, say) keeps its settings in
// $XDG_CONFIG_HOME/geraetetester/geraetetester.ini and its database and logs
// in $XDG_DATA_HOME/geraetetester (defaults ~/.config and ~/.local/share).
enum class TProgramLayout { Portable, Installed };

TProgramLayout ProgramLayout();

// The INI file the program reads and writes.
QString ProgramIniPath();
// "--ini FILE": this file instead, whatever the layout (empty: none chosen).
void SetProgramIniOverride(const QString &fileName);
QString ProgramIniOverride();

// Folder of the default database and of files named without a folder.
QString ProgramDataDir();
// Relative names lie in ProgramDataDir(); absolute ones stay; empty stays empty.
QString ProgramDataPath(const QString &name);

// As ProgramDataPath, and for a relative name the data folder is made, so a
// log named without a folder can be created on a first start.
QString ProgramLogPath(const QString &name);

// Makes the folder a file is to lie in. false, with a German reason, when that fails.
bool MakeParentDir(const QString &fileName, QString *error = nullptr);
// Whether a file can be written (created if missing) without writing it; the
// parent folder is made on the way. false with a German reason.
bool CanWriteFile(const QString &fileName, QString *error = nullptr);
