#pragma once

// Section [Labels] of the INI file: where the label printer puts its ink
// (millimetres, a decimal point or comma).

#include "protocols/LabelPrintArea.h"

#include <QStringList>

class TIniFile;

// Missing keys give the default; a value that is no number or out of range
// gives the default too and a German sentence in `problems`.
TLabelPrintArea ReadLabelPrintArea(const TIniFile &ini, QStringList &problems);
void WriteLabelPrintArea(TIniFile &ini, const TLabelPrintArea &area);
