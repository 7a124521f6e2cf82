// Every barcode a protocol draws, read back by zbarimg from a 300-dpi
// rendering of each page.

#include "ProtocolTestSupport.h"

using namespace protocol_test;

TEST_F(ProtocolPdf, DeviceBarcodeReadsBack)
{
    if (!pdf_tools::haveZbar()) GT_SKIP_WITHOUT_TOOL("zbarimg fehlt");
    TWerteSatz w = sample0702();
    EXPECT_EQ(pdf_tools::scanPages(write(w)), (QList<QStringList>{{"I2/5:12345678"}}));
    w.Barcode = QStringLiteral("1234567"); // odd: drawn with a leading 0
    EXPECT_EQ(pdf_tools::scanPages(write(w)), (QList<QStringList>{{"I2/5:01234567"}}));
    w.Barcode.clear();
    EXPECT_EQ(pdf_tools::scanPages(write(w)), (QList<QStringList>{{}}));

    TWerteSatz m = sample0751(0);
    m.Barcode = QStringLiteral("4711081500");
    EXPECT_EQ(pdf_tools::scanPages(write(m)), (QList<QStringList>{{"I2/5:4711081500"}}));
    m.Protokolltyp = 1;
    m.Sichtpr = rows(30);
    EXPECT_EQ(pdf_tools::scanPages(write(m)), (QList<QStringList>{{"I2/5:4711081500"}, {}, {}}));
}
