#include "app/common/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap canvas(int s = 32)
{
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon letters(const QString &text, const QColor &bg)
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(bg.darker(140));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(2, 4, 28, 24), 4, 4);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(text.size() > 2 ? 10 : 13);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(2, 4, 28, 24), Qt::AlignCenter, text);
    return QIcon(pm);
}

} // namespace

QIcon TPictures::PortIcon()
{
    // A nine-pin connector seen from the front.
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shell;
    shell.moveTo(3, 9);
    shell.lineTo(29, 9);
    shell.lineTo(25, 23);
    shell.lineTo(7, 23);
    shell.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(170, 180, 195));
    p.drawPath(shell);
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(8 + i * 4, 13.5), 1.4, 1.4);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(10 + i * 4, 18.5), 1.4, 1.4);
    return QIcon(pm);
}

QIcon TPictures::ConnectIcon()
{
    // Plug and socket; the "on" state shows them joined.
    QIcon icon;
    for (int state = 0; state < 2; ++state) {
        QPixmap pm = canvas();
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal gap = state ? 0 : 4;
        p.setPen(QPen(QColor(50, 50, 50), 2));
        p.drawLine(QPointF(2, 16), QPointF(9, 16));
        p.drawLine(QPointF(23, 16), QPointF(30, 16));
        p.setBrush(state ? QColor(60, 170, 60) : QColor(150, 150, 150));
        p.drawRect(QRectF(9, 10, 7 - gap / 2, 12));
        p.drawRect(QRectF(16 + gap / 2, 10, 7 - gap / 2, 12));
        p.drawLine(QPointF(12, 10), QPointF(12, 6));
        icon.addPixmap(pm, QIcon::Normal, state ? QIcon::On : QIcon::Off);
    }
    return icon;
}

QIcon TPictures::BarcodeIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.fillRect(QRect(3, 6, 26, 20), Qt::white);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(QRect(3, 6, 25, 19));
    static const int bars[] = {1, 2, 1, 1, 3, 1, 2, 1, 1, 2, 1, 3, 1};
    int x = 6;
    for (int i = 0; i < int(std::size(bars)) && x < 27; ++i) {
        if (i % 2 == 0) p.fillRect(QRect(x, 9, bars[i], 14), Qt::black);
        x += bars[i];
    }
    return QIcon(pm);
}

QIcon TPictures::LanguageIcon()
{
    return letters(QStringLiteral("DE"), QColor(60, 110, 180));
}

QIcon TPictures::ModeIcon()
{
    return letters(QStringLiteral("M"), QColor(190, 120, 30));
}

QIcon TPictures::SafetyIcon()
{
    // Yellow warning triangle with a lightning bolt.
    QPixmap pm = canvas(48);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tri;
    tri.moveTo(24, 3);
    tri.lineTo(45, 42);
    tri.lineTo(3, 42);
    tri.closeSubpath();
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 205, 0));
    p.drawPath(tri);
    QPainterPath bolt;
    bolt.moveTo(27, 14);
    bolt.lineTo(18, 29);
    bolt.lineTo(24, 29);
    bolt.lineTo(20, 39);
    bolt.lineTo(30, 25);
    bolt.lineTo(24, 25);
    bolt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(bolt);
    return QIcon(pm);
}

QPixmap TPictures::Logo(const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size.width(), 0);
    g.setColorAt(0, QColor(0, 70, 140));
    g.setColorAt(1, QColor(0, 120, 190));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(QPointF(0, 0), size), 5, 5);
    QFont f = p.font();
    f.setBold(true);
    f.setItalic(true);
    f.setPixelSize(size.height() * 5 / 10);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("VDE-Test"));
    return pm;
}

QPixmap TPictures::Splash(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(0, 80, 150));
    g.setColorAt(1, QColor(0, 40, 90));
    p.fillRect(pm.rect(), g);
    p.setPen(QPen(QColor(255, 205, 0), 3));
    p.drawRect(pm.rect().adjusted(1, 1, -2, -2));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(30);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 30, size.width(), 50), Qt::AlignCenter, QStringLiteral("Gerätetester"));
    f.setBold(false);
    f.setPixelSize(13);
    p.setFont(f);
    p.drawText(QRect(0, 85, size.width(), 40), Qt::AlignCenter,
               QStringLiteral("Prüfung elektrischer Geräte\nnach DIN VDE 0701, 0702 und 0751"));
    p.setPen(QColor(200, 210, 230));
    p.drawText(QRect(0, size.height() - 32, size.width(), 24), Qt::AlignCenter,
               QStringLiteral("Programm wird gestartet ..."));
    return pm;
}
