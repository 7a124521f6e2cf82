#pragma once

// Which export column the import reads into which database column, and how,
// and what the import keeps of a line and of the database. Internal to the import.

#include "store/CsvImportValues.h"
#include "store/ExportColumns.h"
#include "store/Globals.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <vector>

namespace csvimport {

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

// The measured values' texts as the export writes them, trimmed, made once
// each: the same few hundred values come back on every line, and formatting
// was a tenth of the import's time. Handed out as views, valid as long as
// this lives. Values up to "over" keep their text side by side in one
// array: a string each cost a cache miss and an atomic count per value.
class TMeasuredTexts {
public:
    TMeasuredTexts()
    {
        for (std::size_t i = 0; i < std::size(kMeasured); ++i) {
            m_byValue[i].resize(std::size_t(kMeasured[i].over) + 2);
            m_format[i] = [this, i](int v) { return Text(i, v); };
        }
    }
    TMeasuredTexts(const TMeasuredTexts &) = delete;
    TMeasuredTexts &operator=(const TMeasuredTexts &) = delete;

    QStringView Text(std::size_t column, int v) const
    {
        const auto at = std::size_t(v) + 1; // -1 ("---") first
        if (v < -1 || at >= m_byValue[column].size()) return Outside(column, v);
        Slot &slot = m_byValue[column][at];
        if (slot.size == kUnmade) {
            const QString text = kMeasured[column].format(v).trimmed();
            if (text.size() > qsizetype(slot.text.size())) {
                slot.size = kTooLong;
            } else {
                std::copy(text.utf16(), text.utf16() + text.size(), slot.text.begin());
                slot.size = qint8(text.size());
            }
        }
        if (slot.size == kTooLong) return Outside(column, v);
        return QStringView(slot.text.data(), slot.size);
    }
    const std::function<QStringView(int)> &Format(std::size_t column) const { return m_format[column]; }

private:
    static constexpr qint8 kUnmade = -1, kTooLong = -2;
    struct Slot {
        std::array<char16_t, 13> text{};
        qint8 size = kUnmade;
    };
    QStringView Outside(std::size_t column, int v) const
    {
        QString &text = m_outside[column][v];
        if (text.isNull()) text = kMeasured[column].format(v).trimmed();
        return text;
    }

    mutable std::array<std::vector<Slot>, std::size(kMeasured)> m_byValue; // by value + 1, up to "over"
    mutable std::array<std::unordered_map<int, QString>, std::size(kMeasured)> m_outside;
    std::array<std::function<QStringView(int)>, std::size(kMeasured)> m_format;
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

inline QString header(TExportColumn c)
{
    return QString::fromLatin1(kExportColumns[std::size_t(c)].header);
}

// The set-up numbers, with the value of a column the file does not have.
struct TIntColumn {
    TExportColumn col;
    const char *dbColumn;
    int absent;
    std::optional<int> (*parse)(QStringView);
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

inline QStringList matchColumns()
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

// A text as bound: empty, never null (a null text would be stored as NULL).
inline QVariant textValue(const QString &s)
{
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}

// A line's test as it would be stored, read before anything is stored.
using TFileValues = std::array<int, kMatchCount>; // in the order of matchColumns()
struct TLineTest {
    QDateTime when;
    std::vector<const char *> cols; // the same columns, in the same order, on every line
    QVariantList vals;
    TFileValues fileValues{};
    int bad = -1;      // the first column that is no valid value
    bool keep = false; // the values are kept for storing (a checking pass only checks them)

    // For the next line; the lists keep their room (one test after another).
    void Reset(bool storing)
    {
        when = {};
        cols.clear();
        vals.clear();
        fileValues = {};
        bad = -1;
        keep = storing;
        // Key and device first: StoreTest fills them in.
        Put("PRintPruefungsNr", 0);
        Put("PRintPrueflingNr", 0);
    }
    void Put(const char *col, const QVariant &v)
    {
        if (!keep) return;
        cols.push_back(col);
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

// What is stored: customers by name and address (the columns the file
// has), devices by barcode and by their describing fields.
struct TKnown {
    QHash<QString, int> customers, devicesByKey, devicesByBarcode;
    QHash<int, QString> customerNames;
    QHash<int, TDeviceOwner> owners; // devices with a barcode
};

// Lines kept for the preview, of each kind (taken and refused); the counts
// cover all of them.
constexpr int kKeptLines = 1000;

} // namespace csvimport
