// Every assembled frame through the tester's answer decoders, its log text
// and the autosend mailbox.

#include "FrameFuzz.h"

#include "tester/CommandNames.h"
#include "tester/Decoders.h"
#include "tester/Mailbox.h"

namespace {

// Only frames with a correct checksum ever reach a decoder.
const bool registered = RegisterFrameConsumer("tester", [](const TProtok &Msg, bool Valid) {
    if (!Valid) return;
    // The 256 data bytes: the first 40 feed the decoders, byte 40 picks a command.
    FuzzAllDecoders(Msg.Data, sizeof Msg.Data);
    (void)MessageLogText(false, Msg.Cmd, Msg.Data);
    static TAutosendMailbox box;
    box.Dispatch(Msg);
    const int slot = box.IdleVisit();
    if (slot >= 0) FuzzAllDecoders(box.Take(slot).Data, 8);
});

} // namespace
