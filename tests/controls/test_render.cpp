#include "controls/ChkDsp.h"
#include "controls/Digit.h"
#include "controls/Edits.h"
#include "controls/LEDPaint.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Pictures of the controls for looking at them are written only where
// GT_RENDER_DIR names a folder; the tests check what they draw either way.
QString OutDir()
{
    const QString dir = qEnvironmentVariable("GT_RENDER_DIR");
    if (!dir.isEmpty()) QDir().mkpath(dir);
    return dir;
}

// Draws the widget at the given device pixel ratio, as a screen at that scaling would.
QImage Grab(QWidget &w, qreal dpr)
{
    QImage img(w.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::white);
    w.render(&img);
    return img;
}

// Saves the image and a pixel-exact enlargement, so single pixels can be judged.
bool Save(const QImage &img, const QString &name)
{
    if (OutDir().isEmpty()) return true;
    QImage plain = img;
    plain.setDevicePixelRatio(1.0);
    const QImage zoom = plain.scaled(plain.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return plain.save(OutDir() + QLatin1Char('/') + name + QStringLiteral(".png")) &&
           zoom.save(OutDir() + QLatin1Char('/') + name + QStringLiteral("-zoom.png"));
}

} // namespace

// Where each segment's centre lies in the 17 x 27 cell, leaned as drawn.
QPointF SegmentCentre(int bit)
{
    const qreal xl = 4.05, xr = 12.95, xm = 8.5, yt = 3.85, ym = 13.5, yb = 23.15;
    const qreal yu = (yt + ym) / 2, yl = (ym + yb) / 2;
    QPointF c;
    switch (bit) {
    case segA: c = {xm, yt}; break;
    case segB: c = {xr, yu}; break;
    case segC: c = {xr, yl}; break;
    case segD: c = {xm, yb}; break;
    case segE: c = {xl, yl}; break;
    case segF: c = {xl, yu}; break;
    default: c = {xm, ym}; break;
    }
    return {c.x() - 0.07 * (c.y() - ym), c.y()};
}

// The segments that show ink in a rendered glyph.
quint8 LitSegments(const QImage &img, qreal dpr)
{
    quint8 lit = 0;
    for (int bit = 1; bit <= segG; bit <<= 1) {
        const QPointF c = SegmentCentre(bit) * dpr;
        if (QColor(img.pixel(c.toPoint())).lightness() < 80) lit |= quint8(bit);
    }
    return lit;
}

TEST(Render, EachGlyphLightsExactlyItsSegments)
{
    // The usual seven-segment shapes, written down independently of the program.
    const struct {
        TGlyph glyph;
        const char *segments;
    } expected[] = {{TGlyph::D0, "abcdef"}, {TGlyph::D1, "bc"},     {TGlyph::D2, "abdeg"},  {TGlyph::D3, "abcdg"},
                    {TGlyph::D4, "bcfg"},   {TGlyph::D5, "acdfg"},  {TGlyph::D6, "acdefg"}, {TGlyph::D7, "abc"},
                    {TGlyph::D8, "abcdefg"}, {TGlyph::D9, "abcdfg"}, {TGlyph::DA, "abcefg"}, {TGlyph::DB, "cdefg"},
                    {TGlyph::DC, "adef"},   {TGlyph::DD, "bcdeg"},  {TGlyph::DE, "adefg"},  {TGlyph::DF, "aefg"},
                    {TGlyph::DH, "bcefg"},  {TGlyph::DL, "def"},    {TGlyph::DR, "eg"},     {TGlyph::DU, "bcdef"},
                    {TGlyph::DM, "g"},      {TGlyph::D, ""}};
    const QColor backing(0xC0, 0xC0, 0x40);
    for (qreal dpr : {1.0, 2.0}) {
        QImage sheet(QSize(GlyphCount * GlyphWidth, GlyphHeight) * dpr, QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(dpr);
        QPainter p(&sheet);
        for (const auto &e : expected) {
            quint8 bits = 0;
            for (const char *c = e.segments; *c; ++c)
                bits |= quint8(1u << (*c - 'a'));
            const QImage g = RenderGlyph(e.glyph, backing, dpr);
            EXPECT_EQ(LitSegments(g, dpr), bits) << GlyphName(e.glyph).toStdString() << " @" << dpr;
            if (e.glyph != TGlyph::DM) {
                EXPECT_EQ(GlyphSegments(e.glyph), bits) << GlyphName(e.glyph).toStdString();
            }
        }
        for (int i = 0; i < GlyphCount; ++i)
            p.drawImage(QPointF(i * GlyphWidth, 0), RenderGlyph(TGlyph(i), backing, dpr));
        p.end();
        ASSERT_TRUE(Save(sheet, QStringLiteral("glyphs@%1x").arg(dpr)));
    }
}

TEST(Render, DigitReadouts)
{
    QWidget panel;
    panel.resize(5 * GlyphWidth + 16, 4 * (GlyphHeight + 6) + 8);
    panel.setStyleSheet(QStringLiteral("background: #404040"));
    const QStringList texts = {QStringLiteral(" --- "), QStringLiteral("12.3"), QStringLiteral(">1000"),
                               QStringLiteral("-0,25")};
    for (int i = 0; i < texts.size(); ++i) {
        TDigit *chain = TDigit::CreateChain(&panel, 5, QPoint(8, 4 + i * (GlyphHeight + 6)));
        chain->setData(texts[i]);
    }
    for (qreal dpr : {1.0, 1.5, 2.0}) {
        const QImage img = Grab(panel, dpr);
        // Each readout draws its own text: no two rows alike, none left blank.
        QList<QImage> rows;
        for (int i = 0; i < texts.size(); ++i)
            rows << img.copy(QRectF(8 * dpr, (4 + i * (GlyphHeight + 6)) * dpr, 5 * GlyphWidth * dpr,
                                    GlyphHeight * dpr)
                                 .toRect());
        for (int i = 0; i < rows.size(); ++i)
            for (int j = i + 1; j < rows.size(); ++j)
                EXPECT_NE(rows[i], rows[j]) << texts[i].toStdString() << " / " << texts[j].toStdString();
        ASSERT_TRUE(Save(img, QStringLiteral("readouts@%1x").arg(dpr)));
    }
}

TEST(Render, LampsInEveryShape)
{
    QWidget panel;
    panel.resize(6 * 28 + 8, 4 * 28 + 8 + 14);
    const TLEDType types[] = {ltRound, ltRect, ltRight, ltLeft, ltUp, ltDown};
    for (int col = 0; col < 6; ++col) {
        for (int row = 0; row < 4; ++row) {
            auto *led = new TLEDPaint(&panel);
            led->setGeometry(8 + col * 28, 8 + row * 28, 20, 20);
            led->setLEDType(types[col]);
            led->setLEDOn(row != 1);
            if (row == 2) led->setEnabled(false); // lit but disabled: dark
            if (row == 3) {
                led->setFrameless(false);
                led->setBevelInner(bvLowered);
                led->setLEDFrameWidth(2);
                led->setLEDColor(QColor(0, 0xFF, 0));
            }
        }
    }
    // The status-bar arrows: 8 x 6, lime on black.
    for (int i = 0; i < 2; ++i) {
        auto *arrow = new TLEDPaint(&panel);
        arrow->setGeometry(8 + i * 12, 4 * 28 + 10, 8, 6);
        arrow->setBevelWidth(0);
        arrow->setLEDColor(QColor(0, 0xFF, 0));
        arrow->setLEDOffColor(Qt::black);
        arrow->setLEDType(i == 0 ? ltUp : ltDown);
        arrow->setLEDOn(i == 0);
    }
    for (qreal dpr : {1.0, 2.0}) {
        const QImage img = Grab(panel, dpr);
        // The middle of each lamp: lit in its colour, unlit and disabled ones not.
        for (int col = 0; col < 6; ++col) {
            auto centre = [&](int row) {
                return QColor(img.pixel(QPoint(8 + col * 28 + 10, 8 + row * 28 + 10) * dpr));
            };
            const QColor lit = centre(0), unlit = centre(1), disabled = centre(2);
            EXPECT_GT(lit.red(), 200) << "column " << col;
            EXPECT_LT(unlit.red(), lit.red() - 60) << "column " << col;
            EXPECT_LT(disabled.red(), lit.red() - 60) << "column " << col;
            EXPECT_GT(centre(3).green(), 200) << "column " << col;
            EXPECT_LT(centre(3).red(), 100) << "column " << col;
        }
        ASSERT_TRUE(Save(img, QStringLiteral("lamps@%1x").arg(dpr)));
    }
}

TEST(Render, EditsAndCheckDisplays)
{
    QWidget panel;
    panel.resize(220, 120);
    auto *caption = new QLabel(QStringLiteral("Messzeit"), &panel);
    caption->move(8, 12);
    auto *time = new TFloatEdit(&panel);
    time->setDecimalSeparator(QLatin1Char(','));
    time->setFormatString(QStringLiteral("%1.1f"));
    time->setMinValue(3.0);
    time->setMaxValue(25.0);
    time->setAlignment(taRightJustify);
    time->setValue(12.5);
    time->setGeometry(80, 8, 60, 24);
    auto *unit = new QLabel(QStringLiteral("s"), &panel);
    unit->move(146, 12);
    auto *days = new TIntEdit(&panel);
    days->setFormatString(QStringLiteral("%d Tage"));
    days->setValue(365);
    days->setGeometry(80, 38, 90, 24);
    days->setEnabled(false);
    auto *c1 = new TCheckDisp(QStringLiteral("automatisch"), &panel);
    c1->setChecked(true);
    c1->move(8, 70);
    auto *c2 = new TCheckDisp(QStringLiteral("mit Isol.-Pr."), &panel);
    c2->move(8, 94);
    for (qreal dpr : {1.0, 2.0})
        ASSERT_TRUE(Save(Grab(panel, dpr), QStringLiteral("edits@%1x").arg(dpr)));
}
