// The engine on a real port: the test plays the tester on the controller side
// of a pseudo-terminal.

#include "BusTestSupport.h"

#include <QAbstractEventDispatcher>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

using namespace bus_test;

namespace {

class SynchroBusLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(port.ok()) << "pseudo-terminal could not be opened as COM1";
        bus.setCate(&port.cate);
        bus.setTickTime(20);
        responder = std::make_unique<TPtyResponder>(port.pty());
    }

    TPtyPort port;
    TSynchroBus bus;
    std::unique_ptr<TPtyResponder> responder;
    QStringList log;
};

} // namespace

TEST_F(SynchroBusLine, AnsweredRequestRaisesItsEventsInOrder)
{
    responder->reply = [](const TProtok &req) {
        return TPtyResponder::answerFor(req, bytes({1, 0x02, 0x99}));
    };
    recordEvents(bus, log);
    TProtok answer{};
    ASSERT_TRUE(bus.RequestMsg(0x61, 0x10, {}, {0xEC}, {0x10}, 2000, answer));

    QStringList expected{QStringLiteral("send 10"), QStringLiteral("catesend"), QStringLiteral("catesent 1")};
    for (int i = 0; i < 11; ++i)
        expected << QStringLiteral("char 0");
    expected << QStringLiteral("char 1") << QStringLiteral("received 10");
    EXPECT_EQ(log, expected);
    EXPECT_EQ(MsgDataToStr(answer), bytes({1, 0x02, 0x99}));
    ASSERT_EQ(responder->received.size(), 1u);
    EXPECT_EQ(MsgToWire(responder->received[0]), bytes({0x53, 0x61, 0x10, 0x10, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(bus.AnswerAwaited());
}

TEST_F(SynchroBusLine, SecondMessageIsStackedUntilTheFirstAnswer)
{
    bus.setMsgTimeOut(3000);
    recordEvents(bus, log);
    bus.SendMsg(0x61, 0x67, IntToMsgData(0x079C));
    bus.SendMsg(0x61, 0x34, {});
    EXPECT_TRUE(log.contains(QStringLiteral("stack 34")));
    ASSERT_TRUE(gt_test::waitFor([&] { return responder->received.size() == 1; }));
    ASSERT_TRUE(gt_test::runPostedEvents());
    EXPECT_FALSE(log.contains(QStringLiteral("send 34"))); // still held back
    EXPECT_EQ(responder->received.size(), 1u);
    EXPECT_EQ(MsgDataToStr(responder->received[0]), bytes({0x9C, 0x07}));

    log.clear();
    port.pty().write(TPtyResponder::answerFor(responder->received[0]));
    ASSERT_TRUE(gt_test::waitFor([&] { return responder->received.size() == 2; }));
    EXPECT_EQ(responder->received[1].Cmd, 0x34);
    const QStringList events = withoutChars(log);
    ASSERT_GE(events.size(), 4);
    EXPECT_EQ(events.mid(0, 4), (QStringList{QStringLiteral("received 67"), QStringLiteral("unhandled 67"),
                                             QStringLiteral("unstack 34"), QStringLiteral("send 34")}));
}

TEST_F(SynchroBusLine, TimeOverFiresAtTheFirstTickAfterMsgTimeOut)
{
    bus.setMsgTimeOut(150);
    bus.setTickTime(40);
    QElapsedTimer clock;
    qint64 timeOverAt = -1;
    QStringList order;
    QObject::connect(&bus, &TSynchroBus::tick, [&] { order << QStringLiteral("tick"); });
    QObject::connect(&bus, &TSynchroBus::timeOver, [&] {
        order << QStringLiteral("timeover");
        if (timeOverAt < 0) timeOverAt = clock.elapsed();
    });
    QObject::connect(&bus, &TSynchroBus::unstackMsg,
                     [&](const TProtok &m) { order << QStringLiteral("unstack %1").arg(m.Cmd, 0, 16); });
    clock.start();
    bus.SendMsg(0x61, 0x10, {});
    bus.SendMsg(0x61, 0x11, {});
    ASSERT_TRUE(gt_test::waitFor([&] { return timeOverAt >= 0 && responder->received.size() == 2; }, 5000));
    EXPECT_GE(timeOverAt, 150);
    // Found by the tick: the tick comes first and the stacked message follows.
    const qsizetype i = order.indexOf(QStringLiteral("timeover"));
    ASSERT_GT(i, 0);
    EXPECT_EQ(order[i - 1], QStringLiteral("tick"));
    EXPECT_EQ(order.value(i + 1), QStringLiteral("unstack 11"));
    EXPECT_EQ(order.count(QStringLiteral("timeover")), 1);
    EXPECT_EQ(responder->received[1].Cmd, 0x11);
}

TEST_F(SynchroBusLine, UnansweredRequestTriesMaxTryTimesThenFails)
{
    bus.setMsgTimeOut(50);
    TProtok answer;
    std::memset(&answer, 0xAA, sizeof answer);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(bus.RequestMsg(0x61, 0x3B, {}, {0xEC}, {0x3B}, 120, answer));
    const qint64 took = t.elapsed();
    EXPECT_GE(took, 3 * 120 - 5);
    EXPECT_LT(took, 3 * 120 + 1500);
    ASSERT_TRUE(gt_test::waitFor([&] { return responder->received.size() == 3; }, 2000));
    // Every attempt was written before the request gave up; a fourth would be on the line by now.
    ASSERT_TRUE(gt_test::runPostedEvents());
    EXPECT_EQ(responder->received.size(), 3u);
    EXPECT_EQ(answer.Start, 0xAA); // not written on failure
    EXPECT_FALSE(bus.RequestPending());
}

TEST_F(SynchroBusLine, LaterAttemptsAreStackedWhileTheFirstDeadlineRuns)
{
    bus.setMsgTimeOut(1000);
    recordEvents(bus, log);
    TProtok answer{};
    EXPECT_FALSE(bus.RequestMsg(0x61, 0x33, {}, {0xEC}, {0x33}, 100, answer));
    EXPECT_EQ(log.count(QStringLiteral("stack 33")), 2);
    EXPECT_EQ(responder->received.size(), 1u);
    // The stacked attempts go out once the deadline has passed; their late
    // answers are no longer awaited.
    responder->reply = [](const TProtok &req) { return TPtyResponder::answerFor(req); };
    ASSERT_TRUE(gt_test::waitFor([&] { return responder->received.size() == 3; }, 5000));
    ASSERT_TRUE(gt_test::waitFor([&] { return log.count(QStringLiteral("unhandled 33")) == 2; }, 2000));
}

TEST_F(SynchroBusLine, CorruptAnswerDoesNotSatisfyTheRequest)
{
    int n = 0;
    responder->reply = [&n](const TProtok &req) {
        QByteArray a = TPtyResponder::answerFor(req, bytes({7}));
        if (n++ == 0) a[2] = char(a[2] + 1);
        return a;
    };
    recordEvents(bus, log);
    TProtok answer{};
    ASSERT_TRUE(bus.RequestMsg(0x61, 0x15, {}, {0xEC}, {0x15}, 300, answer));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(log.count(QStringLiteral("bad 15")), 1);
    EXPECT_EQ(log.count(QStringLiteral("received 15")), 1);
    EXPECT_EQ(answer.Data[0], 7);
}

TEST_F(SynchroBusLine, SplitAnswerWithinTheCharacterGapIsAssembled)
{
    responder->reply = [this](const TProtok &req) {
        const QByteArray a = TPtyResponder::answerFor(req, bytes({0x53, 0x53}));
        port.pty().write(bytes({0x00, 0x11}) + a.left(5)); // noise before the start byte
        QTimer::singleShot(30, [this, a] { port.pty().write(a.mid(5)); });
        return QByteArray();
    };
    TProtok answer{};
    ASSERT_TRUE(bus.RequestMsg(0x61, 0x69, {}, {0xEC}, {0x69}, 1000, answer));
    EXPECT_EQ(MsgDataToStr(answer), bytes({0x53, 0x53}));
}

TEST_F(SynchroBusLine, WaitingForAnAnswerSleepsBetweenEvents)
{
    bus.setMaxTry(1);
    // Counting the loop's wake-ups rather than CPU time keeps the check
    // meaningful in slow sanitizer builds: the 20 ms tick wakes a sleeping
    // wait some 40 times, a polling wait wakes it hundreds of thousands.
    int wakeups = 0;
    const auto counter = QObject::connect(QAbstractEventDispatcher::instance(),
                                          &QAbstractEventDispatcher::awake, [&wakeups] { ++wakeups; });
    TProtok answer{};
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(bus.RequestMsg(0x61, 0x10, {}, {0xEC}, {0x10}, 800, answer));
    const qint64 wall = t.elapsed();
    QObject::disconnect(counter);
    EXPECT_GE(wall, 790);
    EXPECT_LT(wakeups, 400) << wakeups << " wake-ups in " << wall << " ms";
}

TEST_F(SynchroBusLine, BusLogRecordsSentAndReceivedMessages)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bus.log"));
    bus.setLogFile(name);
    bus.setLogTicks(true);
    responder->reply = [](const TProtok &req) { return TPtyResponder::answerFor(req, bytes({0x12})); };
    TProtok answer{};
    ASSERT_TRUE(bus.RequestMsg(0x61, 0x11, {}, {0xEC}, {0x11}, 1000, answer));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    // Timestamp, "#" and at least 16 digits, ": ", text.
    const QRegularExpression layout(
        QStringLiteral(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}#\d{16,}: (.*)$)"));
    QStringList texts;
    for (const QString &l : lines) {
        const auto m = layout.match(l);
        ASSERT_TRUE(m.hasMatch()) << l.toStdString();
        texts << m.captured(1);
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Gesendet: S <$61> { 17} [$11/ 17] 00 00 00 00 00 00 00 00"),
                                  QStringLiteral("Empfang : S <$EC> { 35} [$11/ 17] 12 00 00 00 00 00 00 00"),
                                  QStringLiteral("-----------")}));
}
