#include "app/panel/FrontPanel.h"

#include "controls/Digit.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// LCD look of the readouts, as on the tester.
const QColor kLcdColor(0xC0, 0xC0, 0x40); // the design's 0x40C0C0 (blue, green, red)
const QColor kLcdOffColor(0xA8, 0xAC, 0x90);

} // namespace

// ---- TRadioGroup ------------------------------------------------------------------

TRadioGroup::TRadioGroup(const QString &name, const QString &caption, const QStringList &items,
                         QWidget *parent)
    : QGroupBox(caption, parent), m_group(new QButtonGroup(this))
{
    setObjectName(name);
    auto *l = new QVBoxLayout(this);
    l->setContentsMargins(6, 2, 6, 4);
    l->setSpacing(1);
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items.at(i), this);
        b->setObjectName(name + QLatin1Char('_') + QString::number(i));
        m_group->addButton(b, i);
        m_buttons << b;
        l->addWidget(b);
    }
    l->addStretch(1);
    // idClicked comes from the user only, never from setChecked.
    connect(m_group, &QButtonGroup::idClicked, this, &TRadioGroup::click);
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (index == ItemIndex()) return;
    const QSignalBlocker block(m_group);
    if (index < 0 || index >= m_buttons.size()) {
        // An exclusive group cannot uncheck its last button.
        m_group->setExclusive(false);
        for (QRadioButton *b : m_buttons) {
            const QSignalBlocker bb(b);
            b->setChecked(false);
        }
        m_group->setExclusive(true);
        return;
    }
    const QSignalBlocker bb(m_buttons.at(index));
    m_buttons.at(index)->setChecked(true);
}

QString TRadioGroup::ItemText(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index)->text() : QString();
}

void TRadioGroup::setItemText(int index, const QString &text)
{
    if (index >= 0 && index < m_buttons.size() && m_buttons.at(index)->text() != text)
        m_buttons.at(index)->setText(text);
}

void TRadioGroup::Click(int index)
{
    if (QRadioButton *b = Button(index)) b->click();
}

// ---- TDigitDisplay ----------------------------------------------------------------

TDigitDisplay::TDigitDisplay(const QString &name, QWidget *parent, int cells) : QFrame(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    const int m = frameWidth() + 1;
    // At least the one cell that takes the text: none would leave m_digit null.
    const int count = qMax(1, cells);
    m_digit = TDigit::CreateChain(this, count, QPoint(m, m));
    for (TDigit *d = m_digit; d; d = d->nextDigit()) {
        d->setColor(kLcdColor);
        m_cells << d;
    }
    setFixedSize(count * m_digit->width() + 2 * m, m_digit->height() + 2 * m);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kLcdColor);
    setPalette(p);
    setText(NotMeasuredText());
}

void TDigitDisplay::setText(const QString &text)
{
    if (text == m_text) return;
    m_text = text;
    m_digit->setData(text);
    setAccessibleName(text);
}

void TDigitDisplay::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) {
        // A display that does not apply fades like the captions around it.
        const QColor c = isEnabled() ? kLcdColor : kLcdOffColor;
        for (TDigit *d : m_cells)
            d->setColor(c);
        QPalette p = palette();
        p.setColor(QPalette::Window, c);
        setPalette(p);
    }
    QFrame::changeEvent(e);
}

// ---- TIndicatorLabel --------------------------------------------------------------

TIndicatorLabel::TIndicatorLabel(const QString &name, const QString &text, const QString &onStyle,
                                 QWidget *parent)
    : QLabel(text, parent), m_onStyle(onStyle)
{
    setObjectName(name);
    setAlignment(Qt::AlignCenter);
    setMinimumSize(78, 22);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setOn(false);
}

void TIndicatorLabel::setOn(bool on)
{
    if (on == m_on) return;
    m_on = on;
    setStyleSheet(
        on ? m_onStyle
           : QStringLiteral("QLabel { background: #303030; color: #707070; border: 1px solid #181818; "
                            "border-radius: 3px; padding: 1px 6px; }"));
}
