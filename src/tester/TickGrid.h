#pragma once

// A tick of fixed period whose timer fires only for the ticks that change
// something. The owner says how many ticks ahead the next such tick lies;
// the quiet ticks before it are counted off in one go when the owner settles
// (before it reads or writes what the ticks count down), so every counter
// reads as if each tick had run. The ticks keep to one grid from Start(): a
// timer late by less than a period does not shift the ticks after it.

#include <QElapsedTimer>

class QTimer;

class TTickGrid {
public:
    TTickGrid(QTimer *Timer, int PeriodMs);

    // The grid starts now: the first tick is one period away.
    void Start();
    void Stop();
    bool Running() const { return m_running; }
    // Ticks passed since the last one counted off, at most Limit.
    int Passed(int Limit) const;
    // Counts N ticks off.
    void Advance(int N);
    // Drops the ticks that a timer held up for longer than a period missed, as
    // a repeating timer drops them; the grid keeps its phase.
    void SkipMissed();
    // The timer fires at the Ticks-th tick after the last one counted off
    // (at once when that moment has passed).
    void ArmIn(int Ticks);
    int Armed() const { return m_armed; }

private:
    QTimer *m_timer;
    int m_period;
    QElapsedTimer m_clock;
    qint64 m_at = 0; // the last tick counted off, on m_clock
    int m_armed = 1;
    qint64 m_armedAt = -1; // when the timer fires, on m_clock
    bool m_running = false;
};
