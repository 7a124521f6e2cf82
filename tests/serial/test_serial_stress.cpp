#include "SerialFixture.h"
#include "serial/Cate32.h"

#include <QCoreApplication>

using gt_test::waitFor;

namespace {

// Block i: its number and a length between 4 and 43 bytes, so any loss,
// doubling or reordering shows up in the byte stream.
QByteArray block(int i, char tag)
{
    QByteArray b;
    b.append(tag);
    b.append(char(i & 0xFF));
    b.append(char((i >> 8) & 0xFF));
    const int extra = 1 + (i * 7) % 40;
    for (int k = 0; k < extra; ++k)
        b.append(char((i + k) & 0xFF));
    return b;
}

class SerialStress : public SerialFixture {
protected:
    // Sends `count` blocks each way through `far`, interleaved, and checks that
    // both directions arrive complete and in order.
    void exchange(TCate &cate, gt_test::PtyPair &far, int first, int count)
    {
        QByteArray out, in;
        QByteArray arrived;
        constexpr int Chunk = 50;
        for (int i = first; i < first + count; i += Chunk) {
            QByteArray inChunk;
            for (int k = i; k < i + Chunk && k < first + count; ++k) {
                const QByteArray o = block(k, 'P');
                ASSERT_TRUE(cate.SendData(o.constData(), quint16(o.size())));
                out += o;
                inChunk += block(k, 'T');
            }
            ASSERT_TRUE(far.write(inChunk));
            in += inChunk;
            arrived += far.read(0, 0);
            QCoreApplication::processEvents();
        }
        arrived += far.read(int(out.size() - arrived.size()), 20000);
        ASSERT_TRUE(waitFor([&] { return received.size() >= receivedBefore + in.size(); }, 20000));
        EXPECT_EQ(arrived, out);
        EXPECT_EQ(received.mid(receivedBefore), in);
        receivedBefore = received.size();
    }

    QByteArray received;
    qsizetype receivedBefore = 0;
    int hangups = 0;
};

} // namespace

TEST_F(SerialStress, TenThousandBlocksEachWayWithHangupInTheMiddle)
{
    TCate cate;
    cate.setReadInterval(0);
    QObject::connect(&cate, &TCate::receiveBData, [&](const quint8 *b, quint16 n) {
        received.append(reinterpret_cast<const char *>(b), n);
    });
    QObject::connect(&cate, &TCate::requestHangup, [&] { ++hangups; });
    cate.setLogfileName(dir.filePath("com.log"));

    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    exchange(cate, line1, 0, 5000);
    if (HasFatalFailure()) return;

    // Hang-up while both directions are busy: whatever arrived must be an
    // unbroken prefix of what was sent; nothing crashes or hangs.
    QByteArray burst;
    for (int k = 0; k < 200; ++k) {
        const QByteArray o = block(k, 'X');
        cate.SendData(o.constData(), quint16(o.size()));
        burst += block(k, 'Y');
    }
    line1.write(burst.left(burst.size() / 2));
    line1.closeMaster();
    ASSERT_TRUE(waitFor([&] { return hangups == 1; }, 10000));
    for (int k = 0; k < 50; ++k)
        cate.SendData("late", 4); // queued or refused, never a crash
    const QByteArray tail = received.mid(receivedBefore);
    EXPECT_TRUE(burst.startsWith(tail));
    receivedBefore = received.size();

    cate.setPort(NoPort);
    EXPECT_FALSE(cate.IsOpen());

    // The second half on a fresh line under the same port name.
    mapPort(1, line2.slavePath());
    cate.setLogfileName(dir.filePath("com.log"));
    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    exchange(cate, line2, 5000, 5000);
    cate.setPort(NoPort);
    EXPECT_EQ(hangups, 1);
}
