#include "controls/Digit.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

TDigit::TDigit(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(GlyphWidth, GlyphHeight);
}

QSize TDigit::GlyphSize() const
{
    return QSize(qRound(GlyphWidth * m_scale), qRound(GlyphHeight * m_scale));
}

QSize TDigit::sizeHint() const
{
    return GlyphSize();
}

void TDigit::setAlign(TAlign a)
{
    if (a == m_align) return;
    if (parentWidget()) {
        if (m_align == alNone)
            parentWidget()->installEventFilter(this);
        else if (a == alNone)
            parentWidget()->removeEventFilter(this);
    }
    m_align = a;
    ApplyAlign();
    update();
}

void TDigit::ApplyAlign()
{
    QWidget *p = parentWidget();
    if (!p || m_align == alNone) return;
    const QRect r = p->contentsRect();
    switch (m_align) {
    case alTop:
        setGeometry(r.left(), r.top(), r.width(), height());
        break;
    case alBottom:
        setGeometry(r.left(), r.bottom() + 1 - height(), r.width(), height());
        break;
    case alLeft:
        setGeometry(r.left(), r.top(), width(), r.height());
        break;
    case alRight:
        setGeometry(r.right() + 1 - width(), r.top(), width(), r.height());
        break;
    case alClient:
        setGeometry(r);
        break;
    default:
        break;
    }
}

bool TDigit::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == parentWidget() && e->type() == QEvent::Resize) ApplyAlign();
    return QWidget::eventFilter(watched, e);
}

void TDigit::setAlignment(TAlignment a)
{
    if (a == m_alignment) return;
    m_alignment = a;
    update();
}

void TDigit::setAutoSize(bool on)
{
    if (on == m_autoSize) return;
    m_autoSize = on;
    ApplyAutoSize();
    update();
}

void TDigit::setColor(const QColor &c)
{
    if (c == m_color) return;
    m_color = c;
    update();
}

void TDigit::setNextDigit(TDigit *d)
{
    if (d == this) return;
    m_next = d;
}

void TDigit::setData(const QString &text)
{
    // A chain that loops back ends at the cell where the text started.
    if (m_passing) return;
    if (text != m_data) {
        m_data = text;
        update();
    }
    if (!m_next) return;
    m_passing = true;
    m_next->setData(text.left(std::max<qsizetype>(0, text.size() - 1)));
    m_passing = false;
}

void TDigit::setOffsetX(int x)
{
    if (x == m_offsetX) return;
    m_offsetX = x;
    update();
}

void TDigit::setOffsetY(int y)
{
    if (y == m_offsetY) return;
    m_offsetY = y;
    update();
}

void TDigit::setScale(qreal s)
{
    if (s <= 0 || qFuzzyCompare(s, m_scale)) return;
    m_scale = s;
    ApplyAutoSize();
    updateGeometry();
    update();
}

void TDigit::ApplyAutoSize()
{
    // A fixed size holds against layouts and resize calls alike.
    if (m_autoSize) {
        setFixedSize(GlyphSize());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void TDigit::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const int gw = GlyphSize().width();
    int x = 0;
    if (m_alignment == taRightJustify)
        x = r.right() + 1 - gw;
    else if (m_alignment == taCenter)
        x = (r.left() + r.right() + 1 - gw) / 2;
    p.fillRect(r, m_color);
    PaintGlyph(p, Glyph(), QPointF(x + m_offsetX, m_offsetY), m_scale, m_color);
}

TDigit *TDigit::CreateChain(QWidget *parent, int count, QPoint topLeft, qreal scale)
{
    TDigit *left = nullptr;
    for (int i = 0; i < count; ++i) {
        auto *d = new TDigit(parent);
        d->setScale(scale);
        d->resize(d->GlyphSize());
        d->move(topLeft + QPoint(i * d->width(), 0));
        d->setNextDigit(left);
        left = d;
    }
    return left;
}
