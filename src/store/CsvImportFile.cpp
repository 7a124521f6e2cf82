#include "store/CsvImport.h"

#include "store/DatabaseFiles.h"

#include "store/CsvExport.h"
#include "store/CsvImportInterval.h"
#include "store/ExportColumns.h"

#include <QFile>
#include <QStringDecoder>

QString TImportSummary::Text() const
{
    return QStringLiteral("%1 Zeile(n): Kunden %2 neu, %3 vorhanden; Prüflinge %4 neu, %5 vorhanden; "
                          "Prüfungen %6 neu, %7 schon vorhanden; %8 abgewiesen.")
        .arg(lines)
        .arg(newCustomers)
        .arg(matchedCustomers)
        .arg(newDevices)
        .arg(matchedDevices)
        .arg(newTests)
        .arg(presentTests)
        .arg(refused);
}

QList<TCsvRecord> SplitCsv(const QString &text)
{
    QList<TCsvRecord> out;
    TCsvSplitter splitter;
    splitter.Feed(text, out);
    splitter.Finish(out);
    return out;
}

QString DecodeImportBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    return DecodeWindows1252(bytes);
}

namespace {

// Names what the file has instead: a list saved with "," between its values
// shows as one long column, and a mapping that points nowhere shows by the
// columns the file really has.
QString MissingCustomerColumn(const QStringList &fileColumns)
{
    if (fileColumns.size() == 1 && fileColumns[0].count(QLatin1Char(',')) >= 2)
        return QStringLiteral(
                   "Die Werte der Datei sind nicht durch „;“ getrennt (Kopfzeile: „%1“). Bitte die "
                   "Datei mit Semikolon als Trennzeichen speichern.")
            .arg(fileColumns[0].left(80));
    QStringList shown = fileColumns.mid(0, 12);
    if (fileColumns.size() > shown.size()) shown << QStringLiteral("…");
    return QStringLiteral("Die Kopfzeile enthält keine Spalte „Name1“ und keine ihr zugeordnete: die Zeilen "
                          "können keinem Kunden zugeordnet werden. Spalten der Datei: %1.")
        .arg(shown.join(QStringLiteral(", ")));
}

int exportColumnNamed(const QString &name)
{
    for (int c = 0; c < csvimport::kImportColumnCount; ++c)
        if (name.compare(csvimport::ImportColumnHeader(c), Qt::CaseInsensitive) == 0) return c;
    return -1;
}

} // namespace

bool TCsvImport::ReadFile(const QString &fileName, QString *error)
{
    m_fileColumns.clear();
    if (const QString why = DatabaseFileRefusal(fileName); !why.isEmpty()) {
        if (error) *error = why;
        return false;
    }
    if (!m_stream.OpenFile(fileName, error)) return false;
    return ReadHeader(error);
}

bool TCsvImport::ReadBytes(const QByteArray &bytes, QString *error)
{
    m_stream.OpenBytes(bytes);
    return ReadHeader(error);
}

QStringList TCsvImport::ColumnFields() const
{
    QStringList fields(m_fileColumns.size());
    for (int c = 0; c < csvimport::kImportColumnCount; ++c)
        if (m_col[c] >= 0 && m_col[c] < fields.size()) fields[m_col[c]] = csvimport::ImportColumnHeader(c);
    return fields;
}

bool TCsvImport::ReadHeader(QString *error)
{
    m_col = QList<int>(csvimport::kImportColumnCount, -1);
    m_ignored.clear();
    m_fileColumns.clear();
    m_lines.clear();
    m_summary = TImportSummary{};
    TCsvRecord head;
    if (!m_stream.Next(head)) {
        if (error) *error = QStringLiteral("Die Datei ist leer.");
        return false;
    }
    m_headerSize = int(head.size());
    for (int i = 0; i < head.size(); ++i) {
        const QString name = head.value(i).trimmed().toString();
        m_fileColumns << name;
        // The user's choice first: a customer's list names its columns its own way.
        const auto chosen = m_mapping.constFind(name);
        const int found =
            chosen != m_mapping.constEnd() ? exportColumnNamed(chosen->trimmed()) : exportColumnNamed(name);
        // Keys are handed out anew and the mask follows from the set-up.
        const bool derived =
            found == ecKundenNr || found == ecPrueflingNr || found == ecPruefungsNr || found == ecEnables;
        if (found < 0 || derived) {
            m_ignored << name;
            continue;
        }
        if (m_col[found] >= 0) {
            if (error)
                *error = QStringLiteral("Die Spalte „%1“ steht zweimal in der Kopfzeile.")
                             .arg(csvimport::ImportColumnHeader(found));
            return false;
        }
        m_col[found] = i;
    }
    if (m_col[ecName1] < 0) {
        if (error) *error = MissingCustomerColumn(m_fileColumns);
        return false;
    }
    if (m_col[ecBezeichnung] < 0 && m_col[ecBarcode] < 0) {
        if (error)
            *error =
                QStringLiteral("Die Kopfzeile enthält weder „Bezeichnung“ noch „Barcode“: die Zeilen können "
                               "keinem Prüfling zugeordnet werden.");
        return false;
    }
    return true;
}
