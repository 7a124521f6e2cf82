#pragma once

#include <QWidget>

// Borderless picture shown while the windows are being made.
class TSplashScreen : public QWidget {
public:
    explicit TSplashScreen(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *) override;
};
