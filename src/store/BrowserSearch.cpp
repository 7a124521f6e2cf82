#include "store/BrowserSearch.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QStringList kDeviceColumns = {
    QStringLiteral("SELECT tblPruefling.PLintPrueflingNr, tblPruefling.PLintKundenNr,"),
    QStringLiteral(
        "  tblPruefling.PLstrBezeichnung, tblPruefling.PLstrTyp, tblPruefling.PLstrInventarnummer,"),
    QStringLiteral("  tblPruefling.PLstrSeriennummer, tblPruefling.PLstrBarcode, tblKunden.KDstrName1"),
    QStringLiteral("FROM tblPruefling"),
    QStringLiteral("  LEFT JOIN tblKunden ON tblPruefling.PLintKundenNr = tblKunden.KDintKundenNr")};

// The same bound pattern for each column; '!' escapes the wildcards.
QStringList likeAny(const QStringList &columns)
{
    QStringList l;
    for (const QString &c : columns)
        l << (l.isEmpty() ? QStringLiteral("WHERE ") : QStringLiteral("  OR ")) +
                 QStringLiteral("LOWER(%1) LIKE ? ESCAPE '!'").arg(c);
    return l;
}

const QStringList kDeviceWhere = likeAny(
    {QStringLiteral("tblPruefling.PLstrBarcode"), QStringLiteral("tblPruefling.PLstrInventarnummer"),
     QStringLiteral("tblPruefling.PLstrSeriennummer"), QStringLiteral("tblPruefling.PLstrBezeichnung")});
const QStringList kCustomerWhere =
    likeAny({QStringLiteral("KDstrName1"), QStringLiteral("KDstrName2"), QStringLiteral("KDstrName3")});

// A device found: designation, type, numbers and its customer, as one line.
TSearchHit deviceHit(const QSqlQuery &q, bool exact)
{
    TSearchHit h;
    h.prueflingNr = FieldInt(q.value(0));
    h.kundenNr = FieldInt(q.value(1));
    QStringList parts{FieldString(q.value(2))};
    if (!FieldString(q.value(3)).isEmpty()) parts << FieldString(q.value(3));
    if (!FieldString(q.value(4)).isEmpty()) parts << QStringLiteral("Inv.-Nr. ") + FieldString(q.value(4));
    if (!FieldString(q.value(5)).isEmpty()) parts << QStringLiteral("Ser.-Nr. ") + FieldString(q.value(5));
    if (!FieldString(q.value(6)).isEmpty()) parts << QStringLiteral("Barcode ") + FieldString(q.value(6));
    parts << QStringLiteral("Kunde: ") + FieldString(q.value(7));
    h.text = parts.join(QStringLiteral(" – "));
    h.exact = exact;
    return h;
}

TSearchHit customerHit(const QSqlQuery &q)
{
    TSearchHit h;
    h.kundenNr = FieldInt(q.value(0));
    QStringList parts;
    for (int c = 1; c <= 3; ++c)
        if (!FieldString(q.value(c)).isEmpty()) parts << FieldString(q.value(c));
    if (!FieldString(q.value(4)).isEmpty()) parts << FieldString(q.value(4));
    h.text = QStringLiteral("Kunde: ") + parts.join(QStringLiteral(", "));
    return h;
}

QString searchFailed(const QSqlQuery &q)
{
    return QStringLiteral("Die Suche ist fehlgeschlagen.\n") + DbFehlertext(q.lastError());
}

} // namespace

bool TBrowserSearch::Run(const QSqlDatabase &db, const QString &text, QString *error)
{
    m_db = db;
    m_text = text.trimmed();
    m_devices = m_customers = 0;
    m_exact = false;
    if (m_text.isEmpty()) return true;
    // A scanned barcode goes straight to its device (the barcode is indexed);
    // the slower text search is not needed then.
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT COUNT(*) FROM tblPruefling\nWHERE (PLstrBarcode = ?)"))) {
        if (error) *error = searchFailed(q);
        return false;
    }
    q.addBindValue(m_text);
    if (!q.exec() || !q.next()) {
        if (error) *error = searchFailed(q);
        return false;
    }
    if (FieldInt(q.value(0)) > 0) {
        m_exact = true;
        m_devices = 1;
        return true;
    }
    // Users' text is matched literally: the LIKE wildcards are escaped.
    QString esc = m_text.toLower();
    esc.replace(QLatin1Char('!'), QStringLiteral("!!"))
        .replace(QLatin1Char('%'), QStringLiteral("!%"))
        .replace(QLatin1Char('_'), QStringLiteral("!_"));
    m_pattern = QLatin1Char('%') + esc + QLatin1Char('%');
    return count(QStringList{QStringLiteral("SELECT COUNT(*)"), QStringLiteral("FROM tblPruefling")} +
                     kDeviceWhere,
                 int(kDeviceWhere.size()), m_devices, error) &&
           count(QStringList{QStringLiteral("SELECT COUNT(*)"), QStringLiteral("FROM tblKunden")} +
                     kCustomerWhere,
                 int(kCustomerWhere.size()), m_customers, error);
}

bool TBrowserSearch::count(const QStringList &lines, int binds, int &n, QString *error) const
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    bool ok = q.prepare(lines.join(QLatin1Char('\n')));
    for (int i = 0; i < binds; ++i)
        q.addBindValue(m_pattern);
    if (!ok || !q.exec() || !q.next()) {
        if (error) *error = searchFailed(q);
        return false;
    }
    n = FieldInt(q.value(0));
    return true;
}

bool TBrowserSearch::page(const QStringList &lines, int binds, int offset, int n, bool device,
                          QList<TSearchHit> &hits, QString *error) const
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    bool ok = q.prepare(lines.join(QLatin1Char('\n')));
    for (int i = 0; i < binds; ++i)
        q.addBindValue(m_pattern);
    q.addBindValue(n);
    q.addBindValue(offset);
    if (!ok || !q.exec()) {
        if (error) *error = searchFailed(q);
        return false;
    }
    while (q.next())
        hits << (device ? deviceHit(q, false) : customerHit(q));
    return true;
}

bool TBrowserSearch::Hits(int from, int n, QList<TSearchHit> &hits, QString *error) const
{
    hits.clear();
    if (from < 0 || n <= 0 || from >= Count()) return true;
    if (m_exact) {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        bool ok =
            q.prepare((kDeviceColumns + QStringList{QStringLiteral("WHERE (tblPruefling.PLstrBarcode = ?)")})
                          .join(QLatin1Char('\n')));
        q.addBindValue(m_text);
        if (!ok || !q.exec()) {
            if (error) *error = searchFailed(q);
            return false;
        }
        if (q.next()) hits << deviceHit(q, true);
        return true;
    }
    const QString limit = QStringLiteral("LIMIT ? OFFSET ?");
    if (from < m_devices &&
        !page(kDeviceColumns + kDeviceWhere +
                  QStringList{QStringLiteral("ORDER BY tblPruefling.PLintPrueflingNr"), limit},
              int(kDeviceWhere.size()), from, std::min(n, m_devices - from), true, hits, error))
        return false;
    const int rest = n - int(hits.size());
    const int customerFrom = std::max(0, from - m_devices);
    if (rest > 0 && customerFrom < m_customers &&
        !page(
            QStringList{QStringLiteral("SELECT KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, KDstrOrt"),
                        QStringLiteral("FROM tblKunden")} +
                kCustomerWhere + QStringList{QStringLiteral("ORDER BY KDintKundenNr"), limit},
            int(kCustomerWhere.size()), customerFrom, rest, false, hits, error))
        return false;
    return true;
}
