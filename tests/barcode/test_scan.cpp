// Symbols a user prints must scan: draw them large enough and read them back
// with an independent decoder (zbarimg).

#include "barcode/Barcd4.h"
#include "support/RequireTool.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Scan : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_zbar = QStandardPaths::findExecutable("zbarimg");
        if (m_zbar.isEmpty())
            GT_SKIP_WITHOUT_TOOL("zbarimg nicht gefunden (Paket zbar-tools): Scan-Test übersprungen");
        ASSERT_TRUE(m_dir.isValid());
    }

    // Draws with the control as a report would (DrawTo on an image) and
    // returns what the decoder reads, one symbol per line.
    QString DrawAndScan(TBarCodeType type, const QString &text, TBDDirection dir = bdRight, int narrow = 3)
    {
        TPrintBarcode bc;
        bc.setBarCodeType(type);
        bc.setText(text);
        bc.setModuleNarrow(narrow);
        bc.setLeadInWidth(12 * narrow);
        bc.setDirection(dir);
        const int barLength = 90;
        if (IsHorizontal(dir) || type == EAN8 || type == EAN13)
            bc.resize(bc.SymbolLength(), barLength);
        else
            bc.resize(barLength, bc.SymbolLength());
        QImage img(bc.size() + QSize(20, 20), QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            bc.DrawTo(p, QPoint(10, 10));
        }
        const QString file = m_dir.filePath(QString("scan%1.png").arg(m_count++));
        EXPECT_TRUE(img.save(file));
        QProcess z;
        z.start(m_zbar, {"--raw", "-q", file});
        EXPECT_TRUE(z.waitForFinished(30000));
        QString out = QString::fromLatin1(z.readAllStandardOutput());
        if (out.endsWith('\n')) out.chop(1);
        return out;
    }

    QString m_zbar;
    QTemporaryDir m_dir;
    int m_count = 0;
};

TEST_F(Scan, Code39WholeTable)
{
    EXPECT_EQ(DrawAndScan(Code39, "ab-1"), "AB-1");
    EXPECT_EQ(DrawAndScan(Code39, "0123456789ABCDEFGHIJ"), "0123456789ABCDEFGHIJ");
    EXPECT_EQ(DrawAndScan(Code39, "KLMNOPQRSTUVWXYZ-. $/+%"), "KLMNOPQRSTUVWXYZ-. $/+%");
    // The reader configuration codes.
    for (const char *t : {".$/%", "SADF", "SE2", "EOCF"})
        EXPECT_EQ(DrawAndScan(Code39, t, bdRight, 2), t);
}

TEST_F(Scan, Code128AllSetsAndShifts)
{
    QString printable;
    for (int c = 32; c < 127; ++c)
        printable += QChar(c);
    EXPECT_EQ(DrawAndScan(Code128, printable, bdRight, 2), printable);
    QString control;
    for (int c = 0; c < 32; ++c)
        control += QChar(c);
    control += "AZ_";
    // zbar reports a NUL character as nothing, so leave it out.
    EXPECT_EQ(DrawAndScan(Code128, control.mid(1), bdRight, 2), control.mid(1));
    QString digits;
    for (int v = 0; v < 100; ++v)
        digits += QString::asprintf("%02d", v);
    EXPECT_EQ(DrawAndScan(Code128, digits.left(100), bdRight, 2), digits.left(100));
    EXPECT_EQ(DrawAndScan(Code128, digits.mid(100), bdRight, 2), digits.mid(100));
    for (const char *t : {"1234", "AB12345", "Abc", "ab\tcd",
                          "\x01\x02"
                          "a\x03",
                          "\x01"
                          "1234"
                          "a"})
        EXPECT_EQ(DrawAndScan(Code128, t), QString::fromLatin1(t));
    EXPECT_EQ(DrawAndScan(EAN128, "0112345678901231"), "0112345678901231");
}

TEST_F(Scan, InterleavedAndItf14)
{
    EXPECT_EQ(DrawAndScan(Interleaved2Of5, "12345"), "012345");
    EXPECT_EQ(DrawAndScan(Interleaved2Of5, "0123456789"), "0123456789");
    // The control barcodes of the tester: twelve digits each.
    EXPECT_EQ(DrawAndScan(Interleaved2Of5, "990000000000", bdRight, 2), "990000000000");
    EXPECT_EQ(DrawAndScan(ITF14, "123456789012"), "01234567890128");
    EXPECT_EQ(DrawAndScan(ITF14, "4006381333931"), "04006381333931");
}

TEST_F(Scan, EanAllDigitsAndParities)
{
    EXPECT_EQ(DrawAndScan(EAN, "1234567"), "12345670");
    EXPECT_EQ(DrawAndScan(EAN8, "9876543"), "98765430");
    // Every leading digit selects another parity pattern.
    const char *bodies[] = {"12345678901", "98765432109", "55555555555", "24680135790", "11111111111"};
    for (int lead = 1; lead <= 9; ++lead) {
        const QString twelve = QString::number(lead) + bodies[lead % 5];
        const QString full = twelve + QChar('0' + Gs1CheckDigit(twelve));
        EXPECT_EQ(DrawAndScan(EAN13, twelve), full);
    }
    EXPECT_EQ(DrawAndScan(EAN13, "4006381333931"), "4006381333931");
}

TEST_F(Scan, CodabarWholeTable)
{
    EXPECT_EQ(DrawAndScan(Codabar, "0123456789"), "A0123456789A");
    EXPECT_EQ(DrawAndScan(Codabar, "12-$:/.+34"), "A12-$:/.+34A");
}

TEST_F(Scan, EveryDirection)
{
    for (TBDDirection d : {bdDown, bdLeft, bdUp}) {
        EXPECT_EQ(DrawAndScan(Code39, "AB-1", d), "AB-1") << d;
        EXPECT_EQ(DrawAndScan(Code128,
                              "Ab\x01"
                              "cd1234",
                              d),
                  "Ab\x01"
                  "cd1234")
            << d;
        EXPECT_EQ(DrawAndScan(Interleaved2Of5, "123456", d), "123456") << d;
        EXPECT_EQ(DrawAndScan(ITF14, "123456789012", d), "01234567890128") << d;
        EXPECT_EQ(DrawAndScan(Codabar, "123456", d), "A123456A") << d;
        EXPECT_EQ(DrawAndScan(EAN13, "400638133393", d), "4006381333931") << d;
        EXPECT_EQ(DrawAndScan(EAN8, "1234567", d), "12345670") << d;
    }
}

} // namespace
