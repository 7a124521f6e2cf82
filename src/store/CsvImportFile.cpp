#include "store/CsvImport.h"

#include "store/DatabaseFiles.h"

#include "store/CsvExport.h"
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
    TCsvRecord rec;
    QString value;
    bool quoted = false, inValue = false;
    int line = 1;
    rec.line = 1;
    auto endRecord = [&] {
        rec.values << value;
        value.clear();
        // A blank line is no record.
        if (!(rec.values.size() == 1 && rec.values[0].isEmpty() && !inValue)) out << rec;
        rec = TCsvRecord{};
        inValue = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    value += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n') ++line;
                value += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            inValue = true;
        } else if (c == u';') {
            rec.values << value;
            value.clear();
            inValue = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            endRecord();
            rec.line = ++line;
        } else {
            value += c;
            inValue = true;
        }
    }
    if (inValue || !value.isEmpty()) endRecord();
    return out;
}

QString DecodeImportBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    return DecodeWindows1252(bytes);
}

bool TCsvImport::ReadFile(const QString &fileName, QString *error)
{
    if (const QString why = DatabaseFileRefusal(fileName); !why.isEmpty()) {
        if (error) *error = why;
        return false;
    }
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(fileName);
        return false;
    }
    return ReadBytes(f.readAll(), error);
}

bool TCsvImport::ReadBytes(const QByteArray &bytes, QString *error)
{
    m_records = SplitCsv(DecodeImportBytes(bytes));
    m_col = QList<int>(ecColumnCount, -1);
    m_ignored.clear();
    m_lines.clear();
    m_summary = TImportSummary{};
    if (m_records.isEmpty()) {
        if (error) *error = QStringLiteral("Die Datei ist leer.");
        return false;
    }
    const QStringList head = m_records.takeFirst().values;
    m_headerSize = int(head.size());
    for (int i = 0; i < head.size(); ++i) {
        const QString name = head[i].trimmed();
        int found = -1;
        for (int c = 0; c < ecColumnCount; ++c)
            if (name.compare(QLatin1String(kExportColumns[std::size_t(c)].header), Qt::CaseInsensitive) == 0)
                found = c;
        // Keys are handed out anew and the mask follows from the set-up.
        const bool derived =
            found == ecKundenNr || found == ecPrueflingNr || found == ecPruefungsNr || found == ecEnables;
        if (found < 0 || derived) {
            m_ignored << name;
            continue;
        }
        if (m_col[found] >= 0) {
            if (error) *error = QStringLiteral("Die Spalte „%1“ steht zweimal in der Kopfzeile.").arg(name);
            return false;
        }
        m_col[found] = i;
    }
    if (m_col[ecName1] < 0) {
        if (error)
            *error =
                QStringLiteral("Die Kopfzeile enthält keine Spalte „Name1“: die Zeilen können keinem Kunden "
                               "zugeordnet werden.");
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
