#pragma once

// Looks at written PDF files with tools the project did not write:
// pdftotext, pdfinfo, pdftoppm (poppler-utils) and zbarimg (zbar-tools).

#include "support/RequireTool.h"

#include <QRectF>
#include <QString>
#include <QStringList>

namespace pdf_tools {

// Whether poppler-utils and zbar-tools are there (tests skip otherwise).
bool havePoppler();
bool haveZbar();

// The text of the whole file (pdftotext -layout); pages separated by form feeds.
QString text(const QString &pdf);
// The text of each page.
QStringList pageTexts(const QString &pdf);
// The names of the fonts the file uses (pdffonts).
QStringList fonts(const QString &pdf);
// "Pages:" of pdfinfo; -1 when it cannot be read.
int pageCount(const QString &pdf);
// The page size in points as pdfinfo reports it ("595.276 x 841.89 pts (A4)").
QString pageSize(const QString &pdf);
// Every symbol zbarimg reads on each page of a 300-dpi rendering, as
// "TYPE:data" in the order zbarimg reports them.
QList<QStringList> scanPages(const QString &pdf);
// What zbarimg reads inside one rectangle (millimetres from the page's
// top-left corner) of a 300-dpi rendering of a page.
QStringList scanRegion(const QString &pdf, int page, const QRectF &mm);
// The words of a page with their boxes in points from the page's top-left
// corner (pdftotext -bbox).
struct Word {
    QString text;
    QRectF box;
};
QList<Word> words(const QString &pdf, int page);
// Points to millimetres.
inline double ptToMm(double pt)
{
    return pt * 25.4 / 72.0;
}

// What zbarimg reads in a PNG at its default settings, as a scanner would:
// "TYPE:data" lines, sorted.
QStringList scanPng(const QString &png);

// Text in the order it was drawn, without blanks or line ends: a wrapped
// text reads as one again (pdftotext -raw).
QString drawnText(const QString &pdf);
// Words of the page whose boxes overlap, as "a / b" (a quarter point of
// touching is allowed for rounding).
QStringList overlaps(const QString &pdf, int page);

// A page rendered to PNG at the given resolution; the file name.
QString renderPng(const QString &pdf, int page, int dpi, const QString &outBase);

} // namespace pdf_tools
