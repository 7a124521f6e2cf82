#include "PdfTools.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace pdf_tools {

namespace {

QString run(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

bool havePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

bool haveZbar()
{
    return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty();
}

QString text(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QStringList pageTexts(const QString &pdf)
{
    QStringList pages = text(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

QStringList fonts(const QString &pdf)
{
    QStringList names;
    const QStringList lines =
        run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i)
        names << lines[i].section(QLatin1Char(' '), 0, 0);
    names.sort();
    return names;
}

int pageCount(const QString &pdf)
{
    const QRegularExpression re(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    const auto m = re.match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pageSize(const QString &pdf)
{
    const QRegularExpression re(QStringLiteral("^Page size:\\s+(.*)$"), QRegularExpression::MultilineOption);
    const auto m = re.match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

QString renderPng(const QString &pdf, int page, int dpi, const QString &outBase)
{
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                     QString::number(page), QStringLiteral("-l"), QString::number(page),
                                     QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, outBase});
    return outBase + QStringLiteral(".png");
}

QList<QStringList> scanPages(const QString &pdf)
{
    QList<QStringList> result;
    QTemporaryDir dir;
    const int pages = pageCount(pdf);
    for (int page = 1; page <= pages; ++page) {
        // Grey is enough for bars and keeps the files small.
        const QString base = dir.filePath(QStringLiteral("p%1").arg(page));
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, base});
        const QString out =
            run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), base + QStringLiteral(".png")});
        QStringList symbols;
        for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            symbols << line.trimmed();
        result << symbols;
    }
    return result;
}

QList<Word> words(const QString &pdf, int page)
{
    const QString out = run(QStringLiteral("pdftotext"),
                            {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                             QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    const QRegularExpression re(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> list;
    for (auto it = re.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
        const double x1 = m.captured(3).toDouble(), y1 = m.captured(4).toDouble();
        QString text = m.captured(5);
        text.replace(QLatin1String("&amp;"), QLatin1String("&"))
            .replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""));
        list << Word{text, QRectF(QPointF(x0, y0), QPointF(x1, y1))};
    }
    return list;
}

QStringList scanRegion(const QString &pdf, int page, const QRectF &mm)
{
    QTemporaryDir dir;
    const QImage img(renderPng(pdf, page, 300, dir.filePath(QStringLiteral("r"))));
    const double s = 300 / 25.4;
    const QRect r(qRound(mm.x() * s), qRound(mm.y() * s), qRound(mm.width() * s), qRound(mm.height() * s));
    const QString crop = dir.filePath(QStringLiteral("c.png"));
    img.copy(r).save(crop);
    QStringList symbols;
    const QString out = run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), crop});
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        symbols << line.trimmed();
    return symbols;
}

QStringList scanPng(const QString &png)
{
    QStringList out = run(QStringLiteral("zbarimg"), {QStringLiteral("-q"), png})
                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    out.sort();
    return out;
}

QString drawnText(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")})
        .remove(QRegularExpression(QStringLiteral("\\s")));
}

QStringList overlaps(const QString &pdf, int page)
{
    const QList<Word> all = words(pdf, page);
    QStringList found;
    for (qsizetype i = 0; i < all.size(); ++i)
        for (qsizetype j = i + 1; j < all.size(); ++j) {
            const QRectF a = all[i].box.adjusted(0.25, 0.25, -0.25, -0.25);
            if (a.intersects(all[j].box.adjusted(0.25, 0.25, -0.25, -0.25)))
                found << all[i].text + QStringLiteral(" / ") + all[j].text;
        }
    return found;
}

} // namespace pdf_tools
