#include "barcode/Barcd4.h"

#include "barcode/BarcodeRender.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>

namespace {

// No symbol needs more; it keeps every pixel sum far from overflowing.
constexpr int MaxModulePixels = 100000;

} // namespace

int RoundModule(double value)
{
    if (!std::isfinite(value) || value < 1.0) return 1;
    if (value > MaxModulePixels) return MaxModulePixels;
    // nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; do not depend on that.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(saved);
    return std::max(1, static_cast<int>(r));
}

TPrintBarcode::TPrintBarcode(QWidget *parent) : QWidget(parent)
{
    resize(100, 32);
}

TPrintBarcode::~TPrintBarcode() = default;

void TPrintBarcode::Changed()
{
    update();
}

void TPrintBarcode::setText(const QString &value)
{
    const QString v = value.left(MaxTextLength);
    if (v == m_text) return;
    m_text = v;
    Changed();
}

void TPrintBarcode::setBarCodeType(TBarCodeType value)
{
    if (value == m_type) return;
    m_type = value;
    Changed();
}

void TPrintBarcode::setBarColor(const QColor &value)
{
    if (value == m_barColor) return;
    m_barColor = value;
    Changed();
}

void TPrintBarcode::setColor(const QColor &value)
{
    if (value == m_color) return;
    m_color = value;
    Changed();
}

void TPrintBarcode::setDirection(TBDDirection value)
{
    if (value == m_direction) return;
    // Keep the bar length when the symbol turns between the axes.
    if (m_autoSize && IsHorizontal(m_direction) != IsHorizontal(value)) {
        if (IsHorizontal(m_direction))
            setWidth(height());
        else
            setHeight(width());
    }
    m_direction = value;
    Changed();
}

void TPrintBarcode::setModuleNarrow(int value)
{
    if (value <= 0) return;
    value = std::min(value, MaxModulePixels);
    const int wide = m_moduleAuto ? RoundModule(value * m_factor) : m_wide;
    if (value == m_narrow && wide == m_wide) return;
    m_narrow = value;
    m_wide = wide;
    Changed();
}

void TPrintBarcode::setModuleWide(int value)
{
    if (value <= 0) return;
    value = std::min(value, MaxModulePixels);
    const int narrow = m_moduleAuto ? RoundModule(value / m_factor) : m_narrow;
    if (value == m_wide && narrow == m_narrow) return;
    m_wide = value;
    m_narrow = narrow;
    Changed();
}

void TPrintBarcode::setModuleAuto(bool value)
{
    if (value == m_moduleAuto) return;
    m_moduleAuto = value;
    if (value) m_wide = RoundModule(m_narrow * m_factor);
    Changed();
}

void TPrintBarcode::setModuleFactor(double value)
{
    // A factor that is no number or not positive cannot give a wide width.
    if (!std::isfinite(value) || value <= 0.0 || value == m_factor) return;
    m_factor = value;
    if (m_moduleAuto) m_wide = RoundModule(m_factor * m_narrow);
    Changed();
}

void TPrintBarcode::setAutoSize(bool value)
{
    if (value == m_autoSize) return;
    m_autoSize = value;
    Changed();
}

void TPrintBarcode::setBearerBars(bool value)
{
    if (value == m_bearerBars) return;
    m_bearerBars = value;
    Changed();
}

void TPrintBarcode::setBearerBarsWidth(int value)
{
    if (value == m_bearerWidth) return;
    m_bearerWidth = value;
    if (m_bearerBars) Changed();
}

void TPrintBarcode::setLeadInWidth(int value)
{
    value = std::clamp(value, 0, MaxModulePixels);
    if (value == m_leadIn) return;
    m_leadIn = value;
    Changed();
}

void TPrintBarcode::setHumanReadable(bool value)
{
    if (value == m_humanReadable) return;
    m_humanReadable = value;
    Changed();
}

void TPrintBarcode::setDataField(const QString &value)
{
    if (value == m_dataField) return;
    m_dataField = value;
    DataChange();
}

void TPrintBarcode::setDataSource(TBarcodeFieldSource value)
{
    m_dataSource = std::move(value);
    DataChange();
}

void TPrintBarcode::DataChange()
{
    if (m_dataField.isEmpty() || !m_dataSource) return;
    QString v = m_dataSource(m_dataField).toString();
    // Number fields lose their leading zeros; put them back. An empty field
    // stays empty rather than becoming a scannable all-zero number.
    if (!v.isEmpty()) {
        const int minLength = (m_type == EAN13 || m_type == ITF14) ? 12 : m_type == EAN8 ? 7 : 0;
        if (v.size() < minLength) v = QString(minLength - v.size(), QLatin1Char('0')) + v;
    }
    setText(v);
}

TBarcodeLook TPrintBarcode::Look() const
{
    TBarcodeLook look;
    look.barColor = m_barColor;
    look.color = m_color;
    look.direction = m_direction;
    look.narrow = m_narrow;
    look.wide = m_wide;
    look.leadIn = m_leadIn;
    look.size = size();
    look.autoSize = m_autoSize;
    look.bearerBars = m_bearerBars;
    look.bearerBarsWidth = m_bearerWidth;
    look.humanReadable = m_humanReadable;
    return look;
}

TBarSymbol TPrintBarcode::Symbol() const
{
    return EncodeBarcode(m_type, m_text, IsReversed(m_direction));
}

int TPrintBarcode::SymbolLength() const
{
    return static_cast<int>(std::min<long long>(::SymbolLength(Symbol(), Look()), INT_MAX / 4));
}

void TPrintBarcode::DrawTo(QPainter &canvas, const QPoint &origin)
{
    const QSize after = DrawBarSymbol(canvas, origin, Symbol(), Look());
    if (after != size()) resize(after);
}

void TPrintBarcode::Paint(QPainter &canvas)
{
    canvas.fillRect(rect(), m_color);
    DrawTo(canvas, QPoint(0, 0));
}

void TPrintBarcode::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    Paint(p);
}
