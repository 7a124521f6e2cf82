#include "tester/Decoders.h"

#include "tester/CommandNames.h"
#include "tester/SettingsBlock.h"
#include "tester/StoredRecord.h"

#include <cstring>

namespace {

int HexDigit(quint8 c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0; // not a hex digit counts as 0
}

// Characters of a text field; a zero byte ends the text (the tester pads
// short codes with zeros, and a NUL has no place in a status bar or a log).
QString FieldText(const quint8 *Data, int from, int count)
{
    QString s;
    for (int i = from; i < from + count && Data[i] != 0; ++i)
        s += QChar(char16_t(Data[i]));
    return s;
}

} // namespace

TFirmwareVersion DecodeFirmwareVersion(const quint8 *Data)
{
    TFirmwareVersion v;
    auto ch = [&](int i) { return Data[i] ? QString(QChar(char16_t(Data[i]))) : QString(); };
    v.Text = ch(0) + u'.' + ch(1) + ch(2) + u'.' + ch(3) + ch(4) + u' ' + ch(5) + ch(6);
    v.Packed = (quint64(HexDigit(Data[0])) << 32) | (quint64(HexDigit(Data[1])) << 24) |
               (quint64(HexDigit(Data[2])) << 16) | (quint64(HexDigit(Data[3])) << 8) |
               quint64(HexDigit(Data[4]));
    return v;
}

QString FirmwareMismatchMessage(const QString &VersionText)
{
    return QStringLiteral(
               "Der angeschlossene Gerätetester mit Firmwareversion %1 passt nicht zu dieser "
               "Programmversion. Bitte verwenden Sie das dazu passende Programm, oder schließen Sie "
               "einen Gerätetester ab Version 1.03.00 an.")
        .arg(VersionText);
}

QString DecodeSerialNumber(const quint8 *Data)
{
    QString s;
    for (int i = 0; i < 5; ++i) {
        s += QChar(char16_t((Data[i] & 0x0F) | 0x30));
        s += QChar(char16_t((Data[i] >> 4) | 0x30));
    }
    return s;
}

TLanguageEntry DecodeLanguageEntry(const quint8 *Data)
{
    TLanguageEntry e;
    e.Exists = Data[1] != 0;
    e.Code = FieldText(Data, 2, 2);
    e.Count = Data[4];
    e.Current = Data[5];
    return e;
}

QString DecodeCurrentLanguage(const quint8 *Data)
{
    return FieldText(Data, 1, 2);
}

TGrenzwerte2 DecodeGrenzwerte2(const quint8 *Data)
{
    return {MsgWord(Data, 0), MsgWord(Data, 2), MsgWord(Data, 4)};
}

TSpeicherStand DecodeSpeicherStand(const quint8 *Data)
{
    return {MsgUWord(Data, 0), MsgUWord(Data, 2), Data[4] != 0};
}

TMesswerte1 DecodeMesswerte1(const quint8 *Data)
{
    return {MsgWord(Data, 0), MsgWord(Data, 2), MsgWord(Data, 4), Data[6]};
}

TMesswerte2 DecodeMesswerte2(const quint8 *Data)
{
    return {MsgWord(Data, 0), MsgWord(Data, 2), MsgWord(Data, 4), MsgWord(Data, 6)};
}

TMessablauf DecodeMessablauf(const quint8 *Data)
{
    TMessablauf m;
    m.Messschritt = Data[1] & MessschrittMaske;
    for (int t = 0; t < LimitTableCount; ++t)
        m.LimitIndex[size_t(t)] = Data[2 + t];
    m.Ablaufphase = Data[7];
    return m;
}

void FuzzAllDecoders(const quint8 *data, size_t size)
{
    // Short inputs are zero-padded the way the frame layer pads short data.
    quint8 buf[40] = {};
    if (size) std::memcpy(buf, data, size < sizeof buf ? size : sizeof buf);
    const quint8 cmd = size > 40 ? data[40] : 0;

    volatile qint64 sink = 0;
    const TFirmwareVersion v = DecodeFirmwareVersion(buf);
    sink = sink + v.Text.size() + qint64(v.Compatible());
    sink = sink + DecodeSerialNumber(buf).size();
    const TLanguageEntry e = DecodeLanguageEntry(buf);
    sink = sink + e.Code.size() + e.Count + e.Current;
    sink = sink + DecodeCurrentLanguage(buf).size();
    sink = sink + DecodeGrenzwerte2(buf).Schnellabschaltung;
    sink = sink + DecodeSpeicherStand(buf).FreieBytes;
    sink = sink + DecodeMesswerte1(buf).Grenzwertflags + DecodeMesswerte2(buf).BeruehrungsstromNL1;
    sink = sink + DecodeRohwert(buf);
    const TMessablauf m = DecodeMessablauf(buf);
    sink = sink + m.Messschritt + m.Ablaufphase;
    for (int t = 0; t < LimitTableCount; ++t)
        sink = sink + LimitCode(TLimitTable(t), m.LimitIndex[size_t(t)]);

    TSpeicherSatz satz;
    for (int p = 0; p < DatensatzPieces; ++p)
        satz.setPiece(p, buf + 8 * p);
    const TUebernahmeWerte w = DecodeSpeicherSatz(satz);
    sink = sink + w.UNstrBarcode.size() + w.UNblnPruefungsergebnis;

    const TEinstellBlock block = TEinstellBlock::FromBytes(buf);
    const TSettingChange change{TSettingKind(buf[8] % 9), buf[9], buf[10]};
    if (SettingChangeValid(change)) sink = sink + PlanSettingWrite(block, change).Block.ToBytes().size();

    sink = sink + MessageLogText(true, cmd, buf).size() + MessageLogText(false, cmd, buf).size();
    (void)sink;
}
