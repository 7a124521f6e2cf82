#include "app/shell/MainStatusBar.h"

#include "controls/LEDPaint.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

// The longest text each panel shows in normal work: the panel is that wide
// from the start, so neither a text is cut nor do the panels jump around.
const std::array<QStringList, TMainStatusBar::PanelCount> &longestTexts()
{
    static const std::array<QStringList, TMainStatusBar::PanelCount> texts = {
        QStringList{QStringLiteral("Keine Verbindung"), QStringLiteral("COM9: nicht vorhanden")},
        QStringList{QStringLiteral("COM9")},
        QStringList{QStringLiteral("SerNo. 0000000000")},
        QStringList{QStringLiteral("PgmVers. 00.00.00")},
        QStringList{QStringLiteral("WW")},
        QStringList{QStringLiteral("00")},
        QStringList{QStringLiteral(" Datenbankverbindung ok."), QStringLiteral(" Keine Datenbank!")}};
    return texts;
}

} // namespace

TMainStatusBar::TMainStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    auto *box = new QWidget(this);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < PanelCount; ++i) {
        auto *l = new QLabel(box);
        l->setObjectName(QStringLiteral("Panel") + QString::number(i));
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        m_panels[size_t(i)] = l;
        fitPanel(i, QString());
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
        // Filled with the bar's own colour, a lamp is opaque: its blinking
        // repaints the lamp alone, not the status bar and panels under it.
        led->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    row->addWidget(SendLed);
    row->addWidget(ReceiveLed);
    addWidget(box, 1);
}

int TMainStatusBar::TextWidth(int i, const QString &text) const
{
    const QLabel *l = m_panels.at(size_t(i));
    // The frame and the label's margins on both sides, and a little air.
    return l->fontMetrics().horizontalAdvance(text) + 2 * (l->frameWidth() + l->margin()) + 6;
}

void TMainStatusBar::fitPanel(int i, const QString &text)
{
    static constexpr std::array<int, PanelCount> designWidths = {150, 50, 110, 120, 50, 50, 50};
    int width = designWidths[size_t(i)];
    for (const QString &t : longestTexts()[size_t(i)])
        width = qMax(width, TextWidth(i, t));
    // A rarer, longer text (a reason why the port cannot be opened) widens
    // its panel while it stands; the whole of it is in the tool tip as well.
    width = qMax(width, TextWidth(i, text));
    m_panels[size_t(i)]->setMinimumWidth(width);
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
    m_panels[size_t(i)]->setToolTip(text.trimmed());
    fitPanel(i, text);
}

void TMainStatusBar::setPanelToolTip(int i, const QString &text)
{
    if (i < 0 || i >= PanelCount) return;
    m_panels[size_t(i)]->setToolTip(text);
}
