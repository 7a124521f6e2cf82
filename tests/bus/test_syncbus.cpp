// Engine behaviour that needs no open line: received bytes are fed directly,
// and a port that is not open refuses every block.

#include "BusTestSupport.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace bus_test;

namespace {

QByteArray frame(quint8 cmd, const QByteArray &data = {}, quint8 addr = 0xEC)
{
    return MsgToWire(BuildMsg(addr, cmd, data));
}

void feed(TSynchroBus &bus, const QByteArray &b)
{
    bus.ReceiveBytes(b.constData(), quint16(b.size()));
}

} // namespace

TEST(SynchroBusProperties, DefaultsAndRejectedValues)
{
    TSynchroBus bus;
    EXPECT_EQ(bus.Version(), QStringLiteral("1.023"));
    EXPECT_EQ(bus.TickTime(), 1000u);
    EXPECT_EQ(bus.Priority(), tpIdle);
    EXPECT_EQ(bus.Mode(), smMaster);
    EXPECT_EQ(bus.WriteLog(), (TWriteLogSet{wpError, wpReceive, wpSend}));
    EXPECT_EQ(bus.MsgTimeOut(), 200);
    EXPECT_EQ(bus.CharTimeOut(), 100);
    EXPECT_EQ(bus.maxTry(), 3);
    EXPECT_EQ(bus.DataBytes(), 8);
    EXPECT_EQ(bus.Cate(), nullptr);

    bus.setTickTime(0);
    bus.setTickTime(10001);
    EXPECT_EQ(bus.TickTime(), 1000u);
    bus.setTickTime(10000);
    EXPECT_EQ(bus.TickTime(), 10000u);
    bus.setTickTime(1);
    EXPECT_EQ(bus.TickTime(), 1u);

    bus.setDataBytes(0);
    bus.setDataBytes(256);
    EXPECT_EQ(bus.DataBytes(), 8);
    bus.setDataBytes(255);
    EXPECT_EQ(bus.DataBytes(), 255);
    bus.setDataBytes(1);
    EXPECT_EQ(bus.DataBytes(), 1);

    bus.setPriority(tpTimeCritical);
    EXPECT_EQ(bus.Priority(), tpIdle);
    bus.setPriority(tpHigher);
    EXPECT_EQ(bus.Priority(), tpHigher);

    bus.setMaxTry(-5); // stored without a range check
    EXPECT_EQ(bus.maxTry(), -5);
}

// Bytes as the port hands them to its listeners.
static void emitReceived(TCate &cate, const QByteArray &bytes)
{
    emit cate.receiveBData(reinterpret_cast<const quint8 *>(bytes.constData()), quint16(bytes.size()));
}

TEST(SynchroBusProperties, CateBindingFollowsThePortAndItsLifetime)
{
    TSynchroBus bus;
    QStringList log;
    recordEvents(bus, log);
    const QByteArray f = frame(0x37);

    auto *cate = new TCate;
    bus.setCate(cate);
    bus.setCate(cate); // binding twice must not deliver twice
    emitReceived(*cate, f);
    EXPECT_EQ(log.count(QStringLiteral("received 37")), 1);

    // Bound to another port, the engine no longer hears the first one.
    TCate other;
    bus.setCate(&other);
    log.clear();
    emitReceived(*cate, f);
    EXPECT_FALSE(log.contains(QStringLiteral("received 37")));
    emitReceived(other, f);
    EXPECT_EQ(log.count(QStringLiteral("received 37")), 1);

    bus.setCate(cate);
    delete cate;
    EXPECT_EQ(bus.Cate(), nullptr);

    // A port that outlives the engine must not call into it (the sanitizer
    // build sees any such call); a later engine is heard alone.
    TCate survivor;
    {
        TSynchroBus shortLived;
        shortLived.setCate(&survivor);
    }
    emitReceived(survivor, f);
    TSynchroBus next;
    QStringList nextLog;
    recordEvents(next, nextLog);
    next.setCate(&survivor);
    emitReceived(survivor, f);
    EXPECT_EQ(nextLog.count(QStringLiteral("received 37")), 1);
}

TEST(SynchroBusTicks, ThreadStartsTicksAndTickTimeChangesApply)
{
    int ticks = 0;
    bool started = false;
    auto bus = std::make_unique<TSynchroBus>();
    ASSERT_EQ(bus->TickTime(), 1000u);
    QObject::connect(bus.get(), &TSynchroBus::threadExecuting, [&] { started = true; });
    QObject::connect(bus.get(), &TSynchroBus::tick, [&] { ++ticks; });
    // The first tick comes at once; the thread then sleeps the default second.
    ASSERT_TRUE(gt_test::waitFor([&] { return started && ticks >= 1; }, 2000));
    const int first = ticks;
    // A new tick time cuts that sleep short: with the old second still
    // running, not even one more tick would come within 900 ms.
    bus->setTickTime(10);
    EXPECT_TRUE(gt_test::waitFor([&] { return ticks - first >= 5; }, 900)) << ticks - first << " ticks";

    // Back to a long tick: at most the one already on its way arrives.
    bus->setTickTime(5000);
    ASSERT_TRUE(gt_test::runPostedEvents());
    const int before = ticks;
    EXPECT_TRUE(gt_test::staysFalse([&] { return ticks - before > 1; }, 300)) << ticks - before << " ticks";
}

TEST(SynchroBusFrames, BytesBeforeStartRaiseNoEventsAndFramesDispatch)
{
    TSynchroBus bus;
    QStringList log;
    recordEvents(bus, log);
    feed(bus, bytes({0x00, 0x61, 0xEC, 0xFF}));
    EXPECT_TRUE(log.isEmpty()) << log.join(',').toStdString();

    feed(bus, frame(0x37, bytes({1, 2})));
    QStringList expected;
    for (int i = 0; i < 11; ++i)
        expected << QStringLiteral("char 0");
    expected << QStringLiteral("char 1") << QStringLiteral("received 37") << QStringLiteral("unhandled 37");
    EXPECT_EQ(log, expected);
}

// A block that arrives while a handler of the current block waits (nested
// event loop) is fed only after the rest of the current block.
TEST(SynchroBusFrames, BlockDeliveredDuringAHandlerKeepsItsPlace)
{
    TSynchroBus bus;
    const QByteArray a = frame(0x31), b = frame(0x33), c = frame(0x32, bytes({9, 8, 7}));
    QList<int> order;
    bool nested = false;
    QObject::connect(&bus, &TSynchroBus::msgReceived, [&](const TProtok &m) {
        order << m.Cmd;
        if (!nested) {
            nested = true;
            feed(bus, c.mid(5) + b);
        }
    });
    feed(bus, a + c.left(5));
    EXPECT_EQ(order, (QList<int>{0x31, 0x32, 0x33}));
    // The engine is ready for the next block afterwards.
    feed(bus, frame(0x34));
    EXPECT_EQ(order.last(), 0x34);
}

// The lamp's signal: once for each run of accepted characters, again after
// each frame's end, never for bytes dropped outside a frame.
TEST(SynchroBusFrames, CharsReceivedOncePerRunAndAfterEachFrame)
{
    TSynchroBus bus;
    int runs = 0;
    QObject::connect(&bus, &TSynchroBus::charsReceived, [&] { ++runs; });
    feed(bus, bytes({0x00, 0x61, 0xFF}));
    EXPECT_EQ(runs, 0);
    const QByteArray f = frame(0x37, bytes({1, 2}));
    feed(bus, f.left(4));
    feed(bus, f.mid(4));
    EXPECT_EQ(runs, 2); // one per block
    feed(bus, f + f + f.left(3));
    EXPECT_EQ(runs, 5); // each frame, then the start of the next
    feed(bus, f.mid(3) + bytes({0x00}));
    EXPECT_EQ(runs, 6); // the dropped byte after the frame lights nothing

    // Single characters go only to those who listen, from their connection on.
    int chars = 0;
    const auto c1 = QObject::connect(&bus, &TSynchroBus::charReceived, [&] { ++chars; });
    feed(bus, f);
    EXPECT_EQ(chars, f.size());
    const auto c2 = QObject::connect(&bus, &TSynchroBus::charReceived, [&] { ++chars; });
    QObject::disconnect(c1);
    feed(bus, f);
    EXPECT_EQ(chars, 2 * f.size());
    QObject::disconnect(c2);
    feed(bus, f);
    EXPECT_EQ(chars, 2 * f.size());
}

TEST(SynchroBusFrames, WrongChecksumRaisesBadMsgOnly)
{
    TSynchroBus bus;
    QStringList log;
    recordEvents(bus, log);
    QByteArray f = frame(0x38, bytes({5}));
    f[2] = char(f[2] ^ 0x40);
    feed(bus, f);
    EXPECT_EQ(withoutChars(log), QStringList{QStringLiteral("bad 38")});
    EXPECT_EQ(log.count(QStringLiteral("char 1")), 1);
}

TEST(SynchroBusFrames, GapDiscardsPartialFrame)
{
    TSynchroBus bus;
    bus.setCharTimeOut(30);
    QStringList log;
    recordEvents(bus, log);
    const QByteArray f = frame(0x39);
    feed(bus, f.left(6));
    bus.DelayMs(80);
    feed(bus, f.mid(6)); // no start byte: dropped after the gap
    feed(bus, f);
    EXPECT_EQ(withoutChars(log),
              (QStringList{QStringLiteral("received 39"), QStringLiteral("unhandled 39")}));
    EXPECT_EQ(log.count(QStringLiteral("char 0")), 6 + 11);
}

TEST(SynchroBusSending, WithoutPortTheMessageIsLoggedAndDropped)
{
    TSynchroBus bus;
    QStringList lines;
    bus.OnWriteToLog = [&](const QDateTime &, QString &line) { lines << line; };
    QStringList log;
    recordEvents(bus, log);
    bus.SendMsg(0x61, 0x10, {});
    EXPECT_EQ(log, QStringList{QStringLiteral("send 10")});
    EXPECT_EQ(lines, QStringList{QStringLiteral("Kein Schnittstellenobjekt \"Cate\" verfügbar.")});
    EXPECT_FALSE(bus.AnswerAwaited());
    // Nothing awaited: the next message goes out at once, not onto the stack.
    bus.SendMsg(0x61, 0x11, {});
    EXPECT_EQ(bus.StackedCount(), 0);
}

TEST(SynchroBusSending, FailedHandOverTriesTwiceAndKeepsTheDeadline)
{
    TSynchroBus bus;
    TCate closed; // refuses every block
    bus.setCate(&closed);
    bus.setMsgTimeOut(5000);
    QStringList lines;
    bus.OnWriteToLog = [&](const QDateTime &, QString &line) { lines << line; };
    QStringList log;
    recordEvents(bus, log);
    bus.SendMsg(0x61, 0x10, {});
    EXPECT_EQ(log, (QStringList{QStringLiteral("send 10"), QStringLiteral("catesend"),
                                QStringLiteral("catesent 0"), QStringLiteral("catesent 0")}));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Senden mißlungen: S <$61> { 16} [$10/ 16] 00 00 00 00 00 00 00 00"));
    EXPECT_TRUE(bus.AnswerAwaited());
    bus.SendMsg(0x61, 0x11, {});
    EXPECT_EQ(bus.StackedCount(), 1);
}

TEST(SynchroBusSending, StackedMessagesGoOutInOrderAfterEachFrame)
{
    TSynchroBus bus;
    TCate closed;
    bus.setCate(&closed);
    bus.setMsgTimeOut(5000);
    bus.SendMsg(0x61, 0x10, {});
    QStringList log;
    recordEvents(bus, log);
    bus.SendMsg(0x61, 0x11, {});
    bus.SendMsg(0x61, 0x12, bytes({1}));
    EXPECT_EQ(log, (QStringList{QStringLiteral("stack 11"), QStringLiteral("stack 12")}));
    EXPECT_EQ(bus.StackedCount(), 2);
    log.clear();
    // Even a corrupt frame ends the wait and releases the oldest stacked message.
    QByteArray bad = frame(0x10);
    bad[2] = char(bad[2] + 1);
    feed(bus, bad);
    EXPECT_EQ(
        withoutChars(log).mid(0, 3),
        (QStringList{QStringLiteral("bad 10"), QStringLiteral("unstack 11"), QStringLiteral("send 11")}));
    EXPECT_EQ(bus.StackedCount(), 1);
    log.clear();
    feed(bus, frame(0x11));
    EXPECT_EQ(withoutChars(log).mid(0, 4),
              (QStringList{QStringLiteral("received 11"), QStringLiteral("unhandled 11"),
                           QStringLiteral("unstack 12"), QStringLiteral("send 12")}));
    EXPECT_EQ(bus.StackedCount(), 0);
}

TEST(SynchroBusSending, SlaveModeNeverAwaitsAnswers)
{
    TSynchroBus bus;
    TCate closed;
    bus.setCate(&closed);
    bus.setMsgTimeOut(5000);
    bus.SendMsg(0x61, 0x10, {});
    EXPECT_TRUE(bus.AnswerAwaited());
    bus.setMode(smSlave);
    EXPECT_FALSE(bus.AnswerAwaited());

    TProtok answer;
    std::memset(&answer, 0xAA, sizeof answer);
    QStringList log;
    recordEvents(bus, log);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(bus.RequestMsg(0x61, 0x20, {}, {0xEC}, {0x20}, 2000, answer));
    EXPECT_LT(t.elapsed(), 1000);
    for (size_t i = 0; i < sizeof answer; ++i)
        ASSERT_EQ(reinterpret_cast<const quint8 *>(&answer)[i], 0) << i;
    EXPECT_EQ(log.count(QStringLiteral("send 20")), 1);
    EXPECT_FALSE(bus.AnswerAwaited());
    // The answer sets are empty again: a late answer is unhandled.
    log.clear();
    feed(bus, frame(0x20));
    EXPECT_TRUE(log.contains(QStringLiteral("unhandled 20")));
}

TEST(SynchroBusRequest, AnswerFedDuringTheWaitIsReturned)
{
    TSynchroBus bus;
    TCate closed;
    bus.setCate(&closed);
    QStringList log;
    recordEvents(bus, log);
    QTimer::singleShot(30, [&] {
        feed(bus, frame(0x37, bytes({7})));             // not awaited
        feed(bus, frame(0x10, bytes({1, 2, 3}), 0x61)); // wrong address
        feed(bus, frame(0x10, bytes({4, 5, 6})));
    });
    TProtok answer{};
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(bus.RequestMsg(0x61, 0x10, {}, {0xEC}, {0x10}, 3000, answer));
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_EQ(MsgDataToStr(answer), bytes({4, 5, 6}));
    EXPECT_EQ(answer.Addr, 0xEC);
    EXPECT_TRUE(log.contains(QStringLiteral("unhandled 37")));
    EXPECT_EQ(log.count(QStringLiteral("unhandled 10")), 1);
    EXPECT_FALSE(bus.RequestPending());
}

TEST(SynchroBusRequest, NestedRequestFromAHandlerIsRefused)
{
    TSynchroBus bus;
    TCate closed;
    bus.setCate(&closed);
    int nestedResult = -1;
    QObject::connect(&bus, &TSynchroBus::msgUnhandled, [&] {
        TProtok inner{};
        QElapsedTimer t;
        t.start();
        nestedResult = bus.RequestMsg(0x61, 0x11, {}, {0xEC}, {0x11}, 1000, inner) ? 1 : 0;
        EXPECT_LT(t.elapsed(), 500);
    });
    QTimer::singleShot(20, [&] { feed(bus, frame(0x37)); });
    QTimer::singleShot(60, [&] { feed(bus, frame(0x10)); });
    TProtok answer{};
    EXPECT_TRUE(bus.RequestMsg(0x61, 0x10, {}, {0xEC}, {0x10}, 3000, answer));
    EXPECT_EQ(nestedResult, 0);
}

TEST(SynchroBusRequest, EngineDestroyedDuringTheWait)
{
    auto *bus = new TSynchroBus;
    QTimer::singleShot(30, [&] { delete bus; });
    TProtok answer{};
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(bus->RequestMsg(0x61, 0x10, {}, {0xEC}, {0x10}, 3000, answer));
    EXPECT_LT(t.elapsed(), 2000);
}

TEST(SynchroBusRequest, DelayKeepsTheEventLoopRunning)
{
    // A stalled machine merges missed periods of a repeating timer into one,
    // so the loop is shown running by things that cannot merge: a posted
    // call and a timer due early in the wait.
    TSynchroBus bus;
    bool posted = false, early = false;
    QMetaObject::invokeMethod(
        &bus, [&] { posted = true; }, Qt::QueuedConnection);
    QTimer::singleShot(10, &bus, [&] { early = true; });
    QElapsedTimer t;
    t.start();
    bus.DelayMs(150);
    EXPECT_GE(t.elapsed(), 149);
    EXPECT_TRUE(posted);
    EXPECT_TRUE(early);
}

TEST(SynchroBusLog, LinesGoToTheFileAndAnUnwritableFileSwitchesOff)
{
    QTemporaryDir dir;
    TSynchroBus bus;
    TCate closed;
    bus.setCate(&closed);
    bus.setMsgTimeOut(5000);
    const QString name = dir.filePath(QStringLiteral("bus.log"));
    bus.setLogFile(name);
    bus.OnWriteToLog = [](const QDateTime &, QString &line) { line.prepend(QLatin1String(">")); };
    bus.SendMsg(0x61, 0x10, {});
    feed(bus, frame(0x10, bytes({0x41})));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    // "dd.mm.yyyy hh:mm:ss.zzz: " then the line as the handler left it.
    EXPECT_EQ(lines[0].mid(23),
              QStringLiteral(": >Senden mißlungen: S <$61> { 16} [$10/ 16] 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(lines[2].mid(23),
              QStringLiteral(": >Empfang : S <$EC> { 81} [$10/ 16] 41 00 00 00 00 00 00 00"));
    EXPECT_EQ(lines[3].mid(23), QStringLiteral(": >-----------"));

    bus.setLogTicks(true);
    bus.setLogFile(dir.filePath(QStringLiteral("missing/dir/bus.log")));
    int seen = 0;
    bus.OnWriteToLog = [&](const QDateTime &, QString &) { ++seen; };
    feed(bus, frame(0x37));
    EXPECT_TRUE(bus.LogFile().isEmpty());
    EXPECT_EQ(seen, 2);
    feed(bus, frame(0x37));
    EXPECT_EQ(seen, 4);
}
