#include "core/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

void writeAll(const QString &path, const QByteArray &text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

} // namespace

TEST(IniFile, MissingFileAndKeysGiveDefaults)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("none.ini"));
    EXPECT_EQ(ini.ReadInteger("Interface", "Port", 1), 1);
    EXPECT_EQ(ini.ReadString("Interface", "BusLog", "x"), "x");
    EXPECT_TRUE(ini.ReadBool("Configuration", "ShowHints", true));
}

TEST(IniFile, ReadsValuesVerbatimAndCaseInsensitiveNames)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("a.ini");
    writeAll(p, "; Kommentar\n[interface]\nport = 3\nBusLog= C:\\log,\"a\" b%20 \n[Timing]\nCharTimeOut=abc\n"
                "RefreshTime=0x10\n[Export]\nName1=0\nName2=7\n");
    TIniFile ini(p);
    EXPECT_EQ(ini.ReadInteger("Interface", "Port", 1), 3);
    EXPECT_EQ(ini.ReadString("INTERFACE", "buslog", ""), "C:\\log,\"a\" b%20");
    EXPECT_EQ(ini.ReadInteger("Timing", "CharTimeOut", 100), 100) << "unreadable number reads as default";
    EXPECT_EQ(ini.ReadInteger("Timing", "RefreshTime", 100), 16);
    EXPECT_FALSE(ini.ReadBool("Export", "Name1", true));
    EXPECT_TRUE(ini.ReadBool("Export", "Name2", false));
    EXPECT_EQ(ini.ReadSection("Export"), QStringList({"Name1", "Name2"}));
}

TEST(IniFile, WritingKeepsOtherLinesAndComments)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("b.ini");
    writeAll(p, "; oben\n[Ports]\nCOM1=/dev/pts/3\n\n[Interface]\n; Port-Kommentar\nPort=1\n");
    {
        TIniFile ini(p);
        ASSERT_TRUE(ini.WriteInteger("Interface", "Port", 4));
        ASSERT_TRUE(ini.WriteString("Ports", "COM2", "/dev/ttyUSB0"));
        ASSERT_TRUE(ini.WriteBool("Configuration", "Preview", true));
    }
    EXPECT_EQ(readAll(p),
              "; oben\n[Ports]\nCOM1=/dev/pts/3\nCOM2=/dev/ttyUSB0\n\n[Interface]\n; Port-Kommentar\n"
              "Port=4\n\n[Configuration]\nPreview=1\n");
    TIniFile again(p);
    EXPECT_EQ(again.ReadInteger("Interface", "Port", 1), 4);
    EXPECT_TRUE(again.ReadBool("Configuration", "Preview", false));
}

TEST(IniFile, BatchedWritesAndUnwritableFile)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("c.ini");
    TIniFile ini(p);
    ini.setAutoFlush(false);
    ini.WriteString("S", "a", "1");
    ini.WriteString("S", "b", "line\nbreak");
    EXPECT_FALSE(QFile::exists(p));
    ASSERT_TRUE(ini.flush());
    EXPECT_EQ(readAll(p), "[S]\na=1\nb=line break\n");

    TIniFile bad(dir.filePath("missing/dir/x.ini"));
    EXPECT_FALSE(bad.WriteString("S", "a", "1")) << "write failure is reported to the caller";
}

namespace {
QByteArray readBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

// Files of the Windows installation are Windows-1252: read as UTF-8 their
// umlauts turned into U+FFFD, were written back so and printed on protocols.
TEST(IniFile, Windows1252FileIsReadAndWrittenInItsOwnEncoding)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("alt.ini");
    writeAll(p, "[Configuration]\r\nOperator=J\xFCrgen M\xFCller\r\nTopLine=Pr\xFC"
                "fstelle \x80 Stra\xDF"
                "e\r\n");
    {
        TIniFile ini(p);
        EXPECT_TRUE(ini.IsWindows1252());
        EXPECT_EQ(ini.ReadString("Configuration", "Operator", {}), QString::fromUtf8("Jürgen Müller"));
        EXPECT_EQ(ini.ReadString("Configuration", "TopLine", {}), QString::fromUtf8("Prüfstelle € Straße"));
        ASSERT_TRUE(ini.WriteString("Configuration", "Assessor", QString::fromUtf8("Bärbel Öztürk")));
    }
    const QByteArray bytes = readBytes(p);
    EXPECT_TRUE(bytes.contains("Operator=J\xFCrgen M\xFCller\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Assessor=B\xE4rbel \xD6zt\xFCrk\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("\x80 Stra\xDF"));
    TIniFile again(p);
    EXPECT_EQ(again.ReadString("Configuration", "Assessor", {}), QString::fromUtf8("Bärbel Öztürk"));
}

TEST(IniFile, NewAndUtf8FilesStayUtf8AndNothingIsLostToTheCodePage)
{
    QTemporaryDir dir;
    const QString neu = dir.filePath("neu.ini");
    {
        TIniFile ini(neu);
        ini.WriteString("S", "Name", QString::fromUtf8("Müller"));
    }
    EXPECT_EQ(readBytes(neu), QByteArray("[S]\nName=M\xC3\xBCller\n"));
    EXPECT_FALSE(TIniFile(neu).IsWindows1252());

    // With a byte-order mark the mark stays.
    const QString bom = dir.filePath("bom.ini");
    writeAll(bom, "\xEF\xBB\xBF[S]\nName=M\xC3\xBCller\n");
    {
        TIniFile ini(bom);
        EXPECT_EQ(ini.ReadString("S", "Name", {}), QString::fromUtf8("Müller"));
        ini.WriteString("S", "X", "1");
    }
    EXPECT_EQ(readBytes(bom), QByteArray("\xEF\xBB\xBF[S]\nName=M\xC3\xBCller\nX=1\n"));

    // A value the code page cannot hold turns the whole file into UTF-8.
    const QString alt = dir.filePath("alt.ini");
    writeAll(alt, "[S]\nName=M\xFCller\n");
    {
        TIniFile ini(alt);
        ini.WriteString("S", "Ort", QString::fromUtf8("Kraków Ω"));
    }
    TIniFile back(alt);
    EXPECT_FALSE(back.IsWindows1252());
    EXPECT_EQ(back.ReadString("S", "Name", {}), QString::fromUtf8("Müller"));
    EXPECT_EQ(back.ReadString("S", "Ort", {}), QString::fromUtf8("Kraków Ω"));
}
