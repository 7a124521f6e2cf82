// Device labels on paper: ink only inside the printer's safe margin, the
// offset moves the print, every barcode reads back at a scanner's default
// settings as stored, and what cannot be drawn is named.

#include "PdfTools.h"
#include "protocols/DeviceLabels.h"
#include "store/DeviceInterval.h"
#include "store/StoreTestDb.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kDpi = 100;

TDueEntry device(int nr, const QString &barcode)
{
    TDueEntry e;
    e.KundenNr = 1;
    e.PrueflingNr = nr;
    e.Kunde = QStringLiteral("Elektroinstallationen Großmann & Söhne GmbH");
    e.Bezeichnung = QStringLiteral("Kaffeevollautomat mit Milchaufschäumer %1").arg(nr);
    e.Inventarnummer = QStringLiteral("INV-2026-%1").arg(nr, 5, 10, QLatin1Char('0'));
    e.Barcode = barcode;
    e.NextDue = QDate(2027, 3, 1);
    return e;
}

// A full sheet of labels whose texts reach the labels' edges.
QList<TDueEntry> fullSheet()
{
    QList<TDueEntry> list;
    for (int i = 0; i < LabelsPerSheet; ++i)
        list << device(i + 1,
                       QStringLiteral("%1").arg(12345678901234567LL + i * 1111, 20, 10, QLatin1Char('0')));
    return list;
}

bool ink(const QImage &img, int x, int y)
{
    return qGray(img.pixel(x, y)) < 200;
}

// The bounding box of every dark pixel, in pixels.
QRect inkBox(const QImage &img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (ink(img, x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

double px(double mm)
{
    return mm * kDpi / 25.4;
}

TEST(LabelPrintArea, InkStaysInsideTheSafeMarginOfTheSheet)
{
    for (const TLabelPrintArea &area : {TLabelPrintArea{}, TLabelPrintArea{3, -2, 8},
                                        TLabelPrintArea{-10, 10, 12}, TLabelPrintArea{0, 0, 0}}) {
        const QImage page = DeviceLabelsReport(fullSheet(), 1, area).PageImage(1, kDpi);
        ASSERT_FALSE(page.isNull());
        const QRect box = inkBox(page);
        ASSERT_FALSE(box.isEmpty());
        const double m = area.SafeMarginMm;
        EXPECT_GE(box.left(), px(m) - 1) << m;
        EXPECT_GE(box.top(), px(m) - 1) << m;
        EXPECT_LE(box.right(), px(210 - m) + 1) << m;
        EXPECT_LE(box.bottom(), px(297 - m) + 1) << m;
        // Every label still carries its print.
        for (int row = 0; row < LabelRows; ++row)
            for (int col = 0; col < LabelColumns; ++col) {
                const QRect label(qRound(px(col * 70 + area.OffsetXMm)),
                                  qRound(px(LabelTopMm + row * 37 + area.OffsetYMm)), qRound(px(70)),
                                  qRound(px(37)));
                EXPECT_FALSE(inkBox(page.copy(label)).isEmpty()) << row << "/" << col;
            }
    }
    // The default keeps 5 mm from the edge.
    EXPECT_EQ(TLabelPrintArea{}.SafeMarginMm, 5);
}

TEST(LabelPrintArea, OffsetMovesThePrint)
{
    // Position 5 is in the middle of the sheet, far from the safe margin.
    const QList<TDueEntry> one{device(1, QStringLiteral("123456"))};
    const QRect plain = inkBox(DeviceLabelsReport(one, 5).PageImage(1, kDpi));
    const QRect moved = inkBox(DeviceLabelsReport(one, 5, TLabelPrintArea{4, -3, 5}).PageImage(1, kDpi));
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_NEAR(moved.left() - plain.left(), px(4), 1.5);
    EXPECT_NEAR(moved.top() - plain.top(), px(-3), 1.5);
    EXPECT_NEAR(moved.width(), plain.width(), 1.5);
}

TEST(LabelWarnings, NameWhatIsPrintedAsTextOnly)
{
    QList<TDueEntry> list{device(1, QStringLiteral("Prüfling-Ä1")), device(2, QString(90, QLatin1Char('X'))),
                          device(3, QStringLiteral("123456")), device(4, QString())};
    QStringList warnings;
    DeviceLabelsReport(list, 1, {}, &warnings);
    ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("Prüfling 1")));
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("Prüfling-Ä1")));
    EXPECT_TRUE(warnings[1].contains(QStringLiteral("Prüfling 2")));
    EXPECT_TRUE(warnings[1].contains(QStringLiteral("zu lang für das Etikett")));
    warnings << QStringLiteral("stale");
    DeviceLabelsReport(list.mid(2), 1, {}, &warnings);
    EXPECT_TRUE(warnings.isEmpty());
}

// Every label of a full sheet, corners included, at zbarimg's defaults.
TEST(LabelScan, EveryBarcodeOfAFullSheetReadsBackAsStored)
{
    if (!pdf_tools::havePoppler() || !pdf_tools::haveZbar())
        GT_SKIP_WITHOUT_TOOL("poppler-utils oder zbarimg fehlen");
    const QStringList codes = {"12345678901234567890",
                               "1234567890123456789",
                               "1234567",
                               "0612",
                               "7",
                               "123456",
                               "ABC-123/x",
                               "abc def",
                               "00001",
                               "98765432",
                               "4711",
                               "KUNDE-12/GERÄT",
                               "99999999999999999999"};
    QList<TDueEntry> list;
    QStringList expected;
    for (int i = 0; i < codes.size(); ++i) {
        list << device(i + 1, codes[i]);
        if (codes[i].contains(QChar(0xC4))) continue; // no symbology holds it
        const bool i25 = codes[i].size() % 2 == 0 && codes[i].size() >= 6 &&
                         codes[i].toStdString().find_first_not_of("0123456789") == std::string::npos;
        expected << (i25 ? QStringLiteral("I2/5:") : QStringLiteral("CODE-128:")) + codes[i];
    }
    expected.sort();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("etiketten.pdf"));
    QString err;
    QStringList warnings;
    // From position 12 the list runs into the sheet's bottom corners.
    ASSERT_TRUE(WriteDeviceLabelsPdf(list, 12, pdf, &err, {}, &warnings)) << err.toStdString();
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_EQ(pdf_tools::scanPng(pdf_tools::renderPng(pdf, 1, 300, dir.filePath(QStringLiteral("p")))),
              expected);
    EXPECT_TRUE(pdf_tools::text(pdf).contains(QStringLiteral("KUNDE-12/GERÄT")));
}

} // namespace

TEST_P(StoreDb, LabelsForDueDevicesOrOneCustomer)
{
    t->addCustomer(1, QStringLiteral("Eins"));
    t->addCustomer(2, QStringLiteral("Zwei"));
    t->addDevice(10, 1, QStringLiteral("lange her"), QStringLiteral("100000"));
    t->addDevice(11, 1, QStringLiteral("frisch geprüft"), QStringLiteral("110000"));
    t->addDevice(12, 1, QStringLiteral("nie geprüft"));
    t->addDevice(20, 2, QStringLiteral("fremd, lange her"));
    t->addDevice(21, 2, QStringLiteral("fremd, frisch"));
    const QDateTime now(QDate::currentDate(), QTime(8, 0));
    t->addTest(100, 10, now.addDays(-400));
    t->addTest(110, 11, now.addDays(-10));
    t->addTest(200, 20, now.addDays(-340));
    t->addTest(210, 21, now.addDays(-1));

    auto numbers = [&](const TLabelChoice &choice) {
        QList<TDueEntry> out;
        QString error;
        EXPECT_TRUE(LoadLabelDevices(t->db(), choice, 365, out, &error)) << error.toStdString();
        QList<int> n;
        for (const TDueEntry &e : out)
            n << e.PrueflingNr;
        std::sort(n.begin(), n.end());
        return n;
    };
    EXPECT_EQ(numbers({}), (QList<int>{10, 11, 12, 20, 21}));
    EXPECT_EQ(numbers({1, 0, -1}), (QList<int>{10, 11, 12}));
    EXPECT_EQ(numbers({0, 0, 0}), (QList<int>{10, 12}));
    EXPECT_EQ(numbers({0, 0, 30}), (QList<int>{10, 12, 20}));
    EXPECT_EQ(numbers({2, 0, 30}), (QList<int>{20}));
    EXPECT_EQ(numbers({0, 11, 30}), (QList<int>{}));

    // A device's own interval counts: tested 10 days ago, monthly, so due within 30 days.
    ASSERT_TRUE(WriteDeviceInterval(t->db(), 11, 1));
    EXPECT_EQ(numbers({0, 0, 30}), (QList<int>{10, 11, 12, 20}));
}
