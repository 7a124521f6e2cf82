#include "store/DueList.h"

#include "core/AtomicFile.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/DeviceInterval.h"
#include "store/DueNewest.h"
#include "store/SqliteRows.h"
#include "store/Verdict.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Customer name, designation (both regardless of case), device number. The
// names are ranked once per customer: a rank is compared faster than a name
// that many rows share.
void sortByCustomer(QList<TDueEntry> &list)
{
    QHash<int, int> customerAt; // customer number -> index into names
    std::vector<QString> names;
    for (const TDueEntry &e : list)
        if (!customerAt.contains(e.KundenNr)) {
            customerAt.insert(e.KundenNr, int(names.size()));
            names.push_back(CaseFoldKey(e.Kunde));
        }
    std::vector<int> byName(names.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::sort(byName.begin(), byName.end(),
              [&names](int a, int b) { return names[size_t(a)] < names[size_t(b)]; });
    std::vector<int> rank(names.size()); // equal names share a rank
    for (size_t k = 0; k < byName.size(); ++k)
        rank[size_t(byName[k])] = k > 0 && names[size_t(byName[k])] == names[size_t(byName[k - 1])]
                                      ? rank[size_t(byName[k - 1])]
                                      : int(k);

    struct TKey {
        int customer;
        QString bezeichnung;
        int nr;
    };
    std::vector<TKey> keys;
    keys.reserve(size_t(list.size()));
    for (const TDueEntry &e : list)
        keys.push_back(
            {rank[size_t(customerAt.value(e.KundenNr))], CaseFoldKey(e.Bezeichnung), e.PrueflingNr});
    std::vector<int> order(size_t(list.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&keys](int a, int b) {
        const TKey &ka = keys[size_t(a)], &kb = keys[size_t(b)];
        if (ka.customer != kb.customer) return ka.customer < kb.customer;
        if (int c = ka.bezeichnung.compare(kb.bezeichnung)) return c < 0;
        return ka.nr < kb.nr;
    });
    QList<TDueEntry> sorted;
    sorted.reserve(list.size());
    for (int i : order)
        sorted.append(std::move(list[i]));
    list = std::move(sorted);
}

} // namespace

QDate DueDate(const QDate &lastTest, int serviceIntervalDays)
{
    if (!lastTest.isValid() || serviceIntervalDays <= 0) return {};
    return lastTest.addDays(serviceIntervalDays);
}

QDate NextDueDate(const QDate &lastTest, int intervalMonths, int defaultDays)
{
    if (intervalMonths <= 0) return DueDate(lastTest, defaultDays);
    // QDate keeps the day within the shorter month.
    return lastTest.isValid() ? lastTest.addMonths(intervalMonths) : QDate();
}

QList<TDueEntry> DueOfCustomer(const QList<TDueEntry> &all, int kundenNr)
{
    if (kundenNr == 0) return all;
    QList<TDueEntry> out;
    for (const TDueEntry &e : all)
        if (e.KundenNr == kundenNr) out.append(e);
    return out;
}

bool LoadDueList(QSqlDatabase db, int serviceIntervalDays, const QDate &today, QList<TDueEntry> &out,
                 QString *error)
{
    out.clear();
    // The newest test per device. Dates are compared here, not in SQL: the
    // embedded database keeps them as text that does not sort by date.
    TNewestTests last;
    if (!ReadNewestTests(db, last, error)) return false;
    QHash<int, int> months;
    if (!LoadDeviceIntervals(db, months, error)) return false;
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
        if (const TNewest *n = last.find(e.PrueflingNr)) {
            e.LastTest = n->when.date;
            e.Failed = NewestFailed(*n);
        }
        e.IntervalMonths = months.value(e.PrueflingNr, 0);
        // A device that failed is due now: it must not wait for its interval.
        e.NextDue = e.Failed ? today : NextDueDate(e.LastTest, e.IntervalMonths, serviceIntervalDays);
        if (e.NextDue.isValid()) e.DaysLeft = int(today.daysTo(e.NextDue));
        out.append(std::move(e));
    }
    sortByCustomer(out);
    return true;
}

QString CaseFoldKey(const QString &text)
{
    // Folded unit by unit as QString's case-insensitive comparison folds:
    // a low surrogate stands for its whole character.
    QString key(text.size(), Qt::Uninitialized);
    const QChar *in = text.constData();
    QChar *out = key.data();
    char32_t last = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = in[i].unicode();
        char32_t ucs4 = ch;
        if (QChar::isLowSurrogate(ch) && QChar::isHighSurrogate(last))
            ucs4 = QChar::surrogateToUcs4(char16_t(last), ch);
        last = ch;
        const char32_t folded = QChar::toCaseFolded(ucs4);
        out[i] = QChar(QChar::requiresSurrogates(ucs4) ? QChar::lowSurrogate(folded) : char16_t(folded));
    }
    return key;
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
