#pragma once

// The tests already stored, as the import compares a line of a file with
// them. Device, day and tester are not enough: a device tested twice on one
// day (a retest after a repair) has two real tests. A line is the stored
// test when the time of day (as far as the file gives it) and every value
// the file carries agree as well.

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

struct TStoredTest {
    QDateTime when;    // wall-clock time as stored
    QString serial;    // tester serial number, trimmed, double quotes as apostrophes
    QList<int> values; // the requested columns; yes/no columns as 1/0, null as 0
};

class TStoredTests {
public:
    // Reads every test with the given integer or yes/no columns.
    bool Load(QSqlDatabase db, const QStringList &columns, QString *error = nullptr);

    // The stored tests of a device on a day (empty list when none).
    QList<TStoredTest> On(int prueflingNr, const QDate &day) const;

    // Whether a test of the device at `when` is stored. The time counts to
    // the precision the file's date text has (none, minutes or seconds);
    // same(stored) compares the rest.
    bool Contains(int prueflingNr, const QDateTime &when, QStringView dateText,
                  const std::function<bool(const TStoredTest &)> &same) const;

private:
    QHash<QPair<int, qint64>, QList<TStoredTest>> m_tests;
};
