#pragma once

// The hold-off after a setting change: for Length() ticks of the connection
// controller the settings the tester reports are not copied into the view, so
// a report older than the change cannot undo it on screen. The controller owns
// it and counts it down; the panel state and the set-up writes restart it.
class TSettingDelay {
public:
    explicit TSettingDelay(int Length = 0) { setLength(Length); }

    int Length() const { return m_length; }
    void setLength(int Ticks) { m_length = Ticks > 0 ? Ticks : 0; }

    // Counts the full length again from now.
    void restart() { m_remaining = m_length; }
    void clear() { m_remaining = 0; }
    // One controller tick passed.
    void tick()
    {
        if (m_remaining > 0) --m_remaining;
    }
    bool active() const { return m_remaining > 0; }
    int Remaining() const { return m_remaining; }

private:
    int m_length = 0;
    int m_remaining = 0;
};
