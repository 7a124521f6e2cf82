#pragma once

// A device's own test interval in months, kept beside the device in a table
// of its own (tblPruefintervall, keyed by the device number): workshops test
// some devices every 3 months and others every 24. A device without a row
// follows the interval of the settings. A database made before the table
// existed reads as "no device has its own interval" until it is upgraded.

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QStringView>

constexpr int kMinIntervalMonths = 1;
constexpr int kMaxIntervalMonths = 120;

// Whether the database has the interval table yet.
bool HasIntervalTable(const QSqlDatabase &db);

// Every device's own interval (device number -> months); empty without the
// table. False with the database's reason.
bool LoadDeviceIntervals(QSqlDatabase db, QHash<int, int> &out, QString *error = nullptr);

// The device's own interval, 0 when it has none (or the table is missing).
bool ReadDeviceInterval(QSqlDatabase db, int device, int &months, QString *error = nullptr);

// Stores the device's own interval; 0 removes it (the default applies
// again). False with a German reason, also when the table is missing.
bool WriteDeviceInterval(QSqlDatabase db, int device, int months, QString *error = nullptr);

// Stores many devices' intervals with one prepared statement (the import).
class TIntervalWriter {
public:
    // False with a German reason, also when the table is missing.
    bool Prepare(QSqlDatabase db, QString *error = nullptr);
    // months 0 removes the device's own interval.
    bool Write(int device, int months, QString *error = nullptr);

private:
    QSqlDatabase m_db;
    QSqlQuery m_set, m_clear;
};

// The text of the field or an import column: empty is 0 (the default),
// otherwise a whole number of months in 1..120. False with a German reason.
bool ParseIntervalMonths(QStringView text, int &months, QString *error = nullptr);

// What the field shows: the months, or nothing for the default.
QString IntervalMonthsText(int months);

// The statement that deletes the intervals of the devices matching
// deviceCondition (an SQL condition on PLintPrueflingNr of tblPruefling),
// for the deleting cascades; empty without the table.
QStringList DeleteIntervalsLines(const QSqlDatabase &db, const QString &deviceCondition);
