#include "bus/Protok.h"

#include <algorithm>
#include <cstring>

namespace {

int clampDataBytes(int n)
{
    return std::clamp(n, 1, kMaxDataBytes);
}

} // namespace

TProtok EmptyMsg()
{
    TProtok m;
    std::memset(&m, 0, sizeof m);
    return m;
}

TProtok BuildMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data, int DataBytes)
{
    TProtok m = EmptyMsg();
    m.Cmd = Cmd;
    const int n = std::min<int>(int(Data.size()), clampDataBytes(DataBytes));
    if (n > 0) std::memcpy(m.Data, Data.constData(), size_t(n));
    m.Addr = Addr;
    m.Start = kMsgStart;
    m.Chk = MsgChecksum(m, DataBytes);
    return m;
}

quint8 MsgChecksum(const TProtok &Msg, int DataBytes)
{
    unsigned sum = Msg.Cmd;
    const int n = clampDataBytes(DataBytes);
    for (int i = 0; i < n; ++i)
        sum += Msg.Data[i];
    return quint8(sum & 0xFF);
}

QString MsgToText(const TProtok &Msg, int DataBytes)
{
    // Built by hand: this runs for every logged message, and printf-style
    // formatting of each byte costs far more.
    static const char hex[] = "0123456789ABCDEF";
    const auto dec3 = [](char *p, int v) {
        p[0] = v >= 100 ? char('0' + v / 100) : ' ';
        p[1] = v >= 10 ? char('0' + v / 10 % 10) : ' ';
        p[2] = char('0' + v % 10);
    };
    const int n = clampDataBytes(DataBytes);
    char buf[23 + 3 * kMaxDataBytes];
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): a fixed-length template, never read as a C string
    std::memcpy(buf, "S <$..> {...} [$../...]", 23);
    buf[0] = char(Msg.Start);
    buf[4] = hex[Msg.Addr >> 4];
    buf[5] = hex[Msg.Addr & 15];
    dec3(buf + 9, Msg.Chk);
    buf[16] = hex[Msg.Cmd >> 4];
    buf[17] = hex[Msg.Cmd & 15];
    dec3(buf + 19, Msg.Cmd);
    char *p = buf + 23;
    for (int i = 0; i < n; ++i) {
        *p++ = ' ';
        *p++ = hex[Msg.Data[i] >> 4];
        *p++ = hex[Msg.Data[i] & 15];
    }
    return QString::fromLatin1(buf, p - buf);
}

QByteArray MsgDataToStr(const TProtok &Msg, int DataBytes)
{
    int n = clampDataBytes(DataBytes);
    while (n > 0 && Msg.Data[n - 1] == 0)
        --n;
    return QByteArray(reinterpret_cast<const char *>(Msg.Data), n);
}

QByteArray IntToMsgData(qint32 Value)
{
    const quint32 v = quint32(Value);
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
    while (!out.isEmpty() && out.back() == '\0')
        out.chop(1);
    return out;
}

QByteArray MsgToWire(const TProtok &Msg, int DataBytes)
{
    return QByteArray(reinterpret_cast<const char *>(&Msg), clampDataBytes(DataBytes) + 4);
}

TFrameAssembler::TFrameAssembler(int DataBytes, qint64 CharTimeOut)
    : m_dataBytes(clampDataBytes(DataBytes)), m_charTimeOut(CharTimeOut), m_frame(EmptyMsg())
{
}

void TFrameAssembler::setDataBytes(int n)
{
    if (n >= 1 && n <= kMaxDataBytes) m_dataBytes = n;
}

TFrameAssembler::TFeedResult TFrameAssembler::feed(quint8 byte, qint64 nowMs)
{
    if (m_rxLen >= kRxBufSize) m_rxLen = 0;
    // A pause longer than the character time-out ends whatever was started.
    if (!m_haveLastChar || nowMs - m_lastCharTime > m_charTimeOut) m_rxLen = 0;
    m_lastCharTime = nowMs;
    m_haveLastChar = true;
    // Synchronise only on a start byte at the beginning of a frame.
    if (m_rxLen == 0 && byte != kMsgStart) return Dropped;
    m_rxBuf[m_rxLen++] = byte;
    const int frameLen = m_dataBytes + 4;
    if (m_rxLen != frameLen) return Stored;

    m_rxLen = 0;
    std::memset(&m_frame, 0, sizeof m_frame);
    std::memcpy(&m_frame, m_rxBuf, size_t(frameLen));
    return MsgChecksum(m_frame, m_dataBytes) == m_frame.Chk ? FrameValid : FrameBad;
}
