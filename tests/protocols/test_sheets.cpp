// The barcode sheets read back from their PDF: page labels with pdftotext,
// every code with zbarimg from a 300-dpi rendering.

#include "PdfTools.h"
#include "protocols/BarcodeSheets.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

class BarcodeSheetPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pdf_tools::havePoppler() || !pdf_tools::haveZbar())
            GT_SKIP_WITHOUT_TOOL("poppler-utils oder zbarimg fehlen");
        ASSERT_TRUE(m_dir.isValid());
    }
    QString write(TBarcodeSheet sheet)
    {
        const QString file = m_dir.filePath(QStringLiteral("sheet.pdf"));
        QString error;
        EXPECT_TRUE(WriteBarcodeSheetPdf(sheet, file, &error)) << error.toStdString();
        return file;
    }
    QTemporaryDir m_dir;
};

TEST_F(BarcodeSheetPdf, ControlSheetHasAllCodesNineteenPerPage)
{
    const QString file = write(TBarcodeSheet::Steuerbarcodes);
    ASSERT_EQ(pdf_tools::pageCount(file), 3);
    const QStringList pages = pdf_tools::pageTexts(file);
    ASSERT_EQ(pages.size(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Seite %1 von 3").arg(p + 1))) << p;
        EXPECT_TRUE(pages[p].contains(QStringLiteral("zur Einstellung des Gerätetesters")));
    }
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Schutzkl. I, mit Isol., 0701\n")));
    EXPECT_TRUE(pages[2].contains(
        QStringLiteral("Schutzkl. 2, mit Differenzstrommessung, mit Berührungsstrom, 0751 auto")));

    // zbarimg reports the symbols of a page in no fixed order; the captions
    // fix the order, the scan the content of each page.
    const QList<QStringList> scans = pdf_tools::scanPages(file);
    ASSERT_EQ(scans.size(), 3);
    const auto &codes = TSteuerbarcodes::Codes();
    EXPECT_EQ(codes.front().Barcode, QStringLiteral("990000000000"));
    EXPECT_EQ(codes.back().Barcode, QStringLiteral("430000000000"));
    for (int p = 0; p < 3; ++p) {
        QStringList expected;
        for (int i = 19 * p; i < 19 * (p + 1); ++i)
            expected << QStringLiteral("I2/5:") + codes[static_cast<size_t>(i)].Barcode;
        QStringList got = scans[p];
        got.sort();
        expected.sort();
        EXPECT_EQ(got, expected) << "page " << p + 1;
    }
    // Every code is twelve digits and unique, so none gets a leading zero.
    QStringList all;
    for (const TCode &c : codes) {
        EXPECT_EQ(c.Barcode.size(), 12);
        all << c.Barcode;
    }
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 57);
}

TEST_F(BarcodeSheetPdf, ReaderSheetHasFiveCode39Codes)
{
    const QString file = write(TBarcodeSheet::ConfigBarcodes);
    ASSERT_EQ(pdf_tools::pageCount(file), 1);
    const QString t = pdf_tools::text(file);
    EXPECT_TRUE(t.contains(QStringLiteral("Barcodeleser-Konfiguration")));
    EXPECT_TRUE(t.contains(QStringLiteral("Zur Neukonfigurierung des Barcodelesers")));
    for (const char *caption : {"1: \"Start of Configuration\"", "2: \"Set Factory Defaults\"",
                                "4: \"Interleaved 2 of 5\"", "5: \"End Of Configuration\""})
        EXPECT_TRUE(t.contains(QString::fromUtf8(caption))) << caption;
    // The captions run top to bottom in step order.
    EXPECT_LT(t.indexOf(QStringLiteral("1: ")), t.indexOf(QStringLiteral("2: ")));
    EXPECT_LT(t.indexOf(QStringLiteral("4: ")), t.indexOf(QStringLiteral("5: ")));

    // The whole page once (zbarimg reports the twice printed code once), then
    // each field on its own, top to bottom.
    QStringList got = pdf_tools::scanPages(file).value(0);
    got.sort();
    EXPECT_EQ(got, (QStringList{"CODE-39:.$/%", "CODE-39:EOCF", "CODE-39:SADF", "CODE-39:SE2"}));
    const double tops[5] = {8.9, 34.4, 59.9, 85.3, 110.5};
    const char *codes[5] = {"CODE-39:.$/%", "CODE-39:SADF", "CODE-39:.$/%", "CODE-39:SE2", "CODE-39:EOCF"};
    const double bandTop = 25.0 + 84.0 * 25.4 / 96.0; // top margin and page header
    for (int i = 0; i < 5; ++i) {
        const QRectF field(30.0 + 82.7 - 3, bandTop + tops[i] - 3, 73.8 + 6, 12.6 + 6);
        EXPECT_EQ(pdf_tools::scanRegion(file, 1, field), QStringList{QString::fromLatin1(codes[i])}) << i;
    }
}
