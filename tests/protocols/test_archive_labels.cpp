// The protocol archive and the device labels against a real database; the
// labels' barcodes read back with zbarimg from a 300-dpi rendering.

#include "PdfTools.h"
#include "protocols/DeviceLabels.h"
#include "protocols/DueListReport.h"
#include "protocols/ProtocolArchive.h"
#include "store/StoreTestDb.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QStringList filesUnder(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

TEST(SafeFileName, ReplacesWhatFileSystemsRefuse)
{
    EXPECT_EQ(SafeFileName(QStringLiteral("Müller/Söhne: \"A\" <B>")),
              QStringLiteral("Müller_Söhne_ _A_ _B_"));
    EXPECT_EQ(SafeFileName(QStringLiteral("a\\b*c?d|e")), QStringLiteral("a_b_c_d_e"));
    EXPECT_EQ(SafeFileName(QStringLiteral("Zeile\r\nzwei\t")), QStringLiteral("Zeile__zwei_"));
    EXPECT_EQ(SafeFileName(QStringLiteral("GmbH.  ")), QStringLiteral("GmbH"));
    EXPECT_EQ(SafeFileName(QStringLiteral("..")), QStringLiteral("_"));
    EXPECT_EQ(SafeFileName(QString()), QStringLiteral("_"));
    EXPECT_EQ(SafeFileName(QStringLiteral("con")), QStringLiteral("_con"));
    EXPECT_EQ(SafeFileName(QStringLiteral("COM1.pdf")), QStringLiteral("_COM1.pdf"));
    EXPECT_EQ(SafeFileName(QStringLiteral("Contor")), QStringLiteral("Contor"));
    EXPECT_EQ(SafeFileName(QString(200, QLatin1Char('x'))).size(), 80);
    // A cut through a character pair (an emoji in a customer's name) drops
    // the whole pair, and a blank left before it goes too.
    const QString plug = QString::fromUcs4(U"\U0001F50C");
    EXPECT_EQ(SafeFileName(QString(79, QLatin1Char('x')) + plug), QString(79, QLatin1Char('x')));
    EXPECT_EQ(SafeFileName(QString(78, QLatin1Char('x')) + QLatin1Char(' ') + plug),
              QString(78, QLatin1Char('x')));
    const QString folder = ArchiveFolderName(12, QString(76, QLatin1Char('x')) + plug + plug);
    EXPECT_TRUE(folder.isValidUtf16()) << folder.toStdString();
}

TEST_P(StoreDb, ArchiveWritesOneProtocolPerTestAndSecondRunNothing)
{
    t->addCustomer(1, QStringLiteral("Müller/Söhne: \"A\""));
    t->addCustomer(2, QStringLiteral("Bäcker's Café"));
    t->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("0612"));
    t->addDevice(20, 2, QStringLiteral("Lampe")); // no barcode: the device number names it
    t->addTest(100, 10, QDateTime(QDate(2025, 3, 4), QTime(9, 0)));
    t->addTest(101, 10, QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
    t->addTest(200, 20, QDateTime(QDate(2026, 5, 6), QTime(9, 0)), QString(), 1);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("archiv"));
    TProtocolSettings settings;
    TProtocolArchive archive;
    int lastDone = -1, lastTotal = -1;
    QObject::connect(&archive, &TProtocolArchive::progress, [&](int d, int n) {
        lastDone = d;
        lastTotal = n;
    });
    TArchiveResult r;
    QString err;
    ASSERT_TRUE(archive.Run(t->db(), root, QDate(), settings, r, &err)) << err.toStdString();
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(lastDone, 3);
    EXPECT_EQ(lastTotal, 3);
    const QStringList expected = {QStringLiteral("1 Müller_Söhne_ _A_/0612_2025-03-04_100.pdf"),
                                  QStringLiteral("1 Müller_Söhne_ _A_/0612_2026-01-02_101.pdf"),
                                  QStringLiteral("2 Bäcker's Café/20_2026-05-06_200.pdf")};
    EXPECT_EQ(filesUnder(root), expected);
    if (pdf_tools::havePoppler()) {
        EXPECT_GE(pdf_tools::pageCount(root + QStringLiteral("/") + expected[0]), 1);
        EXPECT_TRUE(
            pdf_tools::text(root + QStringLiteral("/") + expected[0]).contains(QStringLiteral("Bohrer")));
    } else if (gt_test::toolsRequired()) {
        // The rest needs no reader; only the look inside the file is left out.
        ADD_FAILURE() << "poppler-utils fehlen (GT_REQUIRE_TOOLS=1)";
    }

    // A nightly run: nothing new, nothing touched.
    const QDateTime before = QFileInfo(root + QStringLiteral("/") + expected[0]).lastModified();
    ASSERT_TRUE(archive.Run(t->db(), root, QDate(), settings, r, &err));
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(QFileInfo(root + QStringLiteral("/") + expected[0]).lastModified(), before);
    EXPECT_EQ(r.Summary(), QStringLiteral("0 Protokoll(e) geschrieben, 3 vorhanden, 0 fehlgeschlagen."));

    // A new test and a date limit: only what is new and recent.
    t->addTest(102, 10, QDateTime(QDate(2026, 7, 1), QTime(9, 0)));
    ASSERT_TRUE(archive.Run(t->db(), root, QDate(2026, 1, 2), settings, r, &err));
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.skipped, 2); // 101 and 200; 100 is older than the limit
    EXPECT_EQ(filesUnder(root).size(), 4);
}

TEST(ArchiveFolder, TheNumberKeepsCustomersApartAndNoFolderHidden)
{
    EXPECT_EQ(ArchiveFolderName(3, QStringLiteral("Stadtwerke")), QStringLiteral("3 Stadtwerke"));
    EXPECT_NE(ArchiveFolderName(3, QStringLiteral("Stadtwerke")),
              ArchiveFolderName(4, QStringLiteral("Stadtwerke")));
    EXPECT_EQ(ArchiveFolderName(5, QStringLiteral(".hidden")), QStringLiteral("5 .hidden"));
    EXPECT_EQ(ArchiveFolderName(6, QStringLiteral("../A/B\\C")), QStringLiteral("6 .._A_B_C"));
    EXPECT_EQ(ArchiveFolderName(7, QStringLiteral("Zeile\nzwei\x7f")), QStringLiteral("7 Zeile_zwei_"));
    EXPECT_EQ(ArchiveFolderName(8, QStringLiteral("  ")), QStringLiteral("8"));
    // Cut to length without ending on a blank or a dot, which Windows drops.
    const QString cut = ArchiveFolderName(9, QString(76, QLatin1Char('x')) + QStringLiteral(" . y"));
    EXPECT_LE(cut.size(), 80);
    EXPECT_FALSE(cut.endsWith(QLatin1Char(' ')) || cut.endsWith(QLatin1Char('.'))) << cut.toStdString();
}

TEST_P(StoreDb, ArchiveKeepsNamesakesApartAndLeavesOlderFoldersAlone)
{
    t->addCustomer(1, QStringLiteral("Stadtwerke"));
    t->addCustomer(2, QStringLiteral("Stadtwerke"));
    t->addCustomer(3, QStringLiteral(".versteckt"));
    t->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("10"));
    t->addDevice(20, 2, QStringLiteral("Lampe"), QStringLiteral("20"));
    t->addDevice(30, 3, QStringLiteral("Leiter"), QStringLiteral("30"));
    t->addTest(100, 10, QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
    t->addTest(200, 20, QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
    t->addTest(300, 30, QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
    t->addTest(101, 10, QDateTime(QDate(2026, 3, 4), QTime(9, 0)));
    QTemporaryDir dir;
    // What an earlier version archived under the name alone stays and is not written again.
    const QString old = dir.filePath(QStringLiteral("Stadtwerke/10_2026-01-02_100.pdf"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(old).path()));
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("alt");
    f.close();
    TProtocolArchive archive;
    TArchiveResult r;
    QString err;
    ASSERT_TRUE(archive.Run(t->db(), dir.path(), QDate(), TProtocolSettings{}, r, &err)) << err.toStdString();
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(filesUnder(dir.path()), (QStringList{QStringLiteral("1 Stadtwerke/10_2026-03-04_101.pdf"),
                                                   QStringLiteral("2 Stadtwerke/20_2026-01-02_200.pdf"),
                                                   QStringLiteral("3 .versteckt/30_2026-01-02_300.pdf"),
                                                   QStringLiteral("Stadtwerke/10_2026-01-02_100.pdf")}));
    EXPECT_EQ(ReadFileBytes(old), QByteArray("alt"));
}

TEST_P(StoreDb, ArchiveCancelStopsAndLeavesNoPartFiles)
{
    t->addCustomer(1, QStringLiteral("Kunde"));
    t->addDevice(10, 1, QStringLiteral("Gerät"), QStringLiteral("77"));
    for (int i = 0; i < 5; ++i)
        t->addTest(100 + i, 10, QDateTime(QDate(2026, 1, 1 + i), QTime(8, 0)));
    QTemporaryDir dir;
    TProtocolArchive archive;
    QObject::connect(&archive, &TProtocolArchive::progress, [&](int d, int) {
        if (d == 2) archive.Cancel();
    });
    TArchiveResult r;
    ASSERT_TRUE(archive.Run(t->db(), dir.path(), QDate(), TProtocolSettings{}, r));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.written, 2);
    const QStringList files = filesUnder(dir.path());
    EXPECT_EQ(files.size(), 2);
    for (const QString &f : files)
        EXPECT_TRUE(f.endsWith(QLatin1String(".pdf"))) << f.toStdString();
}

TEST(DeviceLabels, BarcodeTypeByDigits)
{
    EXPECT_EQ(LabelBarcodeType(QStringLiteral("061234")), Interleaved2Of5);
    EXPECT_EQ(LabelBarcodeType(QStringLiteral("0612")), Code128); // too short for scanners as I 2/5
    EXPECT_EQ(LabelBarcodeType(QStringLiteral("061")), Code128);
    EXPECT_EQ(LabelBarcodeType(QStringLiteral("06A2")), Code128);
    EXPECT_EQ(LabelBarcodeType(QStringLiteral("٠١")), Code128); // other scripts' digits are no I 2/5
}

TEST(DeviceLabels, PagesFollowTheFirstPosition)
{
    QList<TDueEntry> devices(24);
    EXPECT_EQ(DeviceLabelsReport(devices, 1).PageCount(), 1);
    EXPECT_EQ(DeviceLabelsReport(devices, 2).PageCount(), 2);
    EXPECT_EQ(DeviceLabelsReport(devices.mid(0, 1), 24).PageCount(), 1);
    EXPECT_EQ(DeviceLabelsReport(devices.mid(0, 2), 24).PageCount(), 2);
}

TEST_P(StoreDb, EveryLabelBarcodeReadsBack)
{
    if (!pdf_tools::havePoppler() || !pdf_tools::haveZbar())
        GT_SKIP_WITHOUT_TOOL("poppler-utils oder zbarimg fehlen");
    t->addCustomer(1, QStringLiteral("Elektro Groß & Söhne"));
    t->addCustomer(2, QStringLiteral("Anderer"));
    const QStringList codes = {QStringLiteral("0612"), QStringLiteral("123456789012"),
                               QStringLiteral("ABC-123/x"), QStringLiteral("00001"),
                               QStringLiteral("98765432")};
    for (int i = 0; i < codes.size(); ++i)
        t->addDevice(10 + i, 1, QStringLiteral("Gerät %1").arg(i), codes[i]);
    t->addDevice(30, 1, QStringLiteral("ohne Barcode"));
    t->addDevice(40, 2, QStringLiteral("fremd"), QStringLiteral("4444"));
    t->addTest(100, 10, QDateTime(QDate(2025, 2, 28), QTime(8, 0)));

    QList<TDueEntry> devices;
    ASSERT_TRUE(LoadLabelDevices(t->db(), 1, 0, 365, devices));
    ASSERT_EQ(devices.size(), 6);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("etiketten.pdf"));
    QString err;
    // Position 22: three labels on the first sheet, three on the second.
    ASSERT_TRUE(WriteDeviceLabelsPdf(devices, 22, pdf, &err)) << err.toStdString();
    EXPECT_EQ(pdf_tools::pageCount(pdf), 2);
    EXPECT_TRUE(pdf_tools::pageSize(pdf).contains(QStringLiteral("A4")));
    QStringList read;
    for (int page = 1; page <= 2; ++page)
        read << pdf_tools::scanPng(
            pdf_tools::renderPng(pdf, page, 300, dir.filePath(QStringLiteral("p%1").arg(page))));
    read.sort();
    EXPECT_EQ(read, (QStringList{QStringLiteral("CODE-128:00001"), QStringLiteral("CODE-128:0612"),
                                 QStringLiteral("CODE-128:ABC-123/x"), QStringLiteral("I2/5:123456789012"),
                                 QStringLiteral("I2/5:98765432")}));
    const QString text = pdf_tools::text(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Nächste Prüfung: 02/2026"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Elektro Groß & Söhne")));
    EXPECT_FALSE(text.contains(QStringLiteral("fremd")));

    // One device: its label at the chosen place, in the bottom-right corner.
    ASSERT_TRUE(LoadLabelDevices(t->db(), 0, 11, 365, devices));
    ASSERT_EQ(devices.size(), 1);
    ASSERT_TRUE(WriteDeviceLabelsPdf(devices, 24, pdf, &err));
    const QStringList corner = pdf_tools::scanRegion(pdf, 1, QRectF(140, 259, 70, 37));
    EXPECT_EQ(corner, QStringList{QStringLiteral("I2/5:123456789012")});
}

TEST_P(StoreDb, AFailedDeviceGetsNoNextTestMonthOnItsLabel)
{
    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    t->addCustomer(1, QStringLiteral("Kunde"));
    t->addDevice(10, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("0612"));
    t->addDevice(11, 1, QStringLiteral("Toaster"), QStringLiteral("0613"));
    t->addTest(100, 10, QDateTime(QDate(2025, 2, 28), QTime(8, 0)));
    t->addTest(110, 11, QDateTime(QDate(2025, 2, 28), QTime(8, 0)));
    t->exec(QStringLiteral("UPDATE tblPruefung SET PRblnPruefungsergebnis = 0 WHERE PRintPruefungsNr = 100"));
    QList<TDueEntry> devices;
    ASSERT_TRUE(LoadLabelDevices(t->db(), 1, 0, 365, devices));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("etiketten.pdf"));
    QString err;
    ASSERT_TRUE(WriteDeviceLabelsPdf(devices, 1, pdf, &err)) << err.toStdString();
    const QString text = pdf_tools::text(pdf);
    EXPECT_EQ(text.count(QStringLiteral("Nächste Prüfung")), 1) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Prüfung nicht bestanden"))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, StoreDb, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

} // namespace

namespace {

TEST(DueListPrint, EveryRowOnPaperWithCaptionAndPages)
{
    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    QList<TDueEntry> rows;
    for (int i = 0; i < 60; ++i) {
        TDueEntry e;
        e.Kunde = QStringLiteral("Kunde %1").arg(i);
        e.Bezeichnung = QStringLiteral("Gerät %1").arg(i);
        e.Barcode = QStringLiteral("%1").arg(1000 + i);
        if (i > 0) {
            e.LastTest = QDate(2024, 1, 1).addDays(i);
            e.NextDue = e.LastTest.addDays(365);
            e.DaysLeft = i - 30;
        }
        rows << e;
    }
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("fristen.pdf"));
    QString err;
    ASSERT_TRUE(
        DueListReport(rows, QStringLiteral("alle Kunden, fällig innerhalb 30 Tagen")).WritePdf(pdf, &err))
        << err.toStdString();
    const int pages = pdf_tools::pageCount(pdf);
    EXPECT_GE(pages, 2);
    const QString text = pdf_tools::text(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("fällig innerhalb 30 Tagen")));
    EXPECT_TRUE(text.contains(QStringLiteral("nie geprüft")));
    EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von %1").arg(pages)));
    EXPECT_TRUE(text.contains(QStringLiteral("60 Prüfling(e)")));
    for (int i = 0; i < 60; i += 7)
        EXPECT_TRUE(text.contains(QStringLiteral("Gerät %1").arg(i))) << i;
    if (qEnvironmentVariableIsSet("GT_SCREENSHOT_DIR"))
        pdf_tools::renderPng(pdf, 1, 60,
                             qEnvironmentVariable("GT_SCREENSHOT_DIR") + QStringLiteral("/fristen"));
}

} // namespace
