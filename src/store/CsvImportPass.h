#pragma once

// One pass of the import over the file. Internal to the import.

#include "store/CsvImport.h"
#include "store/CsvImportColumns.h"
#include "store/CsvImportInsert.h"
#include "store/CsvImportInterval.h"
#include "store/CsvImportStream.h"
#include "store/DeviceInterval.h"
#include "store/ImportMatch.h"

#include <QSqlDatabase>

#include <span>
#include <utility>
#include <vector>

namespace csvimport {

// The file in the order a reader follows it: header, match, refuse, write.
// A checking pass hands out negative keys that are never stored; a run that
// stores checks every line first, inside its transaction, and then goes
// over the file again from the same state, writing.
class TImportPass {
public:
    TImportPass(QSqlDatabase db, bool write, const QList<int> &col, QList<TImportLine> &lines,
                TImportSummary &summary)
        : m_db(db), m_write(write), m_col(col), m_lines(lines), m_summary(summary)
    {
    }

    bool Prepare(QString *error);
    // False only when the database fails; a refused line is recorded.
    bool Line(const TCsvRecord &rec, int headerSize, QString *error);
    bool Refused() const { return !m_firstError.isEmpty(); }
    // From checking to writing: the state as Prepare left it, new counts.
    bool StartWriting(QString *error);
    bool Finish(QString *error);
    bool Cancel(QString *error);

private:
    bool Fail(const QString &text, QString *error);
    void Keep(TImportLine &line);
    bool Has(TExportColumn c) const { return m_col[c] >= 0; }
    // Views into the record being read: valid for this line only.
    QStringView Value(TExportColumn c) const { return Has(c) ? m_rec->value(m_col[c]) : QStringView(); }
    QStringView Text(TExportColumn c) const { return ImportUserText(Value(c)); }
    template <class F> void CustomerKey(QString &k, F field) const;
    template <class F> void DeviceKey(QString &k, int kunde, F field) const;
    bool LoadCustomers(QString *error);
    bool LoadDevices(QString *error);
    void Refuse(TImportLine &line, const QString &why);
    QString TooLong() const;
    void ReadTest(TLineTest &t) const;
    void ReadMeasured(TLineTest &t) const;
    void ReadLimitFlags(TLineTest &t) const;
    bool SameTest(const TStoredTest &st, const TFileValues &v) const;
    QString BarcodeConflict(const QString &barcode, int kunde) const;
    bool Insert(TImportInsert &q, QVariantList &vals, std::span<const TColumnText> texts, QString *err);
    bool StoreCustomer(TImportLine &line, const QString &key, int &kunde, QString *err);
    bool StoreDevice(TImportLine &line, int kunde, const QString &barcode, int &device, QString *err);
    bool StoreTest(TImportLine &line, TLineTest &t, int device, QString *err);
    bool IntervalOf(TImportLine &line, int &months);

    QSqlDatabase m_db;
    bool m_write;            // the run stores (in a transaction)
    bool m_storing = false;  // this pass writes
    const QList<int> &m_col; // per export column: index in the record, -1 absent
    QList<TImportLine> &m_lines;
    TImportSummary &m_summary;
    const TCsvRecord *m_rec = nullptr; // the line being read
    int m_nextCustomer = -1, m_nextDevice = -1, m_nextTest = -1;
    int m_pseudo = 0; // keys of a checking pass: never stored
    TKnown m_known, m_start;
    TLineTest m_test; // the line's test, reused line after line
    TMeasuredTexts m_measured;
    TStoredTests m_tests; // by device and day
    int m_flagMask = 0;   // the limit flags the file carries
    QString m_firstError;
    // The line's keys, built into the same room line after line.
    QString m_customerKey, m_deviceKey, m_barcode;
    QString m_lastDatum; // the date text before, and what it was read as
    QDateTime m_lastWhen;
    int m_keptTaken = 0, m_keptRefused = 0;
    std::vector<std::pair<TExportColumn, int>> m_widths; // the texts the database limits
    // Prepared once for the whole file.
    TImportInsert m_insCustomer, m_insDevice, m_insTest;
    TIntervalWriter m_intervals;
};

} // namespace csvimport
