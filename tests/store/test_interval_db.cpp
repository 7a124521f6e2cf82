// Devices' own test intervals in months: the calendar arithmetic, the due
// list, storing and deleting, an old database without the table, and the
// import's interval column.

#include "StoreTestDb.h"
#include "store/CsvExport.h"
#include "store/CsvImport.h"
#include "store/CsvImportMapping.h"
#include "store/Database.h"
#include "store/DeviceInterval.h"
#include "store/DueList.h"

#include <QTemporaryDir>

namespace {

// Days of a month by the Gregorian rule, worked out here rather than by QDate.
int daysIn(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// y-m-d plus n calendar months, the day kept within the target month.
QDate plusMonths(int y, int m, int d, int n)
{
    const int index = y * 12 + (m - 1) + n;
    const int ty = index / 12, tm = index % 12 + 1;
    return QDate(ty, tm, std::min(d, daysIn(ty, tm)));
}

const TDueEntry *find(const QList<TDueEntry> &list, int device)
{
    for (const TDueEntry &e : list)
        if (e.PrueflingNr == device) return &e;
    return nullptr;
}

int intervalOf(const TTestDb &t, int device)
{
    int months = -1;
    QString err;
    EXPECT_TRUE(ReadDeviceInterval(t.db(), device, months, &err)) << err.toStdString();
    return months;
}

} // namespace

TEST(DeviceInterval, MonthsStayWithinTheTargetMonth)
{
    EXPECT_EQ(NextDueDate(QDate(2023, 1, 31), 1, 365), QDate(2023, 2, 28));
    EXPECT_EQ(NextDueDate(QDate(2024, 1, 31), 1, 365), QDate(2024, 2, 29));
    EXPECT_EQ(NextDueDate(QDate(2024, 2, 29), 12, 365), QDate(2025, 2, 28));
    EXPECT_EQ(NextDueDate(QDate(2024, 2, 29), 48, 365), QDate(2028, 2, 29));
    EXPECT_EQ(NextDueDate(QDate(2024, 8, 31), 6, 365), QDate(2025, 2, 28));
    EXPECT_EQ(NextDueDate(QDate(2099, 11, 30), 3, 365), QDate(2100, 2, 28)); // 2100 is no leap year
    EXPECT_EQ(NextDueDate(QDate(2024, 12, 15), 1, 365), QDate(2025, 1, 15));

    // Every day of four years, with the intervals workshops use and more.
    for (QDate d(2023, 1, 1); d < QDate(2027, 1, 1); d = d.addDays(1))
        for (int n : {1, 2, 3, 6, 11, 12, 13, 24, 36, 120})
            ASSERT_EQ(NextDueDate(d, n, 365), plusMonths(d.year(), d.month(), d.day(), n))
                << d.toString(Qt::ISODate).toStdString() << " + " << n;

    // Without a device interval the settings' days apply; without a test nothing is due.
    EXPECT_EQ(NextDueDate(QDate(2024, 1, 31), 0, 30), QDate(2024, 3, 1));
    EXPECT_FALSE(NextDueDate(QDate(2024, 1, 31), 0, 0).isValid());
    EXPECT_FALSE(NextDueDate(QDate(), 6, 365).isValid());
}

TEST(DeviceInterval, FieldTextIsEmptyOrOneToHundredTwentyMonths)
{
    int months = -1;
    EXPECT_TRUE(ParseIntervalMonths(u"", months));
    EXPECT_EQ(months, 0);
    EXPECT_TRUE(ParseIntervalMonths(u"  ", months));
    EXPECT_EQ(months, 0);
    EXPECT_TRUE(ParseIntervalMonths(u" 6 ", months));
    EXPECT_EQ(months, 6);
    EXPECT_TRUE(ParseIntervalMonths(u"1", months));
    EXPECT_TRUE(ParseIntervalMonths(u"120", months));
    EXPECT_EQ(months, 120);
    for (const char16_t *bad : {u"0", u"121", u"-3", u"6,5", u"zwölf", u"12 Monate"}) {
        QString why;
        EXPECT_FALSE(ParseIntervalMonths(bad, months, &why)) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(months, 0);
        EXPECT_TRUE(why.contains(QStringLiteral("1 bis 120 Monate"))) << why.toStdString();
    }
}

// Device 1 tested on 31 Jan 2024 every month, device 2 on the same day on
// the settings' 365 days, device 3 of another customer every 24 months.
TEST_P(StoreDb, DueListTakesTheDeviceIntervalOverTheDefault)
{
    t->addCustomer(1, QStringLiteral("Stadtwerke"));
    t->addCustomer(2, QStringLiteral("Praxis"));
    t->addDevice(1, 1, QStringLiteral("Bohrer"));
    t->addDevice(2, 1, QStringLiteral("Lampe"));
    t->addDevice(3, 2, QStringLiteral("Monitor"));
    for (int d : {1, 2, 3})
        t->addTest(10 * d, d, QDateTime(QDate(2024, 1, 31), QTime(9, 0)));
    QString err;
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 1, 1, &err)) << err.toStdString();
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 3, 24, &err)) << err.toStdString();

    const QDate today(2024, 2, 20);
    QList<TDueEntry> list;
    ASSERT_TRUE(LoadDueList(t->db(), 365, today, list, &err)) << err.toStdString();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(find(list, 1)->NextDue, QDate(2024, 2, 29));
    EXPECT_EQ(find(list, 1)->IntervalMonths, 1);
    EXPECT_EQ(find(list, 1)->DaysLeft, 9);
    EXPECT_EQ(find(list, 2)->NextDue, QDate(2025, 1, 30));
    EXPECT_EQ(find(list, 2)->IntervalMonths, 0);
    EXPECT_EQ(find(list, 3)->NextDue, QDate(2026, 1, 31));

    // Within 30 days only the monthly device; per customer only its own.
    const QList<TDueEntry> due = DueWithin(list, 30);
    ASSERT_EQ(due.size(), 1);
    EXPECT_EQ(due[0].PrueflingNr, 1);
    const QList<TDueEntry> praxis = DueOfCustomer(list, 2);
    ASSERT_EQ(praxis.size(), 1);
    EXPECT_EQ(praxis[0].PrueflingNr, 3);
    EXPECT_EQ(DueOfCustomer(list, 0).size(), 3);

    // Even with the settings' interval switched off a device's own one counts.
    ASSERT_TRUE(LoadDueList(t->db(), 0, today, list, &err));
    EXPECT_EQ(find(list, 1)->NextDue, QDate(2024, 2, 29));
    EXPECT_FALSE(find(list, 2)->NextDue.isValid());
}

TEST_P(StoreDb, IntervalIsStoredClearedAndDeletedWithItsDevice)
{
    t->addCustomer(1, QStringLiteral("Stadtwerke"));
    t->addCustomer(2, QStringLiteral("Praxis"));
    t->addDevice(1, 1, QStringLiteral("Bohrer"));
    t->addDevice(2, 1, QStringLiteral("Lampe"));
    t->addDevice(3, 2, QStringLiteral("Monitor"));
    QString err;
    EXPECT_EQ(intervalOf(*t, 1), 0);
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 1, 6, &err)) << err.toStdString();
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 1, 12, &err)) << err.toStdString(); // replaces
    EXPECT_EQ(intervalOf(*t, 1), 12);
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 1, 0, &err));
    EXPECT_EQ(intervalOf(*t, 1), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefintervall")), 0);

    for (int d : {1, 2, 3})
        ASSERT_TRUE(WriteDeviceInterval(t->db(), d, 3 * d, &err)) << err.toStdString();
    ASSERT_TRUE(DeleteDeviceCascade(t->db(), 2, true, &err)) << err.toStdString();
    EXPECT_EQ(intervalOf(*t, 2), 0);
    EXPECT_EQ(intervalOf(*t, 1), 3);
    // Only the tests of a device: the device and its interval stay.
    ASSERT_TRUE(DeleteDeviceCascade(t->db(), 1, false, &err)) << err.toStdString();
    EXPECT_EQ(intervalOf(*t, 1), 3);
    ASSERT_TRUE(DeleteCustomerCascade(t->db(), 1, true, &err)) << err.toStdString();
    EXPECT_EQ(intervalOf(*t, 1), 0);
    EXPECT_EQ(intervalOf(*t, 3), 9);
}

TEST_P(StoreDb, ADatabaseWithoutTheIntervalTableReadsAsDefault)
{
    t->addCustomer(1, QStringLiteral("Stadtwerke"));
    t->addDevice(1, 1, QStringLiteral("Bohrer"));
    t->addTest(10, 1, QDateTime(QDate(2024, 1, 31), QTime(9, 0)));
    t->exec(QStringLiteral("DROP TABLE tblPruefintervall"));
    QString err;
    QList<TDueEntry> list;
    ASSERT_TRUE(LoadDueList(t->db(), 365, QDate(2024, 2, 1), list, &err)) << err.toStdString();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].NextDue, QDate(2025, 1, 30));
    EXPECT_EQ(intervalOf(*t, 1), 0);
    QHash<int, int> all;
    EXPECT_TRUE(LoadDeviceIntervals(t->db(), all, &err));
    // Storing names the remedy, not the engine's complaint.
    EXPECT_FALSE(WriteDeviceInterval(t->db(), 1, 6, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("Prüfintervalle"))) << err.toStdString();
    EXPECT_TRUE(DeleteCustomerCascade(t->db(), 1, true, &err)) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 0);
}

TEST_P(StoreDb, ImportReadsTheIntervalColumnAndRefusesBadMonths)
{
    t->addCustomer(1, QStringLiteral("Stadtwerke"));
    t->addDevice(1, 1, QStringLiteral("Bohrer"), QStringLiteral("111"));
    const QByteArray head = "Name1;Bezeichnung;Barcode;Intervall\r\n";
    const QByteArray good = head + "Stadtwerke;Bohrer;111;3\r\n"
                                   "Stadtwerke;Lampe;222;\r\n"
                                   "Stadtwerke;Leiter;333; 24 \r\n";
    QHash<QString, QString> mapping;
    QString err;
    ASSERT_TRUE(ParseImportMappingOption(QStringLiteral("Intervall=Prüfintervall"), mapping, &err))
        << err.toStdString();

    // One month too many refuses the whole file.
    TCsvImport bad;
    bad.SetColumnMapping(mapping);
    ASSERT_TRUE(bad.ReadBytes(good + "Stadtwerke;Kabel;444;121\r\n", &err)) << err.toStdString();
    EXPECT_FALSE(bad.Run(t->db(), true, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("„121“"))) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblPruefintervall")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 1);

    TCsvImport import;
    import.SetColumnMapping(mapping);
    ASSERT_TRUE(import.ReadBytes(good, &err)) << err.toStdString();
    EXPECT_EQ(import.ColumnFields().value(3), QStringLiteral("Prüfintervall"));
    ASSERT_TRUE(import.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(import.Summary().newDevices, 2);
    EXPECT_EQ(intervalOf(*t, 1), 3); // the stored device takes the file's interval
    auto deviceOf = [&](const char *barcode) {
        return t->count(QStringLiteral("tblPruefling"),
                        QStringLiteral("PLstrBarcode = '%1'").arg(QLatin1String(barcode)));
    };
    ASSERT_EQ(deviceOf("222") + deviceOf("333"), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefintervall")), 2); // "Lampe" keeps the default
    EXPECT_EQ(t->count(QStringLiteral("tblPruefintervall"),
                       QStringLiteral("PIintMonate = 24 AND PIintPrueflingNr IN (SELECT PLintPrueflingNr "
                                      "FROM tblPruefling WHERE PLstrBarcode = '333')")),
              1);

    // The header's own name works without a mapping; an empty cell leaves
    // what the device has.
    TCsvImport plain;
    ASSERT_TRUE(
        plain.ReadBytes("Name1;Bezeichnung;Barcode;Prüfintervall\r\nStadtwerke;Bohrer;111;\r\n", &err));
    ASSERT_TRUE(plain.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(intervalOf(*t, 1), 3);
}

TEST_P(StoreDb, CsvExportIsTheSameWithIntervalsStored)
{
    FillTwoTests(*t);
    QTemporaryDir dir;
    const QString before = dir.filePath(QStringLiteral("vorher.csv"));
    const QString after = dir.filePath(QStringLiteral("nachher.csv"));
    TExportSwitches all;
    all.Column.fill(true);
    QString err;
    ASSERT_TRUE(ExportAllTests(t->db(), before, all, &err)) << err.toStdString();
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 10, 6, &err)) << err.toStdString();
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 20, 24, &err)) << err.toStdString();
    ASSERT_TRUE(ExportAllTests(t->db(), after, all, &err)) << err.toStdString();
    const QByteArray a = ReadFileBytes(before);
    EXPECT_FALSE(a.isEmpty());
    EXPECT_EQ(a, ReadFileBytes(after));
    EXPECT_FALSE(a.contains("intervall"));
}
