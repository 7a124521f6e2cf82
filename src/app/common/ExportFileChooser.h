#pragma once

#include <QString>

class QWidget;

// The file to export to: the fixed name when exportFile is 1 (and a name is
// set), else the prompt's export question. Empty when the user cancels.
QString ChooseExportFile(int exportFile, const QString &exportFileName, QWidget *parent = nullptr);

// The save dialog behind that question, titled "Exportdatei".
QString AskExportFileName(QWidget *parent, const QString &exportFileName);
