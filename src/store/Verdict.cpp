#include "store/Verdict.h"

#include "store/DbErrors.h"
#include "store/TestRecord.h"
#include "store/VisualInspection.h"

#include <QSqlError>
#include <QSqlQuery>

bool StoreRecomputedVerdict(QSqlDatabase db, int pruefungsNr, int *verdict, QString *error)
{
    TWerteSatz w;
    if (!LoadTestRecord(db, pruefungsNr, true, w, error)) return false;
    if (verdict) *verdict = w.Gesamtbew;
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("UPDATE tblPruefung SET PRintGesamtbew = ? "
                       "WHERE PRintPruefungsNr = ? AND (PRintGesamtbew IS NULL OR PRintGesamtbew <> ?)"));
    q.addBindValue(w.Gesamtbew);
    q.addBindValue(pruefungsNr);
    q.addBindValue(w.Gesamtbew);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    return true;
}

bool ConfirmVisualInspection(QSqlDatabase db, int pruefungsNr, const QList<TSichtPr> &stored,
                             const QList<QPair<int, int>> &results, QString *error)
{
    if (!db.transaction()) {
        if (error) *error = DbFehlertext(db.lastError());
        return false;
    }
    if (SetThreePageProtocol(db, pruefungsNr, nullptr, error) &&
        StoreInspectionResults(db, pruefungsNr, stored, results, nullptr, error) &&
        StoreRecomputedVerdict(db, pruefungsNr, nullptr, error)) {
        if (db.commit()) return true;
        if (error) *error = DbFehlertext(db.lastError());
    }
    db.rollback();
    return false;
}

bool TestFailed(const TWerteSatz &w)
{
    if (!w.Pruefungsergebnis || w.Abgebrochen || w.Schnellabbruch || w.ManuellAbbruch || w.GrenzwFehler)
        return true;
    if (w.Sichtpruef == 0 && !(w.DINVDE == 2 && w.Protokolltyp == 1)) return true;
    for (const TSichtPr &r : w.Sichtpr)
        if (r.Bestanden == 0) return true;
    return false;
}
