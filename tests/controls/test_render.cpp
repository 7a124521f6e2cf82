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

QString OutDir()
{
    const QString dir = gt_test::buildDir() + QStringLiteral("/controls-png");
    QDir().mkpath(dir);
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
    QImage plain = img;
    plain.setDevicePixelRatio(1.0);
    const QImage zoom = plain.scaled(plain.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return plain.save(OutDir() + QLatin1Char('/') + name + QStringLiteral(".png")) &&
           zoom.save(OutDir() + QLatin1Char('/') + name + QStringLiteral("-zoom.png"));
}

} // namespace

TEST(Render, DigitGlyphSheet)
{
    // Every glyph next to each other, at both ratios: the sheet to look at.
    for (qreal dpr : {1.0, 2.0}) {
        const int n = GlyphCount;
        QImage sheet(QSize(n * GlyphWidth, GlyphHeight) * dpr, QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(dpr);
        QPainter p(&sheet);
        for (int i = 0; i < n; ++i) {
            const QImage g = RenderGlyph(TGlyph(i), QColor(0xC0, 0xC0, 0x40), dpr);
            p.drawImage(QPointF(i * GlyphWidth, 0), g);
        }
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
    for (qreal dpr : {1.0, 2.0})
        ASSERT_TRUE(Save(Grab(panel, dpr), QStringLiteral("lamps@%1x").arg(dpr)));
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
