// "Messmod.": the order of the writes of a stored test's set-up, the stop at
// the first failure and the limit tables chosen by the standard.

#include "store/Globals.h"
#include "tester/Limits.h"
#include "tester/ModeApply.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

struct Recorder {
    QStringList calls;
    int failAt = -1; // index of the call that fails, -1 none
    int pauses = 0, resumes = 0;
    TPollingGate gate{[this] { ++pauses; }, [this] { ++resumes; }};

    bool step(const QString &call)
    {
        calls << call;
        return calls.size() - 1 != failAt;
    }
    TModeWriter writer()
    {
        TModeWriter w;
        w.Schutzklasse = [this](int k) { return step(QStringLiteral("K%1").arg(k)); };
        w.MenueBit = [this](quint8 bit, bool on) { return step(QStringLiteral("B%1=%2").arg(bit).arg(on)); };
        w.DinVde = [this](int i) { return step(QStringLiteral("D%1").arg(i)); };
        w.Limit = [this](int table, int index) {
            return step(QStringLiteral("L%1:%2").arg(table).arg(index));
        };
        w.PausePolling = [this] { return gate.Pause(); };
        return w;
    }
};

TWerteSatz setup0751(bool manual)
{
    TWerteSatz t{};
    t.Schutzklasse = 1;
    t.IsolDiff = 2;
    t.MitBeruehr = true;
    t.DINVDE = 2;
    t.Automatisch = true;
    t.ManuGrenz = manual;
    t.GrwSchutzleiterwid = 200; // index 9
    t.GrwIsolationswid = 7000;  // index 5
    t.GrwAbleitstrom = 250;     // differential index 2 (leakage index would be 4)
    return t;
}

} // namespace

TEST(TestSetup, WritesTheSettingsInOrderAndTheDifferentialLimitUnder0751)
{
    Recorder r;
    EXPECT_TRUE(ApplyTestSetup(r.writer(), setup0751(true)));
    EXPECT_EQ(r.calls, (QStringList{QStringLiteral("D2"), QStringLiteral("K1"), QStringLiteral("B4=1"),
                                    QStringLiteral("B64=1"), QStringLiteral("B16=1"), QStringLiteral("B1=1"),
                                    QStringLiteral("B8=1"), QStringLiteral("L0:9"), QStringLiteral("L1:5"),
                                    QStringLiteral("L3:2")}));
    EXPECT_EQ(r.pauses, 1);
    EXPECT_EQ(r.resumes, 1);
}

TEST(TestSetup, StandardLimitsEndAfterTheManualBitAndUnknownLimitsAreSkipped)
{
    Recorder a;
    EXPECT_TRUE(ApplyTestSetup(a.writer(), setup0751(false)));
    EXPECT_EQ(a.calls.size(), 7);
    EXPECT_EQ(a.calls.last(), QStringLiteral("B8=0"));

    TWerteSatz t = setup0751(true);
    t.DINVDE = 0;
    t.IsolDiff = 1;
    t.GrwIsolationswid = 1234; // in no table
    Recorder b;
    EXPECT_TRUE(ApplyTestSetup(b.writer(), t));
    EXPECT_EQ(b.calls.mid(0, 4), (QStringList{QStringLiteral("D0"), QStringLiteral("K1"),
                                              QStringLiteral("B4=1"), QStringLiteral("B64=0")}));
    // Earth limit, then the substitute-leakage table (250 = index 4) for 0701.
    EXPECT_EQ(b.calls.mid(7), (QStringList{QStringLiteral("L0:9"), QStringLiteral("L2:4")}));
}

TEST(TestSetup, StopsAtTheFirstFailedWrite)
{
    for (int failAt : {0, 3, 7, 8}) {
        Recorder r;
        r.failAt = failAt;
        EXPECT_FALSE(ApplyTestSetup(r.writer(), setup0751(true))) << failAt;
        EXPECT_EQ(r.calls.size(), failAt + 1) << failAt;
        EXPECT_EQ(r.resumes, 1);
    }
}
