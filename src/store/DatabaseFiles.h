#pragma once

#include <QString>

// Whether a file is one of the SQLite files an open connection of this
// process works on (the database, its -wal, -shm or -journal file). Decided
// from the file's identity without opening it: a second descriptor of the
// database, once closed, would end SQLite's POSIX locks for the whole process.
// Files a connection once opened count too: a command closes its connection
// before it writes its output.
bool IsOpenDatabaseFile(const QString &fileName);

// Noted by whoever opens an SQLite connection.
void RememberDatabaseFile(const QString &fileName);

// "Die Datei „…“ ist die Datenbank des Programms …" when fileName is one of
// those files, or any other SQLite database (a command that never opened the
// program's database, another workstation's file), empty otherwise: for a
// refusal before a file is read or written.
QString DatabaseFileRefusal(const QString &fileName);
