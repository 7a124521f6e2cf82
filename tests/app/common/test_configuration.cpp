#include "app/common/Configuration.h"
#include "core/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &b)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(b);
}

} // namespace

TEST(Configuration, MissingFileGivesEveryDefault)
{
    QTemporaryDir dir;
    TConfiguration c;
    c.Port = 7;
    c.ReadFile(dir.filePath(QStringLiteral("fehlt.ini")));
    EXPECT_EQ(c.Left, 192);
    EXPECT_EQ(c.Top, 107);
    EXPECT_EQ(c.Port, 1);
    EXPECT_FALSE(c.AutoConnect);
    EXPECT_TRUE(c.ShowHints);
    EXPECT_EQ(c.ServiceInterv, 365);
    EXPECT_EQ(c.MessageAnswerRAM, 300);
    EXPECT_EQ(c.MessageAnswerReadEEPROM, 800);
    EXPECT_EQ(c.MessageAnswerWriteEEPROM, 1200);
    EXPECT_EQ(c.MessageTimeOut, 500);
    EXPECT_EQ(c.CharTimeOut, 100);
    EXPECT_EQ(c.RefreshTime, 100);
    EXPECT_EQ(c.InActiveTime, 15);
    EXPECT_EQ(c.SettingDelay, 6);
    EXPECT_TRUE(c.Export.on(ecName1));
    EXPECT_FALSE(c.Export.on(ecAutomatisch));
    EXPECT_FALSE(c.Export.on(ecEnables));
    EXPECT_FALSE(c.Export.SichtprZeilen);
    EXPECT_TRUE(c.ConnectionString.isEmpty());
}

TEST(Configuration, UnreadableNumbersAndOutOfRangePortReadAsDefaults)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("x.ini"));
    writeAll(p, "[Interface]\nPort=zwei\n[Timing]\nInActiveTime=1,5\nRefreshTime=0x20\n"
                "[Configuration]\nServiceInterv=\nOperator=  Max Muster  \n[Position]\nLeft=-40\n");
    TConfiguration c;
    c.ReadFile(p);
    EXPECT_EQ(c.Port, 1);
    EXPECT_EQ(c.InActiveTime, 15);
    EXPECT_EQ(c.RefreshTime, 32);
    EXPECT_EQ(c.ServiceInterv, 365);
    EXPECT_EQ(c.Operator, QStringLiteral("Max Muster"));
    EXPECT_EQ(c.Left, -40); // a window may sit left of the screen's edge

    writeAll(p, "[Interface]\nPort=12\n");
    c.ReadFile(p);
    EXPECT_EQ(c.Port, 1);
    // COM0 names no port: connecting would silently do nothing.
    for (const char *text : {"[Interface]\nPort=0\n", "[Interface]\nPort=-3\n"}) {
        c.Port = 5;
        writeAll(p, text);
        c.ReadFile(p);
        EXPECT_EQ(c.Port, 1) << text;
    }
    writeAll(p, "[Interface]\nPort=9\n");
    c.ReadFile(p);
    EXPECT_EQ(c.Port, 9);
}

TEST(Configuration, WriteCreatesEveryKeyInSectionOrderAndReadsBackTheSame)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("neu.ini"));
    TConfiguration c;
    c.Port = 4;
    c.Operator = QStringLiteral("Jörg Prüfer; Werkstatt=2");
    c.TopLine[4] = QStringLiteral("Kopfzeile 5");
    c.AutoConnect = true;
    c.Export.set(ecKundenNr, true);
    c.Export.set(ecNotiz, false);
    c.ConnectionString = QStringLiteral("Driver=QPSQL;Host=db;Database=pruef");
    ASSERT_TRUE(c.WriteFile(p));

    const TIniFile ini(p);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Position")), QStringList({"Left", "Top"}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Interface")),
              QStringList({"Port", "BusLog", "COMLog", "PgmLog", "AutoConnect"}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Configuration")).size(), 3 + 10 + 5);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Timing")).size(), 8);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Export")).size(), 58);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("DataBase")), QStringList({"ConnectionString"}));
    // Booleans as 1/0, text verbatim (no quoting, commas and semicolons kept).
    EXPECT_EQ(ini.ReadString(QStringLiteral("Interface"), QStringLiteral("AutoConnect"), {}),
              QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Export"), QStringLiteral("KundenNr"), {}), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Export"), QStringLiteral("Notiz"), {}), QStringLiteral("0"));
    EXPECT_TRUE(readAll(p).contains("Operator=Jörg Prüfer; Werkstatt=2\n"));

    TConfiguration back;
    back.ReadFile(p);
    EXPECT_EQ(back.Port, 4);
    EXPECT_EQ(back.Operator, c.Operator);
    EXPECT_EQ(back.TopLine[4], QStringLiteral("Kopfzeile 5"));
    EXPECT_TRUE(back.AutoConnect);
    EXPECT_EQ(back.Export, c.Export);
    EXPECT_EQ(back.ConnectionString, c.ConnectionString);
}

TEST(Configuration, WritingKeepsForeignSectionsCommentsAndDialogPositions)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("alt.ini"));
    writeAll(p, "; Werkstatt-PC 3\n[Ports]\nCOM1=/dev/ttyUSB0\n\n[Position]\nMessmodLeft=33\nLeft=10\n"
                "[LoadDataPosition]\nWidth=640\n");
    TConfiguration c;
    c.ReadFile(p);
    EXPECT_EQ(c.Left, 10);
    c.Left = 20;
    ASSERT_TRUE(c.WriteFile(p));
    const QByteArray after = readAll(p);
    EXPECT_TRUE(after.startsWith("; Werkstatt-PC 3\n[Ports]\nCOM1=/dev/ttyUSB0\n"));
    const TIniFile ini(p);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Position"), QStringLiteral("MessmodLeft"), 0), 33);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Position"), QStringLiteral("Left"), 0), 20);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("LoadDataPosition"), QStringLiteral("Width"), 0), 640);
}

TEST(Configuration, SettingsDialogValuesGoThereAndBack)
{
    TConfiguration c;
    TSettingsValues v = c.Settings();
    EXPECT_EQ(v.ServiceInterv, 365);
    v.Operator = QStringLiteral("A. Prüfer");
    v.TopLine[0] = QStringLiteral("Elektro GmbH");
    v.ExportFile = 1;
    v.Export.set(ecTyp, false);
    c.setSettings(v);
    EXPECT_EQ(c.Operator, QStringLiteral("A. Prüfer"));
    EXPECT_EQ(c.TopLine[0], QStringLiteral("Elektro GmbH"));
    EXPECT_EQ(c.ExportFile, 1);
    EXPECT_FALSE(c.Export.on(ecTyp));
    EXPECT_EQ(c.Settings(), v);
}

TEST(Configuration, ValueWithLineBreakStaysOneKey)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("z.ini"));
    TConfiguration c;
    c.BottomLine[0] = QStringLiteral("Zeile\r\n[Timing]\r\nInActiveTime=1");
    ASSERT_TRUE(c.WriteFile(p));
    TConfiguration back;
    back.ReadFile(p);
    EXPECT_EQ(back.InActiveTime, 15);
    EXPECT_TRUE(back.BottomLine[0].startsWith(QStringLiteral("Zeile")));
}
