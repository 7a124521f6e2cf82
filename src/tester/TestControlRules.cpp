#include "tester/TestControlRules.h"

TTestActionState TestActionsForPhase(int ablaufphase, const TTestActionState &current, bool automatic,
                                     bool mainsWarningVisible)
{
    TTestActionState s = current;
    const bool rest = IsRestPhase(ablaufphase);
    if (rest) {
        if (!s.Start && s.StartEnableCtr == 0) s.StartEnableCtr = StartEnableDelayTicks;
    } else {
        s.Start = false;
        s.StartEnableCtr = 0;
    }
    s.Abbrechen = !rest;
    s.Weiter = (s.Abbrechen && !automatic) || mainsWarningVisible;
    s.Drucken = !s.Abbrechen;
    s.SpeicherClr = !s.Abbrechen;
    return s;
}

QList<quint8> StartActionCodes(int ablaufphase)
{
    // In the visual-inspection and store queries the start key confirms.
    if (ablaufphase == 17 || ablaufphase == 19) return {0x01};
    return {0x02, 0x02, 0x01};
}
