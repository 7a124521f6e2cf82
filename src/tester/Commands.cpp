#include "tester/Commands.h"

#include "bus/SyncBus.h"
#include "core/Logs.h"
#include "serial/Cate32.h"
#include "tester/CommandNames.h"

namespace {

// Attempts of each procedure around the bus engine's own retries.
constexpr int ProcedureAttempts = 3;

} // namespace

// Counts the procedures running, so queued jobs wait until the outermost ends.
class TTesterCommands::Depth {
public:
    explicit Depth(TTesterCommands &c) : m_c(c) { ++m_c.m_depth; }
    ~Depth() { --m_c.m_depth; }
    Depth(const Depth &) = delete;
    Depth &operator=(const Depth &) = delete;

private:
    TTesterCommands &m_c;
};

bool TTesterCommands::deferIfBusy(std::function<void()> job)
{
    if (!Busy() && m_depth == 0) return false;
    // A quick second click, a write made while a read-out waits: lost
    // otherwise, and the panel would snap back.
    m_queued.push_back(std::move(job));
    return true;
}

int TTesterCommands::RunQueued()
{
    int ran = 0;
    while (!m_queued.empty() && !Busy() && m_depth == 0) {
        if (!IsPortOpen()) {
            m_queued.clear();
            break;
        }
        auto job = std::move(m_queued.front());
        m_queued.pop_front();
        job();
        ++ran;
    }
    return ran;
}

int TLanguageList::IndexOf(const QString &Code) const
{
    const qsizetype pos = Codes.indexOf(Code);
    return pos < 0 ? -1 : Indexes[pos];
}

QByteArray AutosendData(quint16 Maske)
{
    return Maske ? IntToMsgData(Maske) : QByteArray(1, '\0');
}

void WriteMessageLog(TProgramLog *Log, const TProtok &Msg, bool Sent)
{
    if (!Log || !Log->IsOpen()) return;
    Log->Write(MessageLogText(Sent, Msg.Cmd, Msg.Data));
}

bool TTesterCommands::IsPortOpen() const
{
    if (PortOpen) return PortOpen();
    return m_bus && m_bus->Cate() && m_bus->Cate()->IsOpen();
}

bool TTesterCommands::Busy() const
{
    return m_bus && m_bus->RequestPending();
}

bool TTesterCommands::AskTester(quint8 Cmd, const QByteArray &Data, quint32 TimeOut, TProtok &Answer)
{
    if (!m_bus || Busy()) return false;
    return m_bus->RequestMsg(AddrPc, Cmd, Data, {AddrTester}, {Cmd}, TimeOut, Answer);
}

bool TTesterCommands::AskTesterOnce(quint8 Cmd, const QByteArray &Data, TTimeoutClass Class, TProtok &Answer)
{
    if (!m_bus || Busy()) return false;
    const qint32 tries = m_bus->maxTry();
    m_bus->setMaxTry(1);
    const bool ok = AskTester(Cmd, Data, Timeout(Class), Answer);
    m_bus->setMaxTry(tries);
    return ok;
}

void TTesterCommands::SendAutosend(quint16 Maske)
{
    if (m_bus) m_bus->SendMsg(AddrPc, cmdAutosend, AutosendData(Maske));
}

bool TTesterCommands::ReadFirmwareVersion(TFirmwareVersion &Version)
{
    TProtok answer;
    for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt) {
        if (AskTester(cmdProgrammversion, {}, tcRAM, answer)) {
            Version = DecodeFirmwareVersion(answer.Data);
            return true;
        }
    }
    return false;
}

QString TTesterCommands::ReadSerialNumber()
{
    TProtok answer;
    for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt)
        if (AskTester(cmdSeriennummer, {}, tcRAM, answer)) return DecodeSerialNumber(answer.Data);
    return QString();
}

QString TTesterCommands::ReadCurrentLanguage()
{
    TProtok answer;
    for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt) {
        if (!AskTester(cmdSprache, {}, tcRAM, answer)) continue;
        QString code = DecodeCurrentLanguage(answer.Data);
        if (!code.isEmpty()) return code;
    }
    return QString();
}

bool TTesterCommands::ReadModifyWrite(const TSettingChange &Change)
{
    if (!SettingChangeValid(Change) || !IsPortOpen()) return false;
    if (deferIfBusy([this, Change] { ReadModifyWrite(Change); })) return true;
    Depth depth(*this);
    const TPollingPause pause = PausePolling();
    TProtok answer;
    for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt) {
        if (!AskTester(cmdFlags, {}, tcRAM, answer)) continue;
        const TSettingWrite w = PlanSettingWrite(TEinstellBlock::FromBytes(answer.Data), Change);
        if (!w.Send) return true; // the tester already has it
        // A repeated action would count as a second key press on the tester
        // (a repeated "weiter" answers the next query for the operator).
        if (Change.Kind == scAktion)
            return AskTesterOnce(cmdEinstellungen, w.Block.ToBytes(), w.Timeout, answer);
        if (AskTester(cmdEinstellungen, w.Block.ToBytes(), w.Timeout, answer)) return true;
    }
    return false;
}

bool TTesterCommands::SetIsolationMode(int Mode)
{
    if (Mode < 0 || Mode > 2) return false;
    if (!SetMenueBit(mfIsolDiff, Mode == 2)) return false;
    return SetMenueBit(mfIsolation, Mode == 1);
}

bool TTesterCommands::LimitWrite(TLimitTable Table, int Index)
{
    if (!LimitIndexValid(Table, Index) || !IsPortOpen()) return false;
    if (deferIfBusy([this, Table, Index] { LimitWrite(Table, Index); })) return true;
    Depth depth(*this);
    const TPollingPause pause = PausePolling();
    TProtok answer;
    for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt) {
        if (!AskTester(cmdMessablauf, {}, tcRAM, answer)) continue;
        QByteArray indexes(reinterpret_cast<const char *>(answer.Data + 2), LimitTableCount);
        indexes[Table] = char(Index);
        if (AskTester(cmdGrenzwertIndex, indexes, tcReadEEPROM, answer)) return true;
    }
    return false;
}

TLanguageList TTesterCommands::ReadLanguageList()
{
    TLanguageList list;
    TProtok answer;
    auto askEntry = [&](int index) {
        for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt)
            if (AskTester(cmdSprachEintrag, QByteArray(1, char(index)), tcRAM, answer)) return true;
        return false;
    };
    if (!askEntry(0)) return list;
    TLanguageEntry first = DecodeLanguageEntry(answer.Data);
    list.Answered = true;
    list.Count = first.Count;
    list.Current = first.Current;
    if (!first.Code.isEmpty()) {
        list.Codes << first.Code;
        list.Indexes << 0;
    }
    for (int i = 1; i < list.Count; ++i) {
        // An entry that fails every attempt ends the list: a tester that
        // stopped answering must not cost seconds per announced entry.
        if (!askEntry(i)) break;
        const QString code = DecodeLanguageEntry(answer.Data).Code;
        if (code.isEmpty()) continue;
        list.Codes << code;
        list.Indexes << i;
    }
    return list;
}

TLanguageList TTesterCommands::LanguageList()
{
    if (!IsPortOpen() || Busy()) return {};
    Depth depth(*this);
    const TPollingPause pause = PausePolling();
    return ReadLanguageList();
}

TLanguageChoiceResult TTesterCommands::ChooseLanguage(const QString &Code, QString &NewCode)
{
    if (!IsPortOpen()) return lcFehler;
    if (deferIfBusy([this, Code] {
            QString ignored;
            ChooseLanguage(Code, ignored);
        }))
        return lcVorgemerkt;
    Depth depth(*this);
    const TPollingPause pause = PausePolling();
    TProtok answer;
    for (int attempt = 0; attempt < ProcedureAttempts && IsPortOpen(); ++attempt) {
        if (!AskTester(cmdFlags, {}, tcRAM, answer)) continue;
        if (!(TEinstellBlock::FromBytes(answer.Data).Geraeteflags & gfSprachwahl)) return lcKeineWahl;
        // The tester's own index, not the position in the list: they differ
        // when an entry came back empty.
        const TLanguageList list = ReadLanguageList();
        const int index = list.IndexOf(Code);
        // An answered list that lacks the code will lack it next time too.
        if (index < 0 && list.Answered) return lcFehler;
        if (index < 0) continue; // sending no index fits no language
        if (!AskTester(cmdSprachwahl, QByteArray(1, char(index)), tcRAM, answer)) continue;
        NewCode = ReadCurrentLanguage();
        emit languageChosen(NewCode);
        return lcGewaehlt;
    }
    return lcFehler;
}

bool TTesterCommands::ReadSpeicherStand(TSpeicherStand &Stand)
{
    TProtok answer;
    if (!AskTester(cmdDatensatzAnzahl, {}, tcRAM, answer)) return false;
    Stand = DecodeSpeicherStand(answer.Data);
    return true;
}

bool TTesterCommands::EepromFunktion(char Function)
{
    TTimeoutClass cls = tcRAM;
    if (Function == EepromSatzGelesen) cls = tcReadEEPROM;
    if (Function == EepromLesenBeenden) cls = tcWriteEEPROM;
    TProtok answer;
    // "S" moves the read pointer on: sent twice it would skip a record that
    // "C" then deletes unread.
    if (Function == EepromSatzGelesen)
        return AskTesterOnce(cmdEepromFunktion, QByteArray(1, Function), cls, answer);
    return AskTester(cmdEepromFunktion, QByteArray(1, Function), cls, answer);
}

bool TTesterCommands::ReadSpeicherSatz(TSpeicherSatz &Satz)
{
    Satz.Clear();
    TProtok answer;
    for (int piece = 0; piece < DatensatzPieces; ++piece) {
        if (!AskTester(DatensatzCmd(piece), {}, tcReadEEPROM, answer)) return false;
        Satz.setPiece(piece, answer.Data);
    }
    return true;
}
