#include "app/cli/CliProtocolPdf.h"

#include "app/cli/CliSupport.h"
#include "app/common/ProtocolSettings.h"
#include "store/TestRecord.h"

#include <QDir>
#include <QSqlDatabase>

int RunProtocolPdfCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--protocol-pdf"));
    if (at < 0 || at + 2 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --protocol-pdf PRÜFUNGSNR DATEI.pdf"));
    bool ok = false;
    const int testNr = args[at + 1].toInt(&ok);
    if (!ok || testNr <= 0)
        return cli::Fail(
            QStringLiteral("--protocol-pdf: \"%1\" ist keine gültige Prüfungsnummer.").arg(args[at + 1]));
    const QString &fileName = args[at + 2];

    const TConfiguration config = cli::ReadProgramConfiguration();
    TWerteSatz w;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_protocol_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        ok = LoadTestRecord(QSqlDatabase::database(db.connectionName(), false), testNr, true, w, &error);
    }
    if (!ok) return cli::Fail(error);
    if (!WriteTestProtocolPdf(w, ProtocolSettingsOf(config), fileName, &error)) return cli::Fail(error);
    cli::Say(QStringLiteral("Prüfprotokoll der Prüfung %1 nach „%2“ geschrieben.")
                 .arg(testNr)
                 .arg(QDir::toNativeSeparators(fileName)));
    return 0;
}

TCommand ProtocolPdfCommand()
{
    return {QStringLiteral("protocol-pdf"),
            {QStringLiteral("N"), QStringLiteral("DATEI")},
            QStringLiteral("Schreibt das Prüfprotokoll der Prüfung N als PDF-Datei (PDF/A, mit Zertifikat "
                           "unterschrieben)."),
            {},
            &RunProtocolPdfCommand,
            TCommandApp::Offscreen};
}
