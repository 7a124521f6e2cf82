#include "BarcodeTestUtil.h"

#include "barcode/Barcd4.h"
#include "barcode/BarcodeRender.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QColor Marker(255, 0, 0);

// Paints the control with DrawTo into an image prefilled with a marker colour.
QImage Draw(TPrintBarcode &bc, QSize imageSize, QPoint origin = {0, 0}, const QFont &font = QFont())
{
    QImage img(imageSize, QImage::Format_RGB32);
    img.fill(Marker);
    QPainter p(&img);
    p.setFont(font);
    bc.DrawTo(p, origin);
    return img;
}

// Colour runs along a row as "B3 W5 ..." (B black, W white, R marker).
QString RowRuns(const QImage &img, int y, int x0, int x1)
{
    QString out;
    QChar cur;
    int n = 0;
    for (int x = x0; x < x1; ++x) {
        const QRgb c = img.pixel(x, y);
        const QChar k = c == qRgb(0, 0, 0) ? 'B' : c == qRgb(255, 255, 255) ? 'W' : 'R';
        if (k == cur) {
            ++n;
            continue;
        }
        if (n) out += QString("%1%2 ").arg(cur).arg(n);
        cur = k;
        n = 1;
    }
    if (n) out += QString("%1%2").arg(cur).arg(n);
    return out.trimmed();
}

// The runs the element sequence should give with the given pixel widths.
QString ExpectedRuns(const TBarSymbol &s, int narrow, int wide, int leadIn)
{
    QString out;
    QChar cur;
    long long n = 0;
    for (const TBarElement &e : s.elements) {
        const QChar k = e.bar ? 'B' : 'W';
        const long long w = ElementPixels(e, narrow, wide, leadIn);
        if (k == cur) {
            n += w;
            continue;
        }
        if (n) out += QString("%1%2 ").arg(cur).arg(n);
        cur = k;
        n = w;
    }
    if (n) out += QString("%1%2").arg(cur).arg(n);
    return out.trimmed();
}

TEST(PrintBarcode, InitialValues)
{
    TPrintBarcode bc;
    EXPECT_EQ(bc.Text(), "1234");
    EXPECT_EQ(bc.BarCodeType(), Code39);
    EXPECT_EQ(bc.BarColor(), QColor(Qt::black));
    EXPECT_EQ(bc.Color(), QColor(Qt::white));
    EXPECT_EQ(bc.Direction(), bdRight);
    EXPECT_EQ(bc.ModuleNarrow(), 2);
    EXPECT_EQ(bc.ModuleWide(), 5);
    EXPECT_TRUE(bc.ModuleAuto());
    EXPECT_DOUBLE_EQ(bc.ModuleFactor(), 2.6);
    EXPECT_TRUE(bc.AutoSize());
    EXPECT_FALSE(bc.BearerBars());
    EXPECT_EQ(bc.BearerBarsWidth(), 3);
    EXPECT_EQ(bc.LeadInWidth(), 20);
    EXPECT_TRUE(bc.HumanReadable());
    EXPECT_EQ(bc.Height(), 32);
    EXPECT_TRUE(bc.DataField().isEmpty());
    EXPECT_FALSE(bc.DataSource());
}

TEST(PrintBarcode, ModuleWidthsFollowTheFactorWithHalvesToEven)
{
    TPrintBarcode bc;
    bc.setModuleNarrow(1);
    EXPECT_EQ(bc.ModuleWide(), 3);
    bc.setModuleWide(1);
    EXPECT_EQ(bc.ModuleNarrow(), 1); // round(0.38) = 0, raised to 1
    bc.setModuleFactor(2.5);
    EXPECT_EQ(bc.ModuleWide(), 2); // 2.5 rounds to the even 2
    bc.setModuleNarrow(3);
    EXPECT_EQ(bc.ModuleWide(), 8); // 7.5 rounds to 8
    bc.setModuleNarrow(0);
    bc.setModuleNarrow(-4);
    bc.setModuleWide(0);
    EXPECT_EQ(bc.ModuleNarrow(), 3);
    EXPECT_EQ(bc.ModuleWide(), 8);
    bc.setModuleFactor(0.0);
    EXPECT_DOUBLE_EQ(bc.ModuleFactor(), 2.5);

    bc.setModuleAuto(false);
    bc.setModuleNarrow(4);
    EXPECT_EQ(bc.ModuleWide(), 8);
    bc.setModuleWide(20);
    EXPECT_EQ(bc.ModuleNarrow(), 4);
    bc.setModuleAuto(true);
    EXPECT_EQ(bc.ModuleWide(), 10);
}

TEST(PrintBarcode, TextIsCutTo280Characters)
{
    TPrintBarcode bc;
    bc.setText(QString(300, 'A'));
    EXPECT_EQ(bc.Text().size(), 280);
}

TEST(PrintBarcode, TurningBetweenAxesKeepsTheBarLength)
{
    TPrintBarcode bc;
    bc.resize(200, 40);
    bc.setDirection(bdLeft);
    EXPECT_EQ(bc.size(), QSize(200, 40));
    bc.setDirection(bdDown);
    EXPECT_EQ(bc.size(), QSize(40, 40));
    bc.resize(60, 150);
    bc.setDirection(bdUp);
    EXPECT_EQ(bc.size(), QSize(60, 150));
    bc.setDirection(bdRight);
    EXPECT_EQ(bc.size(), QSize(60, 60));
    bc.setAutoSize(false);
    bc.resize(60, 150);
    bc.setDirection(bdDown);
    EXPECT_EQ(bc.size(), QSize(60, 150));
}

TEST(PrintBarcode, AutoSizeWidthOfCode39LeavesOffTheLastGap)
{
    TPrintBarcode bc;
    bc.setText("ab-1");
    const QImage img = Draw(bc, QSize(400, 40));
    // Six characters of six narrow and three wide elements, five gaps between them.
    EXPECT_EQ(bc.Width(), 2 * 20 + 6 * (6 * 2 + 3 * 5) + 5 * 2);
    EXPECT_EQ(bc.Height(), 32);
    EXPECT_EQ(bc.SymbolLength(), bc.Width());
    // The drawn row matches the element sequence pixel for pixel.
    const TBarSymbol s = bc.Symbol();
    EXPECT_EQ(RowRuns(img, 16, 0, 20 + 6 * 27 + 6 * 2 + 20), ExpectedRuns(s, 2, 5, 20));
    EXPECT_EQ(img.pixel(0, 32), Marker.rgb()); // nothing below the control
}

TEST(PrintBarcode, AutoSizeOfCode128AndVerticalSymbols)
{
    TPrintBarcode bc;
    bc.setBarCodeType(Code128);
    Draw(bc, QSize(300, 40));
    // Start, two data codewords, check: 11 modules each, stop 13, less one narrow.
    EXPECT_EQ(bc.Width(), 40 + (4 * 11 + 13) * 2 - 2);

    bc.setDirection(bdDown);
    bc.setWidth(30);
    Draw(bc, QSize(40, 300));
    EXPECT_EQ(bc.Height(), 40 + (4 * 11 + 13) * 2 - 2);
    EXPECT_EQ(bc.Width(), 30);
}

TEST(PrintBarcode, VerticalEanStaysHorizontalAndSizesItsWidth)
{
    TPrintBarcode bc;
    bc.setBarCodeType(EAN13);
    bc.setText("400638133393");
    bc.setHumanReadable(false);
    bc.resize(80, 60);
    bc.setDirection(bdDown); // width becomes 60
    const QImage img = Draw(bc, QSize(400, 100));
    EXPECT_EQ(bc.Width(), 40 + 95 * 2);
    EXPECT_EQ(bc.Height(), 60);
    // Guard bars run the full height, in columns.
    EXPECT_EQ(img.pixel(20, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(20, 59), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(22, 30), qRgb(255, 255, 255));
}

TEST(PrintBarcode, ReversedDirectionsMirrorAndTurnTheSymbol)
{
    TPrintBarcode right;
    right.setBarCodeType(Code128);
    right.setText("Ab1234");
    right.setAutoSize(false);
    const int len = static_cast<int>(SymbolPixels(right.Symbol(), 2, 5, 20));
    right.resize(len, 30);
    const QImage r = Draw(right, QSize(len, 30));

    TPrintBarcode left;
    left.setBarCodeType(Code128);
    left.setText("Ab1234");
    left.setAutoSize(false);
    left.setDirection(bdLeft);
    left.resize(len, 30);
    EXPECT_EQ(Draw(left, QSize(len, 30)), r.mirrored(true, false));

    TPrintBarcode down;
    down.setBarCodeType(Code128);
    down.setText("Ab1234");
    down.setAutoSize(false);
    down.setDirection(bdDown);
    down.resize(30, len);
    const QImage d = Draw(down, QSize(30, len));
    bool transposed = true;
    for (int x = 0; x < len && transposed; ++x)
        for (int y = 0; y < 30; ++y)
            transposed = transposed && d.pixel(y, x) == r.pixel(x, y);
    EXPECT_TRUE(transposed);
}

TEST(PrintBarcode, WithoutAutoSizeTheRestOfTheControlIsBackground)
{
    TPrintBarcode bc;
    bc.setText("1");
    bc.setAutoSize(false);
    bc.resize(300, 32);
    const QImage img = Draw(bc, QSize(320, 40), QPoint(5, 3));
    EXPECT_EQ(bc.Width(), 300);
    EXPECT_EQ(RowRuns(img, 20, 200, 320), "W105 R15");
    EXPECT_EQ(RowRuns(img, 1, 0, 320), "R320");
    EXPECT_EQ(RowRuns(img, 20, 0, 6), "R5 W1");
}

TEST(PrintBarcode, EmptyBoxForTextsTheSymbologyCannotTake)
{
    for (TBarCodeType t : {EAN, EAN8, EAN13, ITF14}) {
        TPrintBarcode bc;
        bc.setBarCodeType(t);
        bc.setText("12345");
        bc.setBearerBars(true);
        bc.resize(50, 20);
        const QImage img = Draw(bc, QSize(60, 30), QPoint(2, 4));
        EXPECT_EQ(bc.size(), QSize(50, 20)) << t;
        EXPECT_EQ(RowRuns(img, 4, 0, 60), "R2 B50 R8") << t;
        EXPECT_EQ(RowRuns(img, 10, 0, 60), "R2 B1 W48 B1 R8") << t;
        EXPECT_EQ(RowRuns(img, 23, 0, 60), "R2 B50 R8") << t;
        EXPECT_EQ(RowRuns(img, 24, 0, 60), "R60") << t;
    }
}

TEST(PrintBarcode, EmptyTextDrawsNothingAndResizesNothing)
{
    for (TBarCodeType t : {Code39, Code25, Interleaved2Of5, Codabar, PostNet, PostnetZip}) {
        TPrintBarcode bc;
        bc.setBarCodeType(t);
        bc.setText("");
        bc.setBearerBars(true);
        bc.resize(70, 20);
        const QImage img = Draw(bc, QSize(80, 30));
        EXPECT_EQ(bc.size(), QSize(70, 20)) << t;
        EXPECT_EQ(img.pixel(0, 0), Marker.rgb()) << t;
        EXPECT_EQ(img.pixel(40, 10), Marker.rgb()) << t;
    }
}

TEST(PrintBarcode, BearerBarsOnlyWhereTheSymbologyTakesThem)
{
    TPrintBarcode bc;
    bc.setBarCodeType(Interleaved2Of5);
    bc.setText("123456");
    bc.setBearerBars(true);
    bc.setBearerBarsWidth(4);
    bc.resize(10, 40);
    QImage img = Draw(bc, QSize(400, 50));
    const int w = bc.Width();
    EXPECT_EQ(RowRuns(img, 3, 0, w + 1), QString("B%1 R1").arg(w));
    EXPECT_EQ(RowRuns(img, 36, 0, w + 1), QString("B%1 R1").arg(w));
    EXPECT_EQ(RowRuns(img, 4, 0, 20), "W20");

    bc.setDirection(bdDown);
    img = Draw(bc, QSize(50, 400));
    EXPECT_EQ(RowRuns(img, 2, 0, 40), "B4 W32 B4");

    bc.setBarCodeType(PostnetZip);
    bc.setDirection(bdRight);
    img = Draw(bc, QSize(600, 50));
    EXPECT_EQ(RowRuns(img, 0, 0, 20), "W20");
}

TEST(PrintBarcode, EanDigitsShortenTheDigitBars)
{
    TPrintBarcode bc;
    bc.setBarCodeType(EAN8);
    bc.setText("1234567");
    bc.resize(10, 60);
    QFont font;
    font.setPixelSize(12);
    const QImage img = Draw(bc, QSize(300, 70), QPoint(0, 0), font);
    const int digitH = 60 - 12 - 2;
    const int guardH = (60 + digitH) / 2;
    // First guard bar at x = 20; the first digit 1 = 0011001 has its first bar at module 3+2.
    int guardRun = 0, digitRun = 0;
    while (guardRun < 60 && img.pixel(20, guardRun) == qRgb(0, 0, 0))
        ++guardRun;
    while (digitRun < 60 && img.pixel(20 + 5 * 2, digitRun) == qRgb(0, 0, 0))
        ++digitRun;
    EXPECT_EQ(guardRun, guardH);
    EXPECT_EQ(digitRun, digitH);
    EXPECT_EQ(img.pixel(20, guardH + 2), qRgb(255, 255, 255));
    // Some ink of the digits sits below the bars, inside the control.
    int ink = 0;
    for (int y = 60 - 12; y < 60; ++y)
        for (int x = 26; x < 40; ++x)
            ink += img.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_GT(ink, 3);
    EXPECT_EQ(RowRuns(img, 60, 0, 300), "R300");

    bc.setHumanReadable(false);
    const QImage plain = Draw(bc, QSize(300, 70), QPoint(0, 0), font);
    EXPECT_EQ(plain.pixel(30, 59), qRgb(0, 0, 0));
}

TEST(PrintBarcode, PainterSettingsSurviveDrawTo)
{
    TPrintBarcode bc;
    bc.setBarCodeType(EAN13);
    bc.setText("400638133393");
    bc.setBearerBars(true);
    QImage img(300, 60, QImage::Format_RGB32);
    QPainter p(&img);
    const QPen pen(Qt::red, 3, Qt::DashLine);
    const QBrush brush(Qt::blue, Qt::Dense4Pattern);
    QFont font("Sans", 17);
    font.setBold(true);
    p.setPen(pen);
    p.setBrush(brush);
    p.setFont(font);
    p.setBackgroundMode(Qt::TransparentMode);
    bc.DrawTo(p, QPoint(3, 3));
    bc.setText("1");
    bc.DrawTo(p, QPoint(3, 3));
    EXPECT_EQ(p.pen(), pen);
    EXPECT_EQ(p.brush(), brush);
    EXPECT_EQ(p.font(), font);
    EXPECT_EQ(p.backgroundMode(), Qt::TransparentMode);
    EXPECT_FALSE(p.hasClipping());
}

TEST(PrintBarcode, DataBindingTakesTheFieldAndRestoresLeadingZeros)
{
    TPrintBarcode bc;
    QVariant value = 1234567;
    int asked = 0;
    bc.setBarCodeType(EAN13);
    bc.setDataSource([&](const QString &field) {
        ++asked;
        EXPECT_EQ(field, "GEstrBarcode");
        return value;
    });
    EXPECT_EQ(bc.Text(), "1234"); // no field bound yet
    EXPECT_EQ(asked, 0);
    bc.setDataField("GEstrBarcode");
    EXPECT_EQ(bc.Text(), "000001234567");

    bc.setBarCodeType(EAN8);
    value = "123";
    bc.DataChange();
    EXPECT_EQ(bc.Text(), "0000123");

    bc.setBarCodeType(Code39);
    bc.DataChange();
    EXPECT_EQ(bc.Text(), "123");

    bc.setBarCodeType(ITF14);
    value = QVariant();
    bc.DataChange();
    EXPECT_EQ(bc.Text(), "");

    bc.setDataSource({});
    value = "99";
    bc.DataChange();
    EXPECT_EQ(bc.Text(), "");
}

TEST(PrintBarcode, PaintShowsTheSymbolOnTheWidget)
{
    TPrintBarcode bc;
    bc.setBarCodeType(Interleaved2Of5);
    bc.setText("123456");
    bc.resize(500, 40);
    const QImage shot = bc.grab().toImage();
    EXPECT_EQ(bc.Width(), bc.SymbolLength());
    EXPECT_EQ(shot.pixelColor(0, 20), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(20, 20), QColor(Qt::black)); // start pattern
}

TEST(PrintBarcode, ExtremeSizesDoNotOverflow)
{
    TPrintBarcode bc;
    bc.setBarCodeType(Code128);
    bc.setText(QString(280, 'x'));
    bc.setModuleNarrow(INT_MAX);
    bc.setLeadInWidth(INT_MAX);
    EXPECT_GT(bc.ModuleWide(), 0);
    Draw(bc, QSize(50, 50));
    EXPECT_GT(bc.Width(), 0);
}

} // namespace
