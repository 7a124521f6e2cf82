#pragma once

// The tester's command set over the bus engine: identification, settings by
// read-modify-write, limit writes, language list and choice, and the requests
// of the stored-record read-out. Every procedure retries as the tester needs
// and fails silently; the tester's next report shows its real state.

#include "bus/Protok.h"
#include "tester/CommandCodes.h"
#include "tester/Decoders.h"
#include "tester/Limits.h"
#include "tester/PollingGate.h"
#include "tester/SettingsBlock.h"
#include "tester/StoredRecord.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class TSynchroBus;
class TProgramLog;

// The languages the tester offers, in the tester's order.
struct TLanguageList {
    QStringList Codes;  // entries with a code; an entry that came back empty is left out
    QList<int> Indexes; // the tester's index of each code (what $69 expects)
    int Count = 0;      // languages reported by entry 0
    int Current = -1;   // the tester's index of its current language, -1 unknown
    bool Answered = false;

    // The codes joined with ",".
    QString Text() const { return Codes.join(QLatin1Char(',')); }
    // The tester's index of a code, -1 when absent.
    int IndexOf(const QString &Code) const;
    // Position of the current language in Codes, -1 when absent.
    int CurrentPosition() const { return Indexes.indexOf(Current); }
};

enum TLanguageChoiceResult {
    lcGewaehlt,   // $69 answered; the new code has been read
    lcKeineWahl,  // the tester offers no choice of language; nothing sent
    lcFehler,     // no answer, code not offered, or port closed
    lcVorgemerkt, // another exchange waited: queued, sent when it ends
};

// Data of a $67 order: the mask low byte first, or one zero byte for off.
QByteArray AutosendData(quint16 Maske);

// One program-log line for a message the bus engine sent or received.
// Does nothing without an open log.
void WriteMessageLog(TProgramLog *Log, const TProtok &Msg, bool Sent);

class TTesterCommands : public QObject {
    Q_OBJECT

public:
    explicit TTesterCommands(TSynchroBus *Bus = nullptr) : m_bus(Bus) {}

    TSynchroBus *Bus() const { return m_bus; }
    void setBus(TSynchroBus *Bus) { m_bus = Bus; }

    // Answer time-outs by class, in milliseconds (configuration, Timing section).
    quint32 Timeout(TTimeoutClass Class) const { return m_timeouts[Class]; }
    void setTimeout(TTimeoutClass Class, quint32 Ms) { m_timeouts[Class] = Ms; }

    // The connection controller's polling, paused around every procedure's
    // exchanges; unset (no controller): nothing to pause.
    TPollingGate *Polling = nullptr;
    [[nodiscard]] TPollingPause PausePolling() { return Polling ? Polling->Pause() : TPollingPause(); }
    // Whether the port is open; unassigned: asks the bus engine's port.
    std::function<bool()> PortOpen;

    bool IsPortOpen() const;
    // True while a request waits for its answer: a second one would be
    // refused by the bus engine, so every procedure gives up at once then.
    bool Busy() const;

    // One request to the tester, answered by the same command from the
    // tester's address. The bus engine retries up to its maxTry.
    bool AskTester(quint8 Cmd, const QByteArray &Data, quint32 TimeOut, TProtok &Answer);
    bool AskTester(quint8 Cmd, const QByteArray &Data, TTimeoutClass Class, TProtok &Answer)
    {
        return AskTester(Cmd, Data, Timeout(Class), Answer);
    }
    // A request the tester must not get twice (an action, moving the read
    // pointer on): a lost answer may mean that it was carried out, so it is
    // sent exactly once and a missing answer counts as failure.
    bool AskTesterOnce(quint8 Cmd, const QByteArray &Data, TTimeoutClass Class, TProtok &Answer);

    // Queues the autosend order ($67, no answer awaited); mask 0 switches it off.
    void SendAutosend(quint16 Maske);

    // Identification at connect; each tried up to 3 times while the port is open.
    bool ReadFirmwareVersion(TFirmwareVersion &Version);
    QString ReadSerialNumber();    // empty without answer
    QString ReadCurrentLanguage(); // empty without answer

    // A setting change as read $34, edit, write $66; up to 3 attempts.
    // Refused (false, nothing sent) for out-of-range arguments. Asked while
    // another exchange waits, it is queued (true) and sent by RunQueued.
    bool ReadModifyWrite(const TSettingChange &Change);
    bool SetMenueBit(quint8 Bit, bool On) { return ReadModifyWrite(TSettingChange::MenueBit(Bit, On)); }
    bool SetDinVde(int Index) { return ReadModifyWrite(TSettingChange::DinVde(Index)); }
    bool SetSchutzklasse(int Klasse) { return ReadModifyWrite(TSettingChange::Schutzklasse(Klasse)); }
    bool SetEinstellsperre(bool On) { return ReadModifyWrite(TSettingChange::Einstellsperre(On)); }
    bool SetMesszeit(int Tenths) { return ReadModifyWrite(TSettingChange::Messzeit(Tenths)); }
    bool SetSichtNichtAbgefragt(bool On) { return ReadModifyWrite(TSettingChange::SichtNichtAbgefragt(On)); }
    bool SetSichtBestanden(bool On) { return ReadModifyWrite(TSettingChange::SichtBestanden(On)); }
    bool SendAktion(quint8 Code) { return ReadModifyWrite(TSettingChange::Aktion(Code)); }
    bool SendStartFreigabe() { return ReadModifyWrite(TSettingChange::StartFreigabe()); }
    // Insulation mode 0..2: the differential bit first, then the insulation
    // bit, the second only when the first succeeded.
    bool SetIsolationMode(int Mode);

    // One limit index as read $3A, write $68; up to 3 attempts. An index
    // outside its table is refused without bus traffic.
    bool LimitWrite(TLimitTable Table, int Index);

    // The tester's languages ($15 for each entry, each tried up to 3 times).
    TLanguageList LanguageList();

    // Switches the tester to a language by its two-letter code when it offers
    // a choice; NewCode receives the tester's code afterwards ($3B). Asked
    // while another exchange waits, it is queued and lcVorgemerkt returned.
    TLanguageChoiceResult ChooseLanguage(const QString &Code, QString &NewCode);

    // Writes and choices queued while another exchange waited, oldest first;
    // sends them once no exchange waits (the connection controller calls
    // this on every tick). Returns how many ran.
    int RunQueued();
    int QueuedCount() const { return int(m_queued.size()); }
    void ClearQueued() { m_queued.clear(); }
    // True while a procedure runs (its exchanges may wait with the loop running).
    bool InProcedure() const { return m_depth > 0; }

    // Requests of the stored-record read-out.
    bool ReadSpeicherStand(TSpeicherStand &Stand);
    // $70 with 'T', 'S' or 'C', each with its own time-out class.
    bool EepromFunktion(char Function);
    // Pieces $20..$24 of the record under the read pointer; false when one fails.
    bool ReadSpeicherSatz(TSpeicherSatz &Satz);

signals:
    // The tester took a language (also a choice that waited in the queue);
    // Code is what it reports now.
    void languageChosen(const QString &Code);

private:
    class Depth;
    TLanguageList ReadLanguageList();
    // Queues the job when an exchange waits or a procedure runs; true if queued.
    bool deferIfBusy(std::function<void()> job);

    TSynchroBus *m_bus = nullptr;
    quint32 m_timeouts[3] = {DefaultTimeoutRAM, DefaultTimeoutReadEEPROM, DefaultTimeoutWriteEEPROM};
    std::deque<std::function<void()>> m_queued;
    int m_depth = 0;
};
