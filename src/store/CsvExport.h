#pragma once

#include "store/ExportColumns.h"
#include "store/Globals.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Text in Windows-1252, the code page the users' spreadsheet programs read;
// a character it cannot hold becomes "?".
QByteArray EncodeWindows1252(QStringView text);
void AppendWindows1252(QByteArray &out, QStringView text);
QString DecodeWindows1252(const QByteArray &bytes);

// Values joined as "v1";"v2";... with every double quote turned into an
// apostrophe; nothing else is escaped.
QString JoinCsvValues(const QStringList &values);

// Text typed or scanned by a user, made safe for a spreadsheet: a value that
// starts with = + - @, a tab or a carriage return would be read as a formula,
// so it gets a leading apostrophe. Numbers and value formats never pass here.
QString NeutraliseCsvText(const QString &text);

// One column's value as the CSV line writes it (user texts guarded).
QString ExportColumnText(const TWerteSatz &w, TExportColumn col);

// Header and data line of a record (without line end). The inspection-row
// columns appear when switched on and the record has rows.
QString BuildCsvHeader(const TWerteSatz &w, const TExportSwitches &sw);
QString BuildCsvLine(const TWerteSatz &w, const TExportSwitches &sw);

// "Die Datei "NAME" kann nicht angelegt werden."
QString CannotCreateFileMessage(const QString &fileName);

// Writes a header and one line for test pruefungsNr, with its inspection rows.
// The file is created anew; on failure *error holds a German message and an
// existing file of that name is left as it was.
bool ExportSingleTest(QSqlDatabase db, int pruefungsNr, const QString &fileName, const TExportSwitches &sw,
                      QString *error = nullptr);
// Writes the header of an empty record and one line per test (no inspection
// rows), in the order the database returns them. *count = lines written.
bool ExportAllTests(QSqlDatabase db, const QString &fileName, const TExportSwitches &sw,
                    QString *error = nullptr, int *count = nullptr);
