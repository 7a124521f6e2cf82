#include "CateFixture.h"
#include "core/Logs.h"
#include "serial/Cate32.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using gt_test::runPostedEvents;
using gt_test::waitFor;
using gt_test::waitWithoutEvents;

TEST_F(CateTest, OpensMappedPortAndExchangesBlocksBothWays)
{
    TCate cate;
    record(cate);
    cate.setPort(Com1);
    ASSERT_EQ(cate.Port(), Com1);
    ASSERT_TRUE(cate.IsOpen());
    EXPECT_EQ(cate.DevicePath(), line1.slavePath());
    EXPECT_EQ(events, QStringList{"connect"});

    // Sent blocks arrive whole and in order on the far end.
    const QByteArray a("S\x61\x11\x11\0\0\0\0\0\0\0\0", 12), b("second block");
    EXPECT_TRUE(cate.SendData(a.constData(), quint16(a.size())));
    EXPECT_TRUE(cate.SendData(b.constData(), quint16(b.size())));
    EXPECT_EQ(line1.read(int(a.size() + b.size())), a + b);

    // A received block raises OnReceiveBData with its length, on the main thread.
    const QByteArray in("S\xEC\x37\x37\x01\x02\x03\x04\x05\x06\x07\x08", 12);
    ASSERT_TRUE(line1.write(in));
    ASSERT_TRUE(waitFor([&] { return received.size() >= in.size(); }));
    EXPECT_EQ(received, in);
    int total = 0;
    for (int n : blockSizes)
        total += n;
    EXPECT_EQ(total, in.size());
    EXPECT_TRUE(onMainThread);

    cate.setPort(NoPort);
    EXPECT_EQ(cate.Port(), NoPort);
    EXPECT_FALSE(cate.IsOpen());
    EXPECT_EQ(events, (QStringList{"connect", "disconnect"}));
}

TEST_F(CateTest, ReceiveSDataCarriesBytesAsCharactersWhenNobodyListensForBytes)
{
    TCate cate;
    QString text;
    int sEvents = 0;
    QObject::connect(&cate, &TCate::receiveSData, [&](const QString &d) {
        text += d;
        ++sEvents;
    });
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    ASSERT_TRUE(line1.write(QByteArray("A\xE4Z", 3)));
    ASSERT_TRUE(waitFor([&] { return text.size() >= 3; }));
    EXPECT_EQ(text, QString::fromLatin1("A\xE4Z"));

    // The binary signal takes precedence once somebody listens to it.
    int bEvents = 0;
    QObject::connect(&cate, &TCate::receiveBData, [&](const quint8 *, quint16) { ++bEvents; });
    const int before = sEvents;
    ASSERT_TRUE(line1.write("x"));
    ASSERT_TRUE(waitFor([&] { return bEvents > 0; }));
    EXPECT_EQ(sEvents, before);
}

TEST_F(CateTest, FarEndClosingRequestsHangupAndLaterCloseIsClean)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    record(cate);
    cate.setLogfileName(log);
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    line1.closeMaster();
    ASSERT_TRUE(waitFor([&] { return events.contains("hangup"); }));
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(events.count("hangup"), 1);

    // The port stays "open" until the owner reacts; sending may or may not be
    // accepted, but nothing breaks.
    cate.SendData("abc", 3);
    ASSERT_TRUE(runPostedEvents());
    cate.setPort(NoPort);
    EXPECT_EQ(events.last(), "disconnect");
    EXPECT_FALSE(cate.IsOpen());
    const QStringList texts = logTexts(log);
    EXPECT_TRUE(texts.contains("ERROR_INVALID_HANDLE, Port wurde vom Provider geschlossen"));
    EXPECT_TRUE(texts.contains("Read Thread wird beendet"));
    EXPECT_TRUE(texts.contains("Write Thread wird beendet"));
    EXPECT_EQ(texts.last(), "--- Logfile-Ende ---");
}

TEST_F(CateTest, WriteThreadThatLostTheDeviceRefusesFurtherBlocks)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    record(cate);
    cate.setLogfileName(log);
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    line1.closeMaster();
    // The first blocks are still queued; once a write has failed the thread is gone.
    ASSERT_TRUE(waitFor([&] { return !cate.SendData("x", 1); }));
    cate.setPort(NoPort);
    const QStringList texts = logTexts(log);
    EXPECT_TRUE(texts.contains("Fehler beim Senden im Write Thread"));
    EXPECT_TRUE(texts.contains("Write Thread übernimmt keine Daten!"));
}

TEST_F(CateTest, LineWithoutFarEndFailsToOpenOrHangsUpAfterConnect)
{
    TCate cate;
    record(cate);
    line1.closeMaster();
    cate.setPort(Com1);
    // Whichever the system does, nothing is raised before OnConnect.
    if (cate.IsOpen()) {
        EXPECT_TRUE(waitFor([&] { return events.contains("hangup"); }));
        EXPECT_EQ(events, (QStringList{"connect", "hangup"}));
    } else {
        ASSERT_TRUE(runPostedEvents());
        EXPECT_TRUE(events.isEmpty());
    }
    cate.setPort(NoPort);

    // The far end goes while the open waits for its threads.
    events.clear();
    QTimer::singleShot(0, [&] { line2.closeMaster(); });
    cate.setPort(Com2);
    ASSERT_TRUE(waitFor([&] { return events.contains("hangup"); }));
    EXPECT_EQ(events, (QStringList{"connect", "hangup"}));
}

TEST_F(CateTest, HangupInOwnerHandlerClosesPortInsideTheEvent)
{
    TCate cate;
    int hangups = 0;
    QObject::connect(&cate, &TCate::requestHangup, [&] {
        ++hangups;
        cate.setPort(NoPort);
    });
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    line1.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !cate.IsOpen(); }));
    ASSERT_TRUE(runPostedEvents());
    EXPECT_EQ(hangups, 1);
    EXPECT_EQ(cate.Port(), NoPort);
}

TEST_F(CateTest, StaleHangupDoesNotReachTheNextConnection)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    record(cate);
    cate.setLogfileName(log);
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    line1.closeMaster();
    // Wait without running the event loop until the read thread noticed:
    // its hangup stays queued while the port is reopened.
    ASSERT_TRUE(waitWithoutEvents([&] { return fileContains(log, "Port wurde vom Provider geschlossen"); }));
    cate.setPort(Com2);
    ASSERT_TRUE(cate.IsOpen());
    ASSERT_TRUE(runPostedEvents());
    EXPECT_FALSE(events.contains("hangup"));
    EXPECT_TRUE(cate.IsOpen());
}

TEST_F(CateTest, SendWhileClosedFailsAndIsLogged)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    cate.setLogfileName(log);
    EXPECT_FALSE(cate.SendData("x", 1));
    cate.setLogfileName(QString());
    EXPECT_TRUE(logTexts(log).contains("Write Thread wurde nicht eingerichtet!"));
}

TEST_F(CateTest, MissingDeviceLeavesNoPortAndRaisesOnlyWhenAsked)
{
    TCate cate;
    record(cate);
    cate.setPort(Com3);
    EXPECT_EQ(cate.Port(), NoPort);
    EXPECT_FALSE(cate.IsOpen());
    EXPECT_TRUE(events.isEmpty());

    cate.setCreateExceptions(true);
    try {
        cate.setPort(Com3);
        ADD_FAILURE() << "no exception";
    } catch (const ECommsError &e) {
        EXPECT_EQ(e.Message(), "Fehler beim Öffnen der Schnittstelle");
    }
    EXPECT_EQ(cate.Port(), NoPort);
}

TEST_F(CateTest, DeviceThatIsNoTerminalIsRefused)
{
    const QString plain = dir.filePath("plain-file");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    mapPort(4, plain);
    TCate cate;
    cate.setCreateExceptions(true);
    try {
        cate.setPort(Com4);
        ADD_FAILURE() << "no exception";
    } catch (const ECommsError &e) {
        EXPECT_EQ(e.Message(), "File Handle ist kein Comm Handle.");
    }
    EXPECT_EQ(cate.Port(), NoPort);
    EXPECT_FALSE(cate.IsOpen());
}

TEST_F(CateTest, PortIsOpenedExclusively)
{
    TCate first, second;
    first.setPort(Com1);
    ASSERT_TRUE(first.IsOpen());
    second.setPort(Com1);
    EXPECT_EQ(second.Port(), NoPort);
    first.setPort(NoPort);
    second.setPort(Com1);
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(CateTest, AssigningAnotherPortSwitchesWithoutDisconnect)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    record(cate);
    cate.setLogfileName(log);
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    cate.setPort(Com2);
    EXPECT_EQ(cate.Port(), Com2);
    EXPECT_EQ(events, (QStringList{"connect", "connect"}));
    // The old port's log block ended with it.
    EXPECT_TRUE(cate.LogfileName().isEmpty());
    EXPECT_EQ(logTexts(log).last(), "--- Logfile-Ende ---");

    // COM1 is free again; COM2 carries the traffic now.
    TCate other;
    other.setPort(Com1);
    EXPECT_TRUE(other.IsOpen());
    ASSERT_TRUE(cate.SendData("via2", 4));
    EXPECT_EQ(line2.read(4), "via2");
}

TEST_F(CateTest, LineSettingsApplyWhileOpenAndOnlyStoreWhileClosed)
{
    TCate cate;
    EXPECT_EQ(cate.ReadInterval(), 1u);
    cate.setReadInterval(0);
    EXPECT_EQ(cate.ReadInterval(), 0xFFFFFFFFu);
    cate.setDtrMode(TMode::Toggle);
    EXPECT_EQ(cate.DtrMode(), TMode::Handshake);

    auto speed = [&] {
        termios t{};
        tcgetattr(line1.masterFd(), &t);
        return cfgetospeed(&t);
    };
    auto cflag = [&] {
        termios t{};
        tcgetattr(line1.masterFd(), &t);
        return t.c_cflag;
    };
    cate.setBaudRate(TBaudRate::___2400);
    EXPECT_NE(speed(), speed_t(B2400)); // closed: nothing reaches the line
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    EXPECT_EQ(speed(), speed_t(B2400));
    EXPECT_FALSE(cflag() & CSTOPB);

    cate.setBaudRate(TBaudRate::__19200);
    cate.setParity(TParity::Even);
    cate.setDataBits(TDataBits::_7);
    cate.setStopBits(TStopBits::_2);
    EXPECT_EQ(speed(), speed_t(B19200));
    EXPECT_TRUE(cflag() & CSTOPB);
    // Rates without a termios constant go through the arbitrary-rate interface.
    cate.setBaudRate(TBaudRate::__56000);
    EXPECT_EQ(cflag() & CBAUD, tcflag_t(CBAUDEX));
    // (A pseudo-terminal forces 8 bits without parity whatever it is told.)

    // Pseudo-terminals have no modem lines: reading them fails soft.
    EXPECT_FALSE(cate.CtsState());
    EXPECT_FALSE(cate.DsrState());

    cate.setRtsMode(TMode::Enable);
    cate.setDtrMode(TMode::Enable);
    cate.setPort(NoPort);
    EXPECT_EQ(cate.RtsMode(), TMode::Disable);
    EXPECT_EQ(cate.DtrMode(), TMode::Disable);
}

TEST_F(CateTest, NullBytesAreDroppedOnlyWithDcbNull)
{
    TCate cate;
    record(cate);
    cate.setReadInterval(0);
    cate.setFlags({dcbBinaryMode, dcbNull});
    cate.setPort(Com1);
    ASSERT_TRUE(line1.write(QByteArray("a\0b\0", 4)));
    // A last byte behind them: once it is here, any null would have come first.
    ASSERT_TRUE(line1.write("c"));
    ASSERT_TRUE(waitFor([&] { return received.endsWith('c'); }));
    EXPECT_EQ(received, "abc");

    received.clear();
    cate.setFlags({dcbBinaryMode});
    ASSERT_TRUE(line1.write(QByteArray("a\0", 2)));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 2; }));
    EXPECT_EQ(received, QByteArray("a\0", 2));
}

TEST_F(CateTest, ComLogRecordsOneBlockPerConnection)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    record(cate);
    cate.setLogTicks(true);
    cate.setLogfileName(log);
    cate.setLogTicks(false); // captured at opening: no effect on this block
    cate.setPort(Com1);
    ASSERT_TRUE(cate.SendData("\x01\xAB", 2));
    ASSERT_EQ(line1.read(2), "\x01\xAB");
    ASSERT_TRUE(line1.write("\x7F"));
    ASSERT_TRUE(waitFor([&] { return received.size() == 1; }));
    cate.setPort(NoPort);

    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString all = QString::fromUtf8(f.readAll());
    ASSERT_TRUE(all.endsWith("\r\n"));
    const QStringList lines = all.split("\r\n", Qt::SkipEmptyParts);
    const QRegularExpression stamp(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}#\d{16,} - )");
    for (const QString &l : lines)
        EXPECT_TRUE(stamp.match(l).hasMatch()) << l.toStdString();

    const QStringList texts = logTexts(log);
    ASSERT_GE(texts.size(), 4);
    EXPECT_EQ(texts[0], "");
    EXPECT_EQ(texts[1], "--- Logfile-Start ---");
    EXPECT_EQ(texts[2], "Schnittstelle auf COM1 wird geöffnet");
    EXPECT_TRUE(texts.contains("Read Thread wurde erzeugt"));
    EXPECT_TRUE(texts.contains("Write Thread wurde erzeugt"));
    EXPECT_TRUE(texts.contains("Daten werden gesendet: 01 AB"));
    EXPECT_TRUE(texts.contains("Daten wurden empfangen: 7F"));
    const QStringList closing{"Schnittstelle wird geschlossen", "Read Thread wird geschlossen",
                              "Write Thread wird geschlossen"};
    qsizetype at = 0;
    for (const QString &c : closing) {
        const qsizetype i = texts.indexOf(c, at);
        EXPECT_GE(i, at) << c.toStdString();
        at = i;
    }
    EXPECT_EQ(texts.last(), "--- Logfile-Ende ---");
    EXPECT_TRUE(cate.LogfileName().isEmpty());
}

TEST_F(CateTest, ComLogSwitchesItselfOffWhenItCannotBeWritten)
{
    const QString notADir = dir.filePath("plain");
    {
        QFile f(notADir);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TCate cate;
    cate.setLogfileName(notADir + "/com.log");
    EXPECT_TRUE(cate.LogfileName().isEmpty());
    EXPECT_FALSE(ComLogIsOpen());
    cate.setPort(Com1); // works without a log
    EXPECT_TRUE(cate.IsOpen());
}

TEST_F(CateTest, SameLogNameTwiceEndsAndStartsABlock)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    cate.setLogfileName(log);
    cate.setLogfileName(log);
    cate.setLogfileName(QString());
    EXPECT_EQ(logTexts(log), (QStringList{"", "--- Logfile-Start ---", "--- Logfile-Ende ---", "",
                                          "--- Logfile-Start ---", "--- Logfile-Ende ---"}));
}

TEST_F(CateTest, DestroyingAnOpenComponentRunsNoOwnerHandler)
{
    bool disconnected = false;
    {
        TCate cate;
        QObject::connect(&cate, &TCate::disconnected, [&] { disconnected = true; });
        cate.setPort(Com1);
        ASSERT_TRUE(cate.IsOpen());
        ASSERT_TRUE(line1.write("pending"));
        cate.SendData("bye", 3);
    }
    ASSERT_TRUE(runPostedEvents());
    EXPECT_FALSE(disconnected);
    // The device is free again.
    TCate again;
    again.setPort(Com1);
    EXPECT_TRUE(again.IsOpen());
}

// The read thread announces arriving characters only while somebody listens:
// a listener that comes while the port is open must hear them too.
TEST_F(CateTest, CharReceivedReachesAListenerAddedWhileOpen)
{
    TCate cate;
    record(cate);
    cate.setPort(Com1);
    int chars = 0;
    QObject::connect(&cate, &TCate::charReceived, [&] { ++chars; });
    ASSERT_TRUE(line1.write("abc"));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 3 && chars >= 1; }));
}

TEST_F(CateTest, LastCharSentFollowsTheWrite)
{
    TCate cate;
    int sent = 0;
    QObject::connect(&cate, &TCate::lastCharSent, [&] { ++sent; });
    cate.setPort(Com1);
    ASSERT_TRUE(cate.SendData("abc", 3));
    EXPECT_EQ(line1.read(3), "abc");
    EXPECT_TRUE(waitFor([&] { return sent >= 1; }));
}

TEST_F(CateTest, BytesOfAnEarlierOpeningNeverReachTheReopenedPort)
{
    const QString log = dir.filePath("com.log");
    TCate cate;
    record(cate);
    cate.setLogfileName(log);
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    ASSERT_TRUE(line1.write("old"));
    // Let the read thread post the block without handing it out yet: it logs
    // the block just before posting it, and closing waits for the thread.
    ASSERT_TRUE(waitWithoutEvents([&] { return fileContains(log, "Daten wurden empfangen"); }));
    cate.setPort(Com2);
    ASSERT_TRUE(cate.IsOpen());
    ASSERT_TRUE(runPostedEvents());
    EXPECT_TRUE(received.isEmpty()) << received.constData();
    ASSERT_TRUE(line2.write("new"));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 3; }));
    EXPECT_EQ(received, "new");
}

TEST_F(CateTest, QueueSizesReportTheConfiguredValues)
{
    TCate cate;
    cate.setReadBufferSize(8192);
    cate.setWriteBufferSize(2048);
    cate.setPort(Com1);
    ASSERT_TRUE(line1.write("waiting bytes"));
    ASSERT_TRUE(waitFor([&] { return line1.unreadByProgram() == 0; }));
    EXPECT_EQ(cate.ReadBufferSize(), 8192u);
    EXPECT_EQ(cate.WriteBufferSize(), 2048u);
}

// Line bits left behind by another program are cleared on open, and flags
// that the properties drop are cleared again.
TEST_F(CateTest, OpenStartsFromARawLineAndFlagsClearAsWellAsSet)
{
    auto attrs = [&] {
        termios t{};
        tcgetattr(line1.masterFd(), &t);
        return t;
    };
    termios dirty = attrs();
    dirty.c_iflag |= IXON | IXOFF | IXANY | INPCK | IGNPAR | ICRNL;
    dirty.c_oflag |= OPOST | ONLCR;
    dirty.c_lflag |= ECHO | ICANON | ISIG;
    ASSERT_EQ(tcsetattr(line1.masterFd(), TCSANOW, &dirty), 0);

    TCate cate;
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    termios t = attrs();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | INPCK | IGNPAR | ICRNL), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG), 0u);

    cate.setFlags({dcbBinaryMode, dcbOutX, dcbInX, dcbParityCheck});
    t = attrs();
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_TRUE(t.c_iflag & INPCK);
    cate.setFlags({dcbBinaryMode});
    t = attrs();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);
}
