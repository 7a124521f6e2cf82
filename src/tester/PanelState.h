#pragma once

// The live tester state behind the front panel: the decoders of the autosend
// reports, the rules that decide what is shown and enabled, and the user's
// changes turned into writes. No widgets: the panel widget only mirrors
// TPanelView, and it sets its controls with their signals blocked, so a
// report never turns into a write back to the tester.

#include "bus/Protok.h"
#include "store/Globals.h"
#include "tester/Limits.h"
#include "tester/PollingGate.h"
#include "tester/SettingDelay.h"
#include "tester/SettingsBlock.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class TTesterCommands;

// The three limit displays and bars, in the order the rules treat them.
enum TLimitBar : int { lbSchutzleiter = 0, lbIsolation = 1, lbDritter = 2 };
constexpr int LimitBarCount = 3;
// Measured-value displays: index k-1 for measurement step k.
constexpr int ValueDisplayCount = 7;
enum TIndicator : int { inUmschalt = 0, inAbbruch = 1, inGrenzwert = 2, inNotAus = 3 };
constexpr int IndicatorCount = 4;

QString NotMeasuredText(); // " --- "

// Everything the panel shows, as plain values. -1 for a choice means that no
// item is selected (the state before the first report).
struct TPanelView {
    // "Gerätetestereinstellung"
    int DinVde = -1;              // RadioGroup1: 0701, 0702, 0751
    int Messablauf = -1;          // RadioGroup3: einzeln, automatisch
    int IsolMode = -1;            // RadioGroup2: ohne, mit, Isol. und Diff. / Diffstr.-Mess.
    int Beruehr = -1;             // RadioGroup5: ohne, mit
    int Grenzwerte = -1;          // RadioGroup4: Standard, manuell
    int KlasseIndex = -1;         // ComboBox1: I, II, III
    int Sichtpr = -1;             // ComboBox2: "----", "nein", "ja"
    bool Steuerbarcode = false;   // CheckBox1
    bool Einstellsperre = false;  // CheckBox2
    double Messzeit = 3.0;        // FloatEdit1, seconds
    QString IsolItem3;            // third item of RadioGroup2
    QString Gespeichert;          // Label26
    QString FreieBytes;           // Label28
    bool SettingsEnabled = false; // EnablePanel / ResetPanel
    bool SichtprEnabled = false;  // ComboBox2 and its label
    bool BeruehrAllowed = true;   // the report's rule for RadioGroup5

    // "Grenzwertanzeige / Einstellung"
    QString ThirdLimitCaption;
    int Bar1Max = 7;  // ten positions from the first version request on
    int Bar3Max = 17; // 3 in 0751 differential mode
    std::array<int, LimitBarCount> BarPos{2, 0, 0};
    std::array<QString, LimitBarCount> LimitText;
    std::array<bool, LimitBarCount> LimitCaptionEnabled{};

    // "Messwerte"
    std::array<QString, ValueDisplayCount> ValueText;
    std::array<bool, ValueDisplayCount> ValueCaptionEnabled{};
    std::array<bool, ValueDisplayCount> RedVisible{};
    bool MainsLabelVisible = false; // Label21
    std::array<bool, IndicatorCount> Indicators{};
    QString StepCaption; // Label30
    QString StepHint;

    // The three stay-on-top windows.
    bool NetzWarnVisible = false;
    bool SichtWinVisible = false;
    bool SpeicherWinVisible = false;
    QString SichtWinAnswer; // "nein" or "ja"

    int EnableMask = 0;

    bool RadioGroup5Enabled() const { return SettingsEnabled && BeruehrAllowed; }
    bool BarEnabled(int bar) const
    {
        return SettingsEnabled && LimitCaptionEnabled[size_t(bar)] && Grenzwerte == 1;
    }
    TPanelView();
    bool operator==(const TPanelView &) const = default;
};

class TPanelState : public QObject {
    Q_OBJECT

public:
    explicit TPanelState(QObject *parent = nullptr);

    // ---- state -------------------------------------------------------------
    TWerteSatz Live; // the live tester state
    int Messschritt = 0;
    int Ablaufphase = 0;
    std::array<bool, LimitBarCount> LimitChanged{};
    TPanelView View;

    // ---- environment -------------------------------------------------------
    // Questions the state asks its surroundings: each needs an answer, so
    // each is a single hook rather than a signal.
    // The connection controller's hold-off after a change (it counts it
    // down); unset, the state keeps one of its own that never runs.
    TSettingDelay *SettingDelay = nullptr;
    // The user is busy in a control: its value is not overwritten by reports.
    std::function<bool()> KlasseListOpen;
    std::function<bool()> SichtprListOpen;
    std::function<bool()> MesszeitHasFocus;

    // ---- writes to the tester (UseCommands fills them; tests record them) --
    // Hooks as well: the state goes on only when the write succeeded.
    std::function<bool(const TSettingChange &)> WriteSetting;
    std::function<bool(int Mode)> WriteIsolationMode;
    std::function<bool(TLimitTable, int Index)> WriteLimit;
    std::function<TPollingPause()> PausePolling;
    void UseCommands(TTesterCommands *Commands);

    // ---- decoders --------------------------------------------------------------
    // Slot 0..7 of the autosend mailbox (its pending bit already cleared).
    void Decode(int Slot, const TProtok &Msg);
    void Decode31(const quint8 *) {}
    void Decode32(const quint8 *d);
    void Decode33(const quint8 *d);
    void Decode34(const quint8 *d);
    void Decode37(const quint8 *d);
    void Decode38(const quint8 *d);
    void Decode39(const quint8 *d);
    void Decode3A(const quint8 *d);

    void ResetPanel();
    void ClearValues();
    void EnablePanel();
    // The earth bar offers all ten limits from the first version request on.
    void VersionRequested();

    // ---- the user's changes (the view takes the new value first) ------------
    void UserDinVde(int Index);
    void UserMessablauf(int Index);
    void UserIsolMode(int Index);
    void UserBeruehr(int Index);
    void UserGrenzwerte(int Index);
    void UserKlasse(int Index);
    void UserSichtpr(int Index);
    void UserSteuerbarcode(bool On);
    void UserEinstellsperre(bool On);
    void UserMesszeit(double Seconds);
    // Asks the panel to hand over edits the user has typed but not yet left.
    void CommitPendingEdits() { emit commitPendingEdits(); }
    void UserBarMoved(int Bar, int Position);

    // ---- rules ---------------------------------------------------------------
    bool DifferentialMode() const;
    TLimitTable BarTable(int Bar) const;
    int BarIndex(int Bar) const; // limit index the bar's position stands for
    int PositionForIndex(int Bar, int Index) const;
    void StandardLimits();
    void ApplyEnableLogic();
    void ShowLimit(int Bar, int Index);
    // Non-zero while reported settings must not be copied into the view: for
    // SettingDelay ticks after a user change, and while its write still runs.
    int DelayCtr() const { return m_userWrites > 0 ? 1 : (SettingDelay ? SettingDelay->Remaining() : 0); }

signals:
    void changed();            // the view changed
    void phase(int Phase);     // after each $3A decode (test control)
    void commitPendingEdits(); // before an action: the panel commits typed values

private:
    class UserChange;
    void notifyChanged();
    void beginUserChange();
    void endUserChange();
    TPollingPause pausePolling() const;
    void restartSettingDelay();
    bool write(const TSettingChange &Change);
    void showValue(int Step, int Value);
    void applyThirdLimitMode();

    TSettingDelay m_delayFallback;
    int m_userWrites = 0;
};

// Measuring time in tenths from the edit's seconds: rounded to the nearest
// integer, halves to even.
int MesszeitTenths(double Seconds);
