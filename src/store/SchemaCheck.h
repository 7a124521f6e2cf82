#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tables and columns the program reads and writes, as the schema script
// creates them. A database of an older or damaged schema would otherwise
// answer every query for a missing column with nothing, and an export would
// write "0,00" for every limit without a word.
struct TSchemaTable {
    QString name;
    QStringList columns;
    QStringList definitions; // each column's line of the script ("PRintGrwAbleitstrom INTEGER")
};
const QList<TSchemaTable> &SchemaTables();
// The same out of a schema script's text.
QList<TSchemaTable> ParseSchemaScript(const QString &script);

// One German sentence per missing table or column ("Der Tabelle tblPruefung
// fehlt die Spalte PRintGrwAbleitstrom."); empty when db has everything.
QStringList MissingSchemaParts(const QSqlDatabase &db);

// The sentences with the remedy after them, for a refusal; empty when complete.
QString SchemaProblemText(const QSqlDatabase &db);

// "ALTER TABLE … ADD COLUMN …" for every column the script declares that an
// existing table of db lacks (tables that are missing entirely are the
// script's own business). A missing key column cannot be added: it is named in
// *unfixable instead.
QStringList MissingColumnStatements(const QSqlDatabase &db, const QString &script, QStringList *unfixable);
