#include "store/CsvImport.h"

#include "core/FormatSettings.h"
#include "store/ColumnWidths.h"
#include "store/CsvExport.h"
#include "store/CsvImportColumns.h"
#include "store/CsvImportInsert.h"
#include "store/CsvImportPass.h"
#include "store/CsvImportValues.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/ExportColumns.h"
#include "store/Globals.h"
#include "store/ImportMatch.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>

namespace csvimport {

bool TImportPass::Fail(const QString &text, QString *error)
{
    if (m_write) m_db.rollback();
    if (error) *error = text;
    return false;
}

// The line's texts are copied only for the lines the preview keeps.
void TImportPass::Keep(TImportLine &line)
{
    int &kept = line.error.isEmpty() ? m_keptTaken : m_keptRefused;
    if (kept++ >= kKeptLines) {
        m_summary.linesCut = true;
        return;
    }
    line.kunde = Text(ecName1).toString();
    line.pruefling = Text(ecBezeichnung).toString();
    line.datum = Value(ecDatum).trimmed().toString();
    m_lines << line;
}

// Built into one string that keeps its room: a list and a join per line
// cost more than the lookup. field(i) gives a QString or a view.
template <class F> void TImportPass::CustomerKey(QString &k, F field) const
{
    k.resize(0);
    bool first = true;
    for (int i = 0; i < kCustomerKeyFields; ++i)
        if (Has(kCustomerText[i].col)) {
            if (!first) k += QChar(0x1F);
            first = false;
            const auto &v = field(i);
            AppendImportKey(k, v);
        }
}

template <class F> void TImportPass::DeviceKey(QString &k, int kunde, F field) const
{
    k.resize(0);
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%d", kunde);
    k += QLatin1StringView(digits, n);
    for (TExportColumn c : kDeviceKey)
        if (Has(c)) {
            k += QChar(0x1F);
            const auto &v = field(c);
            AppendImportKey(k, v);
        }
}

// Keys: the table locks first, so a second workstation waits and the
// matching below sees everything stored before.
bool TImportPass::Prepare(QString *error)
{
    if (m_write) {
        if (!m_db.transaction()) return Fail(m_db.lastError().text(), error);
        // The engine's reason is kept: a lock held by another workstation must be named as such.
        QString why;
        m_nextCustomer =
            TakeNextKey(m_db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &why);
        if (m_nextCustomer > 0)
            m_nextDevice =
                TakeNextKey(m_db, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"), &why);
        if (m_nextCustomer > 0 && m_nextDevice > 0)
            m_nextTest =
                TakeNextKey(m_db, QStringLiteral("tblPruefung"), QStringLiteral("PRintPruefungsNr"), &why);
        if (m_nextCustomer <= 0 || m_nextDevice <= 0 || m_nextTest <= 0)
            return Fail(QStringLiteral("Nichts eingelesen. Die Schlüssel können nicht vergeben werden: ") +
                            why,
                        error);
    }
    QString err;
    if (!LoadCustomers(&err) || !LoadDevices(&err) || !m_tests.Load(m_db, matchColumns(), &err))
        return Fail(err, error);
    m_start = m_known;
    if (m_write && m_col[kIntervalColumn] >= 0 && !m_intervals.Prepare(m_db, &err)) return Fail(err, error);
    m_flagMask = Has(ecGrenzwertflags) ? ~0 : 0;
    for (int bit = 0; bit < 7; ++bit)
        if (Has(kLimitFlags[bit])) m_flagMask |= 1 << bit;
    auto width = [this](TExportColumn c, const char *dbColumn) {
        const int w = ColumnWidth(QString::fromLatin1(dbColumn));
        if (w > 0) m_widths.emplace_back(c, w);
    };
    for (const TColumnText &t : kCustomerText)
        width(t.col, t.dbColumn);
    for (const TColumnText &t : kDeviceText)
        width(t.col, t.dbColumn);
    width(ecGTSeriennummer, "PRstrGTSeriennummer");
    width(ecPruefer, "PRstrPruefer");
    width(ecBewertender, "PRstrBewertender");
    return true;
}

// Statements with placeholders, one per table.
QString insertSql(const char *table, QStringList cols, std::span<const TColumnText> texts)
{
    for (const TColumnText &t : texts)
        cols << QLatin1String(t.dbColumn);
    QStringList marks;
    for (qsizetype i = 0; i < cols.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2)\nVALUES (%3)")
        .arg(QLatin1String(table), cols.join(u','), marks.join(u','));
}

bool TImportPass::StartWriting(QString *error)
{
    m_known = m_start;
    m_pseudo = 0;
    m_storing = true;
    m_lines.clear();
    m_summary = TImportSummary{};
    m_keptTaken = m_keptRefused = 0;
    QString err;
    if (!m_insCustomer.Prepare(m_db, insertSql("tblKunden", {QStringLiteral("KDintKundenNr")}, kCustomerText),
                               &err) ||
        !m_insDevice.Prepare(m_db,
                             insertSql("tblPruefling",
                                       {QStringLiteral("PLintPrueflingNr"), QStringLiteral("PLintKundenNr")},
                                       kDeviceText),
                             &err))
        return Fail(err, error);
    return true;
}

bool TImportPass::LoadCustomers(QString *error)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, KDstrStrasse, "
                               "KDstrLKZ, KDstrPLZ, KDstrOrt FROM tblKunden ORDER BY KDintKundenNr"))) {
        *error = q.lastError().text();
        return false;
    }
    QString k;
    while (q.next()) {
        CustomerKey(k, [&q](int i) { return FieldString(q.value(i + 1)); });
        if (!m_known.customers.contains(k)) m_known.customers.insert(k, q.value(0).toInt());
        m_known.customerNames.insert(q.value(0).toInt(), FieldString(q.value(1)));
    }
    return true;
}

bool TImportPass::LoadDevices(QString *error)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrTyp, "
                               "PLstrInventarnummer, PLstrSeriennummer, PLstrBarcode FROM tblPruefling "
                               "ORDER BY PLintPrueflingNr"))) {
        *error = q.lastError().text();
        return false;
    }
    QString k;
    while (q.next()) {
        const int nr = q.value(0).toInt();
        const QString barcode = ImportKeyText(FieldString(q.value(6)));
        if (!barcode.isEmpty() && !m_known.devicesByBarcode.contains(barcode)) {
            m_known.devicesByBarcode.insert(barcode, nr);
            m_known.owners.insert(nr, {q.value(1).toInt(), FieldString(q.value(2))});
        }
        DeviceKey(k, q.value(1).toInt(), [&q](TExportColumn c) {
            switch (c) {
            case ecBezeichnung:
                return FieldString(q.value(2));
            case ecTyp:
                return FieldString(q.value(3));
            case ecInventarnummer:
                return FieldString(q.value(4));
            default:
                return FieldString(q.value(5));
            }
        });
        if (!m_known.devicesByKey.contains(k)) m_known.devicesByKey.insert(k, nr);
    }
    return true;
}

void TImportPass::Refuse(TImportLine &line, const QString &why)
{
    line.error = why;
    ++m_summary.refused;
    if (m_firstError.isEmpty()) m_firstError = QStringLiteral("Zeile %1: %2").arg(line.line).arg(why);
    Keep(line);
}

// The first text that the database would not take, as the reason; empty when all fit.
QString TImportPass::TooLong() const
{
    for (const auto &[c, w] : m_widths)
        if (Has(c) && Text(c).size() > w)
            return QStringLiteral("„%1“ ist länger als %2 Zeichen.").arg(header(c)).arg(w);
    return {};
}

void TImportPass::ReadMeasured(TLineTest &t) const
{
    for (int i = 0; i < kMatchBools; ++i) {
        const TMeasuredColumn &m = kMeasured[i];
        std::optional<int> n = -1;
        if (Has(m.col)) n = ParseImportMeasured(Value(m.col), m.scale, m.over, m.under, m_measured.Format(i));
        t.Check(n.has_value(), m.col);
        t.fileValues[i] = n.value_or(-1);
        t.Put(m.dbColumn, n.value_or(-1));
    }
}

// The limit flags: as a number, or put together from the yes/no columns.
void TImportPass::ReadLimitFlags(TLineTest &t) const
{
    int flags = 0;
    for (int bit = 0; bit < 7; ++bit) {
        if (!Has(kLimitFlags[bit])) continue;
        const auto v = ParseImportBool(Value(kLimitFlags[bit]));
        t.Check(v.has_value(), kLimitFlags[bit]);
        if (v.value_or(false)) flags |= 1 << bit;
    }
    if (Has(ecGrenzwertflags)) {
        const auto v = ParseImportInt(Value(ecGrenzwertflags));
        t.Check(v.has_value(), ecGrenzwertflags);
        flags = v.value_or(0);
    }
    t.fileValues[kMatchFlags] = flags;
    t.Put("PRintGrenzwertflags", flags);
}

void TImportPass::ReadTest(TLineTest &t) const
{
    ReadMeasured(t);
    for (int i = 0; i < kMatchInts - kMatchBools; ++i) {
        const TBoolColumn &b = kBools[i];
        std::optional<bool> v = false;
        if (Has(b.col)) v = ParseImportBool(Value(b.col));
        t.Check(v.has_value(), b.col);
        t.fileValues[kMatchBools + i] = v.value_or(false) ? 1 : 0;
        t.Put(b.dbColumn, v.value_or(false) ? 1 : 0);
    }
    for (int i = 0; i < kMatchFlags - kMatchInts; ++i) {
        const TIntColumn &c = kIntColumns[i];
        std::optional<int> v = c.absent;
        if (Has(c.col)) v = c.parse(Value(c.col));
        t.Check(v.has_value(), c.col);
        t.fileValues[kMatchInts + i] = v.value_or(c.absent);
        t.Put(c.dbColumn, v.value_or(c.absent));
    }
    ReadLimitFlags(t);
    if (!t.keep) return;
    t.Put("PRintSchutzklasseFlags", 0);
    // Both engines read the ISO form whatever their settings; the SQLite
    // file keeps it as it is. Other sources get the program's own form.
    const TDbEngine engine = DatabaseEngine(m_db);
    t.Put("PRdtmUebernahme", engine == TDbEngine::SQLite || engine == TDbEngine::PostgreSQL
                                 ? IsoDateTimeText(t.when)
                                 : FormatDateTime(t.when));
    t.Put("PRstrGTSeriennummer", textValue(Text(ecGTSeriennummer).toString()));
    t.Put("PRstrNotiz", textValue(Text(ecNotiz).toString()));
    t.Put("PRstrPruefer", textValue(Text(ecPruefer).toString()));
    t.Put("PRstrBewertender", textValue(Text(ecBewertender).toString()));
    // As the retrieval stores a test: no protocol yet, nothing stated.
    t.Put("PRintProtokolltyp", 0);
    t.Put("PRstrProtokollNr", QStringLiteral(""));
    t.Put("PRintSichWied", -1);
    t.Put("PRintFunktPruefBest", 0);
    t.Put("PRintGesamtbew", 0);
    t.Put("PRblnExternDiffStr", 0);
    t.Put("PRblnManuellAbbruch", 0);
    t.Put("PRblnGrenzwFehler", 0);
}

// A stored test is the line's when every value the file carries agrees.
bool TImportPass::SameTest(const TStoredTest &st, const TFileValues &v) const
{
    if (Has(ecGTSeriennummer) && !SameImportKey(st.serial, Text(ecGTSeriennummer))) return false;
    for (int i = 0; i < kMatchBools; ++i)
        if (Has(kMeasured[i].col) && m_measured.Text(i, st.values[i]) != m_measured.Text(i, v[i]))
            return false;
    for (int i = kMatchBools; i < kMatchInts; ++i)
        if (Has(kBools[i - kMatchBools].col) && st.values[i] != v[i]) return false;
    for (int i = kMatchInts; i < kMatchFlags; ++i)
        if (Has(kIntColumns[i - kMatchInts].col) && st.values[i] != v[i]) return false;
    return (st.values[kMatchFlags] & m_flagMask) == (v[kMatchFlags] & m_flagMask);
}

// A barcode names one device: a line that gives it to another customer or
// another designation would file its test wrongly. Empty when it does not.
QString TImportPass::BarcodeConflict(const QString &barcode, int kunde) const
{
    const auto owner = m_known.devicesByBarcode.constFind(barcode);
    if (barcode.isEmpty() || owner == m_known.devicesByBarcode.constEnd()) return {};
    // By reference: a copy per line cost its name's count twice.
    static const TDeviceOwner nobody;
    const auto found = m_known.owners.constFind(*owner);
    const TDeviceOwner &o = found == m_known.owners.constEnd() ? nobody : *found;
    if (o.kunde != kunde)
        return QStringLiteral("Der Barcode „%1“ gehört zum Prüfling „%2“ des Kunden „%3“, nicht zu „%4“.")
            .arg(barcode, o.bezeichnung, m_known.customerNames.value(o.kunde), Text(ecName1));
    if (Has(ecBezeichnung) && !SameImportKey(Text(ecBezeichnung), o.bezeichnung))
        return QStringLiteral("Der Barcode „%1“ gehört zum Prüfling „%2“, nicht zu „%3“.")
            .arg(barcode, o.bezeichnung, Text(ecBezeichnung));
    return {};
}

// A new row: its keys, then the file's texts.
bool TImportPass::Insert(TImportInsert &q, QVariantList &vals, std::span<const TColumnText> texts,
                         QString *err)
{
    if (!m_storing) return true;
    for (const TColumnText &t : texts)
        vals << textValue(Text(t.col).toString());
    return q.Exec(vals, err);
}

bool TImportPass::StoreCustomer(TImportLine &line, const QString &key, int &kunde, QString *err)
{
    if (kunde) {
        line.customer = TImportAction::Matched;
        ++m_summary.matchedCustomers;
        return true;
    }
    kunde = m_storing ? m_nextCustomer++ : --m_pseudo;
    QVariantList vals{kunde};
    if (!Insert(m_insCustomer, vals, kCustomerText, err)) return false;
    m_known.customers.insert(key, kunde);
    m_known.customerNames.insert(kunde, Text(ecName1).toString());
    line.customer = TImportAction::New;
    ++m_summary.newCustomers;
    return true;
}

bool TImportPass::StoreDevice(TImportLine &line, int kunde, const QString &barcode, int &device, QString *err)
{
    // The describing key is built only when it is looked up or stored.
    const auto key = [this, kunde]() -> const QString & {
        DeviceKey(m_deviceKey, kunde, [this](TExportColumn c) { return Text(c); });
        return m_deviceKey;
    };
    device =
        barcode.isEmpty() ? m_known.devicesByKey.value(key(), 0) : m_known.devicesByBarcode.value(barcode, 0);
    if (device) {
        line.device = TImportAction::Matched;
        ++m_summary.matchedDevices;
        return true;
    }
    device = m_storing ? m_nextDevice++ : --m_pseudo;
    QVariantList vals{device, kunde};
    if (!Insert(m_insDevice, vals, kDeviceText, err)) return false;
    if (!barcode.isEmpty()) {
        m_known.devicesByBarcode.insert(barcode, device);
        m_known.owners.insert(device, {kunde, Text(ecBezeichnung).toString()});
    }
    if (const QString &dk = key(); !m_known.devicesByKey.contains(dk))
        m_known.devicesByKey.insert(dk, device);
    line.device = TImportAction::New;
    ++m_summary.newDevices;
    return true;
}

// One present before the import is not stored twice; the file's own lines
// all go in (two tests on one day are real).
bool TImportPass::StoreTest(TImportLine &line, TLineTest &t, int device, QString *err)
{
    if (m_tests.Contains(device, t.when, Value(ecDatum).trimmed(),
                         [&](const TStoredTest &st) { return SameTest(st, t.fileValues); })) {
        line.test = TImportAction::Matched;
        ++m_summary.presentTests;
        return true;
    }
    const int nr = m_storing ? m_nextTest++ : --m_pseudo;
    if (m_storing && !m_insTest.IsPrepared()) {
        QStringList cols;
        for (const char *c : t.cols)
            cols << QLatin1String(c);
        if (!m_insTest.Prepare(m_db, insertSql("tblPruefung", cols, {}), err)) return false;
    }
    if (m_storing) {
        t.vals[0] = nr;
        t.vals[1] = device;
    }
    if (!Insert(m_insTest, t.vals, {}, err)) return false;
    line.test = TImportAction::New;
    ++m_summary.newTests;
    return true;
}

// The line's own interval, 0 when it gives none; false when it is refused.
bool TImportPass::IntervalOf(TImportLine &line, int &months)
{
    if (m_col[kIntervalColumn] < 0) return true;
    QString why;
    if (ParseIntervalMonths(m_rec->value(m_col[kIntervalColumn]), months, &why)) return true;
    Refuse(line, why);
    return false;
}

bool TImportPass::Line(const TCsvRecord &rec, int headerSize, QString *error)
{
    m_rec = &rec;
    TImportLine line;
    line.line = rec.line;
    ++m_summary.lines;
    const QStringView datum = Value(ecDatum).trimmed();
    if (rec.unclosed) {
        Refuse(line, QStringLiteral("Die Datei endet in einem Wert in Anführungszeichen: sie ist wohl "
                                    "abgeschnitten."));
        return true;
    }
    if (rec.size() != headerSize) {
        Refuse(line, QStringLiteral("%1 statt %2 Werte.").arg(rec.size()).arg(headerSize));
        return true;
    }
    // A NUL would end the text in SQLite unseen and break the statement on PostgreSQL.
    if (rec.text.contains(QChar(0))) {
        Refuse(line, QStringLiteral("Die Zeile enthält ein Nullzeichen (keine Textdatei oder beschädigt)."));
        return true;
    }
    if (const QString tooLong = TooLong(); !tooLong.isEmpty()) {
        Refuse(line, tooLong);
        return true;
    }
    int months = 0;
    if (!IntervalOf(line, months)) return true;
    TLineTest &t = m_test;
    t.Reset(m_storing);
    if (!datum.isEmpty()) {
        // Wall-clock time, as the stored tests are read: no zone to look up
        // per line. Lines in a row mostly share their date.
        if (datum != m_lastDatum) {
            m_lastDatum.resize(0);
            m_lastDatum += datum;
            m_lastWhen = ParseDateTime(m_lastDatum, Qt::UTC);
        }
        t.when = m_lastWhen;
        if (!t.when.isValid()) {
            Refuse(line, QStringLiteral("„%1“ ist kein Datum.").arg(datum));
            return true;
        }
        ReadTest(t);
    }
    if (t.bad >= 0) {
        const auto bad = TExportColumn(t.bad);
        Refuse(line,
               QStringLiteral("„%1“ in Spalte „%2“ ist kein gültiger Wert.").arg(Value(bad), header(bad)));
        return true;
    }
    CustomerKey(m_customerKey, [this](int i) { return Text(kCustomerText[i].col); });
    const QString &ck = m_customerKey;
    int kunde = m_known.customers.value(ck, 0);
    m_barcode.resize(0);
    AppendImportKey(m_barcode, Text(ecBarcode));
    const QString &barcode = m_barcode;
    if (const QString conflict = BarcodeConflict(barcode, kunde); !conflict.isEmpty()) {
        line.device = TImportAction::Conflict;
        Refuse(line, conflict);
        return true;
    }
    QString err;
    int device = 0;
    if (!StoreCustomer(line, ck, kunde, &err) || !StoreDevice(line, kunde, barcode, device, &err) ||
        (t.when.isValid() && !StoreTest(line, t, device, &err)) ||
        (m_storing && months > 0 && !m_intervals.Write(device, months, &err)))
        return Fail(QStringLiteral("Nichts eingelesen. Zeile %1: %2").arg(rec.line).arg(DbFehlertext(err)),
                    error);
    Keep(line);
    return true;
}

bool TImportPass::Finish(QString *error)
{
    if (!m_firstError.isEmpty()) {
        if (m_write) m_db.rollback();
        if (error) *error = QStringLiteral("Nichts eingelesen. ") + m_firstError;
        return false;
    }
    if (m_write && !m_db.commit()) return Fail(DbFehlertext(m_db.lastError()), error);
    return true;
}

bool TImportPass::Cancel(QString *error)
{
    return Fail(QStringLiteral("Abgebrochen: nichts eingelesen."), error);
}

} // namespace csvimport

using csvimport::TImportPass;

namespace {

// Every line of the file once; false when the database fails or the user cancels.
bool OverFile(TCsvStream &stream, TImportPass &pass, int headerSize,
              const std::function<bool(qint64)> &progress, QString *error)
{
    TCsvRecord head, rec;
    if (!stream.Rewind() || !stream.Next(head)) {
        if (error) *error = QStringLiteral("Die Datei kann nicht erneut gelesen werden.");
        return false;
    }
    int n = 0;
    while (stream.Next(rec)) {
        if (!pass.Line(rec, headerSize, error)) return false;
        if (++n % 500 == 0 && !progress(stream.Position())) return pass.Cancel(error);
    }
    return true;
}

} // namespace

bool TCsvImport::Run(QSqlDatabase db, bool write, QString *error, const TImportProgress &progress)
{
    m_lines.clear();
    m_summary = TImportSummary{};
    if (!m_stream.IsOpen()) {
        if (error) *error = QStringLiteral("Keine Datei geladen.");
        return false;
    }
    TImportPass pass(db, write, m_col, m_lines, m_summary);
    if (!pass.Prepare(error)) return false;
    // Storing reads the file twice: checking, then writing.
    const qint64 size = m_stream.Size();
    const qint64 total = write ? 2 * size : size;
    qint64 offset = 0;
    const auto told = [&](qint64 pos) { return !progress || progress(offset + pos, total); };
    if (!OverFile(m_stream, pass, m_headerSize, told, error)) return false;
    if (write && !pass.Refused()) {
        offset = size;
        if (!pass.StartWriting(error) || !OverFile(m_stream, pass, m_headerSize, told, error)) return false;
    }
    if (progress) progress(total, total);
    return pass.Finish(error);
}
