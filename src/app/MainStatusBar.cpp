#include "app/MainStatusBar.h"

#include "controls/LEDPaint.h"

#include <QHBoxLayout>
#include <QLabel>

TMainStatusBar::TMainStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    static constexpr std::array<int, PanelCount> widths = {150, 50, 110, 120, 50, 50, 50};
    auto *box = new QWidget(this);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < PanelCount; ++i) {
        auto *l = new QLabel(box);
        l->setObjectName(QStringLiteral("Panel") + QString::number(i));
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        // The widths are the least; a longer text (a serial number in a wide
        // font) widens its panel rather than being cut off.
        l->setMinimumWidth(widths[size_t(i)]);
        m_panels[size_t(i)] = l;
        row->addWidget(l, i == PanelCount - 1 ? 1 : 0);
    }
    // Activity lamps as designed: small lime arrows on black, send up, receive down.
    LEDPaint1 = new TLEDPaint(box);
    LEDPaint1->setObjectName(QStringLiteral("LEDPaint1"));
    LEDPaint1->setLEDType(ltUp);
    LEDPaint2 = new TLEDPaint(box);
    LEDPaint2->setObjectName(QStringLiteral("LEDPaint2"));
    LEDPaint2->setLEDType(ltDown);
    for (TLEDPaint *led : {LEDPaint1, LEDPaint2}) {
        led->setLEDColor(QColor(0, 0xFF, 0));
        led->setBackGround(Qt::black);
        led->setBevelOuter(bvNone);
        led->setBevelInner(bvNone);
        led->setBevelWidth(0);
        led->setFrameless(true);
        led->setFixedSize(8, 6);
    }
    row->addWidget(LEDPaint1);
    row->addWidget(LEDPaint2);
    addWidget(box, 1);
}

QString TMainStatusBar::PanelText(int i) const
{
    if (i < 0 || i >= PanelCount) return QString();
    return m_panels[size_t(i)]->text();
}

void TMainStatusBar::setPanelText(int i, const QString &text)
{
    if (i < 0 || i >= PanelCount) return;
    m_panels[size_t(i)]->setText(text);
}
