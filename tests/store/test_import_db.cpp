#include "StoreTestDb.h"
#include "store/CsvExport.h"
#include "store/CsvImport.h"
#include "store/CsvImportColumns.h"
#include "store/CsvImportMapping.h"
#include "store/CsvImportValues.h"
#include "store/Database.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

// Every column but the keys (new keys are handed out on import).
TExportSwitches AllButKeys()
{
    TExportSwitches sw;
    sw.Column.fill(true);
    sw.set(ecKundenNr, false);
    sw.set(ecPrueflingNr, false);
    sw.set(ecPruefungsNr, false);
    return sw;
}

void FillAwkward(const TTestDb &t)
{
    FillTwoTests(t);
    t.addCustomer(3, QStringLiteral("=1+2; \"Zitat\" O'Brien"), QStringLiteral("-Köln"));
    t.addDevice(30, 3, QStringLiteral("Gerät;mit\r\nZeilenumbruch"), QStringLiteral("0612345678"));
    t.addDevice(31, 3, QStringLiteral("ohne Prüfung"));
    t.exec(QStringLiteral(
        "INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme, PRstrGTSeriennummer, "
        "PRintGrenzwertflags, PRintSchutzleiterwid, PRintIsolationswid, PRintAbleitstrom, "
        "PRintSchutzlStromL1N, "
        "PRintGrwIsolationswid, PRintGrwAbleitstrom, PRintSchutzklasse, PRintDINVDE, PRintIsolDiff, "
        "PRblnMitBeruehr, PRintSichtpruef, PRblnPruefungsergebnis, PRstrNotiz, PRstrPruefer) VALUES "
        "(300, 30, '29.02.2024 10:00:00', '@0815', 5, 1500, 150, 2500, 1115, 20000, 50, 2, 1, 2, 1, 0, 0, "
        "'+49 Notiz; \"mit\" Anführung', 'Jürgen')"));
    // A second test of the same device on the same day: both are real.
    t.exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme, "
                          "PRstrGTSeriennummer, PRintIsolationswid) VALUES (301, 30, '29.02.2024 15:00:00', "
                          "'@0815', 1115)"));
}

int Rows(const TTestDb &t)
{
    return t.count(QStringLiteral("tblKunden")) * 10000 + t.count(QStringLiteral("tblPruefling")) * 100 +
           t.count(QStringLiteral("tblPruefung"));
}

TEST_P(StoreDb, ImportOfAFullExportExportsTheSameBytesAndOnlyOnce)
{
    FillAwkward(*t);
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("erst.csv"));
    const QString second = dir.filePath(QStringLiteral("zweit.csv"));
    QString err;
    ASSERT_TRUE(ExportAllTests(t->db(), first, AllButKeys(), &err)) << err.toStdString();

    TTestDb target(GetParam());
    ASSERT_TRUE(target.ok()) << target.error().toStdString();
    TCsvImport import;
    ASSERT_TRUE(import.ReadFile(first, &err)) << err.toStdString();
    EXPECT_TRUE(import.IgnoredColumns().contains(QStringLiteral("Enables")));
    ASSERT_TRUE(import.Run(target.db(), true, &err)) << err.toStdString();
    EXPECT_EQ(import.Summary().newCustomers, 3);
    EXPECT_EQ(import.Summary().newDevices, 3); // the untested device is not in a test export
    EXPECT_EQ(import.Summary().newTests, 4);
    ASSERT_TRUE(ExportAllTests(target.db(), second, AllButKeys(), &err)) << err.toStdString();
    const QByteArray a = ReadFileBytes(first), b = ReadFileBytes(second);
    EXPECT_FALSE(a.isEmpty());
    EXPECT_EQ(a, b);

    // Again: everything matches, nothing is added.
    const int before = Rows(target);
    TCsvImport again;
    ASSERT_TRUE(again.ReadFile(first, &err));
    ASSERT_TRUE(again.Run(target.db(), true, &err)) << err.toStdString();
    EXPECT_EQ(Rows(target), before);
    EXPECT_EQ(again.Summary().newCustomers + again.Summary().newDevices + again.Summary().newTests, 0);
    EXPECT_EQ(again.Summary().presentTests, 4);

    // Back into the source: the quotes the export turned into apostrophes
    // still find their customer. Only the name the code page could not hold
    // ("Ωmega 测试" written as "?mega ??") is a customer of its own.
    const int source = Rows(*t);
    TCsvImport back;
    ASSERT_TRUE(back.ReadFile(first, &err));
    ASSERT_TRUE(back.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(Rows(*t), source + 10101);
    EXPECT_EQ(back.Summary().newCustomers, 1);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden"), QStringLiteral("KDstrName1 = '?mega ?"
                                                                   "?'")),
              1);
}

TEST_P(StoreDb, ABrokenLineImportsNothingAndIsNamed)
{
    const QByteArray file = "\"Name1\";\"Bezeichnung\";\"Barcode\";\"Datum\";\"Schutzklasse\";\"DINVDE\"\r\n"
                            "\"Meier\";\"Bohrer\";\"11\";\"01.02.2025\";\"1\";\"0701\"\r\n"
                            "\"Meier\";\"Lampe\";\"12\";\"01.02.2025\";\"eins\";\"0702\"\r\n"
                            "\"Schulz\";\"Säge\";\"13\";\"31.02.2025\";\"1\";\"0701\"\r\n";
    TCsvImport import;
    QString err;
    ASSERT_TRUE(import.ReadBytes(file, &err)) << err.toStdString();
    EXPECT_FALSE(import.Run(t->db(), true, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("Zeile 3"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Schutzklasse"))) << err.toStdString();
    EXPECT_EQ(import.Summary().refused, 2); // the bad date of line 4 as well
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
    ASSERT_EQ(import.Lines().size(), 3);
    EXPECT_TRUE(import.Lines()[0].error.isEmpty());
    EXPECT_FALSE(import.Lines()[2].error.isEmpty());
}

TEST_P(StoreDb, ImportMatchesWhatIsStoredAndDryRunStoresNothing)
{
    t->addCustomer(1, QStringLiteral("Meier"), QStringLiteral("Bonn"));
    t->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("0011"));
    t->addTest(100, 10, QDateTime(QDate(2025, 2, 1), QTime(14, 30))); // tester "0815"
    // UTF-8, a subset of the columns in another order, a spreadsheet's
    // leading zero lost on the standard, unquoted values.
    const QByteArray file = "\xEF\xBB\xBF"
                            "Datum;Barcode;Name1;KdOrt;Bezeichnung;GTSeriennummer;DINVDE\n"
                            "01.02.2025;0011;Meier;Bonn;Bohrer;0815;701\n"
                            "02.02.2025;0011;Meier;Bonn;Bohrer;0815;701\n"
                            "02.02.2025;;Meier;Bonn;Föhn;0815;702\n"
                            "02.02.2025;;Meier;Köln;Föhn;0815;702\n";
    TCsvImport import;
    QString err;
    ASSERT_TRUE(import.ReadBytes(file, &err)) << err.toStdString();
    ASSERT_TRUE(import.Run(t->db(), false, &err)) << err.toStdString();
    const TImportSummary s = import.Summary();
    EXPECT_EQ(s.matchedCustomers, 3);
    EXPECT_EQ(s.newCustomers, 1); // Meier in Köln is another customer
    EXPECT_EQ(s.matchedDevices, 2);
    EXPECT_EQ(s.newDevices, 2);
    EXPECT_EQ(s.presentTests, 1);
    EXPECT_EQ(s.newTests, 3);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 1); // dry run

    ASSERT_TRUE(import.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 3);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 4);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintDINVDE = 1")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling"), QStringLiteral("PLstrBezeichnung = 'Föhn'")), 2);
}

TEST_P(StoreDb, ABarcodeOfAnotherDeviceRefusesItsLineAndStoresNothing)
{
    t->addCustomer(1, QStringLiteral("Müller"), QStringLiteral("Bonn"));
    t->addDevice(10, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("4711"));
    const QByteArray head = "\"Name1\";\"Bezeichnung\";\"Barcode\";\"Datum\";\"Pruefungsergebnis\"\r\n";
    const QByteArray good = "\"Neu\";\"Lampe\";\"1234\";\"01.02.2025\";\"ja\"\r\n";
    struct {
        QByteArray line;
        const char *names; // what the message must name
    } cases[] = {
        // Another customer's failed test must not land on Müller's machine.
        {"\"Elektro Kaiser\";\"Kaffeemaschine\";\"4711\";\"01.02.2025\";\"nein\"\r\n", "Müller"},
        {"\"Müller\";\"Bohrmaschine\";\"4711\";\"01.02.2025\";\"nein\"\r\n", "Kaffeemaschine"},
        // A barcode that an earlier line of the same file gave to a new device.
        {"\"Schulz\";\"Lampe\";\"1234\";\"02.02.2025\";\"ja\"\r\n", "Neu"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        TCsvImport import;
        QString err;
        ASSERT_TRUE(import.ReadBytes(head + good + c.line, &err)) << err.toStdString();
        EXPECT_FALSE(import.Run(t->db(), false, &err));
        ASSERT_EQ(import.Lines().size(), 2);
        EXPECT_EQ(import.Lines()[1].device, TImportAction::Conflict);
        EXPECT_TRUE(import.Lines()[1].error.contains(QString::fromUtf8(c.names)))
            << import.Lines()[1].error.toStdString();
        EXPECT_FALSE(import.Run(t->db(), true, &err));
        EXPECT_TRUE(err.contains(QStringLiteral("Zeile 3"))) << err.toStdString();
        EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
        EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 1);
        EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
    }
    // The device's own customer and designation still match it.
    TCsvImport own;
    QString err;
    ASSERT_TRUE(
        own.ReadBytes(head + "\"Müller\";\"Kaffeemaschine\";\"4711\";\"01.02.2025\";\"ja\"\r\n", &err));
    ASSERT_TRUE(own.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(own.Summary().matchedDevices, 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintPrueflingNr = 10")), 1);
}

TEST_P(StoreDb, ASecondTestOfADeviceOnOneDayIsNotTakenForTheStoredOne)
{
    t->addCustomer(1, QStringLiteral("Meier"), QStringLiteral("Bonn"));
    t->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("0011"));
    t->addTest(100, 10, QDateTime(QDate(2025, 2, 1), QTime(9, 0))); // 120 mOhm, passed, tester "0815"
    const QByteArray head =
        "Name1;Bezeichnung;Barcode;GTSeriennummer;Datum;Schutzleiterwid;Pruefungsergebnis\n";
    struct {
        QByteArray line;
        bool present;
    } cases[] = {
        {"Meier;Bohrer;0011;0815;01.02.2025;120;ja\n", true},
        {"Meier;Bohrer;0011;0815;01.02.2025 09:00;120;ja\n", true},
        {"Meier;Bohrer;0011;0815;01.02.2025 09:00:00;120;ja\n", true},
        // The retest after a repair: other values, or another time of day.
        {"Meier;Bohrer;0011;0815;01.02.2025;1000;nein\n", false},
        {"Meier;Bohrer;0011;0815;01.02.2025;120;nein\n", false},
        {"Meier;Bohrer;0011;0815;01.02.2025 15:30;120;ja\n", false},
        {"Meier;Bohrer;0011;0999;01.02.2025;120;ja\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        TCsvImport import;
        QString err;
        ASSERT_TRUE(import.ReadBytes(head + c.line, &err)) << err.toStdString();
        ASSERT_TRUE(import.Run(t->db(), false, &err)) << err.toStdString();
        EXPECT_EQ(import.Summary().presentTests, c.present ? 1 : 0);
        EXPECT_EQ(import.Summary().newTests, c.present ? 0 : 1);
    }
    // Stored, the retest is there once and the original stays alone.
    TCsvImport retest;
    QString err;
    ASSERT_TRUE(retest.ReadBytes(head + cases[3].line, &err));
    ASSERT_TRUE(retest.Run(t->db(), true, &err)) << err.toStdString();
    ASSERT_TRUE(retest.ReadBytes(head + cases[3].line + cases[0].line, &err));
    ASSERT_TRUE(retest.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(retest.Summary().presentTests, 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintSchutzleiterwid = 1000")), 1);
}

TEST(CsvImportFile, HeaderNeedsCustomerAndDevice)
{
    TCsvImport import;
    QString err;
    EXPECT_FALSE(import.ReadBytes("\"Bezeichnung\";\"Datum\"\r\n\"x\";\"01.01.2025\"\r\n", &err));
    EXPECT_TRUE(err.contains(QStringLiteral("Name1")));
    EXPECT_FALSE(import.ReadBytes("\"Name1\";\"Datum\"\r\n", &err));
    EXPECT_FALSE(import.ReadBytes("", &err));
    EXPECT_FALSE(import.ReadBytes("\"Name1\";\"name1\";\"Barcode\"\r\n", &err));
    EXPECT_TRUE(err.contains(QStringLiteral("zweimal")));
    // What the file has instead is named: its columns, or the wrong separator.
    EXPECT_FALSE(import.ReadBytes("Firma;Gerät;Datum\r\nMeier;Säge;01.01.2025\r\n", &err));
    EXPECT_TRUE(err.contains(QStringLiteral("Spalten der Datei: Firma, Gerät, Datum."))) << err.toStdString();
    EXPECT_FALSE(import.ReadBytes("Name1,Bezeichnung,Datum\r\nMeier,Säge,01.01.2025\r\n", &err));
    EXPECT_TRUE(err.contains(QStringLiteral("nicht durch „;“ getrennt"))) << err.toStdString();
}

TEST(CsvImportFile, SplitKeepsLineBreaksInsideQuotesAndCountsLines)
{
    const QList<TCsvRecord> r =
        SplitCsv(QStringLiteral("\"a\";\"b\"\r\n\"x\r\ny\";\"\"\"z\"\"\"\r\n\r\n\"c\";d"));
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[1].values(), (QStringList{QStringLiteral("x\r\ny"), QStringLiteral("\"z\"")}));
    EXPECT_EQ(r[1].line, 2);
    EXPECT_EQ(r[2].line, 5);
    EXPECT_EQ(r[2].values(), (QStringList{QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_EQ(DecodeImportBytes("M\xFCller"), QStringLiteral("Müller"));
    EXPECT_EQ(DecodeImportBytes("M\xC3\xBCller"), QStringLiteral("Müller"));
}

} // namespace

namespace {

// A file of n lines "Kunde i";"Gerät i";"i" (barcode) ;date, after a header.
QByteArray ManyLines(int n, const QByteArray &last = {})
{
    QByteArray file = "\"Name1\";\"Bezeichnung\";\"Barcode\";\"Datum\";\"Schutzleiterwid\"\r\n";
    for (int i = 0; i < n; ++i)
        file += QStringLiteral("\"Kunde %1\";\"Gerät %2\";\"%3\";\"01.02.2025 10:%4\";\"%5\"\r\n")
                    .arg(i % 50)
                    .arg(i)
                    .arg(100000 + i)
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 900)
                    .toLatin1();
    return file + last;
}

TEST(CsvImportStream, RecordsCutApartByTheReadsComeOutWhole)
{
    // Quoted line breaks, doubled quotes, CR LF and multi-byte characters
    // land on every position of a piece boundary somewhere in 3 MB.
    QString text = QStringLiteral("\"Kopf\";\"B\"\r\n");
    for (int i = 0; i < 40000; ++i)
        text += QStringLiteral("\"Zeile %1\r\nzwei \"\"%2\"\"\";ü€ %3%4")
                    .arg(i)
                    .arg(i % 7)
                    .arg(i)
                    .arg(i % 3 == 0 ? QStringLiteral("\r\n")
                                    : (i % 3 == 1 ? QStringLiteral("\n") : QStringLiteral("\r")));
    const QList<TCsvRecord> whole = SplitCsv(text);
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Windows-1252");
        TCsvStream stream;
        stream.OpenBytes(utf8 ? text.toUtf8() : text.toLatin1().replace('?', '\x80'));
        for (int pass = 0; pass < 2; ++pass) {
            ASSERT_TRUE(stream.Rewind());
            TCsvRecord rec;
            qsizetype n = 0;
            while (stream.Next(rec)) {
                ASSERT_LT(n, whole.size());
                ASSERT_EQ(rec.line, whole[n].line);
                ASSERT_EQ(rec.values(), whole[n].values()) << n;
                ++n;
            }
            EXPECT_EQ(n, whole.size());
        }
    }
}

TEST(CsvImportStream, OneByteLateInTheFileDecidesTheEncoding)
{
    // Valid UTF-8 for the first megabyte, then a Windows-1252 "ü".
    QByteArray bytes = "Name1\r\n";
    while (bytes.size() < 1'100'000)
        bytes += "Meier\r\n";
    bytes += "M\xFCller\r\n";
    TCsvStream stream;
    stream.OpenBytes(bytes);
    TCsvRecord rec, last;
    while (stream.Next(rec))
        last = rec;
    EXPECT_EQ(last.value(0), QStringLiteral("Müller"));
}

TEST(CsvImportStream, ARecordReadIntoTheRoomOfAWiderOneHoldsOnlyItsOwnValues)
{
    // Records of 5, 1 and 3 values, empty ones among them, over several
    // pieces: every record after the first pieces reuses an earlier one's room.
    QByteArray bytes = "A;B;C;D;E\r\n";
    for (int i = 0; i < 30000; ++i)
        bytes += QByteArray::number(i) + ";;\"\";\"x;y\";lang " + QByteArray(i % 40, 'z') + "\r\n" +
                 "\"\"\r\n;" + QByteArray::number(i) + ";\r\n";
    const QList<TCsvRecord> whole = SplitCsv(QString::fromLatin1(bytes));
    ASSERT_EQ(whole.size(), 1 + 3 * 30000);
    EXPECT_EQ(whole[1].values(), (QStringList{"0", "", "", "x;y", "lang "}));
    EXPECT_EQ(whole[2].size(), 1);
    EXPECT_EQ(whole[3].values(), (QStringList{"", "0", ""}));
    EXPECT_TRUE(whole[3].value(7).isEmpty()); // a value the record does not have
    TCsvStream stream;
    stream.OpenBytes(bytes);
    TCsvRecord rec;
    qsizetype n = 0;
    while (stream.Next(rec)) {
        ASSERT_LT(n, whole.size());
        ASSERT_EQ(rec.values(), whole[n].values()) << n;
        ++n;
    }
    EXPECT_EQ(n, whole.size());
}

TEST(CsvImportValues, ValuesAreReadInPlaceAsTheExportWritesThem)
{
    const QString line = QStringLiteral(" JA ;Nein;jein;'=1+2;\"Typ\" 5 ");
    const QList<QStringView> v = QStringView(line).split(u';');
    EXPECT_EQ(ParseImportBool(v[0]), true);
    EXPECT_EQ(ParseImportBool(v[1]), false);
    EXPECT_EQ(ParseImportBool(v[2]), std::nullopt);
    EXPECT_EQ(ParseImportYesNoOther(v[0]), 1);
    EXPECT_EQ(ImportUserText(v[3]), QStringLiteral("=1+2"));
    // Keys: trimmed, the export's double quotes as apostrophes.
    EXPECT_TRUE(SameImportKey(v[4], u"'Typ' 5"));
    EXPECT_FALSE(SameImportKey(v[4], u"'Typ' 6"));
    QString key = QStringLiteral("1");
    AppendImportKey(key, v[4]);
    EXPECT_EQ(key, QStringLiteral("1'Typ' 5"));
    const QString texts[] = {QStringLiteral("---"), QStringLiteral("0,00"), QStringLiteral("0,01")};
    const auto format = [&texts](int n) { return n >= -1 && n <= 1 ? QStringView(texts[n + 1]) : u"?"; };
    EXPECT_EQ(ParseImportMeasured(u" 0,01 ", 100, 1001, 0, format), 1);
    EXPECT_EQ(ParseImportMeasured(u"---", 100, 1001, 0, format), -1);
    EXPECT_EQ(ParseImportMeasured(u"0,010", 100, 1001, 0, format), std::nullopt); // not the export's text
}

TEST(CsvImportValues, MeasuredTextsAreTheExportsWhereverTheValueLies)
{
    using namespace csvimport;
    const TMeasuredTexts texts;
    for (std::size_t i = 0; i < std::size(kMeasured); ++i) {
        const TMeasuredColumn &m = kMeasured[i];
        // Kept side by side up to "over", elsewhere one by one.
        const QStringView first = texts.Text(i, m.over + 7);
        for (const int v : {-1, 0, 1, m.under, m.over - 1, m.over, m.over + 1, 50 * m.over, -5}) {
            SCOPED_TRACE(std::to_string(i) + ": " + std::to_string(v));
            EXPECT_EQ(texts.Text(i, v), m.format(v).trimmed());
            EXPECT_EQ(texts.Text(i, v), m.format(v).trimmed()); // the second time from the cache
        }
        EXPECT_EQ(first, m.format(m.over + 7).trimmed()); // still valid after the others
        EXPECT_EQ(texts.Format(i)(m.over), m.format(m.over).trimmed());
    }
}

TEST_P(StoreDb, ALineRefusedAtTheEndOfALongFileStoresNothing)
{
    t->addCustomer(1, QStringLiteral("Müller"));
    t->addDevice(10, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("4711"));
    const struct {
        QByteArray last;
        const char *why;
    } cases[] = {{"\"Kunde 1\";\"Säge\";\"77\";\"31.02.2025\";\"1\"\r\n", "kein Datum"},
                 // Found only by matching: the barcode is Müller's machine.
                 {"\"Kunde 1\";\"Säge\";\"4711\";\"01.03.2025\";\"1\"\r\n", "Müller"},
                 // Cut short unseen by SQLite, a broken statement on PostgreSQL.
                 {QByteArrayLiteral("\"Kunde 1\";\"S\0ge\";\"78\";\"01.03.2025\";\"1\"\r\n"), "Nullzeichen"},
                 // A copy cut off inside the last quoted value.
                 {"\"Kunde 1\";\"Säge\";\"79\";\"01.03.2025\";\"1", "abgeschnitten"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TCsvImport import;
        QString err;
        ASSERT_TRUE(import.ReadBytes(ManyLines(2500, c.last), &err)) << err.toStdString();
        EXPECT_FALSE(import.Run(t->db(), true, &err));
        EXPECT_TRUE(err.contains(QStringLiteral("Zeile 2502"))) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.why))) << err.toStdString();
        EXPECT_EQ(import.Summary().refused, 1);
        EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
        EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 1);
        EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
    }
}

TEST_P(StoreDb, ACancelledImportStoresNothingAndSaysSo)
{
    TCsvImport import;
    QString err;
    ASSERT_TRUE(import.ReadBytes(ManyLines(3000), &err));
    qint64 last = 0, total = 0;
    // Cancelled in the writing pass, after rows went into the transaction.
    const bool ok = import.Run(t->db(), true, &err, [&](qint64 done, qint64 all) {
        EXPECT_GE(done, last);
        last = done;
        total = all;
        return done < all * 3 / 4;
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(err.contains(QStringLiteral("Abgebrochen"))) << err.toStdString();
    EXPECT_GT(last, total / 2); // it was writing
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);

    // Not cancelled: everything, the preview cut to its first lines.
    ASSERT_TRUE(import.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 50);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 3000);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintSchutzleiterwid = 899")), 3);
    EXPECT_EQ(import.Summary().newTests, 3000);
    EXPECT_TRUE(import.Summary().linesCut);
    EXPECT_EQ(import.Lines().size(), 1000);
}

// A second workstation importing at the same time holds the key lock; the
// one that gives up must say why, not only that no keys could be had.
TEST_P(StoreDb, AnImportThatCannotGetTheKeysNamesTheLockAndStoresNothing)
{
    if (GetParam() != TTestEngine::SQLite) GTEST_SKIP() << "PostgreSQL waits for the lock";
    t->exec(QStringLiteral("PRAGMA busy_timeout = 50"));
    const QString other = QStringLiteral("import_lock_holder");
    {
        QString err;
        ASSERT_TRUE(OpenConnection(ParseConnectionString(t->connectionString()), other, &err))
            << err.toStdString();
        QSqlDatabase holder = QSqlDatabase::database(other, false);
        QSqlQuery q(holder);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN IMMEDIATE")));

        TCsvImport import;
        ASSERT_TRUE(import.ReadBytes(ManyLines(20), &err));
        EXPECT_FALSE(import.Run(t->db(), true, &err));
        EXPECT_TRUE(err.contains(QStringLiteral("Nichts eingelesen"))) << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("gesperrt"))) << err.toStdString();
        q.exec(QStringLiteral("ROLLBACK"));
        holder.close();
    }
    QSqlDatabase::removeDatabase(other);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 0);
}

TEST_P(StoreDb, ColumnsOfACustomersListAreReadAsTheChosenFields)
{
    const QByteArray file = "Firma;Gerät;Prüfdatum;Bemerkung;Name1\n"
                            "Meier;Bohrer;01.02.2025;alt;x\n";
    TCsvImport import;
    QString err;
    EXPECT_FALSE(import.ReadBytes(file, &err)); // "Name1" alone names no device
    EXPECT_EQ(import.FileColumns(),
              (QStringList{QStringLiteral("Firma"), QStringLiteral("Gerät"), QStringLiteral("Prüfdatum"),
                           QStringLiteral("Bemerkung"), QStringLiteral("Name1")}));
    import.SetColumnMapping({{QStringLiteral("Firma"), QStringLiteral("Name1")},
                             {QStringLiteral("Gerät"), QStringLiteral("Bezeichnung")},
                             { QStringLiteral("Prüfdatum"),
                               QStringLiteral("datum") }});
    EXPECT_FALSE(import.ReadBytes(file, &err)); // the file's own "Name1" as well
    EXPECT_TRUE(err.contains(QStringLiteral("zweimal"))) << err.toStdString();
    import.SetColumnMapping({{QStringLiteral("Firma"), QStringLiteral("Name1")},
                             {QStringLiteral("Gerät"), QStringLiteral("Bezeichnung")},
                             {QStringLiteral("Prüfdatum"), QStringLiteral("datum")},
                             { QStringLiteral("Name1"),
                               QString() }});
    ASSERT_TRUE(import.ReadBytes(file, &err)) << err.toStdString();
    EXPECT_EQ(import.ColumnFields(), (QStringList{QStringLiteral("Name1"), QStringLiteral("Bezeichnung"),
                                                  QStringLiteral("Datum"), QString(), QString()}));
    EXPECT_EQ(import.IgnoredColumns(), (QStringList{QStringLiteral("Bemerkung"), QStringLiteral("Name1")}));
    ASSERT_TRUE(import.Run(t->db(), true, &err)) << err.toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden"), QStringLiteral("KDstrName1 = 'Meier'")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling"), QStringLiteral("PLstrBezeichnung = 'Bohrer'")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 1);
}

TEST(CsvImportMapping, CommandLineMappingsAreCheckedAgainstTheFields)
{
    QHash<QString, QString> m;
    QString err;
    EXPECT_TRUE(ParseImportMappingOption(QStringLiteral("Firma=Name1"), m, &err));
    EXPECT_TRUE(ParseImportMappingOption(QStringLiteral("a=b=Barcode"), m, &err)); // the last "=" splits
    EXPECT_TRUE(ParseImportMappingOption(QStringLiteral("Notizen="), m, &err));    // not read
    EXPECT_EQ(m.value(QStringLiteral("a=b")), QStringLiteral("Barcode"));
    EXPECT_TRUE(m.contains(QStringLiteral("Notizen")) && m.value(QStringLiteral("Notizen")).isEmpty());
    EXPECT_FALSE(ParseImportMappingOption(QStringLiteral("Firma"), m, &err));
    EXPECT_FALSE(ParseImportMappingOption(QStringLiteral("Firma=Kundenname"), m, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("Kundenname")));
    EXPECT_FALSE(ParseImportMappingOption(QStringLiteral("X=Enables"), m, &err)); // never read
}

} // namespace
