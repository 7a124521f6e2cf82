#pragma once

// A dialog's place (and, where the user may change it, its size) in the
// settings file: read when it is built, written when it goes.

#include <QString>

class QWidget;

struct TPlacementKeys {
    QString section;
    QString prefix;      // keys prefix + "Left", "Top", "Width", "Height"
    bool width = false;  // the width is kept as well
    bool height = false; // the height is kept as well
};

// Nothing happens when iniFile is empty; a missing key keeps the current value.
void RestorePlacement(QWidget &window, const QString &iniFile, const TPlacementKeys &keys);
// Writes the keys in one go.
void SavePlacement(const QWidget &window, const QString &iniFile, const TPlacementKeys &keys);
