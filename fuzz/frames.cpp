// Arbitrary bytes, with arbitrary pauses between them, through frame assembly
// and every registered frame consumer.
//
// Input: byte 0 chooses the frame length (odd: 1 + byte 1 % 255 data bytes,
// even: 8); the rest are pairs (pause in ms, received byte).

#include "FrameFuzz.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct TConsumer {
    const char *name;
    TFrameConsumer fn;
};

std::vector<TConsumer> &consumers()
{
    static std::vector<TConsumer> list;
    return list;
}

void check(bool ok)
{
    if (!ok) std::abort();
}

void checkFrame(const TFrameAssembler &a, bool valid)
{
    const TProtok &m = a.frame();
    const int n = a.dataBytes();
    check(m.Start == kMsgStart);
    check((MsgChecksum(m, n) == m.Chk) == valid);
    for (int i = n; i < 256; ++i)
        check(m.Data[i] == 0);
    const QString text = MsgToText(m, n);
    check(text.size() == 23 + 3 * n);
    const QByteArray data = MsgDataToStr(m, n);
    check(data.size() <= n);
    if (valid) check(MsgToWire(BuildMsg(m.Addr, m.Cmd, data, n), n) == MsgToWire(m, n));
    for (const TConsumer &c : consumers())
        c.fn(m, valid);
}

} // namespace

bool RegisterFrameConsumer(const char *name, TFrameConsumer consumer)
{
    consumers().push_back(TConsumer{name, consumer});
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) return 0;
    size_t pos = 0;
    int dataBytes = kDefaultDataBytes;
    if (data[pos++] & 1) dataBytes = 1 + data[pos++] % kMaxDataBytes;
    TFrameAssembler a(dataBytes, 100);
    qint64 now = 0;
    int expectLen = 0; // the assembler's fill level as this harness predicts it
    while (pos + 1 < size) {
        const qint64 gap = data[pos++];
        const quint8 byte = data[pos++];
        now += gap;
        if (gap > 100) expectLen = 0;
        const TFrameAssembler::TFeedResult r = a.feed(byte, now);
        if (expectLen == 0 && byte != kMsgStart) {
            check(r == TFrameAssembler::Dropped);
            continue;
        }
        ++expectLen;
        if (expectLen < dataBytes + 4) {
            check(r == TFrameAssembler::Stored && a.rxLen() == expectLen);
            continue;
        }
        check(r == TFrameAssembler::FrameValid || r == TFrameAssembler::FrameBad);
        check(a.rxLen() == 0);
        expectLen = 0;
        checkFrame(a, r == TFrameAssembler::FrameValid);
    }
    return 0;
}
