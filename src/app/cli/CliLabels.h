#pragma once

#include <QStringList>

// "geraetetester --labels FILE.pdf [--customer N] [--position P] [--due-within D]
// [--offset-x MM] [--offset-y MM] [--margin MM]": device labels, all devices
// or those of customer N, optionally only those due within D days, starting
// at label P; offset and safe margin override those of the INI file.
int RunLabelsCommand(const QStringList &args);
