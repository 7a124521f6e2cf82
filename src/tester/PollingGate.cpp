#include "tester/PollingGate.h"

#include <utility>

TPollingPause::TPollingPause(TPollingPause &&Other) noexcept : m_state(std::exchange(Other.m_state, {}))
{
}

TPollingPause &TPollingPause::operator=(TPollingPause &&Other) noexcept
{
    if (this != &Other) {
        Release();
        m_state = std::exchange(Other.m_state, {});
    }
    return *this;
}

void TPollingPause::Release()
{
    const std::shared_ptr<polling_detail::TGateState> s = std::exchange(m_state, {}).lock();
    if (!s || s->Depth == 0) return;
    if (--s->Depth == 0 && s->Start) s->Start();
}

TPollingGate::TPollingGate(std::function<void()> Stop, std::function<void()> Start)
    : m_state(std::make_shared<polling_detail::TGateState>())
{
    m_state->Stop = std::move(Stop);
    m_state->Start = std::move(Start);
}

TPollingPause TPollingGate::Pause()
{
    if (m_state->Depth++ == 0 && m_state->Stop) m_state->Stop();
    return TPollingPause(m_state);
}
