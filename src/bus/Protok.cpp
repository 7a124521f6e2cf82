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
    for (int i = 0; i < n; ++i) sum += Msg.Data[i];
    return quint8(sum & 0xFF);
}

QString MsgToText(const TProtok &Msg, int DataBytes)
{
    QString s = QString::asprintf("%c <$%2.2X> {%3d} [$%2.2X/%3d]", char(Msg.Start), Msg.Addr, Msg.Chk, Msg.Cmd,
                                  Msg.Cmd);
    const int n = clampDataBytes(DataBytes);
    s.reserve(s.size() + 3 * n);
    for (int i = 0; i < n; ++i) s += QString::asprintf(" %2.2X", Msg.Data[i]);
    return s;
}

QByteArray MsgDataToStr(const TProtok &Msg, int DataBytes)
{
    int n = clampDataBytes(DataBytes);
    while (n > 0 && Msg.Data[n - 1] == 0) --n;
    return QByteArray(reinterpret_cast<const char *>(Msg.Data), n);
}

QByteArray IntToMsgData(qint32 Value)
{
    const quint32 v = quint32(Value);
    QByteArray out;
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
    while (!out.isEmpty() && out.back() == '\0') out.chop(1);
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
