#include "store/BrowserData.h"

#include "core/FormatSettings.h"
#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/TestRecord.h"
#include "store/Transactions.h"
#include "store/Verdict.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kKunden = QStringLiteral("KDintKundenNr");
const QString kPruefling = QStringLiteral("PLintPrueflingNr");
const QString kPruefung = QStringLiteral("PRintPruefungsNr");

} // namespace

namespace {

// The seven measured rows with their limits and limit LEDs, and the quick-cut row.
void fillMeasuredRows(TTestDisplay &d, const TWerteSatz &w)
{
    const TWerteSatz *t = &w;
    const int g = t->Grenzwertflags;
    const struct {
        QString value;
        bool hasLimit; // the reversed rows share the limit of the row above
        // Limits in the unit of their caption: the stored integer is in mOhm,
        // kOhm or 0.01 mA and would read a thousand or a hundred times too high.
        QString limit;
    } rows[7] = {
        {FormatResistanceMilliohm(t->Schutzleiterwid), true, FormatResistanceMilliohm(t->GrwSchutzleiterwid)},
        {FormatInsulationMegohm(t->Isolationswid), true, FormatInsulationMegohm(t->GrwIsolationswid)},
        {FormatLeakageMilliampere(t->Ableitstrom), true, FormatLeakageMilliampere(t->GrwAbleitstrom)},
        {FormatCurrentMilliampere(t->SchutzlStromL1N), true,
         FormatCurrentMilliampere(t->GrwSchutzleiterstrom)},
        {FormatCurrentMilliampere(t->SchutzlStromNL1), false, {}},
        {FormatCurrentMilliampere(t->BeruehrungsstromL1N), true,
         FormatCurrentMilliampere(t->GrwBeruehrungsstrom)},
        {FormatCurrentMilliampere(t->BeruehrungsstromNL1), false, {}}};
    for (int i = 0; i < 7; ++i) {
        TMeasRowDisplay &r = d.rows[size_t(i)];
        r.enabled = (d.mask & (1 << i)) != 0;
        r.value = rows[i].value;
        if (rows[i].hasLimit) r.limit = rows[i].limit.trimmed();
        r.led = (g & (1 << i)) != 0;
    }
    TMeasRowDisplay &cut = d.rows[7];
    cut.enabled = (d.mask & 0x78) != 0;
    cut.value = FormatCurrentMilliampere(t->GrwSchnellabschaltung);
    cut.led = t->Schnellabbruch;
}

} // namespace

TTestDisplay ComputeTestDisplay(const TWerteSatz *t)
{
    TTestDisplay d;
    if (!t) {
        d.protText = QStringLiteral("Prot.: ---");
        d.isolText = QStringLiteral("ohne Isol.-Pr.");
        return d;
    }
    d.hasTest = true;
    d.led0701 = t->DINVDE == 0;
    d.led0702 = t->DINVDE == 1;
    d.led0751 = t->DINVDE == 2;
    if (t->DINVDE == 2) {
        d.protText =
            t->Protokolltyp != 0 ? QStringLiteral("Prot.: 3-seitig") : QStringLiteral("Prot.: 1-seitig");
        d.erstChecked = t->SichWied == 0;
        d.wiederChecked = t->SichWied == 1;
        d.protEnabled = true;
    } else {
        d.protText = QStringLiteral("Prot.: Standard");
    }
    d.funktIndex = t->FunktPruefBest;
    switch (t->IsolDiff) {
    case 0:
        d.isolText = QStringLiteral("ohne Isol.-Pr.");
        break;
    case 1:
        d.isolText = QStringLiteral("mit Isol.-Pr.");
        break;
    case 2:
        d.isolText = t->DINVDE == 2 ? QStringLiteral("DiffStr.-Mess") : QStringLiteral("Isol. und Diff.");
        break;
    default:
        break;
    }
    d.klasseText = FormatSchutzklasse(t->Schutzklasse);
    d.sichtText = t->Sichtpruef == 0   ? QStringLiteral("nein")
                  : t->Sichtpruef == 1 ? QStringLiteral("ja")
                                       : QStringLiteral("---");
    d.gesamtText = t->Gesamtbew == 0   ? QStringLiteral("NEIN")
                   : t->Gesamtbew == 1 ? QStringLiteral("JA")
                                       : QStringLiteral("---");
    d.serial = t->GTSeriennummer;
    d.datum = t->Datum.isValid() ? FormatDateTime(t->Datum) : QString();
    d.notiz = t->Notiz;
    d.pruefer = t->Pruefer;
    d.bewertender = t->Bewertender;
    d.protNr = t->ProtokollNr;
    d.automatisch = t->Automatisch;
    d.manuGrenz = t->ManuGrenz;
    d.mitBeruehr = t->MitBeruehr;
    d.abgebrochen = t->Abgebrochen;
    d.grenzwFehler = t->GrenzwFehler;
    // Bit 0x80 (the main window's live leakage display) means nothing here.
    d.mask = ComputeEnableMask(t->IsolDiff, t->DINVDE, t->MitBeruehr, t->Schutzklasse) & 0x7F;

    fillMeasuredRows(d, *t);
    return d;
}

QString DuplicateBarcodeMessage()
{
    return QStringLiteral("Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer.\r"
                          "Barcodenummern müssen jedoch leer oder eindeutig sein.");
}

TBrowserData::TBrowserData(QObject *parent) : QObject(parent)
{
    Customers = new TBrowseSet(QStringLiteral("tblKunden"), kKunden, QString(), this);
    Devices =
        new TBrowseSet(QStringLiteral("tblPruefling"), kPruefling, QStringLiteral("PLintKundenNr"), this);
    Tests =
        new TBrowseSet(QStringLiteral("tblPruefung"), kPruefung, QStringLiteral("PRintPrueflingNr"), this);
    Devices->setParentTable(
        QStringLiteral("tblKunden"), kKunden,
        QStringLiteral("Der Kunde wurde inzwischen an einem anderen Arbeitsplatz gelöscht; "
                       "der Prüfling ist nicht gespeichert."));
    Tests->setParentTable(
        QStringLiteral("tblPruefling"), kPruefling,
        QStringLiteral("Der Prüfling wurde inzwischen an einem anderen Arbeitsplatz gelöscht; "
                       "die Prüfung ist nicht gespeichert."));

    connect(Customers, &TBrowseSet::scrolled, this, &TBrowserData::customerScrolled);
    connect(Devices, &TBrowseSet::scrolled, this, &TBrowserData::deviceScrolled);
    connect(Tests, &TBrowseSet::scrolled, this, &TBrowserData::testScrolled);
    connect(Tests, &TBrowseSet::valuesChanged, this, [this] {
        if (m_freeze == 0) emit testChanged();
    });

    // A level's pending edit belongs to the row above it: written before that row changes.
    auto postDetails = [this](std::initializer_list<TBrowseSet *> sets) {
        for (TBrowseSet *s : sets) {
            QString error;
            if (!s->Post(&error)) {
                postFailed(s, error);
                return false;
            }
        }
        return true;
    };
    for (TBrowseSet *s : {Customers, Devices, Tests})
        connect(s, &TBrowseSet::postFailed, this, [this, s](const QString &error) { postFailed(s, error); });
    // However the device row is left (a field, a button that takes no focus,
    // the search, the list, closing), its barcode is checked the same way.
    Devices->ValidatePost = [this](QString *error) { return barcodeIsFree(error); };
    Customers->BeforeScroll = [postDetails, this] { return postDetails({Devices, Tests}); };
    Devices->BeforeScroll = [postDetails, this] { return postDetails({Tests}); };

    // The key of a new row is taken by the set inside the INSERT's transaction.
    connect(Devices, &TBrowseSet::beforePost, this,
            [this] { Devices->SetValue(QStringLiteral("PLintKundenNr"), Customers->CurrentKey()); });
}

void TBrowserData::setDatabase(const QSqlDatabase &db)
{
    m_db = db;
    Customers->setDatabase(db);
    Devices->setDatabase(db);
    Tests->setDatabase(db);
}

bool TBrowserData::Open(int aktCheckNumber, QString *error)
{
    int device = 0, customer = 0;
    if (aktCheckNumber != 0) LookupTestOwner(m_db, aktCheckNumber, device, customer);
    // The chain runs once, for the customer finally chosen.
    Customers->DisableControls();
    const bool ok = Customers->Open(0, error);
    bool found = false;
    if (ok && device != 0 && customer != 0) found = Customers->Locate(customer);
    Customers->EnableControls();
    if (!ok) return false;
    if (found && Devices->Locate(device)) Tests->Locate(aktCheckNumber);
    return true;
}

int TBrowserData::Close()
{
    PostAll();
    const int current = Tests->Active() ? Tests->CurrentKey() : 0;
    Tests->Close();
    Devices->Close();
    Customers->Close();
    m_rows.clear();
    return current;
}

bool TBrowserData::PostAll(QString *error)
{
    for (TBrowseSet *s : {Customers, Devices, Tests}) {
        QString e;
        if (!s->Post(&e)) {
            // Told once: by the caller when it asked for the text, else here.
            if (error) {
                *error = duplicateBarcode(s, e) ? DuplicateBarcodeMessage() : e;
                m_barcodeRefused = false;
            } else {
                postFailed(s, e);
            }
            s->Cancel();
            return false;
        }
    }
    return true;
}

bool TBrowserData::barcodeIsFree(QString *error)
{
    m_barcodeRefused = false;
    const QString field = QStringLiteral("PLstrBarcode");
    if (!Devices->FieldChanged(field)) return true;
    switch (CheckBarcode(Devices->Text(field), error)) {
    case TBarcodeCheck::Unique:
        return true;
    case TBarcodeCheck::Duplicate:
        m_barcodeRefused = true;
        if (error) *error = DuplicateBarcodeMessage();
        return false;
    case TBarcodeCheck::Failed:
        break;
    }
    return false;
}

bool TBrowserData::duplicateBarcode(TBrowseSet *set, const QString &error) const
{
    if (set != Devices) return false;
    if (m_barcodeRefused) return true;
    // Taken by another workstation after the check: the unique index refuses the write.
    return Devices->FieldChanged(QStringLiteral("PLstrBarcode")) &&
           DbFehlerArt(error) == TDbFehlerArt::Doppelt;
}

void TBrowserData::postFailed(TBrowseSet *set, const QString &error)
{
    if (duplicateBarcode(set, error)) {
        m_barcodeRefused = false;
        Devices->Cancel();
        emit refused(DuplicateBarcodeMessage());
        return;
    }
    emit failed(error);
}

void TBrowserData::customerScrolled()
{
    const int key = Customers->Active() ? Customers->CurrentKey() : 0;
    if (Customers->Active())
        Devices->Open(key);
    else
        Devices->Close();
    emit customerChanged();
}

void TBrowserData::deviceScrolled()
{
    Tests->DisableControls();
    if (Devices->Active()) {
        Tests->Open(Devices->CurrentKey(), nullptr, true); // on the newest test
    } else {
        Tests->Close();
    }
    Tests->EnableControls();
    emit deviceChanged();
}

void TBrowserData::testScrolled()
{
    if (m_freeze > 0) {
        m_testPending = true;
        return;
    }
    m_rows.clear();
    if (Tests->Active() && Tests->CurrentKey() != 0) LoadSichtprRows(m_db, Tests->CurrentKey(), m_rows);
    emit testChanged();
}

void TBrowserData::Freeze()
{
    ++m_freeze;
}

void TBrowserData::Thaw()
{
    if (m_freeze > 0) --m_freeze;
    if (m_freeze == 0 && m_testPending) {
        m_testPending = false;
        testScrolled();
    }
}

TWerteSatz TBrowserData::CurrentTestValues() const
{
    TWerteSatz w{};
    if (Tests->Active() && Tests->CurrentKey() != 0) {
        FillRecordFromRecord(w, Tests->Record());
        w.Sichtpr = m_rows;
    }
    return w;
}

TTestDisplay TBrowserData::Display() const
{
    if (!Tests->Active() || Tests->IsEmpty() || Tests->CurrentKey() == 0) return ComputeTestDisplay(nullptr);
    TWerteSatz w = CurrentTestValues();
    // The verdict as stored, which the protocol also prints; recomputed here
    // without the inspection rows it could say "JA" for a device with defects.
    const QVariant stored = Tests->Value(QStringLiteral("PRintGesamtbew"));
    w.Gesamtbew = stored.isNull() ? -1 : FieldInt(stored);
    return ComputeTestDisplay(&w);
}

bool TBrowserData::FillRecord(TWerteSatz &w, bool withRows, QString *error)
{
    if (!PostAll(error)) return false;
    if (!Tests->Active() || Tests->CurrentKey() == 0) {
        if (error) *error = QStringLiteral("Keine Prüfung ausgewählt.");
        return false;
    }
    return LoadTestRecord(m_db, Tests->CurrentKey(), withRows, w, error);
}

bool TBrowserData::SetSichWied(int value, QString *error)
{
    if (!Tests->Active() || Tests->IsEmpty() || Tests->CurrentKey() == 0) return false;
    if (Tests->Int(QStringLiteral("PRintSichWied")) == value) return true;
    Tests->SetValue(QStringLiteral("PRintSichWied"), value);
    return Tests->Post(error);
}

bool TBrowserData::SetFunktPruef(int index, QString *error)
{
    if (!Tests->Active() || Tests->IsEmpty() || Tests->CurrentKey() == 0) return false;
    if (Tests->Int(QStringLiteral("PRintFunktPruefBest")) != index) {
        Tests->SetValue(QStringLiteral("PRintFunktPruefBest"), index);
        if (!Tests->Post(error)) return false;
    }
    if (!PostAll(error) || !StoreRecomputedVerdict(m_db, Tests->CurrentKey(), nullptr, error)) return false;
    return Tests->Refresh(error);
}

bool TBrowserData::ResetProtocolType(QString *error)
{
    if (!Tests->Active() || Tests->CurrentKey() == 0) return false;
    if (!PostAll(error)) return false;
    int affected = 0;
    if (!ExecLines(m_db,
                   {QStringLiteral("UPDATE tblPruefung"), QStringLiteral("SET PRintProtokolltyp = 0"),
                    QStringLiteral("WHERE (PRintPruefungsNr = %1)").arg(Tests->CurrentKey()),
                    QStringLiteral("  AND (PRintProtokolltyp = 1)")},
                   error, &affected))
        return false;
    // The one-page verdict reads the overall visual inspection, not the rows.
    if (affected > 0)
        return StoreRecomputedVerdict(m_db, Tests->CurrentKey(), nullptr, error) && Tests->Refresh(error);
    return true;
}

TBarcodeCheck TBrowserData::CheckBarcode(const QString &barcode, QString *error)
{
    // Empty barcodes are allowed on any number of devices.
    if (barcode.isEmpty()) return TBarcodeCheck::Unique;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    bool ok = q.prepare(QStringLiteral("SELECT COUNT(*) AS Anzahl\nFROM tblPruefling\n"
                                       "WHERE (PLstrBarcode = ?)\n  AND (PLintPrueflingNr <> ?)"));
    q.addBindValue(barcode);
    q.addBindValue(Devices->CurrentKey());
    if (!ok || !q.exec() || !q.next()) {
        if (error)
            *error = QStringLiteral("Der Barcode kann nicht geprüft werden; der Prüfling wurde nicht "
                                    "gespeichert.\n") +
                     DbFehlertext(q.lastError());
        return TBarcodeCheck::Failed;
    }
    return FieldInt(q.value(0)) == 0 ? TBarcodeCheck::Unique : TBarcodeCheck::Duplicate;
}

TBarcodeCheck TBrowserData::PostBarcode(const QString &barcode, QString *error)
{
    if (Devices->State() != dsEdit && Devices->State() != dsInsert) return TBarcodeCheck::Unique;
    // The field's text is what the set holds already; the post checks it.
    Devices->SetValue(QStringLiteral("PLstrBarcode"), barcode);
    QString why;
    if (Devices->Post(&why)) return TBarcodeCheck::Unique;
    const bool duplicate = duplicateBarcode(Devices, why);
    if (error) *error = duplicate ? DuplicateBarcodeMessage() : why;
    m_barcodeRefused = false;
    Devices->Cancel();
    return duplicate ? TBarcodeCheck::Duplicate : TBarcodeCheck::Failed;
}

bool TBrowserData::InsertCustomer(QString *)
{
    // Only a proposal until the row is stored.
    return Customers->Insert({{kKunden, ProposedKey(m_db, QStringLiteral("tblKunden"), kKunden)}});
}

bool TBrowserData::InsertDevice(QString *error)
{
    if (Customers->CurrentKey() == 0) return false;
    // A customer still being entered is written first: the device refers to it.
    if (!Customers->Post(error)) return false;
    if (Customers->State() == dsInsert) {
        if (error) *error = QStringLiteral("Bitte zuerst den neuen Kunden eingeben.");
        return false;
    }
    return Devices->Insert({{kPruefling, ProposedKey(m_db, QStringLiteral("tblPruefling"), kPruefling)},
                            {QStringLiteral("PLintKundenNr"), Customers->CurrentKey()}});
}

bool TBrowserData::DeleteCustomer(QString *error)
{
    if (Customers->State() == dsInsert) {
        Customers->Cancel();
        return true;
    }
    const int c = Customers->CurrentKey();
    if (c == 0) return false;
    Freeze();
    Tests->Cancel();
    Devices->Cancel();
    Customers->Cancel();
    // Children and the customer in one transaction: a failure leaves all of it.
    const bool ok = DeleteCustomerCascade(m_db, c, true, error);
    if (ok) Customers->RemoveCurrent();
    Thaw();
    return ok;
}

bool TBrowserData::DeleteDevice(QString *error)
{
    if (Devices->State() == dsInsert) {
        Devices->Cancel();
        return true;
    }
    const int p = Devices->CurrentKey();
    if (p == 0) return false;
    Freeze();
    Tests->Cancel();
    Devices->Cancel();
    const bool ok = DeleteDeviceCascade(m_db, p, true, error);
    if (ok) Devices->RemoveCurrent();
    Thaw();
    return ok;
}

bool TBrowserData::DeleteTest(QString *error)
{
    const int t = Tests->CurrentKey();
    if (t == 0) return false;
    Tests->Cancel();
    const bool ok = DeleteTestCascade(m_db, t, true, error);
    if (ok) Tests->RemoveCurrent();
    return ok;
}

bool TBrowserData::JumpTo(int kundenNr, int prueflingNr, int pruefungsNr)
{
    if (!Customers->Locate(kundenNr)) return false;
    if (prueflingNr != 0 && !Devices->Locate(prueflingNr)) return false;
    if (pruefungsNr != 0) Tests->Locate(pruefungsNr);
    return true;
}

QList<TSearchHit> TBrowserData::Search(const QString &text, int limit, QString *error)
{
    TBrowserSearch search;
    QList<TSearchHit> hits;
    if (search.Run(m_db, text, error)) search.Hits(0, limit, hits, error);
    return hits;
}
