// A noisy line: one frame of the tester's in a hundred lacks a byte. A lost
// acknowledgement must not throw a whole read-out away, and no record may be
// lost or stored twice on the way. The records are checked against the
// simulator's own bytes, decoded by the test.

#include "RetrievalFixture.h"

using namespace chain_test;

namespace {

using NoisyRetrieval = Retrieval;

} // namespace

TEST_P(NoisyRetrieval, NineOfTenFetchesOfAHundredRecordsComplete)
{
    int complete = 0;
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE(run);
        db->exec(QStringLiteral("DELETE FROM tblUebernahme"));
        startSim(100, {QStringLiteral("--drop-byte"), QStringLiteral("0.01"), QStringLiteral("--seed"),
                       QString::number(40 + run)});
        const TAbrufBericht b = abruf->Fetch();
        // Complete and cleared, or nothing stored and everything still in the tester.
        expectAllOrNothing(b, 100, testerRecords());
        EXPECT_NE(b.Ergebnis, TAbrufErgebnis::Unbestaetigt);
        if (b.Ergebnis == TAbrufErgebnis::Abgerufen) ++complete;
        EXPECT_EQ(b.Doppelt, 0);
    }
    RecordProperty("complete", complete);
    EXPECT_GE(complete, 9) << complete << " of 10 complete";
}

INSTANTIATE_TEST_SUITE_P(Engines, NoisyRetrieval,
                         ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL), EngineName);
