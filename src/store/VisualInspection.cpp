#include "store/VisualInspection.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

bool EnsureInspectionRows(QSqlDatabase db, int pruefungsNr, int sichtpruef, int *created, QString *error)
{
    if (created) *created = 0;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringList{QStringLiteral("SELECT COUNT(*) AS Anzahl"),
                            QStringLiteral("FROM tblSichtpruefung"),
                            QStringLiteral("WHERE (SIintPruefungsNr = %1)").arg(pruefungsNr)}
                    .join(QLatin1Char('\n'))) ||
        !q.next()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (FieldInt(q.value(0)) != 0) return true;
    QList<int> items;
    if (!q.exec(QStringLiteral("SELECT STintPruefteil\nFROM tblSichtTeil\nORDER BY STintPruefteil"))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    while (q.next())
        items << FieldInt(q.value(0));
    q.finish();
    QList<QStringList> inserts;
    int k = 0;
    for (int item : items) {
        ++k;
        inserts << QStringList{QStringLiteral("INSERT INTO tblSichtpruefung"),
                               QStringLiteral("  (SIintPruefungsNr,"),
                               QStringLiteral("  SIintZeileNr,"),
                               QStringLiteral("  SIintPruefteil,"),
                               QStringLiteral("  SIintBestanden)"),
                               QStringLiteral("VALUES"),
                               QStringLiteral("  (%1,").arg(pruefungsNr),
                               QStringLiteral("  %1,").arg(k),
                               QStringLiteral("  %1,").arg(item),
                               QStringLiteral("  %1)").arg(sichtpruef)};
    }
    // All rows or none: a half-made list would never be completed later.
    if (!ExecInTransaction(db, inserts, error)) return false;
    if (created) *created = k;
    return true;
}

bool SetThreePageProtocol(QSqlDatabase db, int pruefungsNr, bool *changed, QString *error)
{
    int affected = 0;
    const bool ok =
        ExecLines(db,
                  {QStringLiteral("UPDATE tblPruefung"), QStringLiteral("SET PRintProtokolltyp = 1"),
                   QStringLiteral("WHERE (PRintPruefungsNr = %1)").arg(pruefungsNr),
                   QStringLiteral("  AND (PRintProtokolltyp = 0)")},
                  error, &affected);
    if (changed) *changed = ok && affected > 0;
    return ok;
}

bool StoreInspectionResults(QSqlDatabase db, int pruefungsNr, const QList<TSichtPr> &stored,
                            const QList<QPair<int, int>> &results, int *written, QString *error)
{
    if (written) *written = 0;
    for (const auto &[zeile, result] : results) {
        int old = -2;
        for (const TSichtPr &r : stored)
            if (r.ZeileNr == zeile) old = r.Bestanden;
        if (old == result) continue;
        if (!ExecLines(db,
                       {QStringLiteral("UPDATE tblSichtpruefung"),
                        QStringLiteral("SET SIintBestanden = %1").arg(result),
                        QStringLiteral("WHERE (SIintPruefungsNr = %1)").arg(pruefungsNr),
                        QStringLiteral("  AND (SIintZeileNr = %1)").arg(zeile)},
                       error))
            return false;
        if (written) ++*written;
    }
    return true;
}
