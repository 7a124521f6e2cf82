#pragma once

// A dialog's place (and, where the user may change it, its size) in the
// settings file: read when it is built, written when it goes.

#include <QRect>
#include <QString>

class QWidget;

struct TPlacementKeys {
    QString section;
    QString prefix;      // keys prefix + "Left", "Top", "Width", "Height"
    bool width = false;  // the width is kept as well
    bool height = false; // the height is kept as well
};

// Nothing is read when iniFile is empty; a missing key keeps the current
// value. Without a stored place, or with one that no screen shows any more
// (a monitor unplugged since), or with 0,0 (what earlier versions wrote for
// dialogs never opened), the window is not moved: a dialog then opens
// centred over its parent, the main window.
void RestorePlacement(QWidget &window, const QString &iniFile, const TPlacementKeys &keys);
// Writes the keys in one go, but only for a window that was shown since
// RestorePlacement: a dialog never opened has no place of its own to keep.
void SavePlacement(const QWidget &window, const QString &iniFile, const TPlacementKeys &keys);

// Whether a window at this place can be grabbed by its title bar on one of
// the present screens.
bool PlacementOnScreen(const QRect &window);
