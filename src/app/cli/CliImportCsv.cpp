#include "app/cli/CliImportCsv.h"

#include "app/cli/CliSupport.h"
#include "store/CsvImport.h"

#include <QSqlDatabase>

#include <cstdio>

int RunImportCsvCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--import-csv"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --import-csv DATEI [--dry-run]"));
    const bool dryRun = args.contains(QStringLiteral("--dry-run"));
    TCsvImport import;
    QString error;
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
