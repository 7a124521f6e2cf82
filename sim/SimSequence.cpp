// The simulated tester's test sequence: phases, steps, the operator's
// answers and the record stored at the end.

#include "SimTester.h"

#include <algorithm>

namespace {

// How long the tester lingers in its short phases, in milliseconds.
constexpr qint64 PrepMs = 500;
constexpr qint64 CompletionMs = 500;
constexpr qint64 StoringMs = 300;
constexpr qint64 ErasingMs = 500;
constexpr qint64 SwitchingMs = 300;

} // namespace

int SimTester::phase() const
{
    switch (m_stage) {
    case Stage::Idle:
        return apRuhezustand;
    case Stage::Erasing:
        return apEepromLoeschen;
    case Stage::Prep:
        return apVorbereitung;
    case Stage::Visual:
        return apSichtpruefung;
    case Stage::Measure:
    case Stage::MainsWait:
    case Stage::Switching:
    case Stage::StepWait:
        return SimProgramPhase(m_testBlock);
    case Stage::Completion:
        return apAbschluss;
    case Stage::StoreQuery:
        return apSpeicherAbfrage;
    case Stage::Storing:
        return apSpeicherung;
    case Stage::Display:
        return apAnzeige;
    }
    return apRuhezustand;
}

bool SimTester::testRunning() const
{
    return m_stage != Stage::Idle && m_stage != Stage::Erasing && m_stage != Stage::Display;
}

qint64 SimTester::scaled(qint64 ms) const
{
    return std::max<qint64>({1, m_minPhaseMs, qint64(double(ms) / m_speed)});
}

void SimTester::enter(Stage s, qint64 startMs, qint64 durationMs)
{
    m_stage = s;
    m_stageStart = startMs;
    m_stageEnd = durationMs < 0 ? -1 : startMs + durationMs;
}

void SimTester::advance(qint64 nowMs)
{
    if (nowMs < m_now) return;
    m_now = nowMs;
    // Stages end one after another at their own end times, so a late call
    // catches up exactly as if it had come in time.
    for (;;) {
        while (m_stageEnd >= 0 && m_stageEnd <= nowMs)
            stageEnded(m_stageEnd);
        const qint64 due = autoOperatorDue();
        if (due < 0 || due > nowMs) break;
        if (m_stage == Stage::Visual) setVisualPassed(true);
        confirm(due);
    }
}

bool SimTester::waitsForOperator() const
{
    return m_stage == Stage::Visual || m_stage == Stage::MainsWait || m_stage == Stage::StepWait ||
           m_stage == Stage::StoreQuery;
}

qint64 SimTester::autoOperatorDue() const
{
    if (m_autoOperatorMs <= 0 || !waitsForOperator()) return -1;
    return m_stageStart + m_autoOperatorMs;
}

void SimTester::action(std::uint8_t code, qint64 nowMs)
{
    advance(nowMs);
    if (code & akSpeicherClr) {
        if (m_stage == Stage::Idle || m_stage == Stage::Display) {
            m_records.clear();
            m_readActive = false;
            m_readPtr = 0;
            m_step = 0;
            enter(Stage::Erasing, nowMs, scaled(ErasingMs));
        }
    }
    if (code & akAbbrechen) abortTest(nowMs);
    if (code & akStart) {
        if (m_stage == Stage::Idle || m_stage == Stage::Display)
            startTest(nowMs);
        else
            confirm(nowMs);
    }
}

void SimTester::setVisualPassed(bool passed)
{
    m_block.ablauf =
        std::uint8_t(passed ? (m_block.ablauf | maSichtBestanden) : (m_block.ablauf & ~maSichtBestanden));
}

void SimTester::startTest(qint64 nowMs)
{
    m_testBlock = m_block;
    m_value.fill(-1);
    m_grenzwert = 0;
    m_block.ablauf &= maSichtBestanden;
    m_block.sperr &= ~spNetzspannung;
    m_block.schalt = 0;
    m_steps.clear();
    const int mask = SimStepMask(m_testBlock.isolationMode(), m_testBlock.standard(),
                                 m_testBlock.touchCurrent(), m_testBlock.schutzklasse());
    for (int k = 1; k <= 7; ++k)
        if (mask & (1 << (k - 1))) m_steps.push_back(k);
    m_stepIndex = 0;
    m_step = 0;
    m_mainsConfirmed = false;
    enter(Stage::Prep, nowMs, scaled(PrepMs));
}

void SimTester::abortTest(qint64 nowMs)
{
    switch (m_stage) {
    case Stage::Prep:
    case Stage::Visual:
    case Stage::Measure:
    case Stage::MainsWait:
    case Stage::Switching:
    case Stage::StepWait:
        m_block.ablauf |= maAbgebrochen | maManuellAbbruch;
        m_block.sperr &= ~spNetzspannung;
        m_block.schalt = 0;
        m_step = 0;
        enter(Stage::Completion, nowMs, scaled(CompletionMs));
        break;
    case Stage::StoreQuery:
        enter(Stage::Display, nowMs);
        break; // not stored
    case Stage::Display:
        m_step = 0;
        enter(Stage::Idle, nowMs);
        break;
    default:
        break;
    }
}

void SimTester::confirm(qint64 nowMs)
{
    switch (m_stage) {
    case Stage::Visual:
    case Stage::StepWait:
        nextAfterStep(nowMs);
        break;
    case Stage::MainsWait:
        m_block.sperr &= ~spNetzspannung;
        m_mainsConfirmed = true;
        nextAfterStep(nowMs);
        break;
    case Stage::StoreQuery:
        enter(Stage::Storing, nowMs, scaled(StoringMs));
        break;
    default:
        break;
    }
}

// Goes on with the step at m_stepIndex: mains warning, socket reversal, or
// the measurement itself; completion after the last step.
void SimTester::nextAfterStep(qint64 nowMs)
{
    if (m_stepIndex >= m_steps.size()) {
        m_step = 0;
        enter(Stage::Completion, nowMs, scaled(CompletionMs));
        return;
    }
    const int k = m_steps[m_stepIndex];
    if (k >= msSchutzlStrom && !m_mainsConfirmed) {
        m_block.sperr |= spNetzspannung;
        enter(Stage::MainsWait, nowMs);
        return;
    }
    const bool reversal = (k == msSchutzlStromUmgepolt || k == msBeruehrStromUmgepolt) && m_stepIndex > 0 &&
                          m_steps[m_stepIndex - 1] == k - 1;
    if (reversal && m_stage != Stage::Switching) {
        m_block.schalt |= sfUmschalt;
        m_step = k;
        enter(Stage::Switching, nowMs, scaled(SwitchingMs));
        return;
    }
    beginStep(m_stepIndex, nowMs);
}

void SimTester::beginStep(size_t index, qint64 startMs)
{
    m_block.schalt &= ~sfUmschalt;
    m_step = m_steps[index];
    const qint64 duration = scaled(qint64(std::max<int>(1, m_block.messzeit)) * 100);
    enter(Stage::Measure, startMs, duration);
    // A current above the quick-disconnection limit trips the tester early.
    if (m_step >= msSchutzlStrom && m_dut.value[size_t(m_step)] > effectiveLimits().quick)
        m_stageEnd = startMs + std::max<qint64>(1, duration / 4);
}

void SimTester::stageEnded(qint64 endMs)
{
    switch (m_stage) {
    case Stage::Erasing:
        enter(Stage::Idle, endMs);
        break;
    case Stage::Prep:
        if (m_testBlock.visualAsked())
            enter(Stage::Visual, endMs);
        else
            nextAfterStep(endMs);
        break;
    case Stage::Switching:
        nextAfterStep(endMs);
        break;
    case Stage::Measure: {
        const int k = m_step;
        const SimLimits lim = effectiveLimits();
        const int v = m_dut.value[size_t(k)];
        m_value[size_t(k)] = v;
        if (SimViolates(k, v, lim)) {
            m_grenzwert |= GrenzwertBitForStep(k);
            m_block.ablauf |= maGrenzwFehler;
        }
        if (k >= msSchutzlStrom && v > lim.quick) {
            m_block.ablauf |= maAbgebrochen | maSchnellabbruch;
            m_block.sperr &= ~spNetzspannung;
            m_step = 0;
            enter(Stage::Completion, endMs, scaled(CompletionMs));
            break;
        }
        ++m_stepIndex;
        const bool more = m_stepIndex < m_steps.size();
        const bool mainsNext = more && m_steps[m_stepIndex] >= msSchutzlStrom && !m_mainsConfirmed;
        if (more && !m_testBlock.automatic() && !mainsNext)
            enter(Stage::StepWait, endMs); // single steps: the operator continues
        else
            nextAfterStep(endMs);
        break;
    }
    case Stage::Completion:
        m_step = 0;
        enter(Stage::StoreQuery, endMs);
        break;
    case Stage::Storing:
        storeRecord();
        enter(Stage::Display, endMs);
        break;
    default:
        m_stageEnd = -1; // a waiting stage has no end
        break;
    }
}

void SimTester::storeRecord()
{
    if (m_records.size() >= m_capacity) return; // memory full: the result is only shown
    SimBlock b = m_testBlock;
    b.ablauf = m_block.ablauf & ~maGrenzwertAktiv;
    m_records.append(
        SimBuildRecord(b, m_value, m_grenzwert, b.ablauf, SimEffectiveLimits(m_testBlock, m_idx), m_barcode));
    m_barcode.clear(); // a scanned barcode belongs to one test
}
