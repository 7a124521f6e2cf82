#pragma once

#include <QStringList>

// "geraetetester --pdf-archive DIR [--since dd.mm.yyyy]": a PDF protocol per
// stored test; files that exist stay as they are.
int RunPdfArchiveCommand(const QStringList &args);
