#include "store/ImportMatch.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

bool TStoredTests::Load(QSqlDatabase db, const QStringList &columns, QString *error)
{
    m_tests.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QStringList select{QStringLiteral("PRintPrueflingNr"), QStringLiteral("PRdtmUebernahme"),
                       QStringLiteral("PRstrGTSeriennummer")};
    select << columns;
    if (!q.exec(QStringLiteral("SELECT %1 FROM tblPruefung").arg(select.join(QStringLiteral(", "))))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    QList<bool> isBool;
    for (const QString &c : columns)
        isBool << c.startsWith(QLatin1String("PRbln"), Qt::CaseInsensitive);
    while (q.next()) {
        TStoredTest t;
        // Read as UTC: the stored wall-clock time, untouched by the zone.
        t.when = FieldDateTime(q.value(1), Qt::UTC);
        if (!t.when.isValid()) continue;
        t.serial = FieldString(q.value(2)).trimmed().replace(u'"', u'\'');
        t.values.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant v = q.value(3 + i);
            t.values << (isBool[i] ? (FieldBool(v) ? 1 : 0) : FieldInt(v));
        }
        m_tests[{FieldInt(q.value(0)), t.when.date().toJulianDay()}].append(std::move(t));
    }
    return true;
}

QList<TStoredTest> TStoredTests::On(int prueflingNr, const QDate &day) const
{
    return m_tests.value({prueflingNr, day.toJulianDay()});
}

bool TStoredTests::Contains(int prueflingNr, const QDateTime &when, QStringView dateText,
                            const std::function<bool(const TStoredTest &)> &same) const
{
    const auto it = m_tests.constFind({prueflingNr, when.date().toJulianDay()});
    if (it == m_tests.constEnd()) return false;
    const int colons = int(dateText.count(u':'));
    const QTime t = when.time();
    for (const TStoredTest &s : *it) {
        const QTime st = s.when.time();
        if (colons >= 1 && (st.hour() != t.hour() || st.minute() != t.minute())) continue;
        if (colons >= 2 && st.second() != t.second()) continue;
        if (same(s)) return true;
    }
    return false;
}
