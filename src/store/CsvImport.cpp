#include "store/CsvImport.h"

#include "core/FormatSettings.h"
#include "store/ColumnWidths.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/ExportColumns.h"
#include "store/Globals.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>

#include <cmath>
#include <functional>
#include <optional>
#include <span>

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

namespace {

// The spreadsheet guard of the export ("'=...") taken off again.
QString userText(const QString &v)
{
    if (v.size() > 1 && v[0] == u'\'' && QStringLiteral("=+-@\t\r").contains(v[1])) return v.mid(1);
    return v;
}

// Keys compare the way the export writes: its double quotes are apostrophes.
QString keyText(const QString &v)
{
    QString s = v.trimmed();
    s.replace(u'"', u'\'');
    return s;
}

std::optional<bool> parseBool(const QString &v)
{
    const QString s = v.trimmed().toLower();
    if (s == u"ja" || s == u"1" || s == u"true") return true;
    if (s == u"nein" || s == u"0" || s == u"false") return false;
    return std::nullopt;
}

std::optional<int> parseInt(const QString &v)
{
    bool ok = false;
    const int n = v.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// A measured value as the export formats it, back to the stored unit. The
// value found must format to the same text again, so nothing changes on
// the way through.
std::optional<int> parseMeasured(const QString &v, int scale, int over, int under,
                                 const std::function<QString(int)> &format)
{
    const QString s = v.trimmed();
    int n = -1;
    if (s.isEmpty() || s == u"---") {
        n = -1;
    } else if (s.startsWith(u'>')) {
        n = over;
    } else if (s.startsWith(u'<')) {
        n = under;
    } else {
        QString t = s;
        t.replace(u',', u'.');
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok || d < 0) return std::nullopt;
        n = int(std::lround(d * scale));
    }
    if (format(n).trimmed() != s && !(n == -1 && s.isEmpty())) return std::nullopt;
    return n;
}

std::optional<int> parseDinVde(const QString &v)
{
    const QString s = v.trimmed();
    // A spreadsheet may have eaten the leading zero.
    if (s == u"0701" || s == u"701") return 0;
    if (s == u"0702" || s == u"702") return 1;
    if (s == u"0751" || s == u"751") return 2;
    return std::nullopt;
}

std::optional<int> parseYesNoOther(const QString &v)
{
    const QString s = v.trimmed().toLower();
    if (s == u"ja") return 1;
    if (s == u"nein") return 0;
    if (s == u"---" || s.isEmpty()) return -1;
    return std::nullopt;
}

struct TColumnText {
    TExportColumn col;
    const char *dbColumn;
};
constexpr TColumnText kCustomerText[] = {
    {ecName1, "KDstrName1"},   {ecName2, "KDstrName2"},     {ecName3, "KDstrName3"},
    {ecKdStr, "KDstrStrasse"}, {ecKdLKZ, "KDstrLKZ"},       {ecKdPLZ, "KDstrPLZ"},
    {ecKdOrt, "KDstrOrt"},     {ecTelefon, "KDstrTelefon"}, {ecFax, "KDstrFax"}};
constexpr int kCustomerKeyFields = 7; // name and address; not telephone and fax
constexpr TColumnText kDeviceText[] = {
    {ecBezeichnung, "PLstrBezeichnung"},       {ecTyp, "PLstrTyp"},
    {ecInventarnummer, "PLstrInventarnummer"}, {ecFabrikationsnummer, "PLstrFabrikationsnummer"},
    {ecSeriennummer, "PLstrSeriennummer"},     {ecBarcode, "PLstrBarcode"}};
// Device identity without a barcode: designation, type, inventory, serial number.
constexpr TExportColumn kDeviceKey[] = {ecBezeichnung, ecTyp, ecInventarnummer, ecSeriennummer};

struct TMeasuredColumn {
    TExportColumn col;
    const char *dbColumn;
    int scale, over, under;
    QString (*format)(int);
};
const TMeasuredColumn kMeasured[] = {
    {ecSchutzleiterwid, "PRintSchutzleiterwid", 1, 1001, 0, &FormatResistanceMilliohm},
    {ecIsolationswid, "PRintIsolationswid", 1000, 10001, 199, &FormatInsulationMegohm},
    {ecAbleitstrom, "PRintAbleitstrom", 100, 2001, 0, &FormatLeakageMilliampere},
    {ecSchutzlStromL1N, "PRintSchutzlStromL1N", 100, 1001, 0, &FormatCurrentMilliampere},
    {ecSchutzlStromNL1, "PRintSchutzlStromNL1", 100, 1001, 0, &FormatCurrentMilliampere},
    {ecBeruehrungsstromL1N, "PRintBeruehrungsstromL1N", 100, 1001, 0, &FormatCurrentMilliampere},
    {ecBeruehrungsstromNL1, "PRintBeruehrungsstromNL1", 100, 1001, 0, &FormatCurrentMilliampere},
    {ecGrwSchutzleiterwid, "PRintGrwSchutzleiterwid", 1, 1001, 0, &FormatResistanceMilliohm},
    {ecGrwIsolationswid, "PRintGrwIsolationswid", 1000, 10001, 199, &FormatInsulationMegohm},
    {ecGrwAbleitstrom, "PRintGrwAbleitstrom", 100, 2001, 0, &FormatLeakageMilliampere},
    {ecGrwSchutzleiterstrom, "PRintGrwSchutzleiterstrom", 100, 1001, 0, &FormatCurrentMilliampere},
    {ecGrwBeruehrungsstrom, "PRintGrwBeruehrungsstrom", 100, 1001, 0, &FormatCurrentMilliampere},
    {ecGrwSchnellabschaltung, "PRintGrwSchnellabschaltung", 100, 1001, 0, &FormatCurrentMilliampere},
};

struct TBoolColumn {
    TExportColumn col;
    const char *dbColumn;
};
constexpr TBoolColumn kBools[] = {{ecPruefungsergebnis, "PRblnPruefungsergebnis"},
                                  {ecSchnellabschaltung, "PRblnSchnellabbruch"},
                                  {ecAutomatisch, "PRblnAutomatisch"},
                                  {ecManuGrenz, "PRblnManuGrenz"},
                                  {ecMitBeruehr, "PRblnMitBeruehr"},
                                  {ecAbgebrochen, "PRblnAbgebrochen"}};
constexpr TExportColumn kLimitFlags[] = {
    ecSchutzleiterwidLimit, ecIsolationswidLimit,       ecAbleitstromLimit,        ecSchutzlStromL1NLimit,
    ecSchutzlStromNL1Limit, ecBeruehrungsstromL1NLimit, ecBeruehrungsstromNL1Limit};

QString header(TExportColumn c)
{
    return QString::fromLatin1(kExportColumns[std::size_t(c)].header);
}

} // namespace

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

// One pass over the file in the order a reader follows it: header, match, refuse, write.
// NOLINTNEXTLINE(readability-function-size)
bool TCsvImport::Run(QSqlDatabase db, bool write, QString *error)
{
    m_lines.clear();
    m_summary = TImportSummary{};
    const int headerSize = m_headerSize;
    auto fail = [&](const QString &text) {
        if (write) db.rollback();
        if (error) *error = text;
        return false;
    };
    auto has = [this](TExportColumn c) { return m_col[c] >= 0; };

    // Keys: the table locks first, so a second workstation waits and the
    // matching below sees everything stored before.
    int nextCustomer = -1, nextDevice = -1, nextTest = -1;
    if (write) {
        if (!db.transaction()) return fail(db.lastError().text());
        bool ok1 = false, ok2 = false, ok3 = false;
        nextCustomer = NextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok1);
        nextDevice = NextKey(db, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"), &ok2);
        nextTest = NextKey(db, QStringLiteral("tblPruefung"), QStringLiteral("PRintPruefungsNr"), &ok3);
        if (!ok1 || !ok2 || !ok3) return fail(QStringLiteral("Die Schlüssel können nicht vergeben werden."));
    }

    // What is stored: customers by name and address (the columns the file
    // has), devices by barcode and by their describing fields, tests by day.
    auto customerKey = [&](const std::function<QString(int)> &field) {
        QStringList k;
        for (int i = 0; i < kCustomerKeyFields; ++i)
            if (has(kCustomerText[i].col)) k << keyText(field(i));
        return k.join(QChar(0x1F));
    };
    auto deviceKey = [&](int kunde, const std::function<QString(TExportColumn)> &field) {
        QStringList k{QString::number(kunde)};
        for (TExportColumn c : kDeviceKey)
            if (has(c)) k << keyText(field(c));
        return k.join(QChar(0x1F));
    };
    QHash<QString, int> customers, devicesByKey, devicesByBarcode;
    QSet<QString> tests;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, KDstrStrasse, "
                                   "KDstrLKZ, KDstrPLZ, KDstrOrt FROM tblKunden ORDER BY KDintKundenNr")))
            return fail(q.lastError().text());
        while (q.next()) {
            const QString k = customerKey([&q](int i) { return FieldString(q.value(i + 1)); });
            if (!customers.contains(k)) customers.insert(k, q.value(0).toInt());
        }
        if (!q.exec(QStringLiteral("SELECT PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrTyp, "
                                   "PLstrInventarnummer, PLstrSeriennummer, PLstrBarcode FROM tblPruefling "
                                   "ORDER BY PLintPrueflingNr")))
            return fail(q.lastError().text());
        while (q.next()) {
            const int nr = q.value(0).toInt();
            const QString barcode = keyText(FieldString(q.value(6)));
            if (!barcode.isEmpty() && !devicesByBarcode.contains(barcode))
                devicesByBarcode.insert(barcode, nr);
            const QString k = deviceKey(q.value(1).toInt(), [&q](TExportColumn c) {
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
            if (!devicesByKey.contains(k)) devicesByKey.insert(k, nr);
        }
        if (!q.exec(QStringLiteral(
                "SELECT PRintPrueflingNr, PRdtmUebernahme, PRstrGTSeriennummer FROM tblPruefung")))
            return fail(q.lastError().text());
        while (q.next())
            tests.insert(QStringLiteral("%1|%2|%3")
                             .arg(q.value(0).toInt())
                             .arg(FieldDateTime(q.value(1), Qt::UTC).date().toJulianDay())
                             .arg(keyText(FieldString(q.value(2)))));
    }

    int pseudo = 0; // keys of a dry run: never stored
    auto exec = [&](const QString &sql, QString *err) {
        if (!write) return true;
        QSqlQuery q(db);
        if (q.exec(sql)) return true;
        *err = q.lastError().text();
        return false;
    };
    QString firstError;
    for (const TCsvRecord &rec : m_records) {
        TImportLine L;
        L.line = rec.line;
        ++m_summary.lines;
        auto value = [&](TExportColumn c) { return has(c) ? rec.values.value(m_col[c]) : QString(); };
        auto text = [&](TExportColumn c) { return userText(value(c)); };
        // A new customer or device: its keys, then the file's texts.
        auto insertRow = [&](const QString &table, QStringList cols, QStringList vals,
                             std::span<const TColumnText> texts, QString *err) {
            for (const TColumnText &t : texts) {
                cols << QLatin1String(t.dbColumn);
                vals << SqlQuote(text(t.col));
            }
            return exec(QStringLiteral("INSERT INTO %1 (%2)\nVALUES (%3)")
                            .arg(table, cols.join(u','), vals.join(u',')),
                        err);
        };
        L.kunde = text(ecName1);
        L.pruefling = text(ecBezeichnung);
        L.datum = value(ecDatum).trimmed();
        auto refuse = [&](const QString &why) {
            L.error = why;
            ++m_summary.refused;
            if (firstError.isEmpty()) firstError = QStringLiteral("Zeile %1: %2").arg(rec.line).arg(why);
            m_lines << L;
        };
        if (rec.values.size() != headerSize) {
            refuse(QStringLiteral("%1 statt %2 Werte.").arg(rec.values.size()).arg(headerSize));
            continue;
        }
        // Texts that the database would not take.
        QString tooLong;
        auto checkWidth = [&](TExportColumn c, const char *dbColumn) {
            const int w = ColumnWidth(QString::fromLatin1(dbColumn));
            if (tooLong.isEmpty() && w > 0 && text(c).size() > w)
                tooLong = QStringLiteral("„%1“ ist länger als %2 Zeichen.").arg(header(c)).arg(w);
        };
        for (const TColumnText &t : kCustomerText)
            checkWidth(t.col, t.dbColumn);
        for (const TColumnText &t : kDeviceText)
            checkWidth(t.col, t.dbColumn);
        checkWidth(ecGTSeriennummer, "PRstrGTSeriennummer");
        checkWidth(ecPruefer, "PRstrPruefer");
        checkWidth(ecBewertender, "PRstrBewertender");
        if (!tooLong.isEmpty()) {
            refuse(tooLong);
            continue;
        }

        // The test's values, read before anything is stored.
        QDateTime when;
        if (!L.datum.isEmpty()) {
            when = ParseDateTime(L.datum, Qt::LocalTime);
            if (!when.isValid()) {
                refuse(QStringLiteral("„%1“ ist kein Datum.").arg(L.datum));
                continue;
            }
        }
        QStringList testCols, testVals;
        int bad = -1;
        auto put = [&](const char *col, const QString &v) {
            testCols << QLatin1String(col);
            testVals << v;
        };
        if (when.isValid()) {
            for (const TMeasuredColumn &m : kMeasured) {
                std::optional<int> n = -1;
                if (has(m.col)) n = parseMeasured(value(m.col), m.scale, m.over, m.under, m.format);
                if (!n && bad < 0) bad = m.col;
                put(m.dbColumn, QString::number(n.value_or(-1)));
            }
            for (const TBoolColumn &b : kBools) {
                std::optional<bool> v = false;
                if (has(b.col)) v = parseBool(value(b.col));
                if (!v && bad < 0) bad = b.col;
                put(b.dbColumn, SqlBool(v.value_or(false)));
            }
            auto intColumn = [&](TExportColumn c, const char *col, int def,
                                 const std::function<std::optional<int>(const QString &)> &parse) {
                std::optional<int> v = def;
                if (has(c)) v = parse(value(c));
                if (!v && bad < 0) bad = c;
                put(col, QString::number(v.value_or(def)));
                return v.value_or(def);
            };
            intColumn(ecMenueflags, "PRintMenueflags", 0, parseInt);
            intColumn(ecMessablauf, "PRintMessablaufFlags", 0, parseInt);
            intColumn(ecSchutzklasse, "PRintSchutzklasse", 0, parseInt);
            intColumn(ecSichtpruefung, "PRintSichtpruef", -1, parseYesNoOther);
            intColumn(ecDINVDE, "PRintDINVDE", 0, parseDinVde);
            intColumn(ecMitIsol, "PRintIsolDiff", 0, [](const QString &v) -> std::optional<int> {
                const auto n = parseInt(v);
                return n && *n >= 0 && *n <= 2 ? n : std::nullopt;
            });
            // The limit flags: as a number, or put together from the yes/no columns.
            int flags = 0;
            for (int bit = 0; bit < 7; ++bit) {
                if (!has(kLimitFlags[bit])) continue;
                const auto v = parseBool(value(kLimitFlags[bit]));
                if (!v && bad < 0) bad = kLimitFlags[bit];
                if (v.value_or(false)) flags |= 1 << bit;
            }
            if (has(ecGrenzwertflags)) {
                const auto v = parseInt(value(ecGrenzwertflags));
                if (!v && bad < 0) bad = ecGrenzwertflags;
                flags = v.value_or(0);
            }
            put("PRintGrenzwertflags", QString::number(flags));
            put("PRintSchutzklasseFlags", QStringLiteral("0"));
            put("PRdtmUebernahme", SqlDateLiteral(when));
            put("PRstrGTSeriennummer", SqlQuote(text(ecGTSeriennummer)));
            put("PRstrNotiz", SqlQuote(text(ecNotiz)));
            put("PRstrPruefer", SqlQuote(text(ecPruefer)));
            put("PRstrBewertender", SqlQuote(text(ecBewertender)));
            // As the retrieval stores a test: no protocol yet, nothing stated.
            put("PRintProtokolltyp", QStringLiteral("0"));
            put("PRstrProtokollNr", QStringLiteral("''"));
            put("PRintSichWied", QStringLiteral("-1"));
            put("PRintFunktPruefBest", QStringLiteral("0"));
            put("PRintGesamtbew", QStringLiteral("0"));
            put("PRblnExternDiffStr", QStringLiteral("0"));
            put("PRblnManuellAbbruch", QStringLiteral("0"));
            put("PRblnGrenzwFehler", QStringLiteral("0"));
        }
        if (bad >= 0) {
            refuse(QStringLiteral("„%1“ in Spalte „%2“ ist kein gültiger Wert.")
                       .arg(value(TExportColumn(bad)), header(TExportColumn(bad))));
            continue;
        }
        if (!firstError.isEmpty() && write) { // nothing more is stored; keep checking
            m_lines << L;
            continue;
        }

        // Customer.
        QString err;
        const QString ck = customerKey([&](int i) { return text(kCustomerText[i].col); });
        int kunde = customers.value(ck, 0);
        if (kunde) {
            L.customer = TImportAction::Matched;
            ++m_summary.matchedCustomers;
        } else {
            kunde = write ? nextCustomer++ : --pseudo;
            if (!insertRow(QStringLiteral("tblKunden"), {QStringLiteral("KDintKundenNr")},
                           {QString::number(kunde)}, kCustomerText, &err))
                return fail(QStringLiteral("Zeile %1: %2").arg(rec.line).arg(err));
            customers.insert(ck, kunde);
            L.customer = TImportAction::New;
            ++m_summary.newCustomers;
        }

        // Device.
        const QString barcode = keyText(text(ecBarcode));
        const QString dk = deviceKey(kunde, [&](TExportColumn c) { return text(c); });
        int device = barcode.isEmpty() ? devicesByKey.value(dk, 0) : devicesByBarcode.value(barcode, 0);
        if (device) {
            L.device = TImportAction::Matched;
            ++m_summary.matchedDevices;
        } else {
            device = write ? nextDevice++ : --pseudo;
            if (!insertRow(QStringLiteral("tblPruefling"),
                           {QStringLiteral("PLintPrueflingNr"), QStringLiteral("PLintKundenNr")},
                           {QString::number(device), QString::number(kunde)}, kDeviceText, &err))
                return fail(QStringLiteral("Zeile %1: %2").arg(rec.line).arg(err));
            if (!barcode.isEmpty()) devicesByBarcode.insert(barcode, device);
            if (!devicesByKey.contains(dk)) devicesByKey.insert(dk, device);
            L.device = TImportAction::New;
            ++m_summary.newDevices;
        }

        // Test: one present before the import is not stored twice; the
        // file's own lines all go in (two tests on one day are real).
        if (when.isValid()) {
            const QString tk = QStringLiteral("%1|%2|%3")
                                   .arg(device)
                                   .arg(when.date().toJulianDay())
                                   .arg(keyText(text(ecGTSeriennummer)));
            if (tests.contains(tk)) {
                L.test = TImportAction::Matched;
                ++m_summary.presentTests;
            } else {
                const int nr = write ? nextTest++ : --pseudo;
                if (!exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, %1)\n"
                                         "VALUES (%2, %3, %4)")
                              .arg(testCols.join(u','))
                              .arg(nr)
                              .arg(device)
                              .arg(testVals.join(u',')),
                          &err))
                    return fail(QStringLiteral("Zeile %1: %2").arg(rec.line).arg(err));
                L.test = TImportAction::New;
                ++m_summary.newTests;
            }
        }
        m_lines << L;
    }
    if (!firstError.isEmpty()) {
        if (write) db.rollback();
        if (error) *error = QStringLiteral("Nichts eingelesen. ") + firstError;
        return false;
    }
    if (write && !db.commit()) return fail(db.lastError().text());
    return true;
}
