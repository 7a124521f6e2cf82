#include "app/common/WindowPlacement.h"

#include "core/IniFile.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

const char *const kShownProperty = "gtPlacementShown";
const char *const kWatchedProperty = "gtPlacementWatched";

// Marks the window once it has been shown.
class TShownMark : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::Show) watched->setProperty(kShownProperty, true);
        return false;
    }
};

} // namespace

bool PlacementOnScreen(const QRect &window)
{
    // The title bar: enough of it on one screen to take hold of it.
    const int bar = 24;
    const QRect title(window.topLeft(), QSize(qMax(1, window.width()), bar));
    const int needWidth = qMin(title.width(), 80);
    for (const QScreen *s : QGuiApplication::screens()) {
        const QRect part = title.intersected(s->availableGeometry());
        if (part.width() >= needWidth && part.height() >= bar / 2) return true;
    }
    return false;
}

void RestorePlacement(QWidget &window, const QString &iniFile, const TPlacementKeys &keys)
{
    if (!window.property(kWatchedProperty).toBool()) {
        window.setProperty(kWatchedProperty, true);
        window.installEventFilter(new TShownMark(&window));
    }
    if (iniFile.isEmpty()) return;
    const TIniFile ini(iniFile);
    auto key = [&](const char *name) { return keys.prefix + QLatin1String(name); };
    auto read = [&](const char *name, int current) {
        return ini.ReadInteger(keys.section, key(name), current);
    };
    if (keys.width || keys.height)
        window.resize(keys.width ? read("Width", window.width()) : window.width(),
                      keys.height ? read("Height", window.height()) : window.height());
    // Moving marks the place as chosen, and a dialog so moved is no longer centred by Qt.
    if (!ini.ValueExists(keys.section, key("Left")) && !ini.ValueExists(keys.section, key("Top"))) return;
    const QPoint at(read("Left", window.x()), read("Top", window.y()));
    // 0,0 is what earlier versions wrote for every dialog never opened.
    if (at.isNull()) return;
    if (PlacementOnScreen(QRect(at, window.size()))) window.move(at);
}

void SavePlacement(const QWidget &window, const QString &iniFile, const TPlacementKeys &keys)
{
    if (iniFile.isEmpty() || !window.property(kShownProperty).toBool()) return;
    TIniFile ini(iniFile);
    ini.setAutoFlush(false);
    auto write = [&](const char *name, int value) {
        ini.WriteInteger(keys.section, keys.prefix + QLatin1String(name), value);
    };
    write("Left", window.x());
    write("Top", window.y());
    if (keys.width) write("Width", window.width());
    if (keys.height) write("Height", window.height());
    ini.flush();
}
