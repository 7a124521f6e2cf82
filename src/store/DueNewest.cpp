#include "store/DueNewest.h"

#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/SqliteRows.h"
#include "store/Verdict.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>

namespace {

template <typename Char> int digits(const Char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const auto c = char16_t(p[i]);
        if (c < u'0' || c > u'9') return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// The two text forms the engines hand back ("yyyy-mm-dd hh:nn:ss" and
// "dd.mm.yyyy hh:nn:ss", the time optional), read by hand: the general parser
// costs too much over a million tests. size counts p's characters; an invalid
// date means "not one of these forms".
template <typename Char> TMoment textMoment(const Char *p, qsizetype size)
{
    if (size < 10) return {};
    QDate d;
    if (p[4] == '-' && p[7] == '-')
        d = QDate(digits(p, 4), digits(p + 5, 2), digits(p + 8, 2));
    else if (p[2] == '.' && p[5] == '.')
        d = QDate(digits(p + 6, 4), digits(p + 3, 2), digits(p, 2));
    if (!d.isValid()) return {};
    int sec = 0;
    if (size >= 16 && p[13] == ':') {
        const int h = digits(p + 11, 2), m = digits(p + 14, 2);
        const int sc = size >= 19 && p[16] == ':' ? digits(p + 17, 2) : 0;
        if (h >= 0 && m >= 0 && sc >= 0) sec = h * 3600 + m * 60 + sc;
    }
    return {d, sec};
}

TMoment storedMoment(const QVariant &v)
{
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime t = v.toDateTime();
        return {t.date(), t.time().msecsSinceStartOfDay() / 1000};
    }
    if (v.typeId() == QMetaType::QDate) return {v.toDate(), 0};
    const QString s = v.toString();
    if (const TMoment m = textMoment(reinterpret_cast<const char16_t *>(s.constData()), s.size());
        m.date.isValid())
        return m;
    const QDateTime t = FieldDateTime(v, Qt::UTC);
    return {t.date(), t.time().msecsSinceStartOfDay() / 1000};
}

// Null columns count as "not stated": no failure is made up from them.
const QString kNewestTestColumns =
    QStringLiteral("SELECT PRintPrueflingNr, PRdtmUebernahme, PRintPruefungsNr, "
                   "COALESCE(PRblnPruefungsergebnis, 1), COALESCE(PRblnAbgebrochen, 0), "
                   "COALESCE(PRblnSchnellabbruch, 0), COALESCE(PRblnManuellAbbruch, 0), "
                   "COALESCE(PRblnGrenzwFehler, 0), COALESCE(PRintSichtpruef, -1), "
                   "COALESCE(PRintDINVDE, 0), COALESCE(PRintProtokolltyp, 0) FROM tblPruefung");

// Keeps the row when it is newer than the device's kept one; the verdict
// columns are read only then.
template <typename Row> void takeNewest(QHash<int, TNewest> &last, const Row &row)
{
    const TMoment when = row.Moment(1);
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

// A row of SQLite's own statement: numbers and the moment's text are read
// without a QString or QVariant; other forms as Qt SQL would hand them over.
struct TSqliteRow {
    sqlite3_stmt *st;

    QVariant value(int i) const
    {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return QVariant(qlonglong(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(st, i));
        default:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                              sqlite3_column_bytes(st, i)));
        }
    }
    int Int(int i) const
    {
        if (sqlite3_column_type(st, i) == SQLITE_INTEGER) return int(sqlite3_column_int64(st, i));
        return FieldInt(value(i));
    }
    TMoment Moment(int i) const
    {
        // Numbers as SQLite writes them out, as the general reader had them.
        const auto *p = sqlite3_column_text(st, i);
        if (!p) return {};
        const int n = sqlite3_column_bytes(st, i);
        // Byte positions are character positions while the text is ASCII.
        if (std::all_of(p, p + std::min(n, 19), [](unsigned char c) { return c < 0x80; }))
            if (const TMoment m = textMoment(p, n); m.date.isValid()) return m;
        return storedMoment(QVariant(QString::fromUtf8(reinterpret_cast<const char *>(p), n)));
    }
};

// Qt SQL's row read like the direct SQLite one.
struct TQtRow {
    const QSqlQuery &q;
    int Int(int i) const { return FieldInt(q.value(i)); }
    TMoment Moment(int i) const { return storedMoment(q.value(i)); }
};

// Newest rows first (rowid order is the order they were stored in): the first
// row of a device is then mostly its newest, and the older ones are passed
// over without reading their verdict columns.
bool readSqlite(sqlite3 *handle, QHash<int, TNewest> &last, QString *error)
{
    const QByteArray sql = (kNewestTestColumns + QStringLiteral(" ORDER BY rowid DESC")).toUtf8();
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &st, nullptr);
    if (rc == SQLITE_OK) {
        const TSqliteRow row{st};
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            takeNewest(last, row);
    }
    if (rc != SQLITE_DONE && error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(handle)));
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

} // namespace

bool ReadNewestTests(QSqlDatabase db, QHash<int, TNewest> &last, QString *error)
{
    last.reserve(1024);
    if (sqlite3 *handle = TSqliteQuery::Handle(db)) {
        if (!readSqlite(handle, last, error)) return false;
    } else {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(kNewestTestColumns)) {
            if (error) *error = DbFehlertext(q.lastError());
            return false;
        }
        while (q.next())
            takeNewest(last, TQtRow{q});
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

bool NewestFailed(const TNewest &n)
{
    // One record for every device: a fresh one costs more than the verdict.
    thread_local TWerteSatz w;
    w.Pruefungsergebnis = n.passed;
    w.Abgebrochen = n.aborted;
    w.Schnellabbruch = n.fastCut;
    w.ManuellAbbruch = n.manualAbort;
    w.GrenzwFehler = n.limitError;
    w.Sichtpruef = n.visual;
    w.DINVDE = n.standard;
    w.Protokolltyp = n.protocolType;
    w.Sichtpr.clear();
    if (n.failedRow) w.Sichtpr.append(TSichtPr{1, 0, {}, {}});
    return TestFailed(w);
}
