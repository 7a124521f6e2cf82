#pragma once

#include <functional>
#include <memory>

// Polling of the tester stops while an exchange of its own runs, and starts
// again afterwards. A TPollingPause holds the pause for as long as it lives,
// so no early return or exception can leave the panel without its refresh.
// Pauses nest (a settings handler pausing and then writing): the first one
// stops polling, the last one to end starts it again.

namespace polling_detail {
struct TGateState {
    std::function<void()> Stop;
    std::function<void()> Start;
    int Depth = 0;
};
} // namespace polling_detail

class TPollingPause {
public:
    // Pauses nothing: for code that runs without a connection.
    TPollingPause() = default;
    ~TPollingPause() { Release(); }
    TPollingPause(TPollingPause &&Other) noexcept;
    TPollingPause &operator=(TPollingPause &&Other) noexcept;
    TPollingPause(const TPollingPause &) = delete;
    TPollingPause &operator=(const TPollingPause &) = delete;

    // Ends this pause before the scope does; later calls do nothing.
    void Release();

private:
    friend class TPollingGate;
    explicit TPollingPause(std::weak_ptr<polling_detail::TGateState> State) : m_state(std::move(State)) {}
    // Weak: a pause that outlives its gate (the controller went first) ends harmlessly.
    std::weak_ptr<polling_detail::TGateState> m_state;
};

class TPollingGate {
public:
    TPollingGate(std::function<void()> Stop, std::function<void()> Start);
    TPollingGate(const TPollingGate &) = delete;
    TPollingGate &operator=(const TPollingGate &) = delete;

    [[nodiscard]] TPollingPause Pause();
    bool Paused() const { return m_state->Depth > 0; }

private:
    std::shared_ptr<polling_detail::TGateState> m_state;
};
