#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn in code so no image files need shipping.
class TPictures {
public:
    static QIcon PortIcon();
    static QIcon ConnectIcon();
    static QIcon BarcodeIcon();
    static QIcon LanguageIcon();
    static QIcon ModeIcon();
    static QIcon SafetyIcon();
    static QPixmap Logo(const QSize &size);
    static QPixmap Splash(const QSize &size);
};
