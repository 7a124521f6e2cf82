#pragma once

#include <QStatusBar>
#include <QWidget>

#include <array>

class TLEDPaint;

class QLabel;

// The main window's status bar: seven panels, each at least as wide as its
// longest text, and the send/receive lamps.
class TMainStatusBar : public QStatusBar {
public:
    static constexpr int PanelCount = 7;
    explicit TMainStatusBar(QWidget *parent = nullptr);

    QString PanelText(int i) const;
    void setPanelText(int i, const QString &text);
    QLabel *Panel(int i) const { return m_panels.at(size_t(i)); }
    // After setPanelText, which shows the text itself as the tool tip.
    void setPanelToolTip(int i, const QString &text);
    // The width panel i needs to show text whole.
    int TextWidth(int i, const QString &text) const;

    TLEDPaint *SendLed = nullptr;    // send, arrow to the right
    TLEDPaint *ReceiveLed = nullptr; // receive, arrow to the left

private:
    void fitPanel(int i, const QString &text);

    std::array<QLabel *, PanelCount> m_panels{};
};
