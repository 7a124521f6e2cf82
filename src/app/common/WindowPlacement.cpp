#include "app/common/WindowPlacement.h"

#include "core/IniFile.h"

#include <QWidget>

void RestorePlacement(QWidget &window, const QString &iniFile, const TPlacementKeys &keys)
{
    if (iniFile.isEmpty()) return;
    const TIniFile ini(iniFile);
    auto read = [&](const char *name, int current) {
        return ini.ReadInteger(keys.section, keys.prefix + QLatin1String(name), current);
    };
    window.move(read("Left", window.x()), read("Top", window.y()));
    if (keys.width || keys.height)
        window.resize(keys.width ? read("Width", window.width()) : window.width(),
                      keys.height ? read("Height", window.height()) : window.height());
}

void SavePlacement(const QWidget &window, const QString &iniFile, const TPlacementKeys &keys)
{
    if (iniFile.isEmpty()) return;
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
