#include "app/cli/CliImportCsv.h"

#include "app/cli/CliSupport.h"
#include "app/cli/CommandLine.h"
#include "core/IniFile.h"
#include "store/CsvImport.h"
#include "store/CsvImportMapping.h"

#include <QSqlDatabase>

#include <cstdio>

int RunImportCsvCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--import-csv"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(
            QStringLiteral("Aufruf: geraetetester --import-csv DATEI [--dry-run] [--column SPALTE=FELD]..."));
    const bool dryRun = args.contains(QStringLiteral("--dry-run"));
    TCsvImport import;
    QString error;
    // What the window remembered, then what this call says.
    QHash<QString, QString> mapping = ReadImportMapping(TIniFile::ProgramIniPath());
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
        if (args[i] == QLatin1String("--column") && !ParseImportMappingOption(args[i + 1], mapping, &error)) {
            cli::PrintError(error);
            return kExitUsage;
        }
    import.SetColumnMapping(mapping);
    if (!import.ReadFile(args[at + 1], &error)) return cli::Fail(error);
    for (const QString &c : import.IgnoredColumns())
        cli::PrintError(QStringLiteral("Spalte „%1“ wird nicht eingelesen.").arg(c));

    const TConfiguration config = cli::ReadProgramConfiguration();
    bool ok = false;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_import_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        ok = import.Run(QSqlDatabase::database(db.connectionName(), false), !dryRun, &error);
    }
    for (const TImportLine &l : import.Lines())
        if (!l.error.isEmpty()) cli::PrintError(QStringLiteral("Zeile %1: %2").arg(l.line).arg(l.error));
    if (!ok) return cli::Fail(error);
    std::printf("%s%s\n", dryRun ? "Probelauf, nichts gespeichert: " : "",
                import.Summary().Text().toLocal8Bit().constData());
    return 0;
}
