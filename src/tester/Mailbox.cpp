#include "tester/Mailbox.h"

#include "tester/CommandCodes.h"

namespace {

constexpr quint8 SlotCmds[AutosendSlotCount] = {cmdGrenzwerte1, cmdGrenzwerte2, cmdDatensatzAnzahl,
                                                cmdFlags,       cmdMesswerte1,  cmdMesswerte2,
                                                cmdRohwert,     cmdMessablauf};

} // namespace

int AutosendSlotForCmd(quint8 Cmd)
{
    for (int i = 0; i < AutosendSlotCount; ++i)
        if (SlotCmds[i] == Cmd) return i;
    return -1;
}

quint8 AutosendSlotCmd(int Slot)
{
    return Slot >= 0 && Slot < AutosendSlotCount ? SlotCmds[Slot] : 0;
}

TAutosendMailbox::TAutosendMailbox()
{
    for (TAutosendSlot &s : m_slots)
        s = EmptyMsg();
}

bool TAutosendMailbox::Dispatch(const TProtok &Msg)
{
    if (Msg.Addr != AddrTester) return false;
    const int slot = AutosendSlotForCmd(Msg.Cmd);
    if (slot < 0) return false;
    m_slots[size_t(slot)] = Msg;
    AutosendPending |= AutosendPendingBit(slot);
    return true;
}

const TAutosendSlot &TAutosendMailbox::Take(int Slot)
{
    AutosendPending &= quint8(~AutosendPendingBit(Slot));
    return m_slots[size_t(Slot)];
}

int TAutosendMailbox::IdleVisit()
{
    const int slot = (IdleSlot >= 0 && IdleSlot < AutosendSlotCount) ? IdleSlot : 0;
    IdleSlot = (slot + 1) % AutosendSlotCount;
    return IsPending(slot) ? slot : -1;
}

void TAutosendMailbox::Clear()
{
    AutosendPending = 0;
    IdleSlot = 0;
}
