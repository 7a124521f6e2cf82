#include "store/StoredSetup.h"

#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QStringList StoredSetupQueryLines()
{
    return {QStringLiteral("SELECT PRintPruefungsNr,"),  QStringLiteral("  PRintMenueflags,"),
            QStringLiteral("  PRintSchutzklasse,"),      QStringLiteral("  PRintGrwSchutzleiterwid,"),
            QStringLiteral("  PRintGrwIsolationswid,"),  QStringLiteral("  PRintGrwAbleitstrom,"),
            QStringLiteral("  PRintGrwDifferenzstrom,"), QStringLiteral("  PRintDINVDE"),
            QStringLiteral("FROM tblPruefung"),          QStringLiteral("WHERE PRintPruefungsNr=?")};
}

bool QueryStoredSetup(QSqlDatabase db, int pruefungsNr, TStoredSetup &setup, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(StoredSetupQueryLines().join(QLatin1Char('\n')));
    q.addBindValue(pruefungsNr);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (!q.next()) return false;
    auto i = [&q](int col) { return q.value(col).isNull() ? 0 : q.value(col).toInt(); };
    setup.PruefungsNr = i(0);
    setup.Menueflags = i(1);
    setup.Schutzklasse = i(2);
    setup.GrwSchutzleiterwid = i(3);
    setup.GrwIsolationswid = i(4);
    setup.GrwAbleitstrom = i(5);
    setup.GrwDifferenzstrom = i(6);
    // Older rows may lack the standard: the menu flags then tell 0701 from 0702.
    setup.DinVde = q.value(7).isNull() ? -1 : i(7);
    return true;
}
