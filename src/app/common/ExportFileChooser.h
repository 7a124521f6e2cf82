#pragma once

#include <QString>

class QWidget;

// The file to export to: the fixed name when exportFile is 1 (and a name is
// set), else a save dialog titled "Exportdatei". Empty when the user cancels.
QString ChooseExportFile(int exportFile, const QString &exportFileName, QWidget *parent = nullptr);
