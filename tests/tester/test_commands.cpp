// The command set over a real bus engine and port, against a fake tester on
// the other end of a pseudo-terminal.

#include "FakeTester.h"

#include "bus/SyncBus.h"
#include "core/Logs.h"
#include "tester/Commands.h"
#include "tester/Mailbox.h"
#include "tester/MeasuringModes.h"
#include "tester/ModeApply.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tester_test;

namespace {

class CommandSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.ok()) << "pseudo-terminal could not be opened as COM1";
        bus.setCate(&line.Cate);
        bus.setTickTime(20);
        bus.setMsgTimeOut(80);
        bus.setWriteLog({});
        tester = std::make_unique<TFakeTester>(line.pty());
        cmds.setBus(&bus);
        // Short time-outs keep the unanswered cases quick.
        cmds.setTimeout(tcRAM, 120);
        cmds.setTimeout(tcReadEEPROM, 120);
        cmds.setTimeout(tcWriteEEPROM, 120);
        cmds.Polling = &gate;
    }

    TEinstellBlock written() const { return TEinstellBlock::FromBytes(tester->last(cmdEinstellungen)->Data); }

    TPtyLine line;
    TSynchroBus bus;
    std::unique_ptr<TFakeTester> tester;
    TTesterCommands cmds;
    QStringList polling;
    TPollingGate gate{[this] { polling << QStringLiteral("pause"); },
                      [this] { polling << QStringLiteral("resume"); }};
};

const QStringList PausedOnce{QStringLiteral("pause"), QStringLiteral("resume")};

} // namespace

TEST_F(CommandSet, IdentificationAnswers)
{
    tester->Firmware = "10299xy";
    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_EQ(v.Text, QStringLiteral("1.02.99 xy"));
    EXPECT_FALSE(v.Compatible());
    EXPECT_EQ(cmds.ReadSerialNumber(), QStringLiteral("1234567890"));
    EXPECT_EQ(cmds.ReadCurrentLanguage(), QStringLiteral("de"));
    EXPECT_EQ(tester->commands(), (QList<quint8>{0x10, 0x11, 0x3B}));
    const TProtok *req = tester->last(cmdProgrammversion);
    EXPECT_EQ(req->Addr, AddrPc);
    EXPECT_TRUE(polling.isEmpty()); // identification runs before polling starts
}

TEST_F(CommandSet, UnansweredIdentificationStaysEmpty)
{
    tester->Silent = {cmdSeriennummer};
    EXPECT_EQ(cmds.ReadSerialNumber(), QString());
    // Three procedure attempts, each with the bus engine's three tries.
    EXPECT_EQ(tester->count(cmdSeriennummer), 9);
}

TEST_F(CommandSet, ClassThreeUnder0751IsWrittenAsClassTwo)
{
    tester->Block.SchutzklasseFlags = 1 | skDin0751;
    tester->Block.Messzeit = 30;
    ASSERT_TRUE(cmds.SetSchutzklasse(3));
    EXPECT_EQ(tester->commands(), (QList<quint8>{0x34, 0x66}));
    const TEinstellBlock b = written();
    EXPECT_EQ(b.Schutzklasse(), 2);
    EXPECT_TRUE(b.Menueflags & mfBeruehrstrom);
    EXPECT_TRUE(b.Sperrflags & spPcSchreibt);
    EXPECT_EQ(b.Aktion, 0); // the junk of the answer is not written back
    EXPECT_EQ(b.Messzeit, 30);
    EXPECT_EQ(polling, PausedOnce);
}

TEST_F(CommandSet, MeasuringTimeKeepsSperrflagsAndActionsKeepTheirBits)
{
    tester->Block.Sperrflags = spNetzspannung | spEinstellsperre;
    ASSERT_TRUE(cmds.SetMesszeit(250));
    EXPECT_EQ(written().Sperrflags, spNetzspannung | spEinstellsperre);
    EXPECT_EQ(written().Messzeit, 250);

    ASSERT_TRUE(cmds.SendAktion(0xFF));
    ASSERT_TRUE(cmds.SendStartFreigabe());
    EXPECT_EQ(tester->Actions, (QList<quint8>{0x00, 0x17, 0x40}));
}

TEST_F(CommandSet, VisualInspectionAlreadyReportedSendsNoWrite)
{
    tester->Block.MessablaufFlags = maSichtBestanden;
    EXPECT_TRUE(cmds.SetSichtBestanden(true));
    EXPECT_EQ(tester->commands(), QList<quint8>{0x34});
    EXPECT_TRUE(cmds.SetSichtNichtAbgefragt(true));
    EXPECT_EQ(tester->count(cmdEinstellungen), 1);
    EXPECT_TRUE(written().SchutzklasseFlags & skSichtNichtAbgefragt);
}

TEST_F(CommandSet, InsulationModeWritesDifferentialBitFirst)
{
    tester->Block.SchutzklasseFlags = 1;
    tester->Block.Menueflags = mfIsolation;
    ASSERT_TRUE(cmds.SetIsolationMode(2));
    EXPECT_EQ(tester->commands(), (QList<quint8>{0x34, 0x66, 0x34, 0x66}));
    EXPECT_EQ(tester->Block.IsolationMode(), 2);
    EXPECT_EQ(tester->Block.Menueflags & mfIsolation, 0);

    // When the first write fails, the second is not made.
    tester->Received.clear();
    tester->Silent = {cmdEinstellungen};
    EXPECT_FALSE(cmds.SetIsolationMode(1));
    EXPECT_EQ(tester->count(cmdFlags), 3);
    EXPECT_EQ(tester->count(cmdEinstellungen), 9);
    EXPECT_EQ(tester->Block.IsolationMode(), 2);
}

TEST_F(CommandSet, WriteRetriedAfterLostAnswer)
{
    tester->Drop[cmdEinstellungen] = 3; // the bus engine's three tries of the first $66
    ASSERT_TRUE(cmds.SetEinstellsperre(true));
    EXPECT_EQ(tester->commands(), (QList<quint8>{0x34, 0x66, 0x66, 0x66, 0x34, 0x66}));
    EXPECT_TRUE(tester->Block.Sperrflags & spEinstellsperre);
    EXPECT_EQ(polling, PausedOnce);
}

TEST_F(CommandSet, OutOfRangeArgumentsSendNothing)
{
    EXPECT_FALSE(cmds.SetSchutzklasse(4));
    EXPECT_FALSE(cmds.SetDinVde(3));
    EXPECT_FALSE(cmds.SetMesszeit(0));
    EXPECT_FALSE(cmds.SetIsolationMode(3));
    EXPECT_FALSE(cmds.LimitWrite(ltSchutzleiterwid, 10));
    EXPECT_FALSE(cmds.LimitWrite(ltDifferenzstrom, -1));
    EXPECT_TRUE(polling.isEmpty());
    // A command behind them: once it has arrived, anything sent before would have too.
    cmds.SendAutosend(0);
    ASSERT_TRUE(gt_test::waitFor([&] { return tester->count(cmdAutosend) == 1; }));
    EXPECT_EQ(tester->commands(), QList<quint8>{cmdAutosend});
}

TEST_F(CommandSet, LimitWriteReplacesOneIndex)
{
    tester->Limits[0] = 1;
    tester->Limits[1] = 2;
    tester->Limits[2] = 3;
    tester->Limits[3] = 0;
    ASSERT_TRUE(cmds.LimitWrite(ltAbleitstrom, 17));
    EXPECT_EQ(tester->commands(), (QList<quint8>{0x3A, 0x68}));
    EXPECT_EQ(MsgDataToStr(*tester->last(cmdGrenzwertIndex)), QByteArray("\x01\x02\x11", 3));
    ASSERT_TRUE(cmds.LimitWrite(ltSchutzleiterwid, 9));
    EXPECT_EQ(tester->Limits[0], 9);
    EXPECT_EQ(tester->Limits[2], 17);
    EXPECT_EQ(polling, PausedOnce + PausedOnce);
}

TEST_F(CommandSet, NoAnswerFailsAfterThreeAttemptsAndResumes)
{
    tester->Silent = {cmdMessablauf};
    EXPECT_FALSE(cmds.LimitWrite(ltIsolationswid, 5));
    EXPECT_EQ(tester->count(cmdMessablauf), 9);
    EXPECT_EQ(tester->count(cmdGrenzwertIndex), 0);
    EXPECT_EQ(polling, PausedOnce);
}

TEST_F(CommandSet, ClosedPortEndsTheRetryLoop)
{
    tester->Silent = {cmdFlags};
    int asked = 0;
    cmds.PortOpen = [&] { return asked++ < 2; }; // open at the start and for the first attempt
    EXPECT_FALSE(cmds.SetSchutzklasse(1));
    EXPECT_EQ(tester->count(cmdFlags), 3); // one attempt
    EXPECT_EQ(polling, PausedOnce);

    // Closed from the start: nothing sent, polling untouched.
    polling.clear();
    cmds.PortOpen = [] { return false; };
    EXPECT_FALSE(cmds.LimitWrite(ltSchutzleiterwid, 0));
    EXPECT_TRUE(polling.isEmpty());
}

TEST_F(CommandSet, LanguageListSkipsBlankEntriesAndKeepsTesterIndexes)
{
    tester->Languages = {QStringLiteral("de"), QStringLiteral("en"), QString(), QStringLiteral("fr")};
    tester->CurrentLanguage = 3;
    const TLanguageList list = cmds.LanguageList();
    EXPECT_TRUE(list.Answered);
    EXPECT_EQ(list.Text(), QStringLiteral("de,en,fr"));
    EXPECT_EQ(list.Indexes, (QList<int>{0, 1, 3}));
    EXPECT_EQ(list.Count, 4);
    EXPECT_EQ(list.CurrentPosition(), 2);
    EXPECT_EQ(list.IndexOf(QStringLiteral("fr")), 3);
    EXPECT_EQ(list.IndexOf(QStringLiteral("it")), -1);
    EXPECT_EQ(tester->count(cmdSprachEintrag), 4);
    EXPECT_EQ(polling, PausedOnce);
}

TEST_F(CommandSet, LanguageChoiceSendsTheTestersIndex)
{
    tester->Languages = {QStringLiteral("en"), QString(), QStringLiteral("de")};
    tester->Block.Geraeteflags = gfSprachwahl;
    QString code;
    ASSERT_EQ(cmds.ChooseLanguage(QStringLiteral("de"), code), lcGewaehlt);
    EXPECT_EQ(tester->last(cmdSprachwahl)->Data[0], 2);
    EXPECT_EQ(code, QStringLiteral("de"));
    EXPECT_EQ(polling, PausedOnce);
}

TEST_F(CommandSet, LanguageChoiceWithoutOfferSendsOnlyTheFlagsRequest)
{
    tester->Block.Geraeteflags = 0;
    QString code = QStringLiteral("xx");
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("de"), code), lcKeineWahl);
    EXPECT_EQ(tester->commands(), QList<quint8>{0x34});
    EXPECT_EQ(code, QStringLiteral("xx"));
}

TEST_F(CommandSet, StoredRecordReadOut)
{
    tester->RecordCount = 2;
    tester->Record[0] = 3;
    tester->Record[3] = 2;
    tester->Record[32] = 0x21;
    tester->Record[33] = 0x43;
    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 2);
    EXPECT_EQ(stand.FreieBytes, 0x1234);
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    TSpeicherSatz satz;
    ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(DecodeSpeicherSatz(satz).UNstrBarcode, QStringLiteral("123"));
    EXPECT_EQ(DecodeSpeicherSatz(satz).UNintSchutzklasse, 2);
    ASSERT_TRUE(cmds.EepromFunktion(EepromSatzGelesen));
    EXPECT_EQ(tester->commands(), (QList<quint8>{0x33, 0x70, 0x20, 0x21, 0x22, 0x23, 0x24, 0x70}));
    EXPECT_EQ(tester->Received[1].Data[0], 'T');

    tester->Silent = {cmdDatensatzC};
    EXPECT_FALSE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(tester->last(cmdDatensatzD), &tester->Received[5]); // stopped at the failing piece
}

// Writes asked for while another exchange waits are queued, not dropped, and
// go out in order once nothing waits.
TEST_F(CommandSet, WritesWhileAnotherExchangeWaitsAreQueuedAndSentAfterIt)
{
    tester->Silent = {cmdSeriennummer};
    bool nested = false;
    QString chosen = QStringLiteral("xx");
    TLanguageChoiceResult lang = lcGewaehlt;
    int sentDuringWait = -1;
    QTimer::singleShot(30, [&] {
        EXPECT_TRUE(cmds.Busy());
        nested = cmds.SetMesszeit(20);
        EXPECT_TRUE(cmds.LimitWrite(ltAbleitstrom, 7));
        lang = cmds.ChooseLanguage(QStringLiteral("de"), chosen);
        sentDuringWait = tester->count(cmdFlags) + tester->count(cmdMessablauf);
    });
    TProtok answer;
    EXPECT_FALSE(cmds.AskTester(cmdSeriennummer, {}, 200, answer));
    EXPECT_TRUE(nested);
    EXPECT_EQ(lang, lcVorgemerkt);
    EXPECT_EQ(sentDuringWait, 0);
    EXPECT_EQ(cmds.QueuedCount(), 3);
    EXPECT_TRUE(polling.isEmpty());

    tester->Block.Geraeteflags = gfSprachwahl;
    tester->Languages = {QStringLiteral("en"), QStringLiteral("de")};
    // The queued choice is announced when it runs: the status bar follows it.
    QStringList announced;
    QObject::connect(&cmds, &TTesterCommands::languageChosen, [&](const QString &c) { announced << c; });
    EXPECT_EQ(cmds.RunQueued(), 3);
    EXPECT_EQ(announced, QStringList{QStringLiteral("de")});
    EXPECT_EQ(cmds.QueuedCount(), 0);
    EXPECT_EQ(tester->Block.Messzeit, 20);
    EXPECT_EQ(tester->Limits[ltAbleitstrom], 7);
    EXPECT_EQ(tester->CurrentLanguage, 1);
    QList<quint8> order;
    for (quint8 c : tester->commands())
        if (c == cmdEinstellungen || c == cmdGrenzwertIndex || c == cmdSprachwahl) order << c;
    EXPECT_EQ(order, (QList<quint8>{cmdEinstellungen, cmdGrenzwertIndex, cmdSprachwahl}));
}

// Connecting must not stall: a list that lacks the code is not read again,
// and an entry that fails every attempt ends the list.
TEST_F(CommandSet, LanguageChoiceGivesUpQuicklyOnMissingCodeOrSilentEntry)
{
    tester->Block.Geraeteflags = gfSprachwahl;
    tester->Languages = {QStringLiteral("en"), QStringLiteral("fr")};
    QString code;
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("de"), code), lcFehler);
    EXPECT_EQ(tester->count(cmdFlags), 1);
    EXPECT_EQ(tester->count(cmdSprachEintrag), 2);

    // A tester announcing 255 entries that answers only the first.
    tester->Received.clear();
    tester->Languages = QStringList(255, QString());
    tester->Languages[0] = QStringLiteral("en");
    tester->Silent = {};
    int asked = 0;
    QObject::connect(&bus, &TSynchroBus::msgReceived, [&](const TProtok &m) {
        if (m.Cmd == cmdSprachEintrag && ++asked == 1) tester->Silent = {cmdSprachEintrag};
    });
    const TLanguageList list = cmds.LanguageList();
    EXPECT_EQ(list.Codes, QStringList{QStringLiteral("en")});
    // Entry 0, then entry 1 with its three procedure attempts of three tries each.
    EXPECT_EQ(tester->count(cmdSprachEintrag), 1 + 9);
}

TEST_F(CommandSet, SpontaneousReportsReachTheMailbox)
{
    TAutosendMailbox box;
    int languageReports = 0;
    QObject::connect(&bus, &TSynchroBus::msgUnhandled, [&](const TProtok &m) {
        box.Dispatch(m);
        if (m.Cmd == cmdSprache) ++languageReports;
    });
    cmds.SendAutosend(AutosendMaskeStandard);
    ASSERT_TRUE(gt_test::waitFor([&] { return tester->count(cmdAutosend) == 1; }));
    EXPECT_EQ(MsgDataToStr(*tester->last(cmdAutosend)), QByteArray("\x9C\x07", 2));

    tester->report(cmdMesswerte1, QByteArray("\x01\x00", 2));
    tester->report(cmdMesswerte1, QByteArray("\x02\x00", 2));
    tester->report(cmdSprache, QByteArray("\x00\x64\x65", 3)); // not a mailbox report
    ASSERT_TRUE(gt_test::waitFor([&] { return languageReports == 1; }));
    EXPECT_EQ(box.Slot(4).Data[0], 2);
    EXPECT_EQ(box.AutosendPending, AutosendPendingBit(4));

    cmds.SendAutosend(0);
    ASSERT_TRUE(gt_test::waitFor([&] { return tester->count(cmdAutosend) == 2; }));
    EXPECT_EQ(MsgDataToStr(*tester->last(cmdAutosend)), QByteArray());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(tester->last(cmdAutosend)->Data), 1),
              QByteArray(1, '\0'));
}

TEST_F(CommandSet, ProgramLogNamesSentAndReceivedMessages)
{
    QTemporaryDir dir;
    TProgramLog log;
    ASSERT_TRUE(log.Open(dir.filePath(QStringLiteral("pgm.log"))));
    QObject::connect(&bus, &TSynchroBus::sendMsg, [&](const TProtok &m) { WriteMessageLog(&log, m, true); });
    QObject::connect(&bus, &TSynchroBus::msgReceived,
                     [&](const TProtok &m) { WriteMessageLog(&log, m, false); });
    ASSERT_TRUE(cmds.SetSchutzklasse(1));
    cmds.SendAutosend(AutosendMaskeStandard);
    ASSERT_TRUE(gt_test::waitFor([&] { return tester->count(cmdAutosend) == 1; }));
    log.Close();

    QFile f(dir.filePath(QStringLiteral("pgm.log")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QStringList names;
    for (const QString &logLine : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        names << logLine.section(QStringLiteral(" = "), 1);
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Sendung $34: verschiedene Flags abfragen"),
                           QStringLiteral("Empfang $34: verschiedene Flags abfragen"),
                           QStringLiteral("Sendung $66: verschiedene Einstellungen vorgeben"),
                           QStringLiteral("Empfang $66: verschiedene Einstellungen vorgeben"),
                           QStringLiteral("Sendung $67: Autosend-Funktionen festlegen: $32 $33 $34 $37 "
                                          "$38 $39 $3A")}));
}

// Every row of the mode table, applied from each of the three standards, ends
// with the row's standard and class on the tester (a class III row applied
// from 0751 used to end as class II).
TEST_F(CommandSet, EveryModeRowFromEveryStandardEndsAsTheRowSays)
{
    const TModeWriter w = TModeWriter::ForCommands(&cmds);
    for (int from = 0; from <= 2; ++from) {
        for (int row = 0; row < ModeRowCount; ++row) {
            TEinstellBlock start;
            start.Menueflags = from == 1 ? mfDin0702 : 0;
            start.SchutzklasseFlags = quint8((from == 2 ? skDin0751 | 2 : 3));
            tester->Block = start;
            const TModeSettings m = ModeSettingsForRow(row);
            ASSERT_TRUE(ApplyModeSettings(w, m)) << "row " << row << " from " << from;
            const TEinstellBlock &b = tester->Block;
            const int din = (b.SchutzklasseFlags & skDin0751) ? 2 : (b.Menueflags & mfDin0702) ? 1 : 0;
            EXPECT_EQ(din, m.DinVde) << "row " << row << " from " << from;
            EXPECT_EQ(b.Schutzklasse(), m.Schutzklasse) << "row " << row << " from " << from;
            EXPECT_EQ(bool(b.Menueflags & mfAutomatisch), m.Automatik != 0) << "row " << row;
        }
    }
}
