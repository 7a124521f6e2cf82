#include "app/shell/Splash.h"

#include "app/common/Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TSplashScreen::TSplashScreen(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashScreen"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(326, 182);
    if (const QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TSplashScreen::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, TPictures::Splash(size()));
}
