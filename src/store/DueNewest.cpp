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
#include <limits>

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
const QString kVerdictColumns =
    QStringLiteral("COALESCE(PRblnPruefungsergebnis, 1), COALESCE(PRblnAbgebrochen, 0), "
                   "COALESCE(PRblnSchnellabbruch, 0), COALESCE(PRblnManuellAbbruch, 0), "
                   "COALESCE(PRblnGrenzwFehler, 0), COALESCE(PRintSichtpruef, -1), "
                   "COALESCE(PRintDINVDE, 0), COALESCE(PRintProtokolltyp, 0)");
const QString kNewestTestColumns =
    QStringLiteral("SELECT PRintPrueflingNr, PRdtmUebernahme, PRintPruefungsNr, ") + kVerdictColumns +
    QStringLiteral(" FROM tblPruefung");

// The device's slot when the row (device, moment, number in its first three
// columns) is newer than the test kept for it, else null.
template <typename Row> TNewest *newerSlot(TNewestTests &last, const Row &row)
{
    TNewest *slot = last.slot(row.Int(0));
    if (!slot) return nullptr;
    const TMoment when = row.Moment(1);
    if (!when.date.isValid()) return nullptr;
    const int test = row.Int(2);
    if (slot->kept && (when < slot->when || (!(slot->when < when) && test < slot->test))) return nullptr;
    slot->kept = true;
    slot->when = when;
    slot->test = test;
    return slot;
}

// The verdict columns, from column first on.
template <typename Row> void readVerdict(TNewest &n, const Row &row, int first)
{
    n.passed = row.Int(first) != 0;
    n.aborted = row.Int(first + 1) != 0;
    n.fastCut = row.Int(first + 2) != 0;
    n.manualAbort = row.Int(first + 3) != 0;
    n.limitError = row.Int(first + 4) != 0;
    n.visual = row.Int(first + 5);
    n.standard = row.Int(first + 6);
    n.protocolType = row.Int(first + 7);
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
// row of a device is then mostly its newest, and the verdict columns of the
// older ones are passed over. (Reading the verdicts afterwards by rowid cost
// more than it saved.)
bool readSqlite(sqlite3 *handle, TNewestTests &last, QString *error)
{
    const QByteArray sql = (kNewestTestColumns + QStringLiteral(" ORDER BY rowid DESC")).toUtf8();
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &st, nullptr);
    if (rc == SQLITE_OK) {
        const TSqliteRow row{st};
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            if (TNewest *n = newerSlot(last, row)) readVerdict(*n, row, 3);
    }
    if (rc != SQLITE_DONE && error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(handle)));
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

} // namespace

void TNewestTests::setDeviceRange(qint64 lowest, qint64 highest, qint64 count)
{
    m_dense.clear();
    m_sparse.clear();
    // Dense enough: at most a quarter of the slots stay empty (and a few
    // thousand besides).
    m_isDense = count > 0 && lowest <= highest && highest - lowest < 4 * count / 3 + 4096 &&
                lowest > std::numeric_limits<int>::min() && highest < std::numeric_limits<int>::max();
    if (!m_isDense) return;
    m_lowest = int(lowest);
    m_dense.resize(size_t(highest - lowest + 1));
}

TNewest *TNewestTests::slot(int device)
{
    if (!m_isDense) return &m_sparse[device];
    const qint64 i = qint64(device) - m_lowest;
    return i >= 0 && i < qint64(m_dense.size()) ? &m_dense[size_t(i)] : nullptr;
}

const TNewest *TNewestTests::find(int device) const
{
    if (!m_isDense) {
        const auto it = m_sparse.constFind(device);
        return it != m_sparse.constEnd() && it->kept ? &*it : nullptr;
    }
    const qint64 i = qint64(device) - m_lowest;
    if (i < 0 || i >= qint64(m_dense.size())) return nullptr;
    const TNewest &n = m_dense[size_t(i)];
    return n.kept ? &n : nullptr;
}

bool ReadNewestTests(QSqlDatabase db, TNewestTests &last, QString *error)
{
    QSqlQuery range(db);
    range.setForwardOnly(true);
    if (!range.exec(QStringLiteral(
            "SELECT MIN(PLintPrueflingNr), MAX(PLintPrueflingNr), COUNT(*) FROM tblPruefling")) ||
        !range.next()) {
        if (error) *error = DbFehlertext(range.lastError());
        return false;
    }
    last.setDeviceRange(range.value(0).toLongLong(), range.value(1).toLongLong(),
                        range.value(2).toLongLong());
    range.finish();
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
            if (TNewest *n = newerSlot(last, TQtRow{q})) readVerdict(*n, TQtRow{q}, 3);
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
    last.forEach([&failedRows](TNewest &n) { n.failedRow = failedRows.contains(n.test); });
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
