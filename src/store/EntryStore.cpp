#include "store/EntryStore.h"

#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/Transactions.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <functional>

namespace {

bool allEmpty(std::initializer_list<const QString *> texts)
{
    for (const QString *t : texts)
        if (!t->trimmed().isEmpty()) return false;
    return true;
}

bool execOrReport(QSqlQuery &q, QString *error)
{
    if (q.exec()) return true;
    SaveFailedSql(StatementWithValues(q));
    if (error) *error = DbFehlertext(q.lastError());
    return false;
}

// Runs body inside a transaction; commits when it returns Stored.
TEntryResult inTransaction(QSqlDatabase db, QString *error, const std::function<TEntryResult()> &body)
{
    if (!db.transaction()) {
        if (error) *error = DbFehlertext(db.lastError());
        return TEntryResult::Failed;
    }
    TEntryResult r = body();
    if (r == TEntryResult::Stored && !db.commit()) {
        if (error) *error = DbFehlertext(db.lastError());
        r = TEntryResult::Failed;
    }
    if (r != TEntryResult::Stored) db.rollback();
    return r;
}

int countOf(QSqlDatabase db, const QString &sql, int key, bool &ok, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    q.addBindValue(key);
    if (!ok || !q.exec() || !q.next()) {
        if (ok && error) *error = DbFehlertext(q.lastError());
        ok = false;
        return 0;
    }
    return FieldInt(q.value(0));
}

// The first row's columns of a one-row query by key; false (error set) on failure.
bool readRow(const QString &sql, int key, QSqlQuery &q, QString *error)
{
    q.setForwardOnly(true);
    q.prepare(sql);
    q.addBindValue(key);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (!q.next()) {
        if (error) *error = QStringLiteral("Der Datensatz Nr. %1 ist nicht mehr vorhanden.").arg(key);
        return false;
    }
    return true;
}

QString anzahl(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

} // namespace

bool TKundeEingabe::IsEmpty() const
{
    return allEmpty({&Name1, &Name2, &Name3, &Strasse, &LKZ, &PLZ, &Ort, &Telefon, &Fax});
}

bool TPrueflingEingabe::IsEmpty() const
{
    return allEmpty({&Bezeichnung, &Typ, &Fabrikationsnummer, &Seriennummer, &Inventarnummer, &Barcode});
}

int ProposedKundenNr(QSqlDatabase db)
{
    return ProposedKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"));
}

int ProposedPrueflingNr(QSqlDatabase db)
{
    return ProposedKey(db, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"));
}

TEntryResult StoreNewCustomer(QSqlDatabase db, const TKundeEingabe &k, int *key, QString *error)
{
    return inTransaction(db, error, [&] {
        const int nr = TakeNextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), error);
        if (nr <= 0) return TEntryResult::Failed;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO tblKunden\n"
                                 "  (KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, KDstrStrasse,\n"
                                 "  KDstrLKZ, KDstrPLZ, KDstrOrt, KDstrTelefon, KDstrFax)\n"
                                 "VALUES\n"
                                 "  (?, ?, ?, ?, ?,\n"
                                 "  ?, ?, ?, ?, ?)"));
        q.addBindValue(nr);
        for (const QString &v :
             {k.Name1, k.Name2, k.Name3, k.Strasse, k.LKZ.toUpper(), k.PLZ, k.Ort, k.Telefon, k.Fax})
            q.addBindValue(v);
        if (!execOrReport(q, error)) return TEntryResult::Failed;
        if (key) *key = nr;
        return TEntryResult::Stored;
    });
}

TEntryResult StoreNewDevice(QSqlDatabase db, const TPrueflingEingabe &p, int *key, QString *error)
{
    const QString barcode = p.Barcode.trimmed();
    return inTransaction(db, error, [&] {
        const int nr =
            TakeNextKey(db, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"), error);
        if (nr <= 0) return TEntryResult::Failed;
        // The customer was chosen from a list that may be old: another
        // workstation may have deleted it, and a device under a missing
        // customer is shown nowhere. On the server the row is held until the
        // commit, so such a deletion waits for this device and takes it along.
        {
            QSqlQuery c(db);
            c.prepare(QStringLiteral("SELECT KDintKundenNr FROM tblKunden WHERE KDintKundenNr = ?") +
                      (db.driverName() == QLatin1String("QPSQL") ? QStringLiteral(" FOR SHARE") : QString()));
            c.addBindValue(p.KundenNr);
            if (!execOrReport(c, error)) return TEntryResult::Failed;
            if (!c.next()) {
                if (error)
                    *error =
                        p.KundenNr <= 0
                            ? QStringLiteral("Es ist kein Kunde gewählt; der Prüfling ist nicht gespeichert.")
                            : QStringLiteral("Der Kunde wurde inzwischen an einem anderen Arbeitsplatz "
                                             "gelöscht; der Prüfling ist nicht gespeichert.");
                return TEntryResult::Failed;
            }
        }
        // Under the key lock: another workstation's device with this barcode is committed or waits.
        if (!barcode.isEmpty()) {
            const TBarcodeUse use = BarcodeInUse(db, barcode, 0, error);
            if (use != TBarcodeUse::Free)
                return use == TBarcodeUse::Taken ? TEntryResult::DuplicateBarcode : TEntryResult::Failed;
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT INTO tblPruefling\n"
            "  (PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrTyp, PLstrFabrikationsnummer,\n"
            "  PLstrSeriennummer, PLstrInventarnummer, PLstrBarcode)\n"
            "VALUES\n"
            "  (?, ?, ?, ?, ?,\n"
            "  ?, ?, ?)"));
        q.addBindValue(nr);
        q.addBindValue(p.KundenNr);
        for (const QString &v :
             {p.Bezeichnung, p.Typ, p.Fabrikationsnummer, p.Seriennummer, p.Inventarnummer, barcode})
            q.addBindValue(v);
        if (!execOrReport(q, error)) return TEntryResult::Failed;
        if (key) *key = nr;
        return TEntryResult::Stored;
    });
}

TBarcodeUse BarcodeInUse(QSqlDatabase db, const QString &barcode, int exceptDevice, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT PLstrBarcode\nFROM tblPruefling\nWHERE (PLstrBarcode = ?)\n"
                             "  AND (PLintPrueflingNr <> ?)"));
    q.addBindValue(barcode);
    q.addBindValue(exceptDevice);
    if (!q.exec()) {
        SaveFailedSql(StatementWithValues(q));
        if (error) *error = DbFehlertext(q.lastError());
        return TBarcodeUse::Failed;
    }
    return q.next() ? TBarcodeUse::Taken : TBarcodeUse::Free;
}

bool CustomerExists(QSqlDatabase db, int kundenNr, bool &exists, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT KDintKundenNr FROM tblKunden WHERE KDintKundenNr = ?"));
    q.addBindValue(kundenNr);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    exists = q.next();
    return true;
}

bool CustomerDeleteScope(QSqlDatabase db, int kundenNr, TDeleteScope &scope, QString *error)
{
    scope = TDeleteScope{};
    QSqlQuery q(db);
    if (!readRow(QStringLiteral("SELECT KDstrName1 FROM tblKunden WHERE KDintKundenNr = ?"), kundenNr, q,
                 error))
        return false;
    scope.Name = FieldString(q.value(0)).trimmed();
    bool ok = true;
    scope.Devices = countOf(db, QStringLiteral("SELECT COUNT(*) FROM tblPruefling WHERE PLintKundenNr = ?"),
                            kundenNr, ok, error);
    scope.Tests = countOf(db,
                          QStringLiteral("SELECT COUNT(*)\nFROM tblPruefung\nINNER JOIN tblPruefling\n"
                                         "  ON tblPruefung.PRintPrueflingNr = tblPruefling.PLintPrueflingNr\n"
                                         "WHERE tblPruefling.PLintKundenNr = ?"),
                          kundenNr, ok, error);
    return ok;
}

bool DeviceDeleteScope(QSqlDatabase db, int prueflingNr, TDeleteScope &scope, QString *error)
{
    scope = TDeleteScope{};
    QSqlQuery q(db);
    if (!readRow(QStringLiteral("SELECT PLstrBezeichnung, PLstrBarcode FROM tblPruefling "
                                "WHERE PLintPrueflingNr = ?"),
                 prueflingNr, q, error))
        return false;
    scope.Name = FieldString(q.value(0)).trimmed();
    scope.Barcode = FieldString(q.value(1)).trimmed();
    bool ok = true;
    scope.Tests = countOf(db, QStringLiteral("SELECT COUNT(*) FROM tblPruefung WHERE PRintPrueflingNr = ?"),
                          prueflingNr, ok, error);
    return ok;
}

bool TestDeleteScope(QSqlDatabase db, int pruefungsNr, TDeleteScope &scope, QString *error)
{
    scope = TDeleteScope{};
    QSqlQuery q(db);
    if (!readRow(QStringLiteral("SELECT PRdtmUebernahme FROM tblPruefung WHERE PRintPruefungsNr = ?"),
                 pruefungsNr, q, error))
        return false;
    scope.Datum = FieldDateTime(q.value(0));
    bool ok = true;
    scope.Rows =
        countOf(db, QStringLiteral("SELECT COUNT(*) FROM tblSichtpruefung WHERE SIintPruefungsNr = ?"),
                pruefungsNr, ok, error);
    return ok;
}

QString DeleteQuestion(TDeleteLevel level, int key, const TDeleteScope &s)
{
    auto named = [&](const char *what) {
        return s.Name.isEmpty() ? QStringLiteral("%1 Nr. %2").arg(QString::fromUtf8(what)).arg(key)
                                : QStringLiteral("%1 „%2“").arg(QString::fromUtf8(what), s.Name);
    };
    QString text;
    QStringList with;
    switch (level) {
    case TDeleteLevel::Customer:
        text = named("Kunde");
        if (s.Devices > 0) with << anzahl(s.Devices, "Prüfling", "Prüflingen");
        if (s.Tests > 0) with << anzahl(s.Tests, "Prüfung", "Prüfungen");
        break;
    case TDeleteLevel::Device:
        text = named("Prüfling");
        if (!s.Barcode.isEmpty()) text += QStringLiteral(" (Barcode %1)").arg(s.Barcode);
        if (s.Tests > 0) with << anzahl(s.Tests, "Prüfung", "Prüfungen");
        break;
    case TDeleteLevel::Test:
        text = QStringLiteral("Prüfung Nr. %1").arg(key);
        if (s.Datum.isValid())
            text += QStringLiteral(" vom ") + s.Datum.toString(QStringLiteral("dd.MM.yyyy"));
        if (s.Rows > 0) with << anzahl(s.Rows, "Sichtprüfungszeile", "Sichtprüfungszeilen");
        break;
    }
    if (!with.isEmpty()) text += QStringLiteral(" mit ") + with.join(QStringLiteral(" und "));
    return text + QStringLiteral(" löschen?");
}
