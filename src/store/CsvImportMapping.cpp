#include "store/CsvImportMapping.h"

#include "core/IniFile.h"
#include "store/CsvImportInterval.h"
#include "store/ExportColumns.h"

namespace {

QString section()
{
    return QStringLiteral("ImportSpalten");
}

} // namespace

QHash<QString, QString> ReadImportMapping(const QString &iniFile)
{
    QHash<QString, QString> mapping;
    const TIniFile ini(iniFile);
    for (const QString &key : ini.ReadSection(section()))
        mapping.insert(key, ini.ReadString(section(), key, QString()).trimmed());
    return mapping;
}

bool RememberImportMapping(const QString &iniFile, const QString &fileColumn, const QString &field)
{
    TIniFile ini(iniFile);
    return ini.WriteString(section(), fileColumn, field) && ini.flush();
}

QStringList ImportFieldNames()
{
    QStringList names;
    for (int c = 0; c < ecColumnCount; ++c)
        if (c != ecKundenNr && c != ecPrueflingNr && c != ecPruefungsNr && c != ecEnables)
            names << QLatin1String(kExportColumns[std::size_t(c)].header);
    names << csvimport::IntervalHeader();
    return names;
}

bool ParseImportMappingOption(const QString &text, QHash<QString, QString> &mapping, QString *error)
{
    const qsizetype eq = text.lastIndexOf(u'=');
    const QString column = text.left(eq).trimmed();
    const QString field = text.mid(eq + 1).trimmed();
    if (eq <= 0 || column.isEmpty()) {
        if (error) *error = QStringLiteral("„%1“ ist keine Zuordnung SPALTE=FELD.").arg(text);
        return false;
    }
    if (!field.isEmpty() && !ImportFieldNames().contains(field, Qt::CaseInsensitive)) {
        if (error)
            *error = QStringLiteral("„%1“ ist kein Feld des Imports. Bekannt sind: %2.")
                         .arg(field, ImportFieldNames().join(QStringLiteral(", ")));
        return false;
    }
    mapping.insert(column, field);
    return true;
}
