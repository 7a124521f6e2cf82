#include "store/DueList.h"

#include "core/AtomicFile.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/SqliteRows.h"

#include <QDir>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

int digits(const QChar *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c < u'0' || c > u'9') return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// Calendar date of a stored moment. The two text forms the engines hand back
// are read by hand: the general parser costs too much over 200 000 tests.
QDate storedDate(const QVariant &v)
{
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime().date();
    if (v.typeId() == QMetaType::QDate) return v.toDate();
    const QString s = v.toString();
    if (s.size() >= 10) {
        const QChar *p = s.constData();
        if (p[4] == u'-' && p[7] == u'-') {
            const QDate d(digits(p, 4), digits(p + 5, 2), digits(p + 8, 2));
            if (d.isValid()) return d;
        } else if (p[2] == u'.' && p[5] == u'.') {
            const QDate d(digits(p + 6, 4), digits(p + 3, 2), digits(p, 2));
            if (d.isValid()) return d;
        }
    }
    return FieldDateTime(v, Qt::UTC).date();
}

} // namespace

QDate DueDate(const QDate &lastTest, int serviceIntervalDays)
{
    if (!lastTest.isValid() || serviceIntervalDays <= 0) return {};
    return lastTest.addDays(serviceIntervalDays);
}

bool LoadDueList(QSqlDatabase db, int serviceIntervalDays, const QDate &today, QList<TDueEntry> &out,
                 QString *error)
{
    out.clear();
    // The newest test per device. Dates are compared here, not in SQL: the
    // embedded database keeps them as text that does not sort by date.
    QHash<int, QDate> last;
    last.reserve(1024);
    auto take = [&last](int device, const QDate &d) {
        if (!d.isValid()) return;
        auto it = last.find(device);
        if (it == last.end())
            last.insert(device, d);
        else if (d > *it)
            *it = d;
    };
    const QString sql = QStringLiteral("SELECT PRintPrueflingNr, PRdtmUebernahme FROM tblPruefung");
    if (sqlite3 *handle = TSqliteQuery::Handle(db)) {
        // Straight through SQLite: 200 000 values without a QVariant each.
        TSqliteQuery q(handle);
        QString err;
        if (!q.Exec(sql, &err)) {
            if (error) *error = err;
            return false;
        }
        while (q.Next(&err))
            take(q.Int(0), storedDate(q.String(1)));
        if (!err.isEmpty()) {
            if (error) *error = err;
            return false;
        }
    } else {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(sql)) {
            if (error) *error = DbFehlertext(q.lastError());
            return false;
        }
        while (q.next())
            take(q.value(0).toInt(), storedDate(q.value(1)));
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT KDintKundenNr, KDstrName1, PLintPrueflingNr, PLstrBezeichnung, "
                               "PLstrInventarnummer, PLstrBarcode "
                               "FROM tblPruefling INNER JOIN tblKunden ON tblPruefling.PLintKundenNr = "
                               "tblKunden.KDintKundenNr"))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    while (q.next()) {
        TDueEntry e;
        e.KundenNr = q.value(0).toInt();
        e.Kunde = FieldString(q.value(1));
        e.PrueflingNr = q.value(2).toInt();
        e.Bezeichnung = FieldString(q.value(3));
        e.Inventarnummer = FieldString(q.value(4));
        e.Barcode = FieldString(q.value(5));
        e.LastTest = last.value(e.PrueflingNr);
        e.NextDue = DueDate(e.LastTest, serviceIntervalDays);
        if (e.NextDue.isValid()) e.DaysLeft = int(today.daysTo(e.NextDue));
        out.append(std::move(e));
    }
    std::sort(out.begin(), out.end(), [](const TDueEntry &a, const TDueEntry &b) {
        if (int c = a.Kunde.compare(b.Kunde, Qt::CaseInsensitive)) return c < 0;
        if (int c = a.Bezeichnung.compare(b.Bezeichnung, Qt::CaseInsensitive)) return c < 0;
        return a.PrueflingNr < b.PrueflingNr;
    });
    return true;
}

TDueState DueStateOf(const TDueEntry &e, int warnDays)
{
    if (!e.LastTest.isValid()) return TDueState::NeverTested;
    if (!e.NextDue.isValid()) return TDueState::NoInterval;
    if (e.DaysLeft < 0) return TDueState::Overdue;
    if (e.DaysLeft <= warnDays) return TDueState::DueSoon;
    return TDueState::Ok;
}

bool IsDueWithin(const TDueEntry &e, int days)
{
    if (!e.LastTest.isValid()) return true;
    return e.NextDue.isValid() && e.DaysLeft <= days;
}

QList<TDueEntry> DueWithin(const QList<TDueEntry> &all, int days)
{
    QList<TDueEntry> out;
    for (const TDueEntry &e : all)
        if (IsDueWithin(e, days)) out.append(e);
    // The load order (customer, designation) stays within equal keys.
    std::stable_sort(out.begin(), out.end(), [](const TDueEntry &a, const TDueEntry &b) {
        const bool na = !a.LastTest.isValid(), nb = !b.LastTest.isValid();
        if (na != nb) return na;
        if (na) return false;
        return a.NextDue < b.NextDue;
    });
    return out;
}

QByteArray DueCsv(const QList<TDueEntry> &rows)
{
    QByteArray out;
    auto line = [&out](const QStringList &values) {
        AppendWindows1252(out, JoinCsvValues(values));
        out += "\r\n";
    };
    line({QStringLiteral("Kunde"), QStringLiteral("Prüfling"), QStringLiteral("Inventarnummer"),
          QStringLiteral("Barcode"), QStringLiteral("letzte Prüfung"), QStringLiteral("nächste Prüfung"),
          QStringLiteral("Tage")});
    const QString fmt = QStringLiteral("dd.MM.yyyy");
    for (const TDueEntry &e : rows) {
        line({NeutraliseCsvText(e.Kunde), NeutraliseCsvText(e.Bezeichnung),
              NeutraliseCsvText(e.Inventarnummer), NeutraliseCsvText(e.Barcode),
              e.LastTest.isValid() ? e.LastTest.toString(fmt) : QString(),
              e.NextDue.isValid() ? e.NextDue.toString(fmt) : QString(),
              e.NextDue.isValid() ? QString::number(e.DaysLeft) : QString()});
    }
    return out;
}

bool WriteDueCsv(const QList<TDueEntry> &rows, const QString &fileName, QString *error)
{
    if (const QString why = DatabaseFileRefusal(fileName); !why.isEmpty()) {
        if (error) *error = why;
        return false;
    }
    TAtomicFile f(fileName);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = CannotCreateFileMessage(fileName);
        return false;
    }
    if (f.write(DueCsv(rows)) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("Fehler beim Schreiben der Datei „%1“: %2")
                         .arg(QDir::toNativeSeparators(fileName), f.reason());
        return false;
    }
    return true;
}
