// Reminder letters: file names, the letter read back with poppler's tools,
// and the letters of a whole due list written into a folder from a real
// database.

#include "PdfTools.h"
#include "protocols/ReminderLetter.h"
#include "protocols/ReminderRun.h"
#include "store/StoreTestDb.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

TDueEntry device(int kunde, int nr, const QString &bezeichnung, const QDate &last, const QDate &due)
{
    TDueEntry e;
    e.KundenNr = kunde;
    e.Kunde = QStringLiteral("Kunde %1").arg(kunde);
    e.PrueflingNr = nr;
    e.Bezeichnung = bezeichnung;
    e.Inventarnummer = QStringLiteral("INV-%1").arg(nr);
    e.Barcode = QStringLiteral("BC%1").arg(nr);
    e.LastTest = last;
    e.NextDue = due;
    return e;
}

TCustomerAddress address()
{
    TCustomerAddress a;
    a.KundenNr = 42;
    a.Name1 = QStringLiteral("Stadtwerke Musterstadt");
    a.Name3 = QStringLiteral("Abteilung Technik");
    a.Strasse = QStringLiteral("Am Werk 7");
    a.LKZ = QStringLiteral("D");
    a.PLZ = QStringLiteral("12345");
    a.Ort = QStringLiteral("Musterstadt");
    return a;
}

// Where each text starts in the drawn text, -1 when a word is missing; each
// search starts after the previous text, so the texts must come in order.
qsizetype inOrder(const QString &drawn, const QStringList &texts)
{
    qsizetype at = 0;
    for (const QString &t : texts) {
        at = drawn.indexOf(QString(t).remove(QRegularExpression(QStringLiteral("\\s"))), at);
        if (at < 0) return -1;
    }
    return at;
}

TEST(ReminderLetter, AddressLeavesOutEmptyLinesAndKeepsTheOrder)
{
    EXPECT_EQ(AddressLines(address()), (QStringList{"Stadtwerke Musterstadt", "Abteilung Technik",
                                                    "Am Werk 7", "D-12345 Musterstadt"}));
    TCustomerAddress bare;
    bare.Name1 = QStringLiteral("  Nur Name ");
    EXPECT_EQ(AddressLines(bare), QStringList{"Nur Name"}) << "no town line of blanks, no lone country code";
    bare.LKZ = QStringLiteral("A");
    bare.Ort = QStringLiteral("Wien");
    EXPECT_EQ(AddressLines(bare), (QStringList{"Nur Name", "A-Wien"}));
}

TEST(ReminderLetter, FileNamesAreSafeAndTellCustomersApart)
{
    EXPECT_EQ(ReminderFileName(42, QStringLiteral("Stadtwerke Musterstadt")),
              QStringLiteral("Erinnerung 00042 Stadtwerke Musterstadt.pdf"));
    EXPECT_EQ(ReminderFileName(7, QStringLiteral("A/B: \"C\"")),
              QStringLiteral("Erinnerung 00007 A_B_ _C_.pdf"));
    EXPECT_EQ(ReminderFileName(7, QStringLiteral("Zeile\neins\x01zwei")),
              QStringLiteral("Erinnerung 00007 Zeile eins_zwei.pdf"));
    EXPECT_EQ(ReminderFileName(8, QStringLiteral("..versteckt")),
              QStringLiteral("Erinnerung 00008 ..versteckt.pdf"));
    EXPECT_EQ(ReminderFileName(9, QString()), QStringLiteral("Erinnerung 00009.pdf"));
    EXPECT_NE(ReminderFileName(1, QStringLiteral("Stadtwerke")),
              ReminderFileName(2, QStringLiteral("Stadtwerke")));

    // Long names are cut, and never inside a character pair.
    const QString longName = QString(70, QLatin1Char('x')) + QString::fromUcs4(U"\U0001F50C\U0001F50C");
    for (int extra = 0; extra < 3; ++extra) {
        const QString name = ReminderFileName(123456, QString(extra, QLatin1Char('y')) + longName);
        EXPECT_LE(name.size(), 84);
        EXPECT_TRUE(name.endsWith(QStringLiteral(".pdf")));
        EXPECT_FALSE(name.contains(QLatin1Char('/')));
        const QString stem = name.chopped(4);
        EXPECT_FALSE(stem.back().isHighSurrogate()) << extra;
        EXPECT_TRUE(stem.isValidUtf16()) << extra;
    }
}

class ReminderLetterPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
        letter.Sender = {QStringLiteral("Elektro Prüfdienst GmbH"), QStringLiteral("Werkstraße 1"),
                         QStringLiteral("54321 Prüfstadt"), QString(), QStringLiteral("Tel. 0123 456")};
        letter.Customer = address();
        letter.Date = QDate(2026, 12, 10);
    }
    QString write()
    {
        const QString file = dir.filePath(QStringLiteral("brief.pdf"));
        QString error;
        EXPECT_TRUE(ReminderLetterReport(letter).WritePdf(file, &error)) << error.toStdString();
        return file;
    }
    void expectNoOverlap(const QString &file)
    {
        for (int page = 1; page <= pdf_tools::pageCount(file); ++page) {
            EXPECT_EQ(pdf_tools::overlaps(file, page).join(QLatin1Char('\n')).toStdString(), "") << page;
            // A picture of each page to look at.
            if (!qEnvironmentVariableIsEmpty("GT_KEEP_PNG"))
                pdf_tools::renderPng(file, page, 80,
                                     qEnvironmentVariable("GT_KEEP_PNG") +
                                         QStringLiteral("brief-%1").arg(page));
        }
    }

    TReminderLetter letter;
    QTemporaryDir dir;
};

TEST_F(ReminderLetterPdf, NamesSenderAddressAndEveryDeviceInOrder)
{
    TDueEntry never = device(42, 1, QStringLiteral("Kaffeemaschine"), QDate(), QDate());
    TDueEntry failed = device(42, 2, QStringLiteral("Wasserkocher"), QDate(2025, 3, 4), QDate(2026, 12, 10));
    failed.Failed = true;
    const TDueEntry due =
        device(42, 3, QStringLiteral("Bohrmaschine"), QDate(2025, 12, 1), QDate(2026, 12, 1));
    letter.Devices = {never, failed, due};
    const QString file = write();
    EXPECT_EQ(pdf_tools::pageCount(file), 1);
    const QString drawn = pdf_tools::drawnText(file);
    EXPECT_GE(inOrder(drawn, {"Elektro Prüfdienst GmbH", "Werkstraße 1", "54321 Prüfstadt", "Tel. 0123 456"}),
              0);
    EXPECT_GE(inOrder(drawn, AddressLines(letter.Customer)), 0) << drawn.toStdString();
    EXPECT_GE(inOrder(drawn, {"Prüfung Ihrer elektrischen Geräte fällig", "Sehr geehrte Damen und Herren"}),
              0);
    // Each row whole: designation, inventory number, barcode, last test, due.
    EXPECT_GE(
        inOrder(drawn, {"Kaffeemaschine", "INV-1", "BC1", "nie geprüft", "sofort", "Wasserkocher", "INV-2",
                        "BC2", "04.03.2025", "nicht bestanden", "Bohrmaschine", "INV-3", "BC3", "01.12.2025",
                        "01.12.2026", "Mit freundlichen Grüßen", "Elektro Prüfdienst GmbH"}),
        0);
    EXPECT_TRUE(drawn.contains(QStringLiteral("10.12.2026")));
    EXPECT_TRUE(pdf_tools::text(file).contains(QStringLiteral("Seite 1 von 1")));
    expectNoOverlap(file);
}

TEST_F(ReminderLetterPdf, ManyDevicesFlowOverPagesWithTheHeaderOnEach)
{
    // Long texts as the columns allow: they wrap in their cells.
    const QString longName =
        QStringLiteral("Tischkreissäge mit Absaugung und Nachlaufbremse Werkhalle Nord %1");
    for (int i = 1; i <= 45; ++i)
        letter.Devices << device(42, i, longName.arg(i), QDate(2025, 1, 2), QDate(2026, 1, 2));
    letter.Devices[7].Inventarnummer = QStringLiteral("INV-2026-0815-LAGER-HALLE-NORD-REGAL17");
    letter.Customer.Name2 =
        QStringLiteral("Wohn- und Pflegeheim Sankt Marien am Rosengarten gGmbH Nordflügel");
    const QString file = write();
    const int pages = pdf_tools::pageCount(file);
    ASSERT_GE(pages, 3);
    const QStringList texts = pdf_tools::pageTexts(file);
    ASSERT_EQ(texts.size(), pages);
    for (int p = 0; p < pages; ++p) {
        SCOPED_TRACE(p + 1);
        const QString t = texts[p];
        for (const char *head : {"Bezeichnung", "Inventarnummer", "Barcode", "letzte Prüfung", "fällig am"})
            EXPECT_TRUE(t.contains(QString::fromUtf8(head))) << head;
        EXPECT_TRUE(t.contains(QStringLiteral("Seite %1 von %2").arg(p + 1).arg(pages)));
        if (p > 0) {
            EXPECT_TRUE(t.contains(QStringLiteral("Stadtwerke Musterstadt (Kunde 42)")));
        }
    }
    EXPECT_TRUE(texts.constLast().contains(QStringLiteral("Mit freundlichen Grüßen")));
    const QString drawn = pdf_tools::drawnText(file);
    EXPECT_GE(inOrder(drawn, AddressLines(letter.Customer)), 0);
    QStringList rows;
    for (const TDueEntry &e : letter.Devices)
        rows << e.Bezeichnung << e.Inventarnummer;
    EXPECT_GE(inOrder(drawn, rows), 0) << "every device whole and in order";
    expectNoOverlap(file);
}

class Reminders : public StoreDb {
protected:
    void fill()
    {
        t->addCustomer(1, QStringLiteral("Stadtwerke"), QStringLiteral("Musterstadt"));
        t->addCustomer(2, QStringLiteral("Stadtwerke"), QStringLiteral("Nebenort"));
        t->exec(QStringLiteral("UPDATE tblKunden SET KDstrStrasse = 'Am Werk 7', KDstrPLZ = '12345' "
                               "WHERE KDintKundenNr = 1"));
        const QDate d(2025, 1, 2);
        due = {device(1, 10, QStringLiteral("Bohrer"), d, d.addYears(1)),
               device(2, 20, QStringLiteral("Lampe"), QDate(), QDate()),
               device(1, 11, QStringLiteral("Säge"), d, d.addYears(1))};
    }
    QStringList files(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QList<TDueEntry> due;
    const std::array<QString, 5> sender{QStringLiteral("Prüfdienst")};
    QTemporaryDir dir;
};

TEST_P(Reminders, OneLetterPerCustomerWithTheAddressFromItsRecord)
{
    fill();
    const QString folder = dir.filePath(QStringLiteral("neu/briefe"));
    TReminderResult r;
    QString error;
    ASSERT_TRUE(WriteReminderLetters(t->db(), due, sender, QDate(2026, 12, 10), folder, r, &error))
        << error.toStdString();
    const QStringList expected = {QStringLiteral("Erinnerung 00001 Stadtwerke.pdf"),
                                  QStringLiteral("Erinnerung 00002 Stadtwerke.pdf")};
    EXPECT_EQ(files(folder), expected) << "the folder made, no trial file left";
    EXPECT_EQ(r.files, (QStringList{QDir(folder).filePath(expected[0]), QDir(folder).filePath(expected[1])}));
    EXPECT_EQ(r.Summary(), QStringLiteral("2 Erinnerungsschreiben geschrieben, 0 fehlgeschlagen."));
    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    const QString first = pdf_tools::drawnText(r.files[0]);
    EXPECT_GE(inOrder(first, {"Stadtwerke", "Am Werk 7", "12345 Musterstadt", "Bohrer", "Säge"}), 0)
        << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("Lampe")));
    EXPECT_GE(inOrder(pdf_tools::drawnText(r.files[1]), {"Stadtwerke", "Nebenort", "Lampe"}), 0);
}

TEST_P(Reminders, AFailedLetterLeavesNothingUnderItsNameAndTheOthersAreWritten)
{
    fill();
    // A folder where the first letter would go: that one cannot be written.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Erinnerung 00001 Stadtwerke.pdf")));
    TReminderResult r;
    QString error;
    EXPECT_FALSE(WriteReminderLetters(t->db(), due, sender, QDate(2026, 12, 10), dir.path(), r, &error));
    EXPECT_EQ(error, QStringLiteral("1 Erinnerungsschreiben geschrieben, 1 fehlgeschlagen."));
    ASSERT_EQ(r.errors.size(), 1);
    EXPECT_TRUE(r.errors[0].contains(QStringLiteral("Erinnerung 00001 Stadtwerke.pdf")))
        << r.errors[0].toStdString();
    EXPECT_EQ(files(dir.path()), QStringList{"Erinnerung 00002 Stadtwerke.pdf"});

    // A file where the folder should be: a German reason, nothing written.
    const QString notAFolder = dir.filePath(QStringLiteral("Erinnerung 00002 Stadtwerke.pdf"));
    EXPECT_FALSE(WriteReminderLetters(t->db(), due, sender, QDate(2026, 12, 10), notAFolder, r, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("ist kein Ordner"))) << error.toStdString();
    EXPECT_FALSE(WriteReminderLetters(t->db(), due, sender, QDate(2026, 12, 10),
                                      notAFolder + QStringLiteral("/x"), r, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("kann nicht angelegt werden"))) << error.toStdString();
    EXPECT_TRUE(r.files.isEmpty());

    // A customer that cannot be read counts as failed and ends the run.
    const QString other = dir.filePath(QStringLiteral("ohne-db"));
    EXPECT_FALSE(WriteReminderLetters(QSqlDatabase(), due, sender, QDate(2026, 12, 10), other, r, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Die Anschrift des Kunden 1 kann nicht gelesen werden")))
        << error.toStdString();
    EXPECT_EQ(r.errors, QStringList{error});
    EXPECT_TRUE(files(other).isEmpty());
}

TEST_P(Reminders, ProgressIsToldOfEachLetterAndACancelStopsAfterTheOneInHand)
{
    fill();
    QList<QPair<int, int>> told;
    TReminderResult r;
    QString error;
    EXPECT_TRUE(WriteReminderLetters(t->db(), due, sender, QDate(2026, 12, 10), dir.path(), r, &error,
                                     [&told](int done, int total) {
                                         told.append({done, total});
                                         return false;
                                     }))
        << "a cancel is no failure";
    EXPECT_EQ(told, (QList<QPair<int, int>>{{1, 2}}));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(files(dir.path()), QStringList{"Erinnerung 00001 Stadtwerke.pdf"});
    EXPECT_EQ(r.Summary(),
              QStringLiteral("1 Erinnerungsschreiben geschrieben, 0 fehlgeschlagen. Abgebrochen."));
}

TEST_P(Reminders, OnAFullDiskNoHalfLetterIsLeft)
{
    gt_test::TSmallDisk disk(64);
    GT_REQUIRE_SMALL_DISK(disk);
    fill();
    ASSERT_TRUE(disk.fill());
    const QString folder = QFileInfo(disk.path(QStringLiteral("fuellung"))).absolutePath();
    TReminderResult r;
    QString error;
    EXPECT_FALSE(WriteReminderLetters(t->db(), due, sender, QDate(2026, 12, 10), folder, r, &error));
    EXPECT_TRUE(r.files.isEmpty());
    EXPECT_EQ(r.errors.size(), 2);
    for (const QString &e : r.errors)
        EXPECT_TRUE(e.contains(QStringLiteral("Der Datenträger ist voll."))) << e.toStdString();
    EXPECT_EQ(files(folder), QStringList{"fuellung"});
}

INSTANTIATE_TEST_SUITE_P(Engines, Reminders, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

} // namespace
