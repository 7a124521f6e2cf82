// The fetch: reading the tester's stored records and storing them before the
// tester is told to clear, so that no failure anywhere loses a record.

#include "tester/Datenabruf.h"

#include "bus/SyncBus.h"
#include "serial/Cate32.h"
#include "store/Database.h"
#include "store/FetchStore.h"
#include "tester/CommandCodes.h"
#include "tester/Commands.h"

#include <QPointer>

namespace {

// Reading is harmless, so a record or the count is asked again this often
// (each ask has the bus engine's own retries) before the line counts as broken.
constexpr int kLeseVersuche = 3;

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

const QString TDatenabruf::MsgKeineAntwort = QStringLiteral("Der Gerätetester antwortet nicht.");
const QString TDatenabruf::MsgUnbestaetigt = QStringLiteral(
    "Die Daten wurden übernommen, aber der Gerätetester hat das Löschen seines Speichers nicht "
    "bestätigt. Er enthält die Sätze möglicherweise noch; ein späterer Abruf erkennt sie und "
    "markiert sie in der Liste als doppelt.");

QString TDatenabruf::DoppeltText(int Doppelt)
{
    if (Doppelt <= 0) return {};
    return QStringLiteral(
               "%1 der abgerufenen Sätze sind möglicherweise schon gespeichert (gleicher Inhalt wie "
               "bei einem früheren, unbestätigten Abruf). Sie sind in der Liste als doppelt "
               "markiert und werden erst übertragen, wenn die Markierung aufgehoben ist.")
        .arg(Doppelt);
}

QString TAbrufBericht::Meldung() const
{
    switch (Ergebnis) {
    case TAbrufErgebnis::Uebertragungsfehler:
        return TDatenabruf::MsgUebertragungsfehler;
    case TAbrufErgebnis::Datenbankfehler:
        return TDatenabruf::DatenbankfehlerText(Fehlertext, false);
    case TAbrufErgebnis::KeineAntwort:
        return TDatenabruf::MsgKeineAntwort;
    case TAbrufErgebnis::Unbestaetigt:
        return Doppelt > 0
                   ? TDatenabruf::MsgUnbestaetigt + QStringLiteral("\r\r") + TDatenabruf::DoppeltText(Doppelt)
                   : TDatenabruf::MsgUnbestaetigt;
    case TAbrufErgebnis::Abgerufen:
        return TDatenabruf::DoppeltText(Doppelt);
    default:
        return {};
    }
}

void TDatenabruf::Cancel()
{
    if (m_fetching) m_cancel = true;
}

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

bool TDatenabruf::StoredCount(int &Count)
{
    if (m_fetching || !m_commands || !m_commands->IsPortOpen()) return false;
    return readCount(Count);
}

bool TDatenabruf::readCount(int &Count)
{
    TSpeicherStand stand;
    for (int i = 0; i < kLeseVersuche && m_commands->IsPortOpen(); ++i) {
        if (m_commands->ReadSpeicherStand(stand)) {
            Count = stand.Anzahl;
            return true;
        }
    }
    return false;
}

bool TDatenabruf::readRecord(TSpeicherSatz &Satz)
{
    for (int i = 0; i < kLeseVersuche && m_commands->IsPortOpen(); ++i)
        if (m_commands->ReadSpeicherSatz(Satz)) return true;
    return false;
}

// "S" must reach the tester exactly once: twice would skip a record, never
// would read one record twice. A lost answer leaves open whether it arrived,
// so the record under the pointer is read again (reading does not move it):
// another record means the tester moved on, and its pieces are kept in Next;
// the same record means it did not, unless the next record is equal to this
// one, which the answers cannot tell apart, so the fetch gives up then.
// After the last record nothing can be skipped, so "S" is simply sent again.
bool TDatenabruf::acknowledge(const TSpeicherSatz &Satz, bool Last, TSpeicherSatz &Next, bool &HaveNext)
{
    for (int i = 0; i < kLeseVersuche && m_commands->IsPortOpen(); ++i) {
        if (m_commands->EepromFunktion(EepromSatzGelesen)) return true;
        // Read twice: the decision rests on these bytes, so a damaged frame
        // that happened to pass its checksum must not decide it.
        TSpeicherSatz again, check;
        if (!readRecord(again) || !readRecord(check) || again.Bytes != check.Bytes) return false;
        if (again.Bytes != Satz.Bytes) {
            if (!Last) {
                Next = again;
                HaveNext = true;
            }
            return true;
        }
        if (!Last) return false;
    }
    return false;
}

TAbrufBericht TDatenabruf::fetchRecords()
{
    TAbrufBericht b;
    if (!readCount(b.Anzahl)) {
        b.Ergebnis = TAbrufErgebnis::KeineAntwort;
        return b;
    }
    QSqlDatabase db = Database();
    if (b.Anzahl == 0) {
        // An empty tester holds nothing of earlier fetches either.
        AbrufGeloeschtBestaetigen(db, m_serialNumber);
        return b;
    }
    emit fetchStarted(b.Anzahl);
    // Reading the tester is pointless when the rows cannot be stored.
    if (!AbrufSpeicherBereit(db, &b.Fehlertext)) {
        b.Ergebnis = TAbrufErgebnis::Datenbankfehler;
        return b;
    }
    if (!m_commands->EepromFunktion(EepromLesenBeginnen)) return b;

    QList<TSpeicherSatz> saetze;
    TSpeicherSatz next;
    bool haveNext = false;
    for (int i = 1; i <= b.Anzahl; ++i) {
        if (m_cancel) {
            b.Ergebnis = TAbrufErgebnis::Abgebrochen;
            return b;
        }
        TSpeicherSatz satz = next;
        if (!haveNext && !readRecord(satz)) {
            b.Ergebnis = TAbrufErgebnis::Uebertragungsfehler;
            return b;
        }
        haveNext = false;
        if (!acknowledge(satz, i == b.Anzahl, next, haveNext)) {
            b.Ergebnis = TAbrufErgebnis::Uebertragungsfehler;
            return b;
        }
        saetze << satz;
        emit recordRead(i, b.Anzahl, DecodeBarcode(satz));
    }
    if (m_cancel) {
        b.Ergebnis = TAbrufErgebnis::Abgebrochen;
        return b;
    }
    return storeAndClear(b, saetze);
}

// Durable first: the tester hears "C" only once the rows are committed.
TAbrufBericht TDatenabruf::storeAndClear(TAbrufBericht b, const QList<TSpeicherSatz> &Saetze)
{
    QSqlDatabase db = Database();
    const TAbrufKopf kopf{m_serialNumber, m_operator, m_assessor, QDateTime::currentDateTime()};
    QList<TAbrufSatz> rows;
    for (const TSpeicherSatz &s : Saetze) {
        TAbrufSatz row{DecodeSpeicherSatz(s), 0};
        bool ok = true;
        row.PrueflingNr = DeviceNrForBarcode(row.Werte.UNstrBarcode, &ok);
        if (!ok) row.PrueflingNr = 0; // assigned later by its barcode
        rows << row;
    }
    const TAbrufSpeicherung st = AbrufSpeichern(db, kopf, rows);
    if (!st.Ok) {
        if (!st.Anweisung.isEmpty()) SaveFailedSql(st.Anweisung);
        b.Ergebnis = TAbrufErgebnis::Datenbankfehler;
        b.Fehlertext = st.Fehlertext;
        return b;
    }
    b.Gespeichert = int(st.LfdNrs.size());
    b.Doppelt = st.Doppelt;

    bool cleared = m_commands->EepromFunktion(EepromLesenBeenden);
    if (!cleared) {
        // The answer may be lost while the tester did clear its memory.
        int left = -1;
        cleared = readCount(left) && left == 0;
    }
    if (!cleared) {
        b.Ergebnis = TAbrufErgebnis::Unbestaetigt;
        return b;
    }
    // Failing here only leaves a later fetch comparing more than it needs to.
    AbrufGeloeschtBestaetigen(db, m_serialNumber);
    b.Ergebnis = TAbrufErgebnis::Abgerufen;
    return b;
}
