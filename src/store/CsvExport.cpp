#include "store/CsvExport.h"

#include "core/AtomicFile.h"
#include "core/FormatSettings.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/SqliteRows.h"
#include "store/TestRecord.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Unicode code points of 0x80..0x9F in Windows-1252; 0 = not assigned.
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] == c && c != 0) return char(0x80 + i);
    return '?';
}

const QString kCrLf = QStringLiteral("\r\n");

QString yesNoOther(int v)
{
    if (v == 1) return QStringLiteral("ja");
    if (v == 0) return QStringLiteral("nein");
    return QStringLiteral("---");
}

// Keys and the texts people typed (guarded against spreadsheet formulas).
std::optional<QString> textValue(const TWerteSatz &w, TExportColumn col)
{
    const auto userText = [](const QString &v) { return NeutraliseCsvText(v); };
    switch (col) {
    case ecKundenNr:
        return QString::number(w.KundenNr);
    case ecPrueflingNr:
        return QString::number(w.PrueflingNr);
    case ecPruefungsNr:
        return QString::number(w.PruefungsNr);
    case ecName1:
        return userText(w.Name1);
    case ecName2:
        return userText(w.Name2);
    case ecName3:
        return userText(w.Name3);
    case ecKdStr:
        return userText(w.Strasse);
    case ecKdLKZ:
        return userText(w.LKZ);
    case ecKdPLZ:
        return userText(w.PLZ);
    case ecKdOrt:
        return userText(w.Ort);
    case ecTelefon:
        return userText(w.Telefon);
    case ecFax:
        return userText(w.Fax);
    case ecBezeichnung:
        return userText(w.Bezeichnung);
    case ecTyp:
        return userText(w.Typ);
    case ecInventarnummer:
        return userText(w.Inventarnummer);
    case ecFabrikationsnummer:
        return userText(w.Fabrikationsnummer);
    case ecSeriennummer:
        return userText(w.Seriennummer);
    case ecBarcode:
        return userText(w.Barcode);
    case ecGTSeriennummer:
        return userText(w.GTSeriennummer);
    case ecNotiz:
        return userText(w.Notiz);
    case ecPruefer:
        return userText(w.Pruefer);
    case ecBewertender:
        return userText(w.Bewertender);
    default:
        return std::nullopt;
    }
}

// Measured values and their limits, in the units of the column captions.
std::optional<QString> measuredValue(const TWerteSatz &w, TExportColumn col)
{
    switch (col) {
    case ecSchutzleiterwid:
        return FormatResistanceMilliohm(w.Schutzleiterwid);
    case ecIsolationswid:
        return FormatInsulationMegohm(w.Isolationswid);
    case ecAbleitstrom:
        return FormatLeakageMilliampere(w.Ableitstrom);
    case ecSchutzlStromL1N:
        return FormatCurrentMilliampere(w.SchutzlStromL1N);
    case ecSchutzlStromNL1:
        return FormatCurrentMilliampere(w.SchutzlStromNL1);
    case ecBeruehrungsstromL1N:
        return FormatCurrentMilliampere(w.BeruehrungsstromL1N);
    case ecBeruehrungsstromNL1:
        return FormatCurrentMilliampere(w.BeruehrungsstromNL1);
    case ecGrwSchutzleiterwid:
        return FormatResistanceMilliohm(w.GrwSchutzleiterwid);
    case ecGrwIsolationswid:
        return FormatInsulationMegohm(w.GrwIsolationswid);
    case ecGrwAbleitstrom:
        return FormatLeakageMilliampere(w.GrwAbleitstrom);
    case ecGrwSchutzleiterstrom:
        return FormatCurrentMilliampere(w.GrwSchutzleiterstrom);
    case ecGrwBeruehrungsstrom:
        return FormatCurrentMilliampere(w.GrwBeruehrungsstrom);
    case ecGrwSchnellabschaltung:
        return FormatCurrentMilliampere(w.GrwSchnellabschaltung);
    default:
        return std::nullopt;
    }
}

// The date, the set-up numbers and the yes/no columns.
std::optional<QString> setupValue(const TWerteSatz &w, TExportColumn col)
{
    switch (col) {
    case ecDatum:
        return w.Datum.isValid() ? FormatDate(w.Datum.date()) : QString();
    case ecGrenzwertflags:
        return QString::number(w.Grenzwertflags);
    case ecMenueflags:
        return QString::number(w.Menueflags);
    case ecSchutzklasse:
        return QString::number(w.Schutzklasse);
    case ecSichtpruefung:
        return yesNoOther(w.Sichtpruef);
    case ecMessablauf:
        return QString::number(w.MessablaufFlags);
    case ecPruefungsergebnis:
        return FormatYesNo(w.Pruefungsergebnis);
    case ecSchutzleiterwidLimit:
        return FormatYesNo(w.SchutzleiterwidLimit);
    case ecIsolationswidLimit:
        return FormatYesNo(w.IsolationswidLimit);
    case ecAbleitstromLimit:
        return FormatYesNo(w.AbleitstromLimit);
    case ecSchutzlStromL1NLimit:
        return FormatYesNo(w.SchutzlStromL1NLimit);
    case ecSchutzlStromNL1Limit:
        return FormatYesNo(w.SchutzlStromNL1Limit);
    case ecBeruehrungsstromL1NLimit:
        return FormatYesNo(w.BeruehrungsstromL1NLimit);
    case ecBeruehrungsstromNL1Limit:
        return FormatYesNo(w.BeruehrungsstromNL1Limit);
    case ecSchnellabschaltung:
        return FormatYesNo(w.Schnellabbruch);
    case ecAutomatisch:
        return FormatYesNo(w.Automatisch);
    case ecDINVDE:
        return FormatDinVde(w.DINVDE);
    case ecMitIsol:
        return QString::number(w.IsolDiff);
    case ecManuGrenz:
        return FormatYesNo(w.ManuGrenz);
    case ecMitBeruehr:
        return FormatYesNo(w.MitBeruehr);
    case ecAbgebrochen:
        return FormatYesNo(w.Abgebrochen);
    case ecEnables:
        return QString::number(w.Enables);
    default:
        return std::nullopt;
    }
}

QString columnValue(const TWerteSatz &w, int col)
{
    const auto c = TExportColumn(col);
    if (auto v = textValue(w, c)) return *v;
    if (auto v = measuredValue(w, c)) return *v;
    if (auto v = setupValue(w, c)) return *v;
    return QString();
}

// Appends one quoted value; double quotes become apostrophes.
void appendValue(QString &line, QStringView v, bool first)
{
    if (!first) line += QLatin1Char(';');
    line += QLatin1Char('"');
    const qsizetype start = line.size();
    line += v;
    if (v.contains(QLatin1Char('"')))
        std::replace(line.begin() + start, line.end(), QChar(QLatin1Char('"')), QChar(QLatin1Char('\'')));
    line += QLatin1Char('"');
}

// The same straight into the file's bytes: the full export skips the text
// line and its second pass.
void appendValue(QByteArray &line, QStringView v, bool first)
{
    const qsizetype start = line.size();
    line.resize(start + v.size() + 3);
    char *p = line.data() + start;
    qsizetype o = 0;
    if (!first) p[o++] = ';';
    p[o++] = '"';
    const char16_t *s = reinterpret_cast<const char16_t *>(v.utf16());
    const qsizetype n = v.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            p[o++] = c == u'"' ? '\'' : char(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            p[o++] = '?';
            ++i;
        } else {
            p[o++] = encodeChar(c);
        }
    }
    p[o++] = '"';
    line.resize(start + o);
}

template <typename Line>
void buildLine(Line &line, const TWerteSatz &w, const TExportSwitches &sw, bool header)
{
    bool first = true;
    for (int c = 0; c < ecColumnCount; ++c) {
        if (!sw.Column[std::size_t(c)]) continue;
        if (header)
            appendValue(line, QString::fromLatin1(kExportColumns[std::size_t(c)].header), first);
        else
            appendValue(line, columnValue(w, c), first);
        first = false;
    }
    if (sw.SichtprZeilen) {
        for (const TSichtPr &r : w.Sichtpr) {
            if (header)
                appendValue(line, QStringLiteral("SichtprZl%1").arg(r.ZeileNr, 2, 10, QLatin1Char('0')),
                            first);
            else
                appendValue(line, yesNoOther(r.Bestanden), first);
            first = false;
        }
    }
}

// Buffered writer to a file that replaces the old one only when complete.
class TCsvWriter {
public:
    explicit TCsvWriter(const QString &fileName) : m_file(fileName) {}
    bool open() { return m_file.open(QIODevice::WriteOnly); }
    bool writeLine(const QString &line)
    {
        AppendWindows1252(m_buf, line);
        return endLine();
    }
    // The buffer itself, for a line built in place; endLine() closes it.
    QByteArray &buffer() { return m_buf; }
    bool endLine()
    {
        m_buf.append("\r\n", 2);
        if (m_buf.size() >= (1 << 20)) return flushBuf();
        return true;
    }
    bool commit(QString *error)
    {
        // Renamed over the database, the export would destroy it.
        if (const QString why = DatabaseFileRefusal(m_file.fileName()); !why.isEmpty()) {
            if (error) *error = why;
            m_file.cancel();
            return false;
        }
        if (!flushBuf() || !m_file.commit()) {
            if (error)
                *error = QStringLiteral("Fehler beim Schreiben der Datei „%1“: %2")
                             .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.reason());
            m_file.cancel();
            return false;
        }
        return true;
    }
    void cancel() { m_file.cancel(); }

private:
    bool flushBuf()
    {
        if (m_buf.isEmpty()) return true;
        const bool ok = m_file.write(m_buf) == m_buf.size();
        m_buf.clear();
        return ok;
    }
    TAtomicFile m_file;
    QByteArray m_buf;
};

// Qt SQL rows with the reading interface of TSqliteQuery.
class TQtSqlRows final : public TRowValues {
public:
    explicit TQtSqlRows(QSqlDatabase db) : m_q(db) { m_q.setForwardOnly(true); }
    bool Exec(const QString &sql, QString *error)
    {
        if (m_q.exec(sql)) return true;
        if (error) *error = DbFehlertext(m_q.lastError());
        return false;
    }
    bool Next(QString *error)
    {
        if (m_q.next()) return true;
        if (m_q.lastError().isValid() && error) *error = DbFehlertext(m_q.lastError());
        return false;
    }
    QStringList ColumnNames() const
    {
        QStringList names;
        const QSqlRecord rec = m_q.record();
        for (int i = 0; i < rec.count(); ++i)
            names << rec.fieldName(i);
        return names;
    }
    int Int(int i) const override { return FieldInt(m_q.value(i)); }
    QString String(int i) const override { return FieldString(m_q.value(i)); }
    bool Bool(int i) const override { return FieldBool(m_q.value(i)); }
    QDateTime DateTime(int i, Qt::TimeSpec zone) const override { return FieldDateTime(m_q.value(i), zone); }

private:
    QSqlQuery m_q;
};

// One line per row of the query; the file is replaced only when all went well.
template <typename Rows>
bool writeRows(Rows &q, const QString &sql, TCsvWriter &out, const TExportSwitches &sw, QString *error,
               int *count)
{
    QString err;
    if (!q.Exec(sql, &err)) {
        if (error) *error = err;
        out.cancel();
        return false;
    }
    TRecordColumns cols(q.ColumnNames());
    cols.datumSpec = Qt::UTC; // only the calendar date is written
    TWerteSatz w;
    int n = 0;
    while (q.Next(&err)) {
        FillRecordFromValues(w, q, cols);
        buildLine(out.buffer(), w, sw, false);
        if (!out.endLine()) {
            out.commit(error);
            return false;
        }
        ++n;
    }
    if (!err.isEmpty()) {
        if (error) *error = err;
        out.cancel();
        return false;
    }
    if (!out.commit(error)) return false;
    if (count) *count = n;
    return true;
}

} // namespace

void AppendWindows1252(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *p = out.data() + start;
    const char16_t *s = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    qsizetype o = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            // One character outside the code page: one "?".
            p[o++] = '?';
            ++i;
            continue;
        }
        p[o++] = encodeChar(c);
    }
    out.resize(start + o);
}

QByteArray EncodeWindows1252(QStringView text)
{
    QByteArray out;
    AppendWindows1252(out, text);
    return out;
}

QString DecodeWindows1252(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F)
            out += kHigh1252[b - 0x80] ? QChar(kHigh1252[b - 0x80]) : QChar(0xFFFD);
        else
            out += QChar(b);
    }
    return out;
}

QString NeutraliseCsvText(const QString &text)
{
    if (text.isEmpty()) return text;
    switch (text.front().unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return QLatin1Char('\'') + text;
    default:
        return text;
    }
}

QString JoinCsvValues(const QStringList &values)
{
    QString line;
    bool first = true;
    for (const QString &v : values) {
        appendValue(line, v, first);
        first = false;
    }
    return line;
}

QString BuildCsvHeader(const TWerteSatz &w, const TExportSwitches &sw)
{
    QString line;
    buildLine(line, w, sw, true);
    return line;
}

QString ExportColumnText(const TWerteSatz &w, TExportColumn col)
{
    return columnValue(w, col);
}

QString BuildCsvLine(const TWerteSatz &w, const TExportSwitches &sw)
{
    QString line;
    buildLine(line, w, sw, false);
    return line;
}

QString CannotCreateFileMessage(const QString &fileName)
{
    return QStringLiteral("Die Datei \"") + fileName + QStringLiteral("\" kann nicht angelegt werden.");
}

bool ExportSingleTest(QSqlDatabase db, int pruefungsNr, const QString &fileName, const TExportSwitches &sw,
                      QString *error)
{
    TWerteSatz w;
    if (!LoadTestRecord(db, pruefungsNr, true, w, error)) return false;
    TCsvWriter out(fileName);
    if (!out.open()) {
        if (error) *error = CannotCreateFileMessage(fileName);
        return false;
    }
    out.writeLine(BuildCsvHeader(w, sw));
    out.writeLine(BuildCsvLine(w, sw));
    return out.commit(error);
}

bool ExportAllTests(QSqlDatabase db, const QString &fileName, const TExportSwitches &sw, QString *error,
                    int *count)
{
    if (count) *count = 0;
    TCsvWriter out(fileName);
    if (!out.open()) {
        if (error) *error = CannotCreateFileMessage(fileName);
        return false;
    }
    // The header of an empty record: no inspection-row columns.
    if (!out.writeLine(BuildCsvHeader(TWerteSatz{}, sw))) {
        out.commit(error);
        return false;
    }
    const QString sql = FullExportQueryLines().join(QLatin1Char('\n'));
    if (sqlite3 *handle = TSqliteQuery::Handle(db)) {
        TSqliteQuery q(handle);
        return writeRows(q, sql, out, sw, error, count);
    }
    TQtSqlRows q(db);
    return writeRows(q, sql, out, sw, error, count);
}
