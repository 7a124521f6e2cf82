#pragma once

#include <QString>
#include <QStringView>

#include <span>

// Widths of the text columns, one table for the whole program: the schema
// scripts declare the same, PostgreSQL enforces them (SQLite does not), every
// edit takes its maximum length from here and SQL text is cut to fit, so an
// entry that works on one engine works on the other.
struct TColumnWidth {
    const char *column;
    int width;
};
std::span<const TColumnWidth> ColumnWidths();

// Width of a text column (name without regard to case); 0 = no limit (memo
// columns, or a name the table does not know).
int ColumnWidth(QStringView column);

// text cut to the column's width (never inside a surrogate pair).
QString FitToColumn(QStringView column, const QString &text);
// SqlQuote of the fitted text: for the lines of generated statements.
QString SqlQuoteFitted(QStringView column, const QString &text);
