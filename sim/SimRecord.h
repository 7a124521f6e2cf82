#pragma once

// The stored test record as the tester keeps it (40 bytes, read out as five
// 8-byte pieces), the measured device, and the measuring rules the simulated
// tester applies: which steps run, which limits hold, which flags result.

#include "tester/Limits.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <random>

// The settings and status block, byte for byte as in the $34 answer.
struct SimBlock {
    std::uint8_t menu = 0;   // Menueflags
    std::uint8_t geraet = 0; // Geraeteflags
    std::uint8_t klasse = 0; // SchutzklasseFlags
    std::uint8_t messzeit = 30;
    std::uint8_t schalt = 0; // Schaltflags
    std::uint8_t sperr = 0;  // Sperrflags
    std::uint8_t ablauf = 0; // MessablaufFlags

    int schutzklasse() const { return klasse & skKlasseMask; }
    // 0 = 0701, 1 = 0702, 2 = 0751
    int standard() const { return (klasse & skDin0751) ? 2 : ((menu & mfDin0702) ? 1 : 0); }
    // 0 without insulation test, 1 with, 2 insulation and differential
    int isolationMode() const { return (menu & mfIsolDiff) ? 2 : ((menu & mfIsolation) ? 1 : 0); }
    bool touchCurrent() const { return menu & mfBeruehrstrom; }
    bool automatic() const { return menu & mfAutomatisch; }
    bool manualLimits() const { return menu & mfManuGrenz; }
    bool visualAsked() const { return !(klasse & skSichtNichtAbgefragt); }
};

// Limit indexes as written with $68 and reported in $3A bytes 2..5.
struct SimLimitIndexes {
    int pe = 0;   // protective-earth table
    int iso = 3;  // insulation table
    int leak = 5; // substitute-leakage table
    int diff = 1; // differential-current table
};

// The limits a test is judged against, in the wire units.
struct SimLimits {
    int pe = 300;     // mOhm, violated above
    int iso = 1000;   // kOhm, violated below
    int third = 350;  // 10 uA: substitute leakage or differential current
    int pec = 350;    // protective-conductor current
    int touch = 50;   // touch current
    int quick = 1000; // quick disconnection: a current above it stops the test at once
};

// What the simulated device under test measures, per step 1..7 (index 0 unused).
struct SimDut {
    std::array<int, 8> value{0, 120, 9000, 40, 30, 32, 5, 6};
};

// One stored record: pieces A..E of 8 bytes each.
struct SimRecord {
    std::array<std::uint8_t, 40> bytes{};

    QByteArray piece(int i) const; // i = 0..4 for $20..$24
    std::uint8_t grenzwert() const { return bytes[1]; }
    std::uint8_t menu() const { return bytes[2]; }
    std::uint8_t klasse() const { return bytes[3]; }
    std::uint8_t ablauf() const { return bytes[4]; }
    int word(int offset) const { return std::int16_t(bytes[offset] | (bytes[offset + 1] << 8)); }
    QString barcode() const;
    QString hex() const;
};

// Measurement steps that run for a set-up, as a bit mask: bit k-1 for step k.
int SimStepMask(int isolationMode, int standard, bool touchCurrent, int schutzklasse);

// Limits in force for a set-up; during step 6 or 7 the 0751 differential mode
// judges the touch current against its lower limit.
SimLimits SimEffectiveLimits(const SimBlock &block, const SimLimitIndexes &idx);

// True when value v violates the limit of step k.
bool SimViolates(int step, int value, const SimLimits &lim);

// Phase code 32..55 naming the test program, or 16 when none fits.
int SimProgramPhase(const SimBlock &block);

// Builds a record from the outcome of a test. value[k] is -1 for steps that
// did not run.
SimRecord SimBuildRecord(const SimBlock &block, const std::array<int, 8> &value, std::uint8_t grenzwert,
                         std::uint8_t ablauf, const SimLimits &lim, const QString &barcode);

// A plausible stored record, number i of a generated memory: over consecutive
// i it runs through every class, standard and insulation mode and barcodes of
// 0..16 digits; some records are aborted, some quick aborts, some fail limits.
SimRecord SimRandomRecord(int i, std::mt19937 &rng);
