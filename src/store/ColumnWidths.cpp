#include "store/ColumnWidths.h"

#include "store/Database.h"

namespace {

// As declared in db/schema-sqlite.sql and db/schema-postgresql.sql; a test
// compares this table with both engines' catalogues.
constexpr TColumnWidth kWidths[] = {
    {"KDstrName1", 60},
    {"KDstrName2", 60},
    {"KDstrName3", 60},
    {"KDstrStrasse", 60},
    {"KDstrLKZ", 5},
    {"KDstrPLZ", 10},
    {"KDstrOrt", 50},
    {"KDstrTelefon", 30},
    {"KDstrFax", 30},
    {"PLstrBezeichnung", 60},
    {"PLstrTyp", 50},
    {"PLstrInventarnummer", 30},
    {"PLstrHersteller", 50},
    {"PLstrFabrikationsnummer", 30},
    {"PLstrSeriennummer", 30},
    {"PLstrBarcode", 20},
    {"PRstrGTSeriennummer", 10},
    {"PRstrPruefer", 50},
    {"PRstrBewertender", 50},
    {"PRstrProtokollNr", 30},
    {"UNstrBarcode", 16},
    {"UNstrGTSeriennummer", 10},
    {"UNstrPruefer", 50},
    {"UNstrBewertender", 50},
    {"STstrPruefteil", 80},
    {"STstrPruefung", 160},
};

} // namespace

std::span<const TColumnWidth> ColumnWidths()
{
    return kWidths;
}

int ColumnWidth(QStringView column)
{
    for (const TColumnWidth &w : kWidths)
        if (column.compare(QLatin1String(w.column), Qt::CaseInsensitive) == 0) return w.width;
    return 0;
}

QString FitToColumn(QStringView column, const QString &text)
{
    const int width = ColumnWidth(column);
    if (width <= 0 || text.size() <= width) return text;
    qsizetype n = width;
    if (text.at(n - 1).isHighSurrogate()) --n;
    return text.left(n);
}

QString SqlQuoteFitted(QStringView column, const QString &text)
{
    return SqlQuote(FitToColumn(column, text));
}
