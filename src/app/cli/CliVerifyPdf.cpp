#include "app/cli/CliVerifyPdf.h"

#include "app/cli/CliSupport.h"
#include "protocols/PdfSigner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

int RunVerifyPdfCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--verify-pdf"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --verify-pdf DATEI.pdf"));
    const QString &fileName = args[at + 1];
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return cli::Fail(QStringLiteral("Die Datei „%1“ kann nicht gelesen werden.").arg(shown));
    const TPdfSignatureCheck check = CheckPdfSignature(file.readAll());

    cli::Say(QStringLiteral("Datei: %1").arg(shown));
    if (!check.found) {
        cli::Say(QStringLiteral("Ergebnis: nicht unterschrieben. ") + check.problem);
        return 1;
    }
    cli::Say(QStringLiteral("Unterschrieben von: %1").arg(check.signer));
    if (check.signedAt.isValid())
        cli::Say(QStringLiteral("Unterschrieben am: %1 UTC")
                     .arg(check.signedAt.toUTC().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))));
    if (!check.unchanged) {
        cli::Say(QStringLiteral("Ergebnis: UNGÜLTIG. ") + check.problem);
        return 1;
    }
    cli::Say(QStringLiteral("Ergebnis: gültig, das Dokument ist seit dem Unterschreiben unverändert."));
    cli::Say(QStringLiteral("Hinweis: Das Zertifikat wurde nicht gegen eine Zertifizierungsstelle geprüft; "
                            "ob es dem Unterzeichner gehört, ist damit nicht belegt."));
    return 0;
}

TCommand VerifyPdfCommand()
{
    return {QStringLiteral("verify-pdf"),
            {QStringLiteral("DATEI")},
            QStringLiteral(
                "Prüft die Unterschrift eines PDF-Protokolls: wer unterschrieb, ob es unverändert ist."),
            {},
            &RunVerifyPdfCommand,
            TCommandApp::Core};
}
