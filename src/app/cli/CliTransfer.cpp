#include "app/cli/CliFetch.h"

#include "app/cli/CliSupport.h"
#include "store/DbErrors.h"
#include "tester/Datenabruf.h"

int RunTransferCommand(const QStringList &)
{
    const TConfiguration config = cli::ReadProgramConfiguration();
    cli::TCliDatabase database(config, QStringLiteral("gt_transfer_cli"));
    if (!database.ok())
        return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + database.error());

    TDatenabruf abruf(nullptr, database.connectionName());
    // As the dialog does when it shows the list: devices created since the
    // fetch are found by their barcodes.
    QString error;
    if (abruf.ReassignByBarcode(&error) < 0)
        // Rows left unassigned would be reported as "nicht zugeordnet" and the run as done.
        return cli::Fail(TDatenabruf::DatenbankfehlerText(DbFehlertext(error), true)
                             .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    const TUebertragBericht r = abruf.Transfer();
    // All failed rows in one message, as the dialog shows them.
    QString meldung = r.Meldung();
    if (!meldung.isEmpty()) cli::PrintError(meldung.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QString summary =
        QStringLiteral("%1 Sätze übertragen, %2 nicht zugeordnet").arg(r.Uebertragen).arg(r.NichtZugeordnet);
    if (r.Vergeben > 0)
        summary += QStringLiteral(", %1 schon von einem anderen Arbeitsplatz übertragen").arg(r.Vergeben);
    if (r.Doppelt > 0)
        summary += QStringLiteral(", %1 möglicherweise doppelt (nicht übertragen)").arg(r.Doppelt);
    if (r.Fehlgeschlagen > 0)
        summary += QStringLiteral(", %1 nicht übertragen (Fehler)").arg(r.Fehlgeschlagen);
    cli::PrintError(summary);
    return r.Fehlgeschlagen > 0 || r.Beendet ? 1 : 0;
}
