#pragma once

#include "store/Globals.h"

#include <QSqlDatabase>
#include <QSqlRecord>

#include <array>

class QSqlQuery;

// Positions of the record's columns in a result set (looked up once per
// query, not per row; names without regard to case). -1 = column absent,
// the field then keeps its zero value.
class TRecordColumns {
public:
    explicit TRecordColumns(const QSqlRecord &rec);
    // From the column names of a result read by other means.
    explicit TRecordColumns(const QStringList &names);

    std::array<int, 64> ints{};
    std::array<int, 32> strings{};
    std::array<int, 16> bools{};
    int datum = -1;
    // Time zone handling of the loaded date. Local time (the default) is what callers
    // compare with "now"; a caller that needs only the calendar date (the
    // export) takes UTC and saves a time-zone lookup per row.
    Qt::TimeSpec datumSpec = Qt::LocalTime;
};

// The values of one result row by column position, read as FieldInt,
// FieldString, FieldBool and FieldDateTime read them.
class TRowValues {
public:
    virtual ~TRowValues() = default;
    virtual int Int(int i) const = 0;
    virtual QString String(int i) const = 0;
    virtual bool Bool(int i) const = 0;
    virtual QDateTime DateTime(int i, Qt::TimeSpec zone) const = 0;
};

// Copies the customer, device and test columns of a row into w (w is cleared
// first), then DeriveFields (database form) and ComputeDeviceOk.
void FillRecordFromValues(TWerteSatz &w, const TRowValues &row, const TRecordColumns &cols);

// Copies the customer, device and test columns of the current row into w
// (w is cleared first); inspection rows are not touched. Then DeriveFields
// (database form) and ComputeDeviceOk run.
void FillRecordFromRow(TWerteSatz &w, const QSqlQuery &q, const TRecordColumns &cols);
// The same from a QSqlRecord (e.g. a model's row).
void FillRecordFromRecord(TWerteSatz &w, const QSqlRecord &rec);

// The inspection rows of a test in row-number order.
bool LoadSichtprRows(QSqlDatabase db, int pruefungsNr, QList<TSichtPr> &rows, QString *error = nullptr);

// Loads test pruefungsNr with its customer and device (and, withRows, its
// inspection rows). False when the test does not exist or a query fails.
bool LoadTestRecord(QSqlDatabase db, int pruefungsNr, bool withRows, TWerteSatz &w, QString *error = nullptr);

// Device and customer number of a test; 0 and 0 when there is no such test.
void LookupTestOwner(QSqlDatabase db, int pruefungsNr, int &prueflingNr, int &kundenNr);

// The join of all tests with their devices and customers, as the full export reads it.
QStringList FullExportQueryLines();
