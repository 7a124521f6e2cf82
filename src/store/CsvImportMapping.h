#pragma once

// Which field each column of a customer's list is, remembered by the
// column's header text in section "ImportSpalten" of the settings file
// (`Firma=Name1`; an empty field: the column is not read). The window and
// the command line use the same mapping.

#include <QHash>
#include <QString>
#include <QStringList>

QHash<QString, QString> ReadImportMapping(const QString &iniFile);
// False when the settings file cannot be written.
bool RememberImportMapping(const QString &iniFile, const QString &fileColumn, const QString &field);

// The fields a column can be read as (the export's header names, without
// the keys and the mask, which are never read).
QStringList ImportFieldNames();

// "SPALTE=FELD" of the command line into the mapping; false with a German
// reason when the field is unknown or the text has no "=".
bool ParseImportMappingOption(const QString &text, QHash<QString, QString> &mapping, QString *error);
