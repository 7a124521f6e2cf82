#pragma once

#include <QStatusBar>
#include <QWidget>

#include <array>

class TLEDPaint;

class QLabel;

// The main window's status bar: seven fixed panels and the send/receive lamps.
class TMainStatusBar : public QStatusBar {
public:
    static constexpr int PanelCount = 7;
    explicit TMainStatusBar(QWidget *parent = nullptr);

    QString PanelText(int i) const;
    void setPanelText(int i, const QString &text);
    QLabel *Panel(int i) const { return m_panels.at(size_t(i)); }

    TLEDPaint *SendLed = nullptr;    // send, arrow to the right
    TLEDPaint *ReceiveLed = nullptr; // receive, arrow to the left

private:
    std::array<QLabel *, PanelCount> m_panels{};
};
