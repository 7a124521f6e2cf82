#include "tester/Datenabruf.h"

#include "bus/SyncBus.h"
#include "serial/Cate32.h"
#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/StagingStore.h"
#include "tester/CommandCodes.h"
#include "tester/Commands.h"

#include <QDateTime>
#include <QPointer>
#include <QSqlError>

namespace {

QString valueLine(int v)
{
    return QStringLiteral("  ") + QString::number(v) + QLatin1Char(',');
}

QString textLine(const QString &text)
{
    return QStringLiteral("  ") + SqlQuote(text) + QLatin1Char(',');
}

// The thirteen measured values and limits, in the column order of both tables.
const char *const kWerte[] = {"Schutzleiterwid",      "Isolationswid",        "Ableitstrom",
                              "SchutzlStromL1N",      "SchutzlStromNL1",      "BeruehrungsstromL1N",
                              "BeruehrungsstromNL1",  "GrwSchutzleiterwid",   "GrwIsolationswid",
                              "GrwAbleitstrom",       "GrwSchutzleiterstrom", "GrwBeruehrungsstrom",
                              "GrwSchnellabschaltung"};

// While the fetch has the line to itself, answers are taken as their bytes
// come: gathering them for the port's read interval (there for the tester's
// spontaneous reports) would add some 20 ms to each of six exchanges per record.
class TAnswersAtOnce {
public:
    explicit TAnswersAtOnce(TTesterCommands *c) : m_cate(c && c->Bus() ? c->Bus()->Cate() : nullptr)
    {
        if (!m_cate) return;
        m_interval = m_cate->ReadInterval();
        m_cate->setReadInterval(0);
    }
    ~TAnswersAtOnce()
    {
        if (m_cate) m_cate->setReadInterval(m_interval);
    }
    TAnswersAtOnce(const TAnswersAtOnce &) = delete;
    TAnswersAtOnce &operator=(const TAnswersAtOnce &) = delete;

private:
    QPointer<TCate> m_cate;
    quint32 m_interval = 0;
};

} // namespace

const QString TDatenabruf::MsgUebertragungsfehler =
    QStringLiteral("Es ist ein Übertragungsfehler aufgetreten, die Daten wurden nicht übernommen. "
                   "Bitte wiederholen Sie den Vorgang.");
const QString TDatenabruf::MsgVerbindungUnterbrochen =
    QStringLiteral("Die Verbindung zum Gerätetester ist unterbrochen, die Daten wurden nicht übernommen. "
                   "Bitte wiederholen Sie den Vorgang.");

QString TDatenabruf::DatenbankfehlerText(const QString &Fehlertext, bool Uebertragen)
{
    return QStringLiteral("Es ist ein Fehler aufgetreten, die Daten wurden nicht ") +
           (Uebertragen ? QStringLiteral("übertragen.") : QStringLiteral("übernommen.")) +
           QStringLiteral("\r\rFehlertext:\r") + Fehlertext;
}

QString TAbrufBericht::Meldung() const
{
    switch (Ergebnis) {
    case TAbrufErgebnis::Uebertragungsfehler:
        return TDatenabruf::MsgUebertragungsfehler;
    case TAbrufErgebnis::Verbindungsfehler:
        return TDatenabruf::MsgVerbindungUnterbrochen;
    case TAbrufErgebnis::Datenbankfehler:
        return TDatenabruf::DatenbankfehlerText(Fehlertext, false);
    default:
        return {};
    }
}

TDatenabruf::TDatenabruf(TTesterCommands *Commands, const QString &ConnectionName, QObject *parent)
    : QObject(parent), m_commands(Commands), m_connection(ConnectionName)
{
}

QSqlDatabase TDatenabruf::Database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void TDatenabruf::Cancel()
{
    if (m_fetching) m_cancel = true;
}

// ---- queries ------------------------------------------------------------------

int TDatenabruf::MaxRunningNumber(bool *ok) const
{
    return MaxLfdNr(Database(), ok);
}

int TDatenabruf::MaxTestNumber(bool *ok) const
{
    return ::MaxTestNumber(Database(), ok);
}

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

int TDatenabruf::ReassignByBarcode()
{
    return ReassignStagingDevices(Database());
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

bool TDatenabruf::DeleteAll(QString *Error)
{
    return DeleteAllStagingRows(Database(), Error);
}

// ---- SQL text -------------------------------------------------------------------

QStringList TDatenabruf::StagingInsertLines(int LfdNr, const TUebernahmeWerte &W, int DeviceNr,
                                            const QString &DateLiteral, const QString &SerialNumber,
                                            const QString &Operator, const QString &Assessor)
{
    QStringList l{QStringLiteral("INSERT INTO tblUebernahme"), QStringLiteral("  (UNintLfdNr,"),
                  QStringLiteral("  UNstrBarcode,"),           QStringLiteral("  UNintPrueflingNr,"),
                  QStringLiteral("  UNdtmUebernahme,"),        QStringLiteral("  UNstrGTSeriennummer,"),
                  QStringLiteral("  UNintGrenzwertflags,"),    QStringLiteral("  UNintMenueflags,"),
                  QStringLiteral("  UNintSchutzklasseFlags,"), QStringLiteral("  UNintMessablaufFlags,")};
    for (const char *w : kWerte)
        l << QStringLiteral("  UNint") + QLatin1String(w) + QLatin1Char(',');
    l << QStringLiteral("  UNblnPruefungsergebnis,") << QStringLiteral("  UNintSichtpruef,")
      << QStringLiteral("  UNintSchutzklasse,") << QStringLiteral("  UNblnAutomatisch,")
      << QStringLiteral("  UNintDINVDE,") << QStringLiteral("  UNblnExternDiffStr,")
      << QStringLiteral("  UNblnManuGrenz,") << QStringLiteral("  UNintIsolDiff,")
      << QStringLiteral("  UNblnMitBeruehr,") << QStringLiteral("  UNblnAbgebrochen,")
      << QStringLiteral("  UNblnSchnellabbruch,") << QStringLiteral("  UNblnManuellAbbruch,")
      << QStringLiteral("  UNblnGrenzwFehler,") << QStringLiteral("  UNstrNotiz,")
      << QStringLiteral("  UNstrPruefer,") << QStringLiteral("  UNstrBewertender)");

    l << QStringLiteral("VALUES") << QStringLiteral("  (") + QString::number(LfdNr) + QLatin1Char(',')
      << textLine(W.UNstrBarcode) << valueLine(DeviceNr)
      << QStringLiteral("  ") + DateLiteral + QLatin1Char(',') << textLine(SerialNumber)
      << valueLine(W.UNintGrenzwertflags) << valueLine(W.UNintMenueflags)
      << valueLine(W.UNintSchutzklasseFlags) << valueLine(W.UNintMessablaufFlags)
      << valueLine(W.UNintSchutzleiterwid) << valueLine(W.UNintIsolationswid) << valueLine(W.UNintAbleitstrom)
      << valueLine(W.UNintSchutzlStromL1N) << valueLine(W.UNintSchutzlStromNL1)
      << valueLine(W.UNintBeruehrungsstromL1N) << valueLine(W.UNintBeruehrungsstromNL1)
      << valueLine(W.UNintGrwSchutzleiterwid) << valueLine(W.UNintGrwIsolationswid)
      << valueLine(W.UNintGrwAbleitstrom) << valueLine(W.UNintGrwSchutzleiterstrom)
      << valueLine(W.UNintGrwBeruehrungsstrom) << valueLine(W.UNintGrwSchnellabschaltung)
      << valueLine(W.UNblnPruefungsergebnis) << valueLine(W.UNintSichtpruef) << valueLine(W.UNintSchutzklasse)
      << valueLine(W.UNblnAutomatisch) << valueLine(W.UNintDINVDE) << valueLine(W.UNblnExternDiffStr)
      << valueLine(W.UNblnManuGrenz) << valueLine(W.UNintIsolDiff) << valueLine(W.UNblnMitBeruehr)
      << valueLine(W.UNblnAbgebrochen) << valueLine(W.UNblnSchnellabbruch) << valueLine(W.UNblnManuellAbbruch)
      << valueLine(W.UNblnGrenzwFehler) << QStringLiteral("  '',") << textLine(Operator)
      << QStringLiteral("  ") + SqlQuote(Assessor) + QLatin1Char(')');
    return l;
}

// ---- the fetch ------------------------------------------------------------------

TAbrufBericht TDatenabruf::Fetch()
{
    TAbrufBericht b;
    if (m_fetching || !m_commands || !m_commands->IsPortOpen()) return b;
    m_fetching = true;
    m_cancel = false;
    {
        TAnswersAtOnce quick(m_commands);
        b = fetchRecords();
    }
    m_fetching = false;
    m_cancel = false;
    emit fetchFinished(b);
    return b;
}

TAbrufBericht TDatenabruf::fetchRecords()
{
    TAbrufBericht b;
    TSpeicherStand stand;
    if (!m_commands->ReadSpeicherStand(stand) || stand.Anzahl == 0) return b;
    b.Anzahl = stand.Anzahl;
    emit fetchStarted(b.Anzahl);
    if (!m_commands->EepromFunktion(EepromLesenBeginnen)) return b;

    QSqlDatabase db = Database();
    bool ok = false;
    int lfd = MaxRunningNumber(&ok);
    if (!ok || !db.transaction()) {
        b.Ergebnis = TAbrufErgebnis::Datenbankfehler;
        b.Fehlertext = db.lastError().text();
        return b;
    }
    // One moment for the whole fetch.
    const QString date = SqlDateLiteral(QDateTime::currentDateTime());
    int stored = 0;
    for (int i = 1; i <= b.Anzahl; ++i) {
        if (m_cancel) {
            b.Ergebnis = TAbrufErgebnis::Abgebrochen;
            break;
        }
        TSpeicherSatz satz;
        if (!m_commands->ReadSpeicherSatz(satz)) {
            b.Ergebnis = TAbrufErgebnis::Uebertragungsfehler;
            break;
        }
        const TUebernahmeWerte w = DecodeSpeicherSatz(satz);
        const int device = DeviceNrForBarcode(w.UNstrBarcode, &ok);
        const QStringList lines =
            StagingInsertLines(lfd + 1, w, device, date, m_serialNumber, m_operator, m_assessor);
        QString error;
        int rows = 0;
        if (!ok || !ExecLines(db, lines, &error, &rows)) {
            if (error.isEmpty()) error = db.lastError().text();
            SaveFailedSql(lines.join(QLatin1Char('\n')));
            b.Ergebnis = TAbrufErgebnis::Datenbankfehler;
            b.Fehlertext = error;
            break;
        }
        if (rows != 1) {
            b.Ergebnis = TAbrufErgebnis::Uebertragungsfehler;
            break;
        }
        ++lfd;
        // An unanswered acknowledgement leaves open whether the tester moved
        // on; reading on could store one record twice and skip another.
        if (!m_commands->EepromFunktion(EepromSatzGelesen)) {
            b.Ergebnis = TAbrufErgebnis::Uebertragungsfehler;
            break;
        }
        ++stored;
        emit recordStored(i, b.Anzahl, lfd, w.UNstrBarcode);
    }
    if (b.Ergebnis == TAbrufErgebnis::Nichts && m_cancel) b.Ergebnis = TAbrufErgebnis::Abgebrochen;
    if (b.Ergebnis != TAbrufErgebnis::Nichts) {
        db.rollback();
        return b;
    }

    bool cleared = m_commands->EepromFunktion(EepromLesenBeenden);
    if (!cleared) {
        // The answer may be lost while the tester did clear its memory: then
        // the rows here are the only copy and must be kept.
        TSpeicherStand after;
        cleared = m_commands->ReadSpeicherStand(after) && after.Anzahl == 0;
    }
    if (!cleared) {
        db.rollback();
        b.Ergebnis = TAbrufErgebnis::Verbindungsfehler;
        return b;
    }
    if (!db.commit()) {
        b.Ergebnis = TAbrufErgebnis::Datenbankfehler;
        b.Fehlertext = db.lastError().text();
        db.rollback();
        return b;
    }
    b.Ergebnis = TAbrufErgebnis::Abgerufen;
    b.Gespeichert = stored;
    return b;
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
    for (const int lfd : assigned) {
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
        // Without the server, or behind another program's lock, every further
        // row would fail the same way (and wait for it).
        const TDbFehlerArt art = DbFehlerArt(z.Fehler.text());
        if (art == TDbFehlerArt::Verbindung || art == TDbFehlerArt::Gesperrt) {
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
