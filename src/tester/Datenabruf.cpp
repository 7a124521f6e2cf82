#include "tester/Datenabruf.h"

#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/FetchStore.h"
#include "store/StagingStore.h"
#include "tester/CommandCodes.h"
#include "tester/Commands.h"

#include <QDateTime>
#include <QSqlError>

const QString TDatenabruf::MsgUebertragungsfehler =
    QStringLiteral("Es ist ein Übertragungsfehler aufgetreten, die Daten wurden nicht übernommen. "
                   "Bitte wiederholen Sie den Vorgang.");

QString TDatenabruf::DatenbankfehlerText(const QString &Fehlertext, bool Uebertragen)
{
    return QStringLiteral("Es ist ein Fehler aufgetreten, die Daten wurden nicht ") +
           (Uebertragen ? QStringLiteral("übertragen.") : QStringLiteral("übernommen.")) +
           QStringLiteral("\r\rFehlertext:\r") + Fehlertext;
}

TDatenabruf::TDatenabruf(TTesterCommands *Commands, const QString &ConnectionName, QObject *parent)
    : QObject(parent), m_commands(Commands), m_connection(ConnectionName)
{
}

QSqlDatabase TDatenabruf::Database() const
{
    return QSqlDatabase::database(m_connection, false);
}

// ---- queries ------------------------------------------------------------------

int TDatenabruf::DeviceNrForBarcode(const QString &Barcode, bool *ok) const
{
    return FindDeviceByBarcode(Database(), Barcode, ok);
}

int TDatenabruf::DeviceNrForRow(const QString &Barcode, int CurrentNr) const
{
    return StagingDeviceFor(Database(), Barcode, CurrentNr);
}

int TDatenabruf::StagingCount() const
{
    return StagingRowCount(Database());
}

int TDatenabruf::ReassignByBarcode(QString *Error)
{
    return ReassignStagingDevices(Database(), Error);
}

bool TDatenabruf::PostRow(TStagingEdit &Row, QString *Error)
{
    Row.PrueflingNr = DeviceNrForRow(Row.Barcode, Row.PrueflingNr);
    return UpdateStagingRow(Database(), Row, Error);
}

bool TDatenabruf::DeleteRow(int LfdNr, QString *Error)
{
    return DeleteStagingRow(Database(), LfdNr, Error);
}

bool TDatenabruf::DeleteShown(const QList<int> &LfdNrs, QString *Error)
{
    return DeleteStagingRows(Database(), LfdNrs, Error);
}

// ---- the transfer -----------------------------------------------------------------

TUebertragBericht TDatenabruf::Transfer()
{
    TUebertragBericht r;
    QSqlDatabase db = Database();
    QList<int> assigned;
    QString error;
    if (!StagingTransferCandidates(db, &assigned, &r.NichtZugeordnet, &error)) {
        r.Beendet = true;
        r.Meldungen << DatenbankfehlerText(DbFehlertext(error), true);
        return r;
    }
    const QSet<int> doppelt = DoppeltMarkierteZeilen(db);
    // Marked rows are counted as such, also those still without a device.
    for (const int lfd : doppelt) {
        QSqlRecord row;
        if (!assigned.contains(lfd) && StagingRow(db, lfd, &row)) {
            ++r.Doppelt;
            --r.NichtZugeordnet;
        }
    }
    for (const int lfd : assigned) {
        // A row that may be stored already waits for the user's word.
        if (doppelt.contains(lfd)) {
            ++r.Doppelt;
            continue;
        }
        const TTransferZeile z = TransferStagingRow(db, lfd);
        switch (z.Schritt) {
        case TTransferSchritt::Uebertragen:
            ++r.Uebertragen;
            emit rowTransferred(lfd, z.PruefungsNr);
            continue;
        case TTransferSchritt::Vergeben:
            ++r.Vergeben;
            continue;
        case TTransferSchritt::NichtZugeordnet:
        case TTransferSchritt::GeraetFehlt:
            ++r.NichtZugeordnet;
            continue;
        case TTransferSchritt::Fehler:
            break;
        }
        SaveFailedSql(z.Anweisung);
        // By its text: SQLite marks any failing step a "connection" error, a
        // refused row too.
        const QString msg = DatenbankfehlerText(DbFehlertext(z.Fehler.text()), true);
        ++r.Fehlgeschlagen;
        r.FehlerZeilen << lfd;
        r.Meldungen << msg;
        emit transferFailed(lfd, msg);
        // Without the server or the file, behind another program's lock, on a full
        // disk or a read-only file every further row would fail the same way (and wait for it).
        const TDbFehlerArt art = DbFehlerArt(z.Fehler.text());
        if (art == TDbFehlerArt::Verbindung || art == TDbFehlerArt::Gesperrt || art == TDbFehlerArt::Voll ||
            art == TDbFehlerArt::Schreibgeschuetzt || art == TDbFehlerArt::Datentraeger) {
            r.Beendet = true;
            break;
        }
    }
    return r;
}

QString TUebertragBericht::Meldung() const
{
    if (Meldungen.isEmpty()) return {};
    QString text;
    if (Meldungen.size() == 1 && FehlerZeilen.size() <= 1) {
        text = Meldungen.first();
    } else {
        QStringList nummern;
        for (const int lfd : FehlerZeilen)
            nummern << QString::number(lfd);
        QStringList texte;
        for (const QString &m : Meldungen) {
            const QString t = m.mid(m.indexOf(QStringLiteral("Fehlertext:\r")) + 12);
            if (!texte.contains(t)) texte << t;
        }
        text = QStringLiteral("Es ist ein Fehler aufgetreten, die Daten wurden nicht übertragen.\r\r"
                              "Nicht übertragen: lfd. Nr. ") +
               nummern.join(QStringLiteral(", ")) + QStringLiteral("\r\rFehlertext:\r") +
               texte.join(QLatin1Char('\r'));
    }
    if (Beendet)
        text += QStringLiteral("\r\rDie Übernahme wurde abgebrochen: %1 Sätze wurden übertragen, die übrigen "
                               "bleiben in der Liste.")
                    .arg(Uebertragen);
    return text;
}
