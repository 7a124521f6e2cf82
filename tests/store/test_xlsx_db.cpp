// The spreadsheet export read back by an independent reader (Python's zip
// and XML modules): leading zeros kept as text, values numeric, dates dates.

#include "StoreTestDb.h"
#include "store/CsvImport.h"
#include "store/Database.h"
#include "store/DeviceInterval.h"
#include "store/XlsxExport.h"
#include "support/RequireTool.h"
#include "support/TestSupport.h"

#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

struct TCell {
    QString kind, value, format;
};

struct TSheetRead {
    QHash<QString, TCell> cells;
    QString frozen, filter;
};

TSheetRead ReadXlsx(const QString &file)
{
    TSheetRead r;
    QProcess p;
    p.start(QStringLiteral("python3"),
            {gt_test::sourceDir() + QStringLiteral("/tests/store/xlsx_cells.py"), file});
    p.waitForFinished(60000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("FROZEN ")))
            r.frozen = line.mid(7);
        else if (line.startsWith(QLatin1String("FILTER ")))
            r.filter = line.mid(7);
        else {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() == 4) r.cells.insert(f[0], TCell{f[1], f[2], f[3]});
        }
    }
    return r;
}

// Excel's serial day number of a date.
QString Serial(const QDate &d)
{
    return QString::number(QDate(1899, 12, 30).daysTo(d));
}

class XlsxDb : public StoreDb {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
            GT_SKIP_WITHOUT_TOOL("python3 fehlt");
        StoreDb::SetUp();
    }
};

TEST_P(XlsxDb, FullExportKeepsTextsAsTextAndValuesAsNumbers)
{
    t->addCustomer(1, QStringLiteral("=SUMME(A1) O'Neill"), QStringLiteral("Köln"));
    t->addDevice(10, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("0612345678"));
    t->exec(QStringLiteral(
        "INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme, PRstrGTSeriennummer, "
        "PRintSchutzleiterwid, PRintIsolationswid, PRintAbleitstrom, PRintGrwIsolationswid, "
        "PRintSchutzklasse, "
        "PRintDINVDE, PRblnPruefungsergebnis, PRstrNotiz) VALUES (100, 10, '29.02.2024 10:00:00', '0042', "
        "120, "
        "1115, -1, 20000, 1, 1, 1, 'zwei\r\nZeilen')"));
    TExportSwitches sw;
    sw.Column.fill(false);
    for (TExportColumn c : {ecPruefungsNr, ecName1, ecBarcode, ecDatum, ecGTSeriennummer, ecSchutzleiterwid,
                            ecIsolationswid, ecAbleitstrom, ecGrwIsolationswid, ecDINVDE, ecNotiz})
        sw.set(c, true);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alle.xlsx"));
    QString err;
    int n = 0;
    ASSERT_TRUE(ExportAllTestsXlsx(t->db(), file, sw, &err, &n)) << err.toStdString();
    EXPECT_EQ(n, 1);
    const TSheetRead r = ReadXlsx(file);
    auto cell = [&](const char *ref) { return r.cells.value(QLatin1String(ref)); };
    EXPECT_EQ(cell("A1").value, QStringLiteral("PruefungsNr"));
    EXPECT_EQ(cell("A2").kind, QStringLiteral("number"));
    EXPECT_EQ(cell("A2").value, QStringLiteral("100"));
    // The formula-like name is plain text, no apostrophe in front.
    EXPECT_EQ(cell("B2").kind, QStringLiteral("text"));
    EXPECT_EQ(cell("B2").value, QStringLiteral("=SUMME(A1) O'Neill"));
    EXPECT_EQ(cell("C2").kind, QStringLiteral("text"));
    EXPECT_EQ(cell("C2").value, QStringLiteral("0612345678"));
    EXPECT_EQ(cell("D2").kind, QStringLiteral("number"));
    EXPECT_EQ(cell("D2").value, Serial(QDate(2024, 2, 29)));
    EXPECT_EQ(cell("D2").format, QStringLiteral("dd.mm.yyyy"));
    EXPECT_EQ(cell("E2").value, QStringLiteral("0042"));
    EXPECT_EQ(cell("E2").kind, QStringLiteral("text"));
    EXPECT_EQ(cell("F2").kind, QStringLiteral("number"));
    EXPECT_EQ(cell("F2").value.toDouble(), 120.0);
    EXPECT_EQ(cell("F2").format, QStringLiteral("0.00"));
    EXPECT_EQ(cell("G2").kind, QStringLiteral("number"));
    EXPECT_DOUBLE_EQ(cell("G2").value.toDouble(), 1.115);
    EXPECT_EQ(cell("H2").kind, QStringLiteral("text")); // not measured
    EXPECT_EQ(cell("H2").value, QStringLiteral("---"));
    EXPECT_EQ(cell("I2").kind, QStringLiteral("text")); // over the range
    EXPECT_EQ(cell("I2").value, QStringLiteral(">10.0"));
    EXPECT_EQ(cell("J2").value, QStringLiteral("zwei\\r\\nZeilen"));
    EXPECT_EQ(cell("K2").kind, QStringLiteral("text"));
    EXPECT_EQ(cell("K2").value, QStringLiteral("0702"));
    EXPECT_EQ(r.frozen, QStringLiteral("1"));
    // The devices' own intervals follow the chosen columns; none here.
    EXPECT_EQ(cell("L1").value, QStringLiteral("Prüfintervall"));
    EXPECT_FALSE(r.cells.contains(QStringLiteral("L2")));
    EXPECT_EQ(r.filter, QStringLiteral("A1:L2"));

    // The single export adds the inspection rows when switched on.
    t->addRow(100, 1, 10, 1);
    t->addRow(100, 2, 20, 0);
    sw.SichtprZeilen = true;
    ASSERT_TRUE(ExportSingleTestXlsx(t->db(), 100, file, sw, &err)) << err.toStdString();
    const TSheetRead one = ReadXlsx(file);
    EXPECT_EQ(one.cells.value(QStringLiteral("L1")).value, QStringLiteral("SichtprZl01"));
    EXPECT_EQ(one.cells.value(QStringLiteral("M2")).value, QStringLiteral("nein"));
    EXPECT_FALSE(one.cells.contains(QStringLiteral("A3")));
}

TEST_P(XlsxDb, DueListAndAFailedWriteLeavesTheOldFile)
{
    QList<TDueEntry> rows(3);
    rows[0].Kunde = QStringLiteral("Alpha");
    rows[0].Barcode = QStringLiteral("0011");
    rows[1].Kunde = QStringLiteral("Beta");
    rows[1].LastTest = QDate(2024, 1, 31);
    rows[1].NextDue = QDate(2025, 1, 30);
    rows[1].DaysLeft = -7;
    rows[2].Kunde = QStringLiteral("Gamma");
    rows[2].LastTest = QDate(2025, 1, 20);
    rows[2].NextDue = QDate(2025, 2, 1);
    rows[2].Failed = true;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.xlsx"));
    QString err;
    ASSERT_TRUE(WriteDueXlsx(rows, file, &err)) << err.toStdString();
    const TSheetRead r = ReadXlsx(file);
    EXPECT_EQ(r.cells.value(QStringLiteral("D2")).value, QStringLiteral("0011"));
    EXPECT_FALSE(r.cells.contains(QStringLiteral("E2"))); // never tested: empty
    EXPECT_EQ(r.cells.value(QStringLiteral("F3")).value, Serial(QDate(2025, 1, 30)));
    EXPECT_EQ(r.cells.value(QStringLiteral("G3")).value, QStringLiteral("-7"));
    EXPECT_EQ(r.cells.value(QStringLiteral("G3")).kind, QStringLiteral("number"));
    EXPECT_EQ(r.cells.value(QStringLiteral("F4")).value, QStringLiteral("nicht bestanden"));

    EXPECT_FALSE(WriteDueXlsx(rows, dir.filePath(QStringLiteral("fehlt/f.xlsx")), &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_TRUE(IsXlsxFileName(QStringLiteral("A.XLSX")));
    EXPECT_FALSE(IsXlsxFileName(QStringLiteral("a.csv")));
}

// Intervals read from a list go out in the spreadsheet and, read from there
// into another database, arrive unchanged.
TEST_P(XlsxDb, DeviceIntervalsRoundTripThroughTheSpreadsheet)
{
    QString err;
    TCsvImport in;
    ASSERT_TRUE(in.ReadBytes("Name1;Bezeichnung;Barcode;Datum;Prüfintervall\r\n"
                             "Stadtwerke;Bohrer;0611;02.01.2026 09:00:00;6\r\n"
                             "Stadtwerke;Lampe;0622;03.01.2026 09:00:00;\r\n"
                             "Praxis;Monitor;0633;04.01.2026 09:00:00;120\r\n",
                             &err))
        << err.toStdString();
    ASSERT_TRUE(in.Run(t->db(), true, &err)) << err.toStdString();
    TExportSwitches sw;
    sw.Column.fill(false);
    for (TExportColumn c : {ecName1, ecBezeichnung, ecBarcode})
        sw.set(c, true);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alle.xlsx"));
    ASSERT_TRUE(ExportAllTestsXlsx(t->db(), file, sw, &err)) << err.toStdString();
    const TSheetRead r = ReadXlsx(file);
    ASSERT_EQ(r.cells.value(QStringLiteral("D1")).value, QStringLiteral("Prüfintervall"));
    QByteArray back = "Name1;Bezeichnung;Barcode;Prüfintervall\r\n";
    QHash<QString, QString> byBarcode;
    for (int row = 2; row <= 4; ++row) {
        auto cell = [&](char col) {
            return r.cells.value(QStringLiteral("%1%2").arg(QLatin1Char(col)).arg(row));
        };
        if (!cell('D').value.isEmpty()) {
            EXPECT_EQ(cell('D').kind, QStringLiteral("number"));
        }
        byBarcode.insert(cell('C').value, cell('D').value);
        back += QStringList{cell('A').value, cell('B').value, cell('C').value, cell('D').value}
                    .join(QLatin1Char(';'))
                    .toUtf8() +
                "\r\n";
    }
    EXPECT_EQ(byBarcode, (QHash<QString, QString>{{QStringLiteral("0611"), QStringLiteral("6")},
                                                  {QStringLiteral("0622"), QString()},
                                                  {QStringLiteral("0633"), QStringLiteral("120")}}));

    TTestDb target(GetParam());
    ASSERT_TRUE(target.ok()) << target.error().toStdString();
    TCsvImport again;
    ASSERT_TRUE(again.ReadBytes(back, &err)) << err.toStdString();
    ASSERT_TRUE(again.Run(target.db(), true, &err)) << err.toStdString();
    QHash<int, int> months;
    ASSERT_TRUE(LoadDeviceIntervals(target.db(), months, &err));
    QList<int> values = months.values();
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (QList<int>{6, 120}));
    EXPECT_EQ(target.count(QStringLiteral("tblPruefintervall"),
                           QStringLiteral("PIintMonate = 6 AND PIintPrueflingNr IN (SELECT PLintPrueflingNr "
                                          "FROM tblPruefling WHERE PLstrBarcode = '0611')")),
              1);
}

INSTANTIATE_TEST_SUITE_P(Engines, XlsxDb, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

} // namespace
