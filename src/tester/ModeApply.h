#pragma once

// Setting the tester's whole test configuration in one go: from a row of the
// measuring-mode table or from a stored test. No widgets; the dialog only
// chooses.

#include "store/StoredSetup.h"
#include "tester/MeasuringModes.h"
#include "tester/PollingGate.h"

#include <QDateTime>
#include <QString>

#include <functional>

class TTesterCommands;
struct TWerteSatz;

// The writes of one set-up, each only when all before it succeeded. The
// caller holds the setting delay; polling is paused around the whole set.
struct TModeWriter {
    std::function<bool(int Klasse)> Schutzklasse;
    std::function<bool(quint8 Bit, bool On)> MenueBit;
    std::function<bool(int Index)> DinVde;
    std::function<bool(int Table, int Index)> Limit; // TLimitTable
    // Held around the whole set; unset: nothing to pause.
    std::function<TPollingPause()> PausePolling;

    static TModeWriter ForCommands(TTesterCommands *Commands);
};

// Class, differential bit, insulation bit, touch current, standard, automatic.
bool ApplyModeSettings(const TModeWriter &w, const TModeSettings &m);
// Class, differential bit, insulation bit, touch current, standard (0701/0702
// from the menu flags), automatic, manual limits; then, with manual limits,
// each stored limit found in its table. Returns whether the settings went through.
bool ApplyStoredSetup(const TModeWriter &w, const TStoredSetup &s);

// The current values as a record to print: what the tester does not report
// is cleared, date, tester serial, result and the two names are filled in.
TWerteSatz CurrentValuesRecord(const TWerteSatz &Live, const QString &TesterSerial, const QString &Operator,
                               const QString &Assessor, const QDateTime &Now);

// "Messmod." of the browser: the set-up of a stored test in the order standard,
// class, insulation bit, differential bit, touch current, automatic,
// manual limits; then, with manual limits, the earth and insulation limits and
// the leakage limit (differential table under 0751). Stops at the first write
// that fails; a limit not in its table is skipped. Returns whether all writes went through.
bool ApplyTestSetup(const TModeWriter &w, const TWerteSatz &t);
