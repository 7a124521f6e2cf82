// The barcode fields of the reports: device barcodes on the protocol forms,
// the codes of the barcode sheets and of the labels.

#include "barcode/Barcd4.h"
#include "barcode/DeviceBarcode.h"
#include "protocols/Report.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// A device barcode too long for its field at the design module is set with
// thinner modules down to this share of it; below that scanners give up.
constexpr double kMinModuleShare = 0.6;

} // namespace

bool TReportCanvas::Barcode(double x, double y, double width, double height, TBarCodeType type,
                            const QString &text, double narrow, double barHeight)
{
    const QPointF at = dev(x, y);
    const QRect field(QPoint(qRound(at.x()), qRound(at.y())),
                      QSize(qRound(width * m_scale), qRound(height * m_scale)));
    m_p.fillRect(field, Qt::white);
    if (text.isEmpty()) return true;

    // Whole device pixels per module keep every bar of one width equally
    // wide, and the wide module is three narrow ones as on the design grid.
    // Rounding the module up would widen the symbol past the field's edge
    // and cut its stop pattern: then the module is the widest that fits.
    const int modules = SymbolModules(type, text);
    if (modules <= 0) return false;
    const int wanted = std::max(1, static_cast<int>(std::lround(narrow * m_scale)));
    const int n = std::min(wanted, field.width() / modules);
    if (n < 1) return false;
    TPrintBarcode bc;
    bc.setBarCodeType(type);
    bc.setLeadInWidth(0);
    bc.setModuleAuto(false);
    bc.setModuleNarrow(n);
    bc.setModuleWide(3 * n);
    bc.resize(field.width(), qRound((barHeight > 0 ? barHeight : height) * m_scale));
    bc.setText(text);
    m_p.save();
    m_p.setClipRect(field);
    bc.DrawTo(m_p, field.topLeft());
    m_p.restore();
    return true;
}

void TReportCanvas::DeviceBarcode(double x, double y, double width, double height, const QString &text)
{
    const TDeviceSymbology symbology = DeviceSymbology(text);
    if (text.isEmpty() || !symbology.drawable) {
        Barcode(x, y, width, height, Code128, QString());
        if (!text.isEmpty())
            Label(x, y + (height - 11) / 2, QStringLiteral("(kein Strichcode möglich)"), Small);
        return;
    }
    const int modules = SymbolModules(symbology.type, text);
    const double narrow = std::min(1.0, width / std::max(1, modules));
    if (narrow < kMinModuleShare || !Barcode(x, y, width, height, symbology.type, text, narrow)) {
        Barcode(x, y, width, height, Code128, QString());
        Label(x, y + (height - 11) / 2, QStringLiteral("(zu lang für einen Strichcode)"), Small);
    }
}
