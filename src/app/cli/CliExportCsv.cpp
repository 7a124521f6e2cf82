#include "app/cli/CliExportCsv.h"

#include "app/cli/CliSupport.h"
#include "store/CsvExport.h"

#include <QDir>
#include <QSqlDatabase>

#include <cstdio>

int RunCsvExportCommand(const QStringList &args)
{
    QString fileName;
    int testNr = 0;
    bool single = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--export-csv")) {
            if (i + 1 >= args.size() || args[i + 1].startsWith(QLatin1String("--")))
                return cli::Fail(QStringLiteral("--export-csv: Es fehlt der Name der Exportdatei."));
            fileName = args[++i];
        } else if (args[i] == QLatin1String("--test")) {
            bool ok = false;
            testNr = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || testNr <= 0)
                return cli::Fail(QStringLiteral("--test: Es fehlt eine gültige Prüfungsnummer."));
            single = true;
            ++i;
        }
    }
    if (fileName.isEmpty())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --export-csv DATEI [--test NR]"));

    const TConfiguration config = cli::ReadProgramConfiguration();
    QString error;
    bool ok = false;
    int count = 1;
    {
        cli::TCliDatabase database(config, QStringLiteral("gt_export_cli"));
        if (!database.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + database.error());
        const QSqlDatabase db = QSqlDatabase::database(database.connectionName(), false);
        ok = single ? ExportSingleTest(db, testNr, fileName, config.Export, &error)
                    : ExportAllTests(db, fileName, config.Export, &error, &count);
    }
    if (!ok) return cli::Fail(error);
    std::printf("%s\n", QStringLiteral("%1 Prüfung(en) nach „%2“ exportiert.")
                            .arg(count)
                            .arg(QDir::toNativeSeparators(fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
