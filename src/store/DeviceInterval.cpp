#include "store/DeviceInterval.h"

#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

const QString kTable = QStringLiteral("tblPruefintervall");

QString missingTableText()
{
    return QStringLiteral("Die Datenbank kennt noch keine Prüfintervalle je Prüfling. Bitte die Datenbank "
                          "aktualisieren (Programmstart oder gt-initdb); vorhandene Daten bleiben erhalten.");
}

} // namespace

bool HasIntervalTable(const QSqlDatabase &db)
{
    // The server folds unquoted names to lower case.
    return db.tables().contains(kTable, Qt::CaseInsensitive);
}

bool LoadDeviceIntervals(QSqlDatabase db, QHash<int, int> &out, QString *error)
{
    out.clear();
    if (!HasIntervalTable(db)) return true;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT PIintPrueflingNr, PIintMonate FROM tblPruefintervall "
                               "WHERE PIintMonate > 0"))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    while (q.next())
        out.insert(q.value(0).toInt(), q.value(1).toInt());
    return true;
}

bool ReadDeviceInterval(QSqlDatabase db, int device, int &months, QString *error)
{
    months = 0;
    if (device == 0 || !HasIntervalTable(db)) return true;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT PIintMonate FROM tblPruefintervall WHERE PIintPrueflingNr = ?"));
    q.addBindValue(device);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (q.next()) months = std::max(0, q.value(0).toInt());
    return true;
}

bool TIntervalWriter::Prepare(QSqlDatabase db, QString *error)
{
    if (!HasIntervalTable(db)) {
        if (error) *error = missingTableText();
        return false;
    }
    m_db = db;
    m_set = QSqlQuery(db);
    m_clear = QSqlQuery(db);
    // Both engines know this form of "insert or replace".
    if (!m_set.prepare(QStringLiteral("INSERT INTO tblPruefintervall (PIintPrueflingNr, PIintMonate) "
                                      "VALUES (?, ?) ON CONFLICT (PIintPrueflingNr) DO UPDATE SET "
                                      "PIintMonate = excluded.PIintMonate")) ||
        !m_clear.prepare(QStringLiteral("DELETE FROM tblPruefintervall WHERE PIintPrueflingNr = ?"))) {
        if (error)
            *error = DbFehlertext(m_set.lastError().isValid() ? m_set.lastError() : m_clear.lastError());
        return false;
    }
    return true;
}

bool TIntervalWriter::Write(int device, int months, QString *error)
{
    QSqlQuery &q = months > 0 ? m_set : m_clear;
    q.bindValue(0, device);
    if (months > 0) q.bindValue(1, months);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    return true;
}

bool WriteDeviceInterval(QSqlDatabase db, int device, int months, QString *error)
{
    TIntervalWriter w;
    return w.Prepare(db, error) && w.Write(device, months, error);
}

bool ParseIntervalMonths(QStringView text, int &months, QString *error)
{
    const QStringView t = text.trimmed();
    months = 0;
    if (t.isEmpty()) return true;
    bool ok = false;
    const int n = t.toInt(&ok);
    if (!ok || n < kMinIntervalMonths || n > kMaxIntervalMonths) {
        if (error)
            *error = QStringLiteral("„%1“ ist kein gültiges Prüfintervall: erlaubt sind %2 bis %3 Monate "
                                    "(leer: die allgemeine Prüffrist).")
                         .arg(t.toString())
                         .arg(kMinIntervalMonths)
                         .arg(kMaxIntervalMonths);
        return false;
    }
    months = n;
    return true;
}

QString IntervalMonthsText(int months)
{
    return months > 0 ? QString::number(months) : QString();
}

QStringList DeleteIntervalsLines(const QSqlDatabase &db, const QString &deviceCondition)
{
    if (!HasIntervalTable(db)) return {};
    return {QStringLiteral("DELETE FROM tblPruefintervall"),
            QStringLiteral("WHERE (PIintPrueflingNr IN (SELECT PLintPrueflingNr FROM tblPruefling"),
            QStringLiteral("  WHERE ") + deviceCondition + QStringLiteral("))")};
}
