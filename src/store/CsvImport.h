#pragma once

// Reading customers, devices and tests back from a file in the export's
// format: any subset of its columns, recognised by the header names, in
// Windows-1252 or UTF-8. Customers are matched by name and address, devices
// by barcode (else by customer, designation, type, inventory and serial
// number), tests by device, day, time as far as given, tester serial number
// and the values the file carries, so a second import of the same file adds
// nothing while a second test of a device on one day is not lost. A barcode
// that belongs to another customer's device or to another designation
// refuses its line. The whole file goes in one transaction: one bad line and
// nothing is stored. The file is read as a stream, twice when storing: the
// first pass finds every refused line, the second writes.

#include "store/CsvImportStream.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// Conflict: the line's barcode belongs to another customer's device or to
// another designation (the line is refused).
enum class TImportAction { None, New, Matched, Conflict };

// What one line of the file does (or why it is refused).
struct TImportLine {
    int line = 0; // line number in the file (the header is line 1)
    QString kunde, pruefling, datum;
    TImportAction customer = TImportAction::None;
    TImportAction device = TImportAction::None;
    TImportAction test = TImportAction::None; // None: the line has no test
    QString error;                            // German; not empty = refused
};

struct TImportSummary {
    int lines = 0;
    int newCustomers = 0, matchedCustomers = 0;
    int newDevices = 0, matchedDevices = 0;
    int newTests = 0, presentTests = 0;
    int refused = 0;
    bool linesCut = false; // Lines() holds only the first lines of each kind
    QString Text() const;
};

// Splits text in the export's CSV form (TCsvSplitter) into records, each
// with the number of the line it starts on.
QList<TCsvRecord> SplitCsv(const QString &text);
// UTF-8 when the bytes are valid UTF-8 (with or without BOM), else Windows-1252.
QString DecodeImportBytes(const QByteArray &bytes);

// Told how far a run is (bytes of the file read, of all to read); false
// cancels the run, and nothing is stored.
using TImportProgress = std::function<bool(qint64 done, qint64 total)>;

class TCsvImport {
public:
    // Which field a column of the file is, by the file's header text: for
    // lists whose headers are not the export's. Given before ReadFile; a
    // field given as empty text leaves that column out.
    void SetColumnMapping(const QHash<QString, QString> &fileToField) { m_mapping = fileToField; }

    // Opens the file and checks the header. False with a German reason (no
    // file, no known column, no customer name column).
    bool ReadFile(const QString &fileName, QString *error = nullptr);
    bool ReadBytes(const QByteArray &bytes, QString *error = nullptr);

    // Header names not read (unknown or only derived), for the preview.
    const QStringList &IgnoredColumns() const { return m_ignored; }
    // The file's header texts, and the field each is read as (the export's
    // header name; empty when not read).
    const QStringList &FileColumns() const { return m_fileColumns; }
    QStringList ColumnFields() const;

    // Matches every line against the database; with write, stores what is
    // new in one transaction, and only when no line is refused. False when
    // the database fails, the run is cancelled or (write) a line is refused:
    // *error names it.
    bool Run(QSqlDatabase db, bool write, QString *error = nullptr, const TImportProgress &progress = {});

    const QList<TImportLine> &Lines() const { return m_lines; }
    const TImportSummary &Summary() const { return m_summary; }

private:
    bool ReadHeader(QString *error);

    int m_headerSize = 0;
    QList<int> m_col; // per export column: index in the record, -1 absent
    TCsvStream m_stream;
    QHash<QString, QString> m_mapping;
    QStringList m_fileColumns;
    QStringList m_ignored;
    QList<TImportLine> m_lines;
    TImportSummary m_summary;
};
