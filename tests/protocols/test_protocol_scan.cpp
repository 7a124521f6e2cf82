// Every barcode a protocol draws, read back by zbarimg at its default
// settings from a 300-dpi rendering of each page: the decoded text must be
// the stored barcode exactly.

#include "ProtocolTestSupport.h"

using namespace protocol_test;

TEST_F(ProtocolPdf, DeviceBarcodeReadsBack)
{
    if (!pdf_tools::haveZbar()) GT_SKIP_WITHOUT_TOOL("zbarimg fehlt");
    TWerteSatz w = sample0702();
    EXPECT_EQ(pdf_tools::scanPages(write(w)), (QList<QStringList>{{"I2/5:12345678"}}));
    w.Barcode.clear();
    EXPECT_EQ(pdf_tools::scanPages(write(w)), (QList<QStringList>{{}}));

    TWerteSatz m = sample0751(0);
    m.Barcode = QStringLiteral("4711081500");
    EXPECT_EQ(pdf_tools::scanPages(write(m)), (QList<QStringList>{{"I2/5:4711081500"}}));
    m.Protokolltyp = 1;
    m.Sichtpr = rows(30);
    EXPECT_EQ(pdf_tools::scanPages(write(m)), (QList<QStringList>{{"I2/5:4711081500"}, {}, {}}));
}

// What the field holds at its design size is never cut by rounding the
// module up to whole device pixels, on either form.
TEST_F(ProtocolPdf, LongestNumericBarcodesFitTheirField)
{
    if (!pdf_tools::haveZbar()) GT_SKIP_WITHOUT_TOOL("zbarimg fehlt");
    for (const char *code : {"1234567890123456789", "12345678901234567890", "98765432109876543210"}) {
        const QString text = QString::fromLatin1(code);
        TWerteSatz w = sample0702();
        w.Barcode = text;
        const QString type = text.size() % 2 ? QStringLiteral("CODE-128:") : QStringLiteral("I2/5:");
        EXPECT_EQ(pdf_tools::scanPages(write(w)), (QList<QStringList>{{type + text}})) << code;
        TWerteSatz m = sample0751(0);
        m.Barcode = text;
        EXPECT_EQ(pdf_tools::scanPages(write(m)), (QList<QStringList>{{type + text}})) << code;
    }
}

// No bars that read as something else: an odd digit count, a short number
// and letters go into Code 128; what no symbology holds is text only with a
// note in the field.
TEST_F(ProtocolPdf, EveryDeviceBarcodeReadsAsStoredOrNotAtAll)
{
    if (!pdf_tools::haveZbar() || !pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("zbarimg/poppler fehlt");
    const QStringList codes = {QStringLiteral("1234567"),
                               QStringLiteral("0612"),
                               QStringLiteral("7"),
                               QStringLiteral("123456"),
                               QStringLiteral("ABC-123/x"),
                               QStringLiteral("Prüfling 12"),
                               QStringLiteral("a very long code with letters only")};
    for (const QString &code : codes) {
        TWerteSatz w = sample0702();
        w.Barcode = code;
        const QString pdf = write(w);
        const QStringList got = pdf_tools::scanPages(pdf).value(0);
        if (code == QStringLiteral("Prüfling 12")) {
            EXPECT_EQ(got, QStringList{}) << code.toStdString();
            EXPECT_TRUE(pdf_tools::text(pdf).contains(QStringLiteral("(kein Strichcode möglich)")));
        } else if (code.size() > 30) {
            EXPECT_EQ(got, QStringList{}) << code.toStdString();
            EXPECT_TRUE(pdf_tools::text(pdf).contains(QStringLiteral("(zu lang für einen Strichcode)")));
        } else if (code == QStringLiteral("123456")) {
            EXPECT_EQ(got, QStringList{QStringLiteral("I2/5:") + code});
        } else {
            EXPECT_EQ(got, QStringList{QStringLiteral("CODE-128:") + code}) << code.toStdString();
        }
    }
}
