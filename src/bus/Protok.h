#pragma once

// The fixed-length bus frame: record, wire layout, checksum, text form, and
// the byte-by-byte assembly of received frames.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>

// One bus message as it lies in memory; the first DataBytes + 4 bytes are
// exactly the bytes on the wire (start, address, checksum, command, data).
struct TProtok {
    quint8 Start;
    quint8 Addr;
    quint8 Chk;
    quint8 Cmd;
    quint8 Data[256];
};
static_assert(sizeof(TProtok) == 260, "TProtok must be the 260-byte wire record");
static_assert(offsetof(TProtok, Data) == 4, "TProtok must have no padding");

constexpr quint8 kMsgStart = 0x53;   // "S"
constexpr int kDefaultDataBytes = 8; // the program's frames are 12 bytes long
constexpr int kMaxDataBytes = 255;
constexpr int kRxBufSize = 260;

// A zero-filled message record.
TProtok EmptyMsg();

// Builds a message ready to send: Data is cut to (or zero-padded up to)
// DataBytes bytes, Start is "S" and the checksum is set.
TProtok BuildMsg(quint8 Addr, quint8 Cmd, const QByteArray &Data, int DataBytes = kDefaultDataBytes);

// (Cmd + Data[0] + ... + Data[DataBytes-1]) mod 256 over the record as it stands.
quint8 MsgChecksum(const TProtok &Msg, int DataBytes = kDefaultDataBytes);

// The bus log text: "S <$61> { 16} [$10/ 16] 00 00 ...".
QString MsgToText(const TProtok &Msg, int DataBytes = kDefaultDataBytes);

// The data bytes with trailing zero bytes removed (zeros inside are kept).
QByteArray MsgDataToStr(const TProtok &Msg, int DataBytes = kDefaultDataBytes);

// The four bytes of Value, least significant first, without trailing zero
// bytes (0x079C gives 9C 07). Independent of DataBytes: BuildMsg cuts it.
QByteArray IntToMsgData(qint32 Value);

// Wire bytes of a message (the first DataBytes + 4 bytes of the record).
QByteArray MsgToWire(const TProtok &Msg, int DataBytes = kDefaultDataBytes);

// Assembles received bytes into frames. Pure logic without I/O or clock of
// its own: the caller passes the millisecond time of each byte. The bus
// engine's answer time-out is not part of it (the engine checks it first and
// calls reset()).
class TFrameAssembler {
public:
    enum TFeedResult {
        Dropped,    // no frame started and the byte is not "S": ignored
        Stored,     // byte stored, frame not complete yet
        FrameValid, // byte completed a frame with a correct checksum
        FrameBad    // byte completed a frame with a wrong checksum
    };

    explicit TFrameAssembler(int DataBytes = kDefaultDataBytes, qint64 CharTimeOut = 100);

    // Feeds one byte received at time nowMs (any monotonic millisecond count).
    // After FrameValid/FrameBad the frame is available through frame().
    TFeedResult feed(quint8 byte, qint64 nowMs);

    // The last completed frame; bytes behind the frame are zero.
    const TProtok &frame() const { return m_frame; }

    // Discards a partial frame.
    void reset() { m_rxLen = 0; }

    int rxLen() const { return m_rxLen; }
    int dataBytes() const { return m_dataBytes; }
    // Takes effect for the next byte; values outside 1..255 are ignored.
    void setDataBytes(int n);
    qint64 charTimeOut() const { return m_charTimeOut; }
    void setCharTimeOut(qint64 ms) { m_charTimeOut = ms; }

private:
    quint8 m_rxBuf[kRxBufSize] = {};
    int m_rxLen = 0;
    qint64 m_lastCharTime = 0;
    bool m_haveLastChar = false;
    int m_dataBytes;
    qint64 m_charTimeOut;
    TProtok m_frame;
};
