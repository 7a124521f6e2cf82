// One verdict: the browser shows what is stored, and confirming the visual
// inspection keeps the stored verdict in step with its rows.

#include "StoreTestDb.h"
#include "store/BrowserData.h"
#include "store/TestRecord.h"
#include "store/Verdict.h"
#include "store/VisualInspection.h"

namespace {

// A passed 0751 test (three-page protocol, function test passed) of device
// 10 with its inspection rows made from the catalogue, all unmarked.
QList<TSichtPr> fillThreePageTest(const TTestDb &t)
{
    t.addCustomer(1, QStringLiteral("Klinik Nord"));
    t.addDevice(10, 1, QStringLiteral("Patientenbett"), QStringLiteral("4711"));
    t.addTest(101, 10, QDateTime(QDate(2026, 3, 2), QTime(10, 0)), QString(), 1);
    QList<TSichtPr> rows;
    EXPECT_TRUE(EnsureInspectionRows(t.db(), 101, -1));
    EXPECT_TRUE(LoadSichtprRows(t.db(), 101, rows));
    return rows;
}

int storedVerdict(const TTestDb &t)
{
    for (int v : {0, 1})
        if (t.count(QStringLiteral("tblPruefung"),
                    QStringLiteral("PRintPruefungsNr = 101 AND PRintGesamtbew = %1").arg(v)) == 1)
            return v;
    return -1;
}

TEST_P(StoreDb, BrowserShowsTheStoredVerdictThatCountsTheInspectionRows)
{
    const QList<TSichtPr> rows = fillThreePageTest(*t);
    ASSERT_GE(rows.size(), 2);
    ASSERT_TRUE(StoreInspectionResults(t->db(), 101, rows, {{1, 1}, {2, 0}}));
    ASSERT_TRUE(StoreRecomputedVerdict(t->db(), 101));
    ASSERT_EQ(storedVerdict(*t), 0) << "a failed row means defects";

    TBrowserData data;
    data.setDatabase(t->db());
    ASSERT_TRUE(data.Open(101));
    // Without its rows the test would look passed; the pane must say what the protocol says.
    EXPECT_EQ(data.Display().gesamtText, QStringLiteral("NEIN"));
    TWerteSatz w;
    ASSERT_TRUE(LoadTestRecord(t->db(), 101, true, w));
    EXPECT_EQ(w.Gesamtbew, 0);

    t->exec(QStringLiteral("UPDATE tblPruefung SET PRintGesamtbew = NULL WHERE PRintPruefungsNr = 101"));
    data.Tests->RefreshCurrent();
    EXPECT_EQ(data.Display().gesamtText, QStringLiteral("---"));
}

TEST_P(StoreDb, ConfirmingTheInspectionStoresTheRowsAndTheVerdictTogether)
{
    const QList<TSichtPr> rows = fillThreePageTest(*t);
    ASSERT_GE(rows.size(), 2);
    t->exec(QStringLiteral("UPDATE tblPruefung SET PRintProtokolltyp = 0, PRintGesamtbew = 0 "
                           "WHERE PRintPruefungsNr = 101"));
    QString err;
    ASSERT_TRUE(ConfirmVisualInspection(t->db(), 101, rows, {{1, 1}, {2, 1}}, &err)) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintProtokolltyp = 1")), 1);
    EXPECT_EQ(storedVerdict(*t), 1);

    QList<TSichtPr> now;
    ASSERT_TRUE(LoadSichtprRows(t->db(), 101, now));
    ASSERT_TRUE(ConfirmVisualInspection(t->db(), 101, now, {{1, 1}, {2, 0}}, &err)) << err.toStdString();
    EXPECT_EQ(storedVerdict(*t), 0);

    // A test that is gone: nothing is half written.
    EXPECT_FALSE(ConfirmVisualInspection(t->db(), 999, now, {{1, 0}}, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(t->count(QStringLiteral("tblSichtpruefung"), QStringLiteral("SIintPruefungsNr = 999")), 0);
}

TEST_P(StoreDb, GoingBackToTheOnePageProtocolStoresItsVerdict)
{
    const QList<TSichtPr> rows = fillThreePageTest(*t);
    ASSERT_TRUE(ConfirmVisualInspection(t->db(), 101, rows, {{1, 0}}));
    ASSERT_EQ(storedVerdict(*t), 0);
    TBrowserData data;
    data.setDatabase(t->db());
    ASSERT_TRUE(data.Open(101));
    // The one-page form judges by the overall visual inspection, which passed.
    ASSERT_TRUE(data.ResetProtocolType());
    EXPECT_EQ(storedVerdict(*t), 1);
    EXPECT_EQ(data.Display().gesamtText, QStringLiteral("JA"));
}

} // namespace
