#pragma once

// The tester's front panel in the main window: settings, limit displays with
// their bars, the seven measured values, indicators and the step box. The
// widget mirrors TPanelState; every control is set with its signals blocked,
// and only the user's own clicks, choices and edits reach the state's
// User... calls, so a report from the tester never writes anything back.

#include "app/panel/FrontPanelParts.h"
#include "tester/PanelState.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>

#include <array>
#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLayout;
class QRadioButton;
class QSlider;
class QVBoxLayout;
class TDigit;
class TFloatEdit;
class TMessmodusDlg;
class TNetzspgWarnWin;
class TSichtpruefungWin;
class TSpeicherungWin;
class TSprachEinstDlg;
class TTestControl;

// A titled group of radio buttons with an item index, -1 for none.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString &name, const QString &caption, const QStringList &items,
                QWidget *parent = nullptr);

    int ItemIndex() const;
    // Sets the choice without raising click; -1 clears it.
    void setItemIndex(int index);
    QString ItemText(int index) const;
    void setItemText(int index, const QString &text);
    int Count() const { return int(m_buttons.size()); }
    QRadioButton *Button(int index) const { return m_buttons.value(index); }
    // Clicks item `index` as the user would.
    void Click(int index);

signals:
    // Only the user's clicks.
    void click(int index);

private:
    QButtonGroup *m_group;
    QList<QRadioButton *> m_buttons;
};

// Five seven-segment cells showing one value.
class TDigitDisplay : public QFrame {
public:
    explicit TDigitDisplay(const QString &name, QWidget *parent = nullptr, int cells = 5);
    void setText(const QString &text);
    QString Text() const { return m_text; }
    TDigit *Digit() const { return m_digit; } // the rightmost cell, which takes the text

protected:
    void changeEvent(QEvent *e) override;

private:
    TDigit *m_digit;
    QList<TDigit *> m_cells;
    QString m_text;
};

// One status indicator: dark when off, coloured when on.
class TIndicatorLabel : public QLabel {
public:
    TIndicatorLabel(const QString &name, const QString &text, const QString &onStyle,
                    QWidget *parent = nullptr);
    bool On() const { return m_on; }
    void setOn(bool on);

private:
    QString m_onStyle;
    bool m_on = true;
};

class TFrontPanel : public QWidget {
    Q_OBJECT

public:
    explicit TFrontPanel(QWidget *parent = nullptr);
    ~TFrontPanel() override;

    TPanelState &State() { return *m_state; }
    // Copies the view of the state into the controls (signals blocked).
    void Sync();

    // Members say their role; each widget's objectName is its design name
    // (RadioGroup1 …, Label30), by which tests and the layout find it.
    // "Gerätetestereinstellung"
    TRadioGroup *DinVdeGroup, *IsolationGroup, *SequenceGroup, *LimitsGroup, *TouchCurrentGroup;
    QComboBox *ClassCombo, *VisualCheckCombo;
    QCheckBox *ControlBarcodeCheck, *SettingsLockCheck;
    TFloatEdit *MeasuringTimeEdit;
    QLabel *StoredCountValue, *FreeBytesValue;
    QLabel *GespeichertLabel, *FreieBytesLabel, *SichtprLabel, *MesszeitLabel, *MesszeitUnit;
    // "Grenzwertanzeige / Einstellung"
    QSlider *ProtectiveEarthLimitBar, *InsulationLimitBar, *LeakageLimitBar;
    std::array<QSlider *, LimitBarCount> TrackBars{};
    std::array<QLabel *, LimitBarCount> LimitCaption{}, LimitUnit{};
    std::array<TDigitDisplay *, LimitBarCount> LimitDisplay{};
    // "Messwerte"
    std::array<QLabel *, ValueDisplayCount> ValueCaption{}, ValueUnit{}, ValueRed{};
    std::array<TDigitDisplay *, ValueDisplayCount> ValueDisplay{};
    std::array<TIndicatorLabel *, IndicatorCount> Indicator{};
    QLabel *StepBox;            // step box: caption = step, tool tip = phase
    QLabel *PhaseLabel;         // the phase text under the step box
    QLabel *MainsOnSocketLabel; // mains on the test socket
    QWidget *TestButtonArea;    // the test control puts its buttons here

    TNetzspgWarnWin *NetzspgWarnWin;
    TSichtpruefungWin *SichtpruefungWin;
    TSpeicherungWin *SpeicherungWin;

private:
    QWidget *buildSettings();
    QLayout *buildClassColumn(QWidget *g);
    QLayout *buildMemoryColumn(QWidget *g);
    QWidget *buildLimits();
    QWidget *buildValues();
    void buildValueRows(QWidget *g, QGridLayout *l);
    QLayout *buildIndicators(QWidget *g);
    void wireUser();
    void syncControls();
    void syncWindows();
    bool controlsShow(const TPanelView &v) const;

    std::unique_ptr<TPanelState> m_state;
    std::optional<TPanelView> m_synced; // the view the controls were last set from
};
