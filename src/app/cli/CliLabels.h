#pragma once

#include <QStringList>

// "geraetetester --labels FILE.pdf [--customer N] [--position P]": device
// labels, all devices or those of customer N, starting at label P.
int RunLabelsCommand(const QStringList &args);
