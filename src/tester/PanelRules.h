#pragma once

#include <QString>

// The rules of the front panel that need no widgets: texts of the running
// step and sequence phase, the standard limits, and the position rule of the
// protective-earth limit bar.

// Caption of the step box for measurement step 0..7; empty for other values
// (the caller leaves the caption as it is then).
QString StepText(int messschritt);
bool StepTextKnown(int messschritt);

// Hint of the step box for a sequence phase; empty for codes without a text.
QString PhaseHint(int ablaufphase);

// Limit codes the standard limits select: protective earth in mOhm, insulation
// in kOhm, third limit in 10 uA (substitute leakage, or the differential
// current in 0751 differential mode). standard 0..2, schutzklasse 1..3 (0 = none
// chosen), insulation mode 0..2, messschritt the running measurement step.
struct TStandardLimitCodes {
    int Schutzleiter = 300;
    int Isolation = 0;
    int Dritter = 0;
};
TStandardLimitCodes StandardLimitCodes(int standard, int schutzklasse, int isolationMode, int messschritt);

// True when the third limit is the differential current (0751, insulation mode 2).
inline bool IsDifferentialMode(int standard, int isolationMode)
{
    return standard == 2 && isolationMode == 2;
}

// Protective-earth bar: positions run in ascending resistance. Position p
// shows index p + 8 for p < 2 and p - 2 otherwise; index i sits at i + 2 for
// i < 8 and i - 8 otherwise.
inline int EarthIndexForPosition(int position)
{
    return position < 2 ? position + 8 : position - 2;
}
inline int EarthPositionForIndex(int index)
{
    return index < 8 ? index + 2 : index - 8;
}
