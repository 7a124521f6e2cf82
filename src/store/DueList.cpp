#include "store/DueList.h"

#include "core/AtomicFile.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/SqliteRows.h"
#include "store/Verdict.h"

#include <QDir>
#include <QHash>
#include <QSet>
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

// A stored moment: calendar date and second of the day. The two text forms
// the engines hand back are read by hand: the general parser costs too much
// over 200 000 tests.
struct TMoment {
    QDate date;
    int second = 0;
    bool operator<(const TMoment &o) const { return date != o.date ? date < o.date : second < o.second; }
};

TMoment storedMoment(const QVariant &v)
{
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime t = v.toDateTime();
        return {t.date(), t.time().msecsSinceStartOfDay() / 1000};
    }
    if (v.typeId() == QMetaType::QDate) return {v.toDate(), 0};
    const QString s = v.toString();
    if (s.size() >= 10) {
        const QChar *p = s.constData();
        QDate d;
        if (p[4] == u'-' && p[7] == u'-')
            d = QDate(digits(p, 4), digits(p + 5, 2), digits(p + 8, 2));
        else if (p[2] == u'.' && p[5] == u'.')
            d = QDate(digits(p + 6, 4), digits(p + 3, 2), digits(p, 2));
        if (d.isValid()) {
            int sec = 0;
            if (s.size() >= 16 && p[13] == u':') {
                const int h = digits(p + 11, 2), m = digits(p + 14, 2);
                const int sc = s.size() >= 19 && p[16] == u':' ? digits(p + 17, 2) : 0;
                if (h >= 0 && m >= 0 && sc >= 0) sec = h * 3600 + m * 60 + sc;
            }
            return {d, sec};
        }
    }
    const QDateTime t = FieldDateTime(v, Qt::UTC);
    return {t.date(), t.time().msecsSinceStartOfDay() / 1000};
}

// The newest test of a device and what decides whether it failed (kept
// small: one per device of a large database).
struct TNewest {
    TMoment when;
    int test = 0;
    bool passed = true, aborted = false, fastCut = false, manualAbort = false, limitError = false;
    bool failedRow = false;
    int visual = -1, standard = 0, protocolType = 0;

    bool Failed() const
    {
        TWerteSatz w;
        w.Pruefungsergebnis = passed;
        w.Abgebrochen = aborted;
        w.Schnellabbruch = fastCut;
        w.ManuellAbbruch = manualAbort;
        w.GrenzwFehler = limitError;
        w.Sichtpruef = visual;
        w.DINVDE = standard;
        w.Protokolltyp = protocolType;
        if (failedRow) w.Sichtpr = {TSichtPr{1, 0, {}, {}}};
        return TestFailed(w);
    }
};

// Null columns count as "not stated": no failure is made up from them.
const QString kNewestTestSql =
    QStringLiteral("SELECT PRintPrueflingNr, PRdtmUebernahme, PRintPruefungsNr, "
                   "COALESCE(PRblnPruefungsergebnis, 1), COALESCE(PRblnAbgebrochen, 0), "
                   "COALESCE(PRblnSchnellabbruch, 0), COALESCE(PRblnManuellAbbruch, 0), "
                   "COALESCE(PRblnGrenzwFehler, 0), COALESCE(PRintSichtpruef, -1), "
                   "COALESCE(PRintDINVDE, 0), COALESCE(PRintProtokolltyp, 0) FROM tblPruefung");

template <typename Row> void takeNewest(QHash<int, TNewest> &last, const Row &row, const TMoment &when)
{
    if (!when.date.isValid()) return;
    const int device = row.Int(0), test = row.Int(2);
    auto it = last.find(device);
    if (it != last.end() && (when < it->when || (!(it->when < when) && test < it->test))) return;
    if (it == last.end()) it = last.insert(device, TNewest{});
    TNewest &n = *it;
    n.when = when;
    n.test = test;
    n.passed = row.Int(3) != 0;
    n.aborted = row.Int(4) != 0;
    n.fastCut = row.Int(5) != 0;
    n.manualAbort = row.Int(6) != 0;
    n.limitError = row.Int(7) != 0;
    n.visual = row.Int(8);
    n.standard = row.Int(9);
    n.protocolType = row.Int(10);
}

// Qt SQL's row read like the direct SQLite one.
struct TQtRow {
    const QSqlQuery &q;
    int Int(int i) const { return FieldInt(q.value(i)); }
};

bool readNewestTests(QSqlDatabase db, QHash<int, TNewest> &last, QString *error)
{
    last.reserve(1024);
    if (sqlite3 *handle = TSqliteQuery::Handle(db)) {
        // Straight through SQLite: 200 000 values without a QVariant each.
        TSqliteQuery q(handle);
        QString err;
        if (!q.Exec(kNewestTestSql, &err)) {
            if (error) *error = err;
            return false;
        }
        while (q.Next(&err))
            takeNewest(last, q, storedMoment(q.String(1)));
        if (!err.isEmpty()) {
            if (error) *error = err;
            return false;
        }
    } else {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(kNewestTestSql)) {
            if (error) *error = DbFehlertext(q.lastError());
            return false;
        }
        while (q.next())
            takeNewest(last, TQtRow{q}, storedMoment(q.value(1)));
    }
    // A failed row of the item-by-item inspection fails its test.
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT DISTINCT SIintPruefungsNr FROM tblSichtpruefung "
                                  "WHERE SIintBestanden = 0"))) {
        if (error) *error = DbFehlertext(rows.lastError());
        return false;
    }
    QSet<int> failedRows;
    while (rows.next())
        failedRows.insert(FieldInt(rows.value(0)));
    for (TNewest &n : last)
        n.failedRow = failedRows.contains(n.test);
    return true;
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
    QHash<int, TNewest> last;
    if (!readNewestTests(db, last, error)) return false;
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
        if (const auto n = last.constFind(e.PrueflingNr); n != last.constEnd()) {
            e.LastTest = n->when.date;
            e.Failed = n->Failed();
        }
        // A device that failed is due now: it must not wait for its interval.
        e.NextDue = e.Failed ? today : DueDate(e.LastTest, serviceIntervalDays);
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
    if (e.Failed) return TDueState::Failed;
    if (!e.NextDue.isValid()) return TDueState::NoInterval;
    if (e.DaysLeft < 0) return TDueState::Overdue;
    if (e.DaysLeft <= warnDays) return TDueState::DueSoon;
    return TDueState::Ok;
}

bool IsDueWithin(const TDueEntry &e, int days)
{
    if (!e.LastTest.isValid() || e.Failed) return true;
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
        if (a.Failed != b.Failed) return a.Failed;
        if (a.Failed) return false;
        return a.NextDue < b.NextDue;
    });
    return out;
}

QString NextDueText(const TDueEntry &e, const QString &dateFormat)
{
    if (e.Failed) return QStringLiteral("nicht bestanden");
    return e.NextDue.isValid() ? e.NextDue.toString(dateFormat) : QString();
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
              e.LastTest.isValid() ? e.LastTest.toString(fmt) : QString(), NextDueText(e, fmt),
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
