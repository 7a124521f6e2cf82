#pragma once

#include <QList>

// When the test actions are enabled, and what "Prüfung Start" sends, by the
// tester's sequence phase. No widgets: the main window applies the result.

// Phases in which the tester waits for the operator.
inline bool IsRestPhase(int ablaufphase)
{
    return ablaufphase == 1 || ablaufphase == 2 || ablaufphase == 17 || ablaufphase == 21;
}

struct TTestActionState {
    bool Start = false;       // Prf_Start
    bool Weiter = false;      // Prf_Weiter
    bool Abbrechen = false;   // Prf_Abbrechen
    bool Drucken = false;     // Prf_Drucken
    bool SpeicherClr = false; // Prf_SpeicherClr
    int StartEnableCtr = 0;   // ticks until the start action is enabled again
};

// Ticks (100 ms) from a rest phase to the start action becoming usable.
constexpr int StartEnableDelayTicks = 38;

// The enabling after a phase report. `current` holds the enabled states and
// the counter before the report; `automatic` is the live automatic-sequence
// flag and `mainsWarningVisible` whether the mains-voltage warning is shown.
TTestActionState TestActionsForPhase(int ablaufphase, const TTestActionState &current, bool automatic,
                                     bool mainsWarningVisible);

// The action codes "Prüfung Start" writes, in order.
QList<quint8> StartActionCodes(int ablaufphase);
