#pragma once

#include "barcode/BarcodeEncoder.h"

#include <QString>

// Element sequences as text, so expectations read like the published tables:
// N/W narrow/wide bar, n/w narrow/wide space, a digit = that many modules,
// Q = quiet zone.
inline QString Notation(const std::vector<TBarElement> &elements)
{
    QString s;
    for (const TBarElement &e : elements) {
        switch (e.width) {
        case TElemWidth::Narrow:
            s += e.bar ? 'N' : 'n';
            break;
        case TElemWidth::Wide:
            s += e.bar ? 'W' : 'w';
            break;
        case TElemWidth::Modules:
            s += QChar('0' + e.modules);
            break;
        case TElemWidth::LeadIn:
            s += 'Q';
            break;
        }
    }
    return s;
}

// One character per module, 1 = bar (EAN); quiet zones left out.
inline QString ModuleBits(const std::vector<TBarElement> &elements)
{
    QString s;
    for (const TBarElement &e : elements)
        if (e.width == TElemWidth::Modules) s += QString(e.modules, e.bar ? '1' : '0');
    return s;
}

inline QString Reversed(QString s)
{
    std::reverse(s.begin(), s.end());
    return s;
}
