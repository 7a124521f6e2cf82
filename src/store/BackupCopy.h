#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// The steps of a database copy, for Backup.cpp: the copy is written under a
// partial name beside its target first, then renamed into place.
namespace backupcopy {

// Copies the main database of source into a new partial file beside target
// (*part names it). The copy is a single file in rollback-journal mode, with
// the target's permissions if it exists. false with a German reason and no
// partial file left.
bool WritePartial(sqlite3 *source, const QString &target, QString *part, QString *error);

// Renames the partial file onto target and makes the rename durable; the
// partial file is gone afterwards whatever happened.
bool CommitPartial(const QString &part, const QString &target, QString *error);

// Deletes a partial file and the journal SQLite may have left beside it.
void DiscardPartial(const QString &part);

// Opens an SQLite file with SQLite's own interface; nullptr with a German
// reason. readOnly never creates or changes the file, nor files beside it.
sqlite3 *OpenSqliteFile(const QString &file, bool readOnly, QString *error);
// Closes what OpenSqliteFile opened (null is fine).
void CloseSqliteFile(sqlite3 *handle);

// Every row of one statement's first column; false with the engine's own
// text (the file is the user's choice, not the program's database).
bool FirstColumn(sqlite3 *h, const char *sql, QStringList *rows, QString *error);

} // namespace backupcopy
