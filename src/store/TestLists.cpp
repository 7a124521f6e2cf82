#include "store/TestLists.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

bool ListTestNumbersSince(QSqlDatabase db, const QDate &since, QList<int> &tests, QString *error)
{
    tests.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT PRintPruefungsNr, PRdtmUebernahme FROM tblPruefung "
                               "ORDER BY PRintPruefungsNr"))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    // The date filter runs here: the embedded database stores dates as text.
    while (q.next())
        if (!since.isValid() || FieldDateTime(q.value(1), Qt::UTC).date() >= since)
            tests << q.value(0).toInt();
    return true;
}

bool ReadRecords(QSqlDatabase db, const QString &sql, QList<QSqlRecord> &rows, QString *error)
{
    rows.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    while (q.next())
        rows << q.record();
    return true;
}
