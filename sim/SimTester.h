#pragma once

// The simulated tester: answers requests, keeps settings, limits and stored
// records, runs tests through their phases and steps, and produces the reports
// it sends on its own. Pure logic: time comes in as a millisecond count from
// the caller, frames go in and out as records; no I/O.

#include "SimRecord.h"

#include "tester/CommandCodes.h"

#include "bus/Protok.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct SimIdentity {
    QByteArray firmware = "10402R1";  // V0..V6
    QByteArray serial = "0612345678"; // ten digits
    QStringList languages{QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("fr")};
    int language = 1; // index of the current language
};

class SimTester {
public:
    // What the running sequence is doing; the phase code follows from it.
    enum class Stage {
        Idle,       // phase 2
        Erasing,    // phase 3
        Prep,       // phase 16
        Visual,     // phase 17, waits for the operator
        Measure,    // program phase, a step runs
        MainsWait,  // mains warning shown, waits for the operator
        Switching,  // test socket being reversed
        StepWait,   // single steps: waits for "continue"
        Completion, // phase 18
        StoreQuery, // phase 19, waits for the operator
        Storing,    // phase 20
        Display,    // phase 21, waits for the operator
    };

    explicit SimTester(const SimIdentity &id = {});

    // ---- Requests ---------------------------------------------------------
    // Handles one valid frame from the PC received at nowMs; returns the
    // answer, or nothing for $67, foreign addresses and unknown commands.
    std::optional<TProtok> handle(const TProtok &msg, qint64 nowMs);

    // ---- Time ---------------------------------------------------------------
    // Runs the sequence up to nowMs (never backwards).
    void advance(qint64 nowMs);
    // Reports due at nowMs under the autosend order (advances first).
    std::vector<TProtok> dueReports(qint64 nowMs);
    // Milliseconds until something is due (a stage ends or a report round), or -1.
    qint64 msUntilDue(qint64 nowMs) const;

    // ---- The tester's own buttons --------------------------------------------
    void action(std::uint8_t code, qint64 nowMs); // same as a $66 action
    void setVisualPassed(bool passed);

    // ---- Set-up from the command line or control channel ---------------------
    void setRecords(const QList<SimRecord> &records) { m_records = records; }
    void setCapacity(int records) { m_capacity = records; }
    void setAutosendPeriod(int ms) { m_autosendPeriod = ms > 0 ? ms : 200; }
    void setSpeed(double factor) { m_speed = factor > 0 ? factor : 1.0; }
    void setMinPhase(int ms) { m_minPhaseMs = ms > 0 ? ms : 0; }
    // An operator at the tester for demos: every question the tester asks
    // (visual inspection, mains warning, next step, store the results) is
    // answered "yes" after this many milliseconds; 0 = nobody there.
    void setAutoOperator(int ms) { m_autoOperatorMs = ms > 0 ? ms : 0; }
    int autoOperator() const { return m_autoOperatorMs; }
    SimDut &dut() { return m_dut; }
    SimBlock &block() { return m_block; }
    SimLimitIndexes &limitIndexes() { return m_idx; }
    void setBarcode(const QString &digits) { m_barcode = digits; }
    void setLanguage(int index)
    {
        if (index >= 0 && index < m_id.languages.size()) m_id.language = index;
    }

    // ---- State --------------------------------------------------------------
    Stage stage() const { return m_stage; }
    int phase() const;
    int step() const { return m_step; }
    bool testRunning() const;
    // The block as reported by $34 (byte 7 zero).
    QByteArray blockBytes() const;
    const SimBlock &blockState() const { return m_block; }
    const SimLimitIndexes &limits() const { return m_idx; }
    SimLimits effectiveLimits() const { return SimEffectiveLimits(m_block, m_idx); }
    const QList<SimRecord> &records() const { return m_records; }
    int capacity() const { return m_capacity; }
    bool readoutActive() const { return m_readActive; }
    int readPointer() const { return m_readPtr; }
    int autosendMask() const { return m_autosendMask; }
    int liveValue() const;
    int measured(int step) const { return m_value[size_t(step)]; }
    std::uint8_t grenzwert() const { return m_grenzwert; }
    const SimIdentity &identity() const { return m_id; }
    const QString &barcode() const { return m_barcode; }

    // Content of a report or answer for commands $31..$3A.
    TProtok report(std::uint8_t cmd) const;
    // All state as "key=value" words (control channel).
    QString stateLine() const;

private:
    TProtok answer(std::uint8_t cmd, const QByteArray &data) const;
    TProtok serialAnswer() const;
    TProtok languageEntry(int i) const;
    TProtok languageAnswer() const;
    void eepromFunction(int code);
    void applyBlock(const TProtok &msg);
    void applyLimits(const TProtok &msg);
    void startTest(qint64 nowMs);
    void abortTest(qint64 nowMs);
    void confirm(qint64 nowMs);
    void enter(Stage s, qint64 startMs, qint64 durationMs = -1);
    void stageEnded(qint64 endMs);
    void beginStep(size_t index, qint64 startMs);
    void nextAfterStep(qint64 nowMs);
    void finishStep();
    void storeRecord();
    qint64 scaled(qint64 ms) const;
    int liveAt(qint64 nowMs) const;
    void updateLiveFlags();

    SimIdentity m_id;
    SimBlock m_block;
    SimLimitIndexes m_idx;
    SimDut m_dut;
    QString m_barcode;

    QList<SimRecord> m_records;
    int m_capacity = 500;
    bool m_readActive = false;
    int m_readPtr = 0;

    int m_autosendMask = 0;
    int m_autosendPeriod = 200;
    qint64 m_nextReport = 0;

    Stage m_stage = Stage::Idle;
    qint64 m_now = 0;
    qint64 m_stageStart = 0;
    int m_autoOperatorMs = 0;
    bool waitsForOperator() const;
    qint64 autoOperatorDue() const; // -1: nothing to answer
    qint64 m_stageEnd = -1;         // -1: waits for the operator
    double m_speed = 1.0;
    qint64 m_minPhaseMs = 0;

    // The running test.
    SimBlock m_testBlock;
    std::vector<int> m_steps;
    size_t m_stepIndex = 0;
    int m_step = 0;
    bool m_mainsConfirmed = false;
    std::array<int, 8> m_value{-1, -1, -1, -1, -1, -1, -1, -1};
    std::uint8_t m_grenzwert = 0;
};
