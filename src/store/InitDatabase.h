#pragma once

#include "store/Database.h"

#include <QString>
#include <QStringList>

// Making a database ready for the program: the six tables, their indexes and
// the catalogue of the visual inspection, from the schema scripts compiled in.
// gt-initdb and the program's first start both use it.

struct TInitDbResult {
    bool ok = false;
    QStringList messages; // what was done, one German line each
    QString error;        // German reason when !ok
};

// SQLite: the file is created if missing, its folder too when makeFolder is
// set (else that folder must exist). PostgreSQL:
// the database is created on the server if missing. What is there already is
// kept; a ready database is left unchanged. All or nothing: a failure leaves
// no half-made tables behind.
TInitDbResult InitializeDatabase(const TConnectionInfo &info, bool makeFolder = false);

// SQLite and PostgreSQL can be set up; other drivers need the scripts by hand.
bool CanInitializeDatabase(const TConnectionInfo &info);

// What the first start finds.
enum class TDbReadiness {
    Ready,      // opens, all tables there
    Missing,    // SQLite file not there
    Incomplete, // opens, but tables are missing
    Unreachable // cannot be opened (server down, no rights, bad string ...)
};
TDbReadiness ProbeDatabase(const TConnectionInfo &info, QString *error = nullptr);

// "„file“" or "„db“ auf host", as messages name a database.
QString DatabaseLabel(const TConnectionInfo &info);

// Statements of a script: each ends with ";" at the end of a line; a trigger runs to "END;".
QStringList SplitSqlStatements(const QString &script);
