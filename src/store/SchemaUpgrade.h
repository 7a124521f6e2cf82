#pragma once

#include "store/Database.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// What an existing database lacks against the schema script compiled into
// this program, and the statements that bring it up to date. The script is
// the only list: a table, column, trigger or width added to it is found here
// without a line of code, so an older database left by a previous version is
// recognised however old it is.
struct TSchemaUpgradePlan {
    QStringList reasons;       // one German line per outdated part, for the user
    QStringList missingTables; // tables of the script the database lacks
    // To run before the script itself (which creates what is missing and
    // renews the triggers): added columns and widened columns.
    QStringList statements;
    QStringList changes;   // one German line per statement, for the report
    QStringList unfixable; // "tblX.col": key columns that cannot be added
    bool needed() const { return !reasons.isEmpty() || !unfixable.isEmpty(); }
};

// The schema script of an engine ("" for engines without one).
QString SchemaScriptFor(TDbEngine engine);

// Compares db with the script. Reads only the catalogue of the database.
TSchemaUpgradePlan PlanSchemaUpgrade(const QSqlDatabase &db, TDbEngine engine, const QString &script);
TSchemaUpgradePlan PlanSchemaUpgrade(const QSqlDatabase &db);
