#pragma once

// The autosend mailbox: the tester's spontaneous reports, newest per command,
// waiting for the idle step to decode them.

#include "bus/Protok.h"

#include <QtGlobal>

#include <array>

using TAutosendSlot = TProtok;

constexpr int AutosendSlotCount = 8;

// Slot of a reported command ($31, $32, $33, $34, $37, $38, $39, $3A), else -1.
int AutosendSlotForCmd(quint8 Cmd);
// Command of slot 0..7.
quint8 AutosendSlotCmd(int Slot);
// Pending bit of slot 0..7.
constexpr quint8 AutosendPendingBit(int Slot)
{
    return quint8(1u << Slot);
}

class TAutosendMailbox {
public:
    TAutosendMailbox();

    // Sorts one message delivered as unhandled: only reports from the tester's
    // address with a mailbox command are kept; the newest overwrites its slot.
    // Returns true when the message was stored.
    bool Dispatch(const TProtok &Msg);

    bool IsPending(int Slot) const
    {
        return Slot >= 0 && Slot < AutosendSlotCount && (AutosendPending & AutosendPendingBit(Slot));
    }
    // Clears the slot's pending bit and returns its message.
    const TAutosendSlot &Take(int Slot);
    const TAutosendSlot &Slot(int Slot) const { return m_slots[size_t(Slot)]; }

    // One visit of the idle step: returns IdleSlot when its bit is pending
    // (the caller decodes it with Take), else -1; IdleSlot moves on, 7 wraps to 0.
    int IdleVisit();

    // Forgets every pending report (port closed).
    void Clear();

    quint8 AutosendPending = 0;
    int IdleSlot = 0;

private:
    std::array<TAutosendSlot, AutosendSlotCount> m_slots;
};
