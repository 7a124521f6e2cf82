#include "StoreTestDb.h"
#include "store/CsvExport.h"
#include "store/DueList.h"

#include <QTemporaryDir>

namespace {

QDateTime at(int y, int m, int d, int h = 10)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0));
}

const TDueEntry *find(const QList<TDueEntry> &list, int device)
{
    for (const TDueEntry &e : list)
        if (e.PrueflingNr == device) return &e;
    return nullptr;
}

// Devices: 1 tested twice across a year end (the newest must win although its
// text sorts first), 2 tested on a leap day, 3 never tested, 4 of another
// customer tested long ago.
void FillDueFixture(const TTestDb &t)
{
    t.addCustomer(1, QStringLiteral("Bäckerei O'Neill"));
    t.addCustomer(2, QStringLiteral("=Praxis"));
    t.addDevice(1, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("0612345678"));
    t.addDevice(2, 1, QStringLiteral("Toaster"), QStringLiteral("42"));
    t.addDevice(3, 1, QStringLiteral("Wasserkocher \"neu\""));
    t.addDevice(4, 2, QStringLiteral("Monitor"), QStringLiteral("7"));
    t.addTest(10, 1, at(2024, 12, 31));
    t.addTest(11, 1, at(2025, 1, 2, 23));
    t.addTest(20, 2, at(2024, 2, 29));
    t.addTest(40, 4, at(2020, 6, 15));
}

TEST_P(StoreDb, DueListTakesTheNewestTestAndAddsTheInterval)
{
    FillDueFixture(*t);
    const QDate today(2025, 2, 1);
    QList<TDueEntry> list;
    QString err;
    ASSERT_TRUE(LoadDueList(t->db(), 365, today, list, &err)) << err.toStdString();
    ASSERT_EQ(list.size(), 4);

    const TDueEntry *d1 = find(list, 1);
    ASSERT_TRUE(d1);
    EXPECT_EQ(d1->LastTest, QDate(2025, 1, 2));
    EXPECT_EQ(d1->NextDue, QDate(2026, 1, 2));
    EXPECT_EQ(d1->DaysLeft, 335); // 1 Feb 2025 .. 2 Jan 2026
    EXPECT_EQ(DueStateOf(*d1), TDueState::Ok);

    // 29 Feb 2024 + 365 days lands on 28 Feb 2025 (the leap day counts).
    const TDueEntry *d2 = find(list, 2);
    ASSERT_TRUE(d2);
    EXPECT_EQ(d2->NextDue, QDate(2025, 2, 28));
    EXPECT_EQ(d2->DaysLeft, 27);
    EXPECT_EQ(DueStateOf(*d2), TDueState::DueSoon);

    const TDueEntry *d3 = find(list, 3);
    ASSERT_TRUE(d3);
    EXPECT_FALSE(d3->LastTest.isValid());
    EXPECT_FALSE(d3->NextDue.isValid());
    EXPECT_EQ(DueStateOf(*d3), TDueState::NeverTested);

    const TDueEntry *d4 = find(list, 4);
    ASSERT_TRUE(d4);
    EXPECT_EQ(d4->NextDue, QDate(2021, 6, 15));
    EXPECT_EQ(d4->DaysLeft, -1327);
    EXPECT_EQ(DueStateOf(*d4), TDueState::Overdue);
    EXPECT_EQ(d4->Kunde, QStringLiteral("=Praxis"));
}

TEST_P(StoreDb, DueListWithoutIntervalHasNoDueDates)
{
    FillDueFixture(*t);
    QList<TDueEntry> list;
    ASSERT_TRUE(LoadDueList(t->db(), 0, QDate(2025, 2, 1), list));
    for (const TDueEntry &e : list)
        EXPECT_FALSE(e.NextDue.isValid()) << e.PrueflingNr;
    EXPECT_EQ(DueStateOf(*find(list, 1)), TDueState::NoInterval);
    // Only the never-tested device is due for a first test.
    const QList<TDueEntry> due = DueWithin(list, 30);
    ASSERT_EQ(due.size(), 1);
    EXPECT_EQ(due[0].PrueflingNr, 3);
}

TEST_P(StoreDb, DueCsvListsNeverTestedFirstThenByDueDate)
{
    FillDueFixture(*t);
    QList<TDueEntry> list;
    ASSERT_TRUE(LoadDueList(t->db(), 365, QDate(2025, 2, 1), list));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("faellig.csv"));
    QString err;
    ASSERT_TRUE(WriteDueCsv(DueWithin(list, 30), file, &err)) << err.toStdString();
    const QByteArray expected =
        "\"Kunde\";\"Pr\xFC"
        "fling\";\"Inventarnummer\";\"Barcode\";\"letzte Pr\xFC"
        "fung\";"
        "\"n\xE4"
        "chste Pr\xFC"
        "fung\";\"Tage\"\r\n"
        "\"B\xE4"
        "ckerei O'Neill\";\"Wasserkocher 'neu'\";\"\";\"\";\"\";\"\";\"\"\r\n"
        "\"'=Praxis\";\"Monitor\";\"\";\"7\";\"15.06.2020\";\"15.06.2021\";\"-1327\"\r\n"
        "\"B\xE4"
        "ckerei O'Neill\";\"Toaster\";\"\";\"42\";\"29.02.2024\";\"28.02.2025\";\"27\"\r\n";
    EXPECT_EQ(ReadFileBytes(file), expected);
    // A wider window takes in device 1 as well, last.
    const QList<TDueEntry> year = DueWithin(list, 400);
    ASSERT_EQ(year.size(), 4);
    EXPECT_EQ(year.last().PrueflingNr, 1);
}

// Devices of customer 3: 5 passed in the morning and failed a retest in the
// afternoon, 6 the other way round, 7 aborted, 8 with a failed row of the
// item-by-item inspection, 9 with a failed visual inspection; all recent.
void FillFailedFixture(const TTestDb &t)
{
    t.addCustomer(3, QStringLiteral("Zahnarzt"));
    for (int d = 5; d <= 9; ++d)
        t.addDevice(d, 3, QStringLiteral("Gerät %1").arg(d));
    t.addTest(50, 5, at(2025, 1, 20, 8));
    t.addTest(51, 5, at(2025, 1, 20, 14));
    t.addTest(60, 6, at(2025, 1, 20, 8));
    t.addTest(61, 6, at(2025, 1, 20, 14));
    t.addTest(70, 7, at(2025, 1, 21));
    t.addTest(80, 8, at(2025, 1, 22), QString(), 1);
    t.addRow(80, 1, 10, 1);
    t.addRow(80, 2, 20, 0);
    t.addTest(90, 9, at(2025, 1, 23));
    t.exec(QStringLiteral(
        "UPDATE tblPruefung SET PRblnPruefungsergebnis = 0 WHERE PRintPruefungsNr IN (51, 60)"));
    t.exec(QStringLiteral("UPDATE tblPruefung SET PRblnAbgebrochen = 1 WHERE PRintPruefungsNr = 70"));
    t.exec(QStringLiteral("UPDATE tblPruefung SET PRintSichtpruef = 0 WHERE PRintPruefungsNr = 90"));
}

TEST_P(StoreDb, ADeviceWhoseNewestTestFailedIsDueNowAndListedFirstAmongTheTested)
{
    FillDueFixture(*t);
    FillFailedFixture(*t);
    const QDate today(2025, 2, 1);
    QList<TDueEntry> list;
    QString err;
    ASSERT_TRUE(LoadDueList(t->db(), 365, today, list, &err)) << err.toStdString();
    for (int d : {5, 7, 8, 9}) {
        const TDueEntry *e = find(list, d);
        ASSERT_TRUE(e) << d;
        EXPECT_TRUE(e->Failed) << d;
        EXPECT_EQ(e->NextDue, today) << d;
        EXPECT_EQ(e->DaysLeft, 0) << d;
        EXPECT_EQ(DueStateOf(*e), TDueState::Failed) << d;
        EXPECT_EQ(NextDueText(*e, QStringLiteral("dd.MM.yyyy")), QStringLiteral("nicht bestanden"));
    }
    // The retest that passed in the afternoon counts, not the morning's failure.
    const TDueEntry *d6 = find(list, 6);
    ASSERT_TRUE(d6);
    EXPECT_FALSE(d6->Failed);
    EXPECT_EQ(d6->NextDue, QDate(2026, 1, 20));
    EXPECT_FALSE(find(list, 1)->Failed);

    // Due within no days at all: the untested device, the failed ones, then the overdue one.
    QList<int> order;
    for (const TDueEntry &e : DueWithin(list, 0))
        order << e.PrueflingNr;
    EXPECT_EQ(order, (QList<int>{3, 5, 7, 8, 9, 4}));

    // Without an interval a failed device is still due.
    ASSERT_TRUE(LoadDueList(t->db(), 0, today, list, &err));
    EXPECT_EQ(DueStateOf(*find(list, 5)), TDueState::Failed);
    EXPECT_EQ(DueWithin(list, 30).size(), 5);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("faellig.csv"));
    ASSERT_TRUE(WriteDueCsv(DueWithin(list, 30), file, &err)) << err.toStdString();
    EXPECT_TRUE(
        ReadFileBytes(file).contains("\"Ger\xE4t 5\";\"\";\"\";\"20.01.2025\";\"nicht bestanden\";\"0\""))
        << ReadFileBytes(file).toStdString();
}

// Tests are not always stored in the order they were made (a tester fetched
// late, an import of old records): the newest by time counts, at the same
// moment the higher number, and its own verdict with it, never that of a
// row stored after it.
TEST_P(StoreDb, TheNewestTestCountsWhateverTheOrderItWasStoredIn)
{
    t->addCustomer(4, QStringLiteral("Labor"));
    for (int d = 11; d <= 13; ++d)
        t->addDevice(d, 4, QStringLiteral("Gerät %1").arg(d));
    // 11: the newest passed, an older failure was stored after it.
    t->addTest(110, 11, at(2025, 1, 10));
    t->addTest(111, 11, at(2024, 5, 1));
    // 12 and 13: two tests of one moment, the higher number decides.
    t->addTest(121, 12, at(2025, 1, 5));
    t->addTest(120, 12, at(2025, 1, 5));
    t->addTest(131, 13, at(2025, 1, 5));
    t->addTest(130, 13, at(2025, 1, 5));
    t->exec(QStringLiteral(
        "UPDATE tblPruefung SET PRblnPruefungsergebnis = 0 WHERE PRintPruefungsNr IN (111, 120, 131)"));
    QList<TDueEntry> list;
    QString err;
    ASSERT_TRUE(LoadDueList(t->db(), 365, QDate(2025, 2, 1), list, &err)) << err.toStdString();
    ASSERT_TRUE(find(list, 11) && find(list, 12) && find(list, 13));
    EXPECT_EQ(find(list, 11)->LastTest, QDate(2025, 1, 10));
    EXPECT_FALSE(find(list, 11)->Failed);
    EXPECT_FALSE(find(list, 12)->Failed);
    EXPECT_TRUE(find(list, 13)->Failed);
    // Sorted by customer and designation, numbers apart: Gerät 11, 12, 13.
    QList<int> order;
    for (const TDueEntry &e : list)
        order << e.PrueflingNr;
    EXPECT_EQ(order, (QList<int>{11, 12, 13}));

    // A device number far from the others, and a test of no device: the same.
    t->addDevice(2000000000, 4, QStringLiteral("Gerät 99"));
    t->addTest(200, 2000000000, at(2025, 1, 1));
    t->addTest(201, 77, at(2025, 1, 30));
    ASSERT_TRUE(LoadDueList(t->db(), 365, QDate(2025, 2, 1), list, &err)) << err.toStdString();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(find(list, 11)->LastTest, QDate(2025, 1, 10));
    EXPECT_FALSE(find(list, 11)->Failed);
    EXPECT_TRUE(find(list, 13)->Failed);
    EXPECT_EQ(find(list, 2000000000)->LastTest, QDate(2025, 1, 1));
}

// The lists sort by folded keys compared plainly; the order must be exactly
// the case-insensitive comparison's, umlauts, sharp s, final sigma and
// letters beyond the first plane included.
TEST(DueDates, FoldedKeysOrderAsCaseInsensitiveComparison)
{
    const QStringList texts = {
        QString(),
        QStringLiteral("a"),
        QStringLiteral("B"),
        QStringLiteral("Zebra"),
        QStringLiteral("Äpfel"),
        QStringLiteral("äpfel"),
        QStringLiteral("Apfel"),
        QStringLiteral("apfelmus"),
        QStringLiteral("Straße"),
        QStringLiteral("STRASSE"),
        QStringLiteral("strasse"),
        QStringLiteral("\u1E9E"),
        QStringLiteral("ß"),
        QStringLiteral("İstanbul"),
        QStringLiteral("istanbul"),
        QStringLiteral("ΣΊΣΥΦΟΣ"),
        QStringLiteral("σίσυφος"),
        QStringLiteral("ς"),
        QStringLiteral("\u2126"),
        QStringLiteral("ω"),
        QStringLiteral("É"),
        QStringLiteral("é"),
        QStringLiteral("\U00010400x"),
        QStringLiteral("\U00010428y"),
        QStringLiteral("\U00010428x"),
        QStringLiteral("Gerät 10"),
        QStringLiteral("gerät 9"),
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const QString &a : texts)
        for (const QString &b : texts)
            EXPECT_EQ(sign(CaseFoldKey(a).compare(CaseFoldKey(b))), sign(a.compare(b, Qt::CaseInsensitive)))
                << a.toStdString() << " / " << b.toStdString();
}

TEST(DueDates, IntervalArithmetic)
{
    EXPECT_EQ(DueDate(QDate(2023, 3, 1), 366), QDate(2024, 3, 1));
    EXPECT_EQ(DueDate(QDate(2024, 3, 1), 365), QDate(2025, 3, 1));
    EXPECT_FALSE(DueDate(QDate(), 365).isValid());
    EXPECT_FALSE(DueDate(QDate(2024, 1, 1), 0).isValid());
    TDueEntry e;
    e.LastTest = QDate(2024, 1, 1);
    e.NextDue = QDate(2024, 2, 1);
    e.DaysLeft = 0; // due today counts as within any window
    EXPECT_TRUE(IsDueWithin(e, 0));
    e.DaysLeft = 31;
    EXPECT_FALSE(IsDueWithin(e, 30));
    EXPECT_EQ(DueStateOf(e), TDueState::Ok);
}

} // namespace
