#include "QtPrinters.h"
#include "controls/Digit.h"

#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Five cells as on the front panel; cells[0] is the leftmost.
struct Chain {
    QWidget parent;
    QList<TDigit *> cells;
    Chain(int n = 5)
    {
        TDigit *right = TDigit::CreateChain(&parent, n);
        for (TDigit *d = right; d; d = d->nextDigit())
            cells.prepend(d);
    }
    TDigit *Right() const { return cells.back(); }
    QStringList Glyphs() const
    {
        QStringList out;
        for (TDigit *d : cells)
            out << GlyphName(d->Glyph());
        return out;
    }
};

QStringList Names(std::initializer_list<const char *> names)
{
    QStringList out;
    for (const char *n : names)
        out << QString::fromLatin1(n);
    return out;
}

int InkPixels(const QImage &img, const QColor &background)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < qGray(background.rgb()) / 2) ++n;
    return n;
}

QImage Render(TDigit &d, qreal dpr)
{
    QImage img(d.size() * dpr, QImage::Format_ARGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::white);
    d.render(&img);
    return img;
}

} // namespace

TEST(DigitChain, SpreadsTextFromTheRight)
{
    Chain c;
    EXPECT_EQ(c.Glyphs(), Names({"D8", "D8", "D8", "D8", "D8"})); // new cells show "8"

    c.Right()->setData(QStringLiteral(" --- "));
    EXPECT_EQ(c.Glyphs(), Names({"D", "DM", "DM", "DM", "D"}));

    c.Right()->setData(QStringLiteral("12.3"));
    EXPECT_EQ(c.Glyphs(), Names({"D", "D1", "D2", "DK", "D3"}));
    EXPECT_EQ(c.cells[0]->Data(), QString()); // the cell beyond the text gets nothing

    c.Right()->setData(QStringLiteral("123456789"));
    EXPECT_EQ(c.Glyphs(), Names({"D5", "D6", "D7", "D8", "D9"}));

    c.Right()->setData(QString());
    EXPECT_EQ(c.Glyphs(), Names({"D", "D", "D", "D", "D"}));
}

TEST(DigitChain, PassesTheTextOnEvenWhenUnchanged)
{
    Chain c(3);
    c.Right()->setData(QStringLiteral("42"));
    c.cells[1]->setData(QStringLiteral("x")); // someone wrote into the middle
    c.Right()->setData(QStringLiteral("42"));
    EXPECT_EQ(c.cells[1]->Data(), QStringLiteral("4"));
}

TEST(DigitChain, LinksAreSafe)
{
    TDigit a, b;
    a.setNextDigit(&a);
    EXPECT_EQ(a.nextDigit(), nullptr); // not its own neighbour

    // A loop ends where the text started instead of recursing for ever.
    a.setNextDigit(&b);
    b.setNextDigit(&a);
    a.setData(QStringLiteral("123"));
    EXPECT_EQ(a.Data(), QStringLiteral("123"));
    EXPECT_EQ(b.Data(), QStringLiteral("12"));

    // A removed neighbour is forgotten.
    TDigit c;
    auto left = std::make_unique<TDigit>();
    c.setNextDigit(left.get());
    left.reset();
    EXPECT_EQ(c.nextDigit(), nullptr);
    c.setData(QStringLiteral("99"));
}

TEST(DigitGlyphs, CharacterTable)
{
    EXPECT_EQ(GlyphForChar(QLatin1Char('a')), GlyphForChar(QLatin1Char('A')));
    EXPECT_EQ(GlyphForChar(QLatin1Char('u')), TGlyph::DU);
    EXPECT_EQ(GlyphForChar(QLatin1Char('G')), TGlyph::D);
    EXPECT_EQ(GlyphForChar(QLatin1Char(' ')), TGlyph::D);
    EXPECT_EQ(GlyphForChar(QChar(0x00B5)), TGlyph::D); // µ
    EXPECT_EQ(GlyphForChar(QLatin1Char('.')), TGlyph::DK);
    EXPECT_EQ(GlyphForChar(QLatin1Char(',')), TGlyph::DK);
    EXPECT_EQ(GlyphForText(QStringLiteral(">1")), TGlyph::D1);
    EXPECT_EQ(GlyphForText(QString()), TGlyph::D);

    // Every glyph can be reached from the keyboard and has its own name.
    const QString chars = QStringLiteral("0123456789ABCDEFHLRU,:-+>< ");
    QSet<QString> names;
    for (QChar ch : chars)
        names.insert(GlyphName(GlyphForChar(ch)));
    EXPECT_EQ(names.size(), GlyphCount);

    // The lower-case forms of b, d and r differ from the digits they resemble.
    EXPECT_NE(GlyphSegments(TGlyph::DB), GlyphSegments(TGlyph::D6));
    EXPECT_NE(GlyphSegments(TGlyph::DD), GlyphSegments(TGlyph::D0));
    EXPECT_EQ(GlyphSegments(TGlyph::DR), quint8(segE | segG));
}

TEST(DigitPaint, BackgroundAlignmentAndScaling)
{
    TDigit d;
    d.setData(QString());
    const QImage blank = Render(d, 1);
    for (int y = 0; y < blank.height(); ++y)
        for (int x = 0; x < blank.width(); ++x)
            ASSERT_EQ(blank.pixel(x, y), QColor(0xC0, 0xC0, 0x40).rgb());

    d.setData(QStringLiteral("8"));
    const int ink1 = InkPixels(Render(d, 1), d.Color());
    const int ink2 = InkPixels(Render(d, 2), d.Color());
    EXPECT_GT(ink1, 40);
    // Drawn as vectors: twice the resolution gives about four times the ink.
    EXPECT_NEAR(double(ink2) / ink1, 4.0, 0.8);

    // Right-justified in a wider cell the ink sits in the right part.
    d.resize(40, 27);
    d.setAlignment(taRightJustify);
    const QImage wide = Render(d, 1);
    int leftInk = 0;
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < 20; ++x)
            if (qGray(wide.pixel(x, y)) < 80) ++leftInk;
    EXPECT_EQ(leftInk, 0);

    d.setAutoSize(true);
    EXPECT_EQ(d.size(), QSize(17, 27));
    d.resize(50, 50);
    EXPECT_EQ(d.size(), QSize(17, 27));
}

TEST(DigitPaint, DockingAndScale)
{
    QWidget parent;
    parent.resize(100, 60);
    auto *d = new TDigit(&parent);
    parent.show(); // hidden widgets get their resize events late
    d->setAlign(alRight);
    EXPECT_EQ(d->geometry(), QRect(83, 0, 17, 60));
    parent.resize(120, 40); // follows the parent
    EXPECT_EQ(d->geometry(), QRect(103, 0, 17, 40));
    d->setAlign(alClient);
    EXPECT_EQ(d->geometry(), QRect(0, 0, 120, 40));

    TDigit big;
    big.setScale(2);
    big.setAutoSize(true);
    EXPECT_EQ(big.size(), QSize(34, 54));
    EXPECT_EQ(big.sizeHint(), QSize(34, 54));
}
