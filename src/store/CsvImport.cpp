#include "store/CsvImport.h"

#include "core/FormatSettings.h"
#include "store/ColumnWidths.h"
#include "store/CsvExport.h"
#include "store/CsvImportValues.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/ExportColumns.h"
#include "store/Globals.h"
#include "store/ImportMatch.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>
#include <optional>
#include <span>

namespace {

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

// The set-up numbers, with the value of a column the file does not have.
struct TIntColumn {
    TExportColumn col;
    const char *dbColumn;
    int absent;
    std::optional<int> (*parse)(const QString &);
};
constexpr TIntColumn kIntColumns[] = {{ecMenueflags, "PRintMenueflags", 0, &ParseImportInt},
                                      {ecMessablauf, "PRintMessablaufFlags", 0, &ParseImportInt},
                                      {ecSchutzklasse, "PRintSchutzklasse", 0, &ParseImportInt},
                                      {ecSichtpruefung, "PRintSichtpruef", -1, &ParseImportYesNoOther},
                                      {ecDINVDE, "PRintDINVDE", 0, &ParseImportDinVde},
                                      {ecMitIsol, "PRintIsolDiff", 0, &ParseImportIsolDiff}};

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

// A line's test as it would be stored, read before anything is stored.
struct TLineTest {
    QDateTime when;
    QStringList cols, vals;
    QList<int> fileValues = QList<int>(kMatchCount, 0); // in the order of matchColumns()
    int bad = -1;                                       // the first column that is no valid value

    void Put(const char *col, const QString &v)
    {
        cols << QLatin1String(col);
        vals << v;
    }
    void Check(bool ok, TExportColumn c)
    {
        if (!ok && bad < 0) bad = c;
    }
};

struct TDeviceOwner {
    int kunde = 0;
    QString bezeichnung;
};

// One pass over the file in the order a reader follows it: header, match,
// refuse, write. A dry run (no write) hands out negative keys that are
// never stored.
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
    bool Finish(QString *error);

private:
    bool Fail(const QString &text, QString *error);
    bool Has(TExportColumn c) const { return m_col[c] >= 0; }
    QString Value(TExportColumn c) const { return Has(c) ? m_rec->values.value(m_col[c]) : QString(); }
    QString Text(TExportColumn c) const { return ImportUserText(Value(c)); }
    QString CustomerKey(const std::function<QString(int)> &field) const;
    QString DeviceKey(int kunde, const std::function<QString(TExportColumn)> &field) const;
    bool LoadCustomers(QString *error);
    bool LoadDevices(QString *error);
    void Refuse(TImportLine &line, const QString &why);
    QString TooLong() const;
    void ReadTest(TLineTest &t) const;
    void ReadMeasured(TLineTest &t) const;
    void ReadLimitFlags(TLineTest &t) const;
    bool SameTest(const TStoredTest &st, const QList<int> &v, const QString &serial) const;
    QString BarcodeConflict(const QString &barcode, int kunde) const;
    bool Exec(const QString &sql, QString *err);
    bool InsertRow(const QString &table, QStringList cols, QStringList vals,
                   std::span<const TColumnText> texts, QString *err);
    bool StoreCustomer(TImportLine &line, const QString &key, int &kunde, QString *err);
    bool StoreDevice(TImportLine &line, int kunde, const QString &barcode, int &device, QString *err);
    bool StoreTest(TImportLine &line, const TLineTest &t, int device, QString *err);

    QSqlDatabase m_db;
    bool m_write;
    const QList<int> &m_col; // per export column: index in the record, -1 absent
    QList<TImportLine> &m_lines;
    TImportSummary &m_summary;
    const TCsvRecord *m_rec = nullptr; // the line being read
    int m_nextCustomer = -1, m_nextDevice = -1, m_nextTest = -1;
    int m_pseudo = 0; // keys of a dry run: never stored
    // What is stored: customers by name and address (the columns the file
    // has), devices by barcode and by their describing fields, tests by day.
    QHash<QString, int> m_customers, m_devicesByKey, m_devicesByBarcode;
    QHash<int, QString> m_customerNames;
    QHash<int, TDeviceOwner> m_owners; // devices with a barcode
    TStoredTests m_tests;
    int m_flagMask = 0; // the limit flags the file carries
    QString m_firstError;
};

bool TImportPass::Fail(const QString &text, QString *error)
{
    if (m_write) m_db.rollback();
    if (error) *error = text;
    return false;
}

QString TImportPass::CustomerKey(const std::function<QString(int)> &field) const
{
    QStringList k;
    for (int i = 0; i < kCustomerKeyFields; ++i)
        if (Has(kCustomerText[i].col)) k << ImportKeyText(field(i));
    return k.join(QChar(0x1F));
}

QString TImportPass::DeviceKey(int kunde, const std::function<QString(TExportColumn)> &field) const
{
    QStringList k{QString::number(kunde)};
    for (TExportColumn c : kDeviceKey)
        if (Has(c)) k << ImportKeyText(field(c));
    return k.join(QChar(0x1F));
}

// Keys: the table locks first, so a second workstation waits and the
// matching below sees everything stored before.
bool TImportPass::Prepare(QString *error)
{
    if (m_write) {
        if (!m_db.transaction()) return Fail(m_db.lastError().text(), error);
        bool ok1 = false, ok2 = false, ok3 = false;
        m_nextCustomer = NextKey(m_db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &ok1);
        m_nextDevice =
            NextKey(m_db, QStringLiteral("tblPruefling"), QStringLiteral("PLintPrueflingNr"), &ok2);
        m_nextTest = NextKey(m_db, QStringLiteral("tblPruefung"), QStringLiteral("PRintPruefungsNr"), &ok3);
        if (!ok1 || !ok2 || !ok3)
            return Fail(QStringLiteral("Die Schlüssel können nicht vergeben werden."), error);
    }
    QString err;
    if (!LoadCustomers(&err) || !LoadDevices(&err) || !m_tests.Load(m_db, matchColumns(), &err))
        return Fail(err, error);
    m_flagMask = Has(ecGrenzwertflags) ? ~0 : 0;
    for (int bit = 0; bit < 7; ++bit)
        if (Has(kLimitFlags[bit])) m_flagMask |= 1 << bit;
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
    while (q.next()) {
        const QString k = CustomerKey([&q](int i) { return FieldString(q.value(i + 1)); });
        if (!m_customers.contains(k)) m_customers.insert(k, q.value(0).toInt());
        m_customerNames.insert(q.value(0).toInt(), FieldString(q.value(1)));
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
    while (q.next()) {
        const int nr = q.value(0).toInt();
        const QString barcode = ImportKeyText(FieldString(q.value(6)));
        if (!barcode.isEmpty() && !m_devicesByBarcode.contains(barcode)) {
            m_devicesByBarcode.insert(barcode, nr);
            m_owners.insert(nr, {q.value(1).toInt(), FieldString(q.value(2))});
        }
        const QString k = DeviceKey(q.value(1).toInt(), [&q](TExportColumn c) {
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
        if (!m_devicesByKey.contains(k)) m_devicesByKey.insert(k, nr);
    }
    return true;
}

void TImportPass::Refuse(TImportLine &line, const QString &why)
{
    line.error = why;
    ++m_summary.refused;
    if (m_firstError.isEmpty()) m_firstError = QStringLiteral("Zeile %1: %2").arg(line.line).arg(why);
    m_lines << line;
}

// The first text that the database would not take, as the reason; empty when all fit.
QString TImportPass::TooLong() const
{
    QString tooLong;
    auto checkWidth = [&](TExportColumn c, const char *dbColumn) {
        const int w = ColumnWidth(QString::fromLatin1(dbColumn));
        if (tooLong.isEmpty() && w > 0 && Text(c).size() > w)
            tooLong = QStringLiteral("„%1“ ist länger als %2 Zeichen.").arg(header(c)).arg(w);
    };
    for (const TColumnText &t : kCustomerText)
        checkWidth(t.col, t.dbColumn);
    for (const TColumnText &t : kDeviceText)
        checkWidth(t.col, t.dbColumn);
    checkWidth(ecGTSeriennummer, "PRstrGTSeriennummer");
    checkWidth(ecPruefer, "PRstrPruefer");
    checkWidth(ecBewertender, "PRstrBewertender");
    return tooLong;
}

void TImportPass::ReadMeasured(TLineTest &t) const
{
    for (int i = 0; i < kMatchBools; ++i) {
        const TMeasuredColumn &m = kMeasured[i];
        std::optional<int> n = -1;
        if (Has(m.col)) n = ParseImportMeasured(Value(m.col), m.scale, m.over, m.under, m.format);
        t.Check(n.has_value(), m.col);
        t.fileValues[i] = n.value_or(-1);
        t.Put(m.dbColumn, QString::number(n.value_or(-1)));
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
    t.Put("PRintGrenzwertflags", QString::number(flags));
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
        t.Put(b.dbColumn, SqlBool(v.value_or(false)));
    }
    for (int i = 0; i < kMatchFlags - kMatchInts; ++i) {
        const TIntColumn &c = kIntColumns[i];
        std::optional<int> v = c.absent;
        if (Has(c.col)) v = c.parse(Value(c.col));
        t.Check(v.has_value(), c.col);
        t.fileValues[kMatchInts + i] = v.value_or(c.absent);
        t.Put(c.dbColumn, QString::number(v.value_or(c.absent)));
    }
    ReadLimitFlags(t);
    t.Put("PRintSchutzklasseFlags", QStringLiteral("0"));
    t.Put("PRdtmUebernahme", SqlDateLiteral(t.when, DatabaseKind(m_db)));
    t.Put("PRstrGTSeriennummer", SqlQuote(Text(ecGTSeriennummer)));
    t.Put("PRstrNotiz", SqlQuote(Text(ecNotiz)));
    t.Put("PRstrPruefer", SqlQuote(Text(ecPruefer)));
    t.Put("PRstrBewertender", SqlQuote(Text(ecBewertender)));
    // As the retrieval stores a test: no protocol yet, nothing stated.
    t.Put("PRintProtokolltyp", QStringLiteral("0"));
    t.Put("PRstrProtokollNr", QStringLiteral("''"));
    t.Put("PRintSichWied", QStringLiteral("-1"));
    t.Put("PRintFunktPruefBest", QStringLiteral("0"));
    t.Put("PRintGesamtbew", QStringLiteral("0"));
    t.Put("PRblnExternDiffStr", QStringLiteral("0"));
    t.Put("PRblnManuellAbbruch", QStringLiteral("0"));
    t.Put("PRblnGrenzwFehler", QStringLiteral("0"));
}

// A stored test is the line's when every value the file carries agrees.
bool TImportPass::SameTest(const TStoredTest &st, const QList<int> &v, const QString &serial) const
{
    if (Has(ecGTSeriennummer) && st.serial != serial) return false;
    for (int i = 0; i < kMatchBools; ++i) {
        const TMeasuredColumn &m = kMeasured[i];
        if (Has(m.col) && m.format(st.values[i]).trimmed() != m.format(v[i]).trimmed()) return false;
    }
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
    const auto owner = m_devicesByBarcode.constFind(barcode);
    if (barcode.isEmpty() || owner == m_devicesByBarcode.constEnd()) return {};
    const TDeviceOwner o = m_owners.value(*owner);
    if (o.kunde != kunde)
        return QStringLiteral("Der Barcode „%1“ gehört zum Prüfling „%2“ des Kunden „%3“, nicht zu „%4“.")
            .arg(barcode, o.bezeichnung, m_customerNames.value(o.kunde), Text(ecName1));
    if (Has(ecBezeichnung) && ImportKeyText(Text(ecBezeichnung)) != ImportKeyText(o.bezeichnung))
        return QStringLiteral("Der Barcode „%1“ gehört zum Prüfling „%2“, nicht zu „%3“.")
            .arg(barcode, o.bezeichnung, Text(ecBezeichnung));
    return {};
}

bool TImportPass::Exec(const QString &sql, QString *err)
{
    if (!m_write) return true;
    QSqlQuery q(m_db);
    if (q.exec(sql)) return true;
    *err = q.lastError().text();
    return false;
}

// A new customer or device: its keys, then the file's texts.
bool TImportPass::InsertRow(const QString &table, QStringList cols, QStringList vals,
                            std::span<const TColumnText> texts, QString *err)
{
    for (const TColumnText &t : texts) {
        cols << QLatin1String(t.dbColumn);
        vals << SqlQuote(Text(t.col));
    }
    return Exec(
        QStringLiteral("INSERT INTO %1 (%2)\nVALUES (%3)").arg(table, cols.join(u','), vals.join(u',')), err);
}

bool TImportPass::StoreCustomer(TImportLine &line, const QString &key, int &kunde, QString *err)
{
    if (kunde) {
        line.customer = TImportAction::Matched;
        ++m_summary.matchedCustomers;
        return true;
    }
    kunde = m_write ? m_nextCustomer++ : --m_pseudo;
    if (!InsertRow(QStringLiteral("tblKunden"), {QStringLiteral("KDintKundenNr")}, {QString::number(kunde)},
                   kCustomerText, err))
        return false;
    m_customers.insert(key, kunde);
    m_customerNames.insert(kunde, Text(ecName1));
    line.customer = TImportAction::New;
    ++m_summary.newCustomers;
    return true;
}

bool TImportPass::StoreDevice(TImportLine &line, int kunde, const QString &barcode, int &device, QString *err)
{
    const QString dk = DeviceKey(kunde, [this](TExportColumn c) { return Text(c); });
    device = barcode.isEmpty() ? m_devicesByKey.value(dk, 0) : m_devicesByBarcode.value(barcode, 0);
    if (device) {
        line.device = TImportAction::Matched;
        ++m_summary.matchedDevices;
        return true;
    }
    device = m_write ? m_nextDevice++ : --m_pseudo;
    if (!InsertRow(QStringLiteral("tblPruefling"),
                   {QStringLiteral("PLintPrueflingNr"), QStringLiteral("PLintKundenNr")},
                   {QString::number(device), QString::number(kunde)}, kDeviceText, err))
        return false;
    if (!barcode.isEmpty()) {
        m_devicesByBarcode.insert(barcode, device);
        m_owners.insert(device, {kunde, Text(ecBezeichnung)});
    }
    if (!m_devicesByKey.contains(dk)) m_devicesByKey.insert(dk, device);
    line.device = TImportAction::New;
    ++m_summary.newDevices;
    return true;
}

// One present before the import is not stored twice; the file's own lines
// all go in (two tests on one day are real).
bool TImportPass::StoreTest(TImportLine &line, const TLineTest &t, int device, QString *err)
{
    const QString serial = ImportKeyText(Text(ecGTSeriennummer));
    if (m_tests.Contains(device, t.when, line.datum,
                         [&](const TStoredTest &st) { return SameTest(st, t.fileValues, serial); })) {
        line.test = TImportAction::Matched;
        ++m_summary.presentTests;
        return true;
    }
    const int nr = m_write ? m_nextTest++ : --m_pseudo;
    if (!Exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, %1)\n"
                             "VALUES (%2, %3, %4)")
                  .arg(t.cols.join(u','))
                  .arg(nr)
                  .arg(device)
                  .arg(t.vals.join(u',')),
              err))
        return false;
    line.test = TImportAction::New;
    ++m_summary.newTests;
    return true;
}

bool TImportPass::Line(const TCsvRecord &rec, int headerSize, QString *error)
{
    m_rec = &rec;
    TImportLine line;
    line.line = rec.line;
    ++m_summary.lines;
    line.kunde = Text(ecName1);
    line.pruefling = Text(ecBezeichnung);
    line.datum = Value(ecDatum).trimmed();
    if (rec.values.size() != headerSize) {
        Refuse(line, QStringLiteral("%1 statt %2 Werte.").arg(rec.values.size()).arg(headerSize));
        return true;
    }
    if (const QString tooLong = TooLong(); !tooLong.isEmpty()) {
        Refuse(line, tooLong);
        return true;
    }
    TLineTest t;
    if (!line.datum.isEmpty()) {
        t.when = ParseDateTime(line.datum, Qt::LocalTime);
        if (!t.when.isValid()) {
            Refuse(line, QStringLiteral("„%1“ ist kein Datum.").arg(line.datum));
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
    if (!m_firstError.isEmpty() && m_write) { // nothing more is stored; keep checking
        m_lines << line;
        return true;
    }
    const QString ck = CustomerKey([this](int i) { return Text(kCustomerText[i].col); });
    int kunde = m_customers.value(ck, 0);
    const QString barcode = ImportKeyText(Text(ecBarcode));
    if (const QString conflict = BarcodeConflict(barcode, kunde); !conflict.isEmpty()) {
        line.device = TImportAction::Conflict;
        Refuse(line, conflict);
        return true;
    }
    QString err;
    int device = 0;
    if (!StoreCustomer(line, ck, kunde, &err) || !StoreDevice(line, kunde, barcode, device, &err) ||
        (t.when.isValid() && !StoreTest(line, t, device, &err)))
        return Fail(QStringLiteral("Zeile %1: %2").arg(rec.line).arg(err), error);
    m_lines << line;
    return true;
}

bool TImportPass::Finish(QString *error)
{
    if (!m_firstError.isEmpty()) {
        if (m_write) m_db.rollback();
        if (error) *error = QStringLiteral("Nichts eingelesen. ") + m_firstError;
        return false;
    }
    if (m_write && !m_db.commit()) return Fail(m_db.lastError().text(), error);
    return true;
}

} // namespace

bool TCsvImport::Run(QSqlDatabase db, bool write, QString *error)
{
    m_lines.clear();
    m_summary = TImportSummary{};
    TImportPass pass(db, write, m_col, m_lines, m_summary);
    if (!pass.Prepare(error)) return false;
    for (const TCsvRecord &rec : m_records)
        if (!pass.Line(rec, m_headerSize, error)) return false;
    return pass.Finish(error);
}
