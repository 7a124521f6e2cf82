#include "controls/LEDPaint.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>
#include <utility>

namespace {

// Edges as integers, right and bottom exclusive: the lamp's geometry is
// specified in whole pixels so it stays crisp at any scaling.
struct PixRect {
    int l, t, r, b;
    void Shrink(int n)
    {
        l += n;
        t += n;
        r -= n;
        b -= n;
    }
    bool Empty() const { return r <= l || b <= t; }
    QRectF F() const { return QRectF(l, t, r - l, b - t); }
};

// A 3-D frame `width` pixels wide on r, which shrinks by that width.
void Frame3D(QPainter &p, PixRect &r, const QColor &topLeft, const QColor &bottomRight, int width)
{
    for (int i = 0; i < width && !r.Empty(); ++i) {
        p.fillRect(QRect(r.l, r.t, r.r - r.l, 1), topLeft);
        p.fillRect(QRect(r.l, r.t, 1, r.b - r.t), topLeft);
        p.fillRect(QRect(r.l, r.b - 1, r.r - r.l, 1), bottomRight);
        p.fillRect(QRect(r.r - 1, r.t, 1, r.b - r.t), bottomRight);
        r.Shrink(1);
    }
}

// Angle in degrees (counter-clockwise, screen y down) of a point seen from the centre of e.
qreal AngleOf(const QRectF &e, QPointF pt)
{
    const QPointF c = e.center();
    return std::atan2(-(pt.y() - c.y()), pt.x() - c.x()) * 180.0 / M_PI;
}

void Arc(QPainter &p, const QRectF &e, QPointF from, QPointF to, const QColor &color, int width)
{
    const qreal a0 = AngleOf(e, from);
    qreal span = AngleOf(e, to) - a0;
    while (span <= 0)
        span += 360;
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // The pen straddles the ellipse outline as a GDI pen does.
    p.drawArc(e.adjusted(0.5, 0.5, -0.5, -0.5), qRound(a0 * 16), qRound(span * 16));
}

} // namespace

TLEDPaint::TLEDPaint(QWidget *parent) : QWidget(parent)
{
    m_background = palette().color(QPalette::Button);
    setGeometry(0, 0, 17, 17);
}

void TLEDPaint::UpdateTotalBevel()
{
    m_totalBevel = (m_bevelOuter != bvNone ? m_bevelWidth : 0) + (m_bevelInner != bvNone ? m_bevelWidth : 0);
}

#define GT_LED_SETTER(Name, Type, member)                                                                    \
    void TLEDPaint::set##Name(Type v)                                                                        \
    {                                                                                                        \
        if (v == (member)) return;                                                                           \
        (member) = v;                                                                                        \
        Invalidate();                                                                                        \
        update();                                                                                            \
    }

GT_LED_SETTER(BackGround, const QColor &, m_background)
GT_LED_SETTER(LEDColor, const QColor &, m_ledColor)
GT_LED_SETTER(LEDOffColor, const QColor &, m_ledOffColor)
GT_LED_SETTER(LEDType, TLEDType, m_ledType)
GT_LED_SETTER(LEDFrameColor, const QColor &, m_frameColor)
GT_LED_SETTER(LEDFrameWidth, int, m_frameWidth)
GT_LED_SETTER(Frameless, bool, m_frameless)
#undef GT_LED_SETTER

// On and off are both kept as copies: a blink draws nothing anew.
void TLEDPaint::setLEDOn(bool v)
{
    if (v == m_ledOn) return;
    m_ledOn = v;
    update();
}

void TLEDPaint::setBevelOuter(TBevelCut b)
{
    if (b == m_bevelOuter) return;
    m_bevelOuter = b;
    UpdateTotalBevel();
    Invalidate();
    update();
}

void TLEDPaint::setBevelInner(TBevelCut b)
{
    if (b == m_bevelInner) return;
    m_bevelInner = b;
    UpdateTotalBevel();
    Invalidate();
    update();
}

void TLEDPaint::setBevelWidth(quint8 w)
{
    if (w == m_bevelWidth) return;
    m_bevelWidth = w;
    UpdateTotalBevel();
    Invalidate();
    update();
}

void TLEDPaint::setMaske(int m)
{
    if (m == m_maske) return;
    m_maske = m;
    DataChange();
}

void TLEDPaint::setDataField(const QString &f)
{
    if (f == m_dataField) return;
    m_dataField = f;
    DataChange();
}

void TLEDPaint::setDataSource(TDataSource *s)
{
    if (s == m_dataSource) return;
    if (m_dataConn) disconnect(m_dataConn);
    m_dataSource = s;
    if (s) m_dataConn = connect(s, &TDataSource::DataChange, this, [this] { DataChange(); });
    DataChange();
}

void TLEDPaint::DataChange()
{
    if (const auto state = EvaluateFieldState(m_dataSource, m_dataField, m_maske)) setLEDOn(*state);
}

QColor TLEDPaint::LampColor() const
{
    return m_ledOn && isEnabled() ? m_ledColor : m_ledOffColor;
}

void TLEDPaint::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::PaletteChange) Invalidate();
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::PaletteChange) update();
}

void TLEDPaint::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    Invalidate();
}

bool TLEDPaint::Cacheable() const
{
    return !m_frameless || testAttribute(Qt::WA_OpaquePaintEvent);
}

void TLEDPaint::Invalidate()
{
    for (CachedLook &c : m_cache)
        c.pixmap = QPixmap();
}

void TLEDPaint::mouseReleaseEvent(QMouseEvent *e)
{
    QWidget::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit click(this);
}

void TLEDPaint::mouseDoubleClickEvent(QMouseEvent *e)
{
    QWidget::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton) emit dblClick(this);
}

namespace {

// A round lamp with its outline and the glint that makes it look like a dome.
void paintRoundLamp(QPainter &p, const PixRect &r, QPen pen, bool lit, int frameWidth, int widgetWidth)
{
    if (frameWidth == 0) pen = QPen(lit ? QColor(0x80, 0x80, 0x80) : QColor(0xC0, 0xC0, 0xC0), 1);
    p.setPen(pen);
    const qreal pw = pen.widthF();
    p.drawEllipse(r.F().adjusted(pw / 2, pw / 2, -pw / 2, -pw / 2));
    // The glint in the upper left.
    const int k = widgetWidth / 6;
    // NOLINTNEXTLINE(bugprone-integer-division): whole pixels on purpose
    const QPointF from(r.r / 2 - k, r.t), to(r.l, r.b / 2 - k);
    PixRect e1 = r;
    e1.Shrink(k);
    if (!e1.Empty()) Arc(p, e1.F(), from, to, QColor(0xC0, 0xC0, 0xC0), k / 3 + 2);
    PixRect e2 = r;
    e2.Shrink(k + 1);
    if (!e2.Empty()) Arc(p, e2.F(), from, to, Qt::white, k / 3 + 1);
}

// A triangle pointing the lamp's way.
void paintArrowLamp(QPainter &p, const PixRect &r, const QPen &pen, TLEDType type)
{
    // Corners sit on pixel centres; the shrink before left room for the outline.
    const int midY = (r.t + r.b) / 2, midX = (r.l + r.r) / 2;
    const int L = r.l, T = r.t, R = r.r, B = r.b;
    QPolygon poly;
    switch (type) {
    case ltRight:
        poly << QPoint(L, T) << QPoint(R, midY) << QPoint(L, B);
        break;
    case ltLeft:
        poly << QPoint(R, T) << QPoint(L, midY) << QPoint(R, B);
        break;
    case ltUp:
        poly << QPoint(L, B) << QPoint(midX, T) << QPoint(R, B);
        break;
    default:
        poly << QPoint(L, T) << QPoint(midX, B) << QPoint(R, T);
        break;
    }
    p.setPen(pen);
    p.drawPolygon(QPolygonF(poly).translated(0.5, 0.5));
}

} // namespace

void TLEDPaint::paintEvent(QPaintEvent *)
{
    if (!Cacheable()) {
        QPainter p(this);
        paintLamp(p);
        return;
    }
    QPainter p(this);
    // The device drawn on now: a grab or print may be finer than the screen.
    const QPaintDevice *device = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    const qreal dpr = device ? device->devicePixelRatioF() : devicePixelRatioF();
    const QColor lamp = LampColor();
    const bool lit = m_ledOn && isEnabled();
    CachedLook *hit = nullptr;
    for (CachedLook &c : m_cache)
        if (!c.pixmap.isNull() && c.lit == lit && c.lamp == lamp && c.pixmap.devicePixelRatio() == dpr)
            hit = &c;
    if (!hit) {
        // The look drawn before stays as the second: a blinking lamp has two.
        m_cache[1] = std::move(m_cache[0]);
        hit = &m_cache[0];
        hit->pixmap = QPixmap(size() * dpr);
        hit->pixmap.setDevicePixelRatio(dpr);
        hit->pixmap.fill(Qt::transparent);
        hit->lamp = lamp;
        hit->lit = lit;
        QPainter pp(&hit->pixmap);
        paintLamp(pp);
    }
    p.drawPixmap(0, 0, hit->pixmap);
}

void TLEDPaint::paintLamp(QPainter &p)
{
    PixRect r{0, 0, width(), height()};
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);

    if (m_frameless) {
        // An opaque lamp lays its parent's background itself, in this one
        // painter: it blinks often, and Qt's own fill would take a second one.
        if (testAttribute(Qt::WA_OpaquePaintEvent)) p.fillRect(rect(), palette().brush(backgroundRole()));
        r.Shrink(m_totalBevel);
    } else {
        auto bevel = [&](TBevelCut cut) {
            if (cut == bvRaised)
                Frame3D(p, r, highlight, shadow, m_bevelWidth);
            else if (cut == bvLowered)
                Frame3D(p, r, shadow, highlight, m_bevelWidth);
            else if (cut == bvSpace)
                r.Shrink(m_bevelWidth);
        };
        bevel(m_bevelOuter);
        bevel(m_bevelInner);
        if (!r.Empty()) p.fillRect(r.F(), m_background);
    }
    if (r.Empty()) return;

    const QColor lamp = LampColor();
    const bool lit = m_ledOn && isEnabled();
    QPen pen(lamp, 1);
    pen.setJoinStyle(Qt::MiterJoin);

    const bool outlined = m_ledType != ltRect && (m_ledType != ltRound || m_frameWidth != 0);
    if (outlined) {
        if (m_frameWidth != 0) {
            pen = QPen(m_frameColor, m_frameWidth);
            pen.setJoinStyle(Qt::MiterJoin);
            r.Shrink((m_frameWidth + 1) / 2);
        } else {
            r.Shrink(1);
        }
    }
    if (r.Empty()) return;

    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(lamp);
    switch (m_ledType) {
    case ltRound:
        paintRoundLamp(p, r, pen, lit, m_frameWidth, width());
        break;
    case ltRect: {
        p.setRenderHint(QPainter::Antialiasing, false);
        const TBevelCut cut =
            m_bevelInner == bvNone ? (m_bevelOuter == bvLowered ? bvLowered : bvRaised) : m_bevelInner;
        if (cut == bvLowered)
            Frame3D(p, r, Qt::white, Qt::black, 1);
        else if (cut == bvRaised)
            Frame3D(p, r, Qt::black, Qt::white, 1);
        if (!r.Empty()) p.fillRect(r.F(), lamp);
        break;
    }
    default:
        paintArrowLamp(p, r, pen, m_ledType);
        break;
    }
}
