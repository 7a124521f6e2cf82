#include "tester/TickGrid.h"

#include <QTimer>

#include <algorithm>

TTickGrid::TTickGrid(QTimer *Timer, int PeriodMs) : m_timer(Timer), m_period(std::max(1, PeriodMs))
{
    // Never early: a tick that fired before its moment would only be armed again.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setSingleShot(true);
    m_timer->setInterval(m_period);
}

void TTickGrid::Start()
{
    m_clock.start();
    m_at = 0;
    m_armedAt = -1;
    m_running = true;
    ArmIn(1);
}

void TTickGrid::Stop()
{
    m_running = false;
    m_timer->stop();
}

int TTickGrid::Passed(int Limit) const
{
    if (!m_running || Limit <= 0) return 0;
    const qint64 n = (m_clock.elapsed() - m_at) / m_period;
    return int(std::clamp<qint64>(n, 0, Limit));
}

void TTickGrid::Advance(int N)
{
    if (N <= 0) return;
    m_at += qint64(N) * m_period;
    m_armed = std::max(1, m_armed - N);
}

void TTickGrid::SkipMissed()
{
    if (!m_running) return;
    const qint64 missed = (m_clock.elapsed() - m_at) / m_period;
    if (missed > 0) m_at += missed * m_period;
}

void TTickGrid::ArmIn(int Ticks)
{
    if (!m_running) return;
    m_armed = std::max(1, Ticks);
    const qint64 at = m_at + qint64(m_armed) * m_period;
    // Planned again and again between ticks: the same moment keeps its timer.
    if (at == m_armedAt && m_timer->isActive()) return;
    m_armedAt = at;
    m_timer->start(int(std::max<qint64>(0, at - m_clock.elapsed())));
}
