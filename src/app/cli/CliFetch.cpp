#include "app/cli/CliFetch.h"

#include "app/cli/CliSupport.h"
#include "store/FetchStore.h"
#include "tester/Commands.h"
#include "tester/Datenabruf.h"

#include <QCoreApplication>

int RunFetchCommand(const QStringList &)
{
    const TConfiguration config = cli::ReadProgramConfiguration();
    cli::TCliDatabase database(config, QStringLiteral("gt_fetch_cli"));
    if (!database.ok())
        return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + database.error());

    TDatenabruf abruf(nullptr, database.connectionName());
    const int waiting = abruf.StagingCount();
    // Rows of a fetch whose clearing the tester never confirmed do not stand
    // in the way: fetching again is how their doubles are found.
    if (waiting > 0 && !UnbestaetigterAbruf(abruf.Database()))
        return cli::Fail(
            QStringLiteral("In der Übernahmeliste stehen noch %1 Sätze; erst übertragen oder löschen, "
                           "dann abrufen.")
                .arg(waiting));

    cli::TCliTesterLink link(config);
    QString error;
    if (!link.open(&error)) return cli::Fail(error);
    TTesterCommands *commands = link.commands();
    // The tester may still report on its own from an earlier session.
    commands->SendAutosend(0);
    const QString serial = commands->ReadSerialNumber();
    if (serial.isEmpty()) return cli::Fail(QStringLiteral("Der Gerätetester antwortet nicht."));

    abruf.setCommands(commands);
    abruf.setSerialNumber(serial);
    abruf.setOperator(config.Operator);
    abruf.setAssessor(config.Assessor);
    QObject::connect(&abruf, &TDatenabruf::recordRead, &abruf,
                     [](int index, int count, const QString &barcode) {
                         cli::PrintError(QStringLiteral("Satz %1 von %2 gelesen, Barcode: %3")
                                             .arg(index)
                                             .arg(count)
                                             .arg(barcode.isEmpty() ? QStringLiteral("-") : barcode));
                     });
    const TAbrufBericht b = abruf.Fetch();
    switch (b.Ergebnis) {
    case TAbrufErgebnis::Abgerufen:
        cli::PrintError(QStringLiteral("%1 Sätze abgerufen").arg(b.Gespeichert));
        if (b.Doppelt > 0) cli::PrintError(TDatenabruf::DoppeltText(b.Doppelt));
        return 0;
    case TAbrufErgebnis::Unbestaetigt:
        // Stored, but not finished: the tester may still hold the records.
        cli::PrintError(QStringLiteral("%1 Sätze abgerufen").arg(b.Gespeichert));
        return cli::Fail(b.Meldung().replace(QLatin1Char('\r'), QLatin1Char('\n')));
    case TAbrufErgebnis::Nichts:
        if (b.Anzahl == 0) {
            cli::PrintError(QStringLiteral("0 Sätze abgerufen"));
            return 0;
        }
        return cli::Fail(
            QStringLiteral("Der Gerätetester hat den Abruf nicht begonnen; nichts wurde übernommen."));
    default:
        return cli::Fail(b.Meldung().replace(QLatin1Char('\r'), QLatin1Char('\n')));
    }
}
