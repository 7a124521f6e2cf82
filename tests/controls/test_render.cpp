#include "controls/Digit.h"

#include "support/TestSupport.h"

#include <QDir>
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
    for (qreal dpr : {1.0, 2.0}) {
        const QImage img = Grab(panel, dpr);
        ASSERT_TRUE(Save(img, QStringLiteral("readouts@%1x").arg(dpr)));
    }
}
