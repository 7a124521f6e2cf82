#include "app/cli/CliExportXlsx.h"

#include "app/cli/CliSupport.h"
#include "store/XlsxExport.h"

#include <QDir>
#include <QSqlDatabase>

#include <cstdio>

int RunXlsxExportCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--export-xlsx"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --export-xlsx DATEI [--test NR]"));
    const QString &fileName = args[at + 1];
    int testNr = 0;
    if (const qsizetype t = args.indexOf(QStringLiteral("--test")); t >= 0) {
        bool ok = false;
        testNr = args.value(t + 1).toInt(&ok);
        if (!ok || testNr <= 0)
            return cli::Fail(QStringLiteral("--test: Es fehlt eine gültige Prüfungsnummer."));
    }
    const TConfiguration config = cli::ReadProgramConfiguration();
    QString error;
    int count = 1;
    bool ok = false;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_xlsx_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        const QSqlDatabase d = QSqlDatabase::database(db.connectionName(), false);
        ok = testNr ? ExportSingleTestXlsx(d, testNr, fileName, config.Export, &error)
                    : ExportAllTestsXlsx(d, fileName, config.Export, &error, &count);
    }
    if (!ok) return cli::Fail(error);
    std::printf("%s\n", QStringLiteral("%1 Prüfung(en) nach „%2“ exportiert.")
                            .arg(count)
                            .arg(QDir::toNativeSeparators(fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
