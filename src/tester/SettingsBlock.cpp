#include "tester/SettingsBlock.h"

TEinstellBlock TEinstellBlock::FromBytes(const quint8 *Data)
{
    TEinstellBlock b;
    b.Menueflags = Data[0];
    b.Geraeteflags = Data[1];
    b.SchutzklasseFlags = Data[2];
    b.Messzeit = Data[3];
    b.Schaltflags = Data[4];
    b.Sperrflags = Data[5];
    b.MessablaufFlags = Data[6];
    b.Aktion = Data[7];
    return b;
}

QByteArray TEinstellBlock::ToBytes() const
{
    const char bytes[8] = {char(Menueflags),  char(Geraeteflags), char(SchutzklasseFlags), char(Messzeit),
                           char(Schaltflags), char(Sperrflags),   char(MessablaufFlags),   char(Aktion)};
    return QByteArray(bytes, 8);
}

int TEinstellBlock::DinVde() const
{
    if (SchutzklasseFlags & skDin0751) return 2;
    return (Menueflags & mfDin0702) ? 1 : 0;
}

int TEinstellBlock::IsolationMode() const
{
    if (Menueflags & mfIsolDiff) return 2;
    return (Menueflags & mfIsolation) ? 1 : 0;
}

namespace {

bool IsWritableMenueBit(quint8 bit)
{
    switch (bit) {
    case mfAutomatisch:
    case mfIsolation:
    case mfManuGrenz:
    case mfBeruehrstrom:
    case mfSteuerbarcode:
    case mfIsolDiff:
        return true;
    default:
        return false;
    }
}

void SetBit(quint8 &byte, quint8 mask, bool on)
{
    if (on)
        byte |= mask;
    else
        byte &= quint8(~mask);
}

} // namespace

bool SettingChangeValid(const TSettingChange &Change)
{
    switch (Change.Kind) {
    case scMenueBit:
        return IsWritableMenueBit(Change.Bit);
    case scDinVde:
        return Change.Value >= 0 && Change.Value <= 2;
    case scSchutzklasse:
        return Change.Value >= 1 && Change.Value <= 3;
    case scMesszeit:
        return Change.Value >= 1 && Change.Value <= 250;
    case scEinstellsperre:
    case scSichtNichtAbgefragt:
    case scSichtBestanden:
    case scAktion:
    case scStartFreigabe:
        return true;
    }
    return false;
}

void ApplyConsistencyRule(TEinstellBlock &Block)
{
    if ((Block.SchutzklasseFlags & skDin0751) && Block.Schutzklasse() == 3)
        Block.SchutzklasseFlags = quint8((Block.SchutzklasseFlags & ~skKlasseMask) | 2);
    if (Block.Schutzklasse() == 2 && !(Block.Menueflags & mfIsolation)) Block.Menueflags |= mfBeruehrstrom;
    if (Block.Schutzklasse() == 3) {
        Block.Menueflags |= mfIsolation;
        Block.Menueflags &= quint8(~mfIsolDiff);
    }
}

TSettingWrite PlanSettingWrite(const TEinstellBlock &Read, const TSettingChange &Change)
{
    TSettingWrite w;
    w.Send = true;
    w.Block = Read;
    TEinstellBlock &b = w.Block;
    bool consistency = false;
    bool pcWrites = false;
    quint8 aktion = akKeine;

    switch (Change.Kind) {
    case scMenueBit:
        SetBit(b.Menueflags, Change.Bit, Change.Value != 0);
        consistency = pcWrites = true;
        break;
    case scDinVde:
        SetBit(b.Menueflags, mfDin0702, Change.Value == 1);
        SetBit(b.SchutzklasseFlags, skDin0751, Change.Value == 2);
        consistency = pcWrites = true;
        break;
    case scSchutzklasse:
        b.SchutzklasseFlags = quint8((b.SchutzklasseFlags & ~skKlasseMask) | (Change.Value & skKlasseMask));
        consistency = pcWrites = true;
        break;
    case scEinstellsperre:
        SetBit(b.Sperrflags, spEinstellsperre, Change.Value != 0);
        pcWrites = true;
        break;
    case scMesszeit:
        b.Messzeit = quint8(Change.Value);
        break;
    case scSichtNichtAbgefragt:
        SetBit(b.SchutzklasseFlags, skSichtNichtAbgefragt, Change.Value != 0);
        w.Send = b.SchutzklasseFlags != Read.SchutzklasseFlags;
        w.Timeout = tcRAM;
        break;
    case scSichtBestanden:
        SetBit(b.MessablaufFlags, maSichtBestanden, Change.Value != 0);
        w.Send = b.MessablaufFlags != Read.MessablaufFlags;
        w.Timeout = tcRAM;
        break;
    case scAktion:
        aktion = quint8(Change.Value) & akAktionMaske;
        w.Timeout = tcWriteEEPROM;
        break;
    case scStartFreigabe:
        aktion = akStartFreigabe;
        w.Timeout = tcRAM;
        break;
    }

    if (consistency) ApplyConsistencyRule(b);
    if (pcWrites) b.Sperrflags |= spPcSchreibt;
    b.Aktion = aktion;
    return w;
}
