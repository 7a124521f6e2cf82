#include "store/CsvImport.h"

#include "core/FormatSettings.h"
#include "store/ColumnWidths.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/ExportColumns.h"
#include "store/Globals.h"
#include "store/ImportMatch.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <functional>
#include <optional>
#include <span>

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

struct TIntColumn {
    TExportColumn col;
    const char *dbColumn;
};
constexpr TIntColumn kIntColumns[] = {{ecMenueflags, "PRintMenueflags"},
                                      {ecMessablauf, "PRintMessablaufFlags"},
                                      {ecSchutzklasse, "PRintSchutzklasse"},
                                      {ecSichtpruefung, "PRintSichtpruef"},
                                      {ecDINVDE, "PRintDINVDE"},
                                      {ecMitIsol, "PRintIsolDiff"}};

// What a stored test is compared by, in this order: the measured values,
// the yes/no columns, the set-up numbers, the limit flags.
constexpr int kMatchBools = int(std::size(kMeasured));
constexpr int kMatchInts = kMatchBools + int(std::size(kBools));
constexpr int kMatchFlags = kMatchInts + int(std::size(kIntColumns));
constexpr int kMatchCount = kMatchFlags + 1;

QStringList matchColumns()
{
    QStringList c;
    for (const TMeasuredColumn &m : kMeasured)
        c << QLatin1String(m.dbColumn);
    for (const TBoolColumn &b : kBools)
        c << QLatin1String(b.dbColumn);
    for (const TIntColumn &i : kIntColumns)
        c << QLatin1String(i.dbColumn);
    c << QStringLiteral("PRintGrenzwertflags");
    return c;
}

} // namespace

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
    QHash<int, QString> customerNames;
    struct TDeviceOwner {
        int kunde = 0;
        QString bezeichnung;
    };
    QHash<int, TDeviceOwner> owners; // devices with a barcode
    TStoredTests tests;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, KDstrStrasse, "
                                   "KDstrLKZ, KDstrPLZ, KDstrOrt FROM tblKunden ORDER BY KDintKundenNr")))
            return fail(q.lastError().text());
        while (q.next()) {
            const QString k = customerKey([&q](int i) { return FieldString(q.value(i + 1)); });
            if (!customers.contains(k)) customers.insert(k, q.value(0).toInt());
            customerNames.insert(q.value(0).toInt(), FieldString(q.value(1)));
        }
        if (!q.exec(QStringLiteral("SELECT PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrTyp, "
                                   "PLstrInventarnummer, PLstrSeriennummer, PLstrBarcode FROM tblPruefling "
                                   "ORDER BY PLintPrueflingNr")))
            return fail(q.lastError().text());
        while (q.next()) {
            const int nr = q.value(0).toInt();
            const QString barcode = keyText(FieldString(q.value(6)));
            if (!barcode.isEmpty() && !devicesByBarcode.contains(barcode)) {
                devicesByBarcode.insert(barcode, nr);
                owners.insert(nr, {q.value(1).toInt(), FieldString(q.value(2))});
            }
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
    }
    {
        QString err;
        if (!tests.Load(db, matchColumns(), &err)) return fail(err);
    }

    // A stored test is the line's when every value the file carries agrees.
    int flagMask = has(ecGrenzwertflags) ? ~0 : 0;
    for (int bit = 0; bit < 7; ++bit)
        if (has(kLimitFlags[bit])) flagMask |= 1 << bit;
    auto sameTest = [&](const TStoredTest &st, const QList<int> &v, const QString &serial) {
        if (has(ecGTSeriennummer) && st.serial != serial) return false;
        for (int i = 0; i < kMatchBools; ++i) {
            const TMeasuredColumn &m = kMeasured[i];
            if (has(m.col) && m.format(st.values[i]).trimmed() != m.format(v[i]).trimmed()) return false;
        }
        for (int i = kMatchBools; i < kMatchInts; ++i)
            if (has(kBools[i - kMatchBools].col) && st.values[i] != v[i]) return false;
        for (int i = kMatchInts; i < kMatchFlags; ++i)
            if (has(kIntColumns[i - kMatchInts].col) && st.values[i] != v[i]) return false;
        return (st.values[kMatchFlags] & flagMask) == (v[kMatchFlags] & flagMask);
    };

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
        QList<int> fileValues(kMatchCount, 0); // in the order of matchColumns()
        int bad = -1;
        auto put = [&](const char *col, const QString &v) {
            testCols << QLatin1String(col);
            testVals << v;
        };
        if (when.isValid()) {
            for (int i = 0; i < kMatchBools; ++i) {
                const TMeasuredColumn &m = kMeasured[i];
                std::optional<int> n = -1;
                if (has(m.col)) n = parseMeasured(value(m.col), m.scale, m.over, m.under, m.format);
                if (!n && bad < 0) bad = m.col;
                fileValues[i] = n.value_or(-1);
                put(m.dbColumn, QString::number(n.value_or(-1)));
            }
            for (int i = 0; i < kMatchInts - kMatchBools; ++i) {
                const TBoolColumn &b = kBools[i];
                std::optional<bool> v = false;
                if (has(b.col)) v = parseBool(value(b.col));
                if (!v && bad < 0) bad = b.col;
                fileValues[kMatchBools + i] = v.value_or(false) ? 1 : 0;
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
            fileValues[kMatchInts] = intColumn(ecMenueflags, "PRintMenueflags", 0, parseInt);
            fileValues[kMatchInts + 1] = intColumn(ecMessablauf, "PRintMessablaufFlags", 0, parseInt);
            fileValues[kMatchInts + 2] = intColumn(ecSchutzklasse, "PRintSchutzklasse", 0, parseInt);
            fileValues[kMatchInts + 3] = intColumn(ecSichtpruefung, "PRintSichtpruef", -1, parseYesNoOther);
            fileValues[kMatchInts + 4] = intColumn(ecDINVDE, "PRintDINVDE", 0, parseDinVde);
            fileValues[kMatchInts + 5] =
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
            fileValues[kMatchFlags] = flags;
            put("PRintGrenzwertflags", QString::number(flags));
            put("PRintSchutzklasseFlags", QStringLiteral("0"));
            put("PRdtmUebernahme", SqlDateLiteral(when, DatabaseKind(db)));
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
        // A barcode names one device: a line that gives it to another
        // customer or another designation would file its test wrongly.
        const QString barcode = keyText(text(ecBarcode));
        if (const auto owner = devicesByBarcode.constFind(barcode);
            !barcode.isEmpty() && owner != devicesByBarcode.constEnd()) {
            const TDeviceOwner o = owners.value(*owner);
            QString conflict;
            if (o.kunde != kunde)
                conflict = QStringLiteral(
                               "Der Barcode „%1“ gehört zum Prüfling „%2“ des Kunden „%3“, nicht zu „%4“.")
                               .arg(barcode, o.bezeichnung, customerNames.value(o.kunde), text(ecName1));
            else if (has(ecBezeichnung) && keyText(text(ecBezeichnung)) != keyText(o.bezeichnung))
                conflict = QStringLiteral("Der Barcode „%1“ gehört zum Prüfling „%2“, nicht zu „%3“.")
                               .arg(barcode, o.bezeichnung, text(ecBezeichnung));
            if (!conflict.isEmpty()) {
                L.device = TImportAction::Conflict;
                refuse(conflict);
                continue;
            }
        }
        if (kunde) {
            L.customer = TImportAction::Matched;
            ++m_summary.matchedCustomers;
        } else {
            kunde = write ? nextCustomer++ : --pseudo;
            if (!insertRow(QStringLiteral("tblKunden"), {QStringLiteral("KDintKundenNr")},
                           {QString::number(kunde)}, kCustomerText, &err))
                return fail(QStringLiteral("Zeile %1: %2").arg(rec.line).arg(err));
            customers.insert(ck, kunde);
            customerNames.insert(kunde, text(ecName1));
            L.customer = TImportAction::New;
            ++m_summary.newCustomers;
        }

        // Device.
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
            if (!barcode.isEmpty()) {
                devicesByBarcode.insert(barcode, device);
                owners.insert(device, {kunde, text(ecBezeichnung)});
            }
            if (!devicesByKey.contains(dk)) devicesByKey.insert(dk, device);
            L.device = TImportAction::New;
            ++m_summary.newDevices;
        }

        // Test: one present before the import is not stored twice; the
        // file's own lines all go in (two tests on one day are real).
        if (when.isValid()) {
            const QString serial = keyText(text(ecGTSeriennummer));
            if (tests.Contains(device, when, L.datum,
                               [&](const TStoredTest &st) { return sameTest(st, fileValues, serial); })) {
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
