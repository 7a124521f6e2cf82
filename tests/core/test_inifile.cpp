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
