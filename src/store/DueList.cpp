#include "store/DueList.h"

#include "core/AtomicFile.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/DueNewest.h"
#include "store/SqliteRows.h"
#include "store/Verdict.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

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
    if (!ReadNewestTests(db, last, error)) return false;
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
            e.Failed = NewestFailed(*n);
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
