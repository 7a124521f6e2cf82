#include "app/shell/MainStatusBar.h"

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
    SendLed = new TLEDPaint(box);
    SendLed->setObjectName(QStringLiteral("LEDPaint1"));
    SendLed->setLEDType(ltUp);
    ReceiveLed = new TLEDPaint(box);
    ReceiveLed->setObjectName(QStringLiteral("LEDPaint2"));
    ReceiveLed->setLEDType(ltDown);
    for (TLEDPaint *led : {SendLed, ReceiveLed}) {
        led->setLEDColor(QColor(0, 0xFF, 0));
        led->setBackGround(Qt::black);
        led->setBevelOuter(bvNone);
        led->setBevelInner(bvNone);
        led->setBevelWidth(0);
        led->setFrameless(true);
        led->setFixedSize(8, 6);
    }
    row->addWidget(SendLed);
    row->addWidget(ReceiveLed);
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
