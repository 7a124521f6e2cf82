// [Labels] of the INI file: the printer's offset and safe margin.

#include "app/common/Configuration.h"
#include "core/IniFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(LabelSettings, WrittenAndReadBackWithTheConfiguration)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.ini"));
    TConfiguration c;
    EXPECT_EQ(c.Labels, TLabelPrintArea{});
    EXPECT_EQ(c.Labels.SafeMarginMm, 5);
    c.Labels = TLabelPrintArea{-1.5, 2.25, 7};
    ASSERT_TRUE(c.WriteFile(file));
    const TIniFile ini(file);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Labels")), (QStringList{"OffsetX", "OffsetY", "SafeMargin"}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Labels"), QStringLiteral("OffsetX"), QString()),
              QStringLiteral("-1.5"));
    TConfiguration back;
    back.ReadFile(file);
    EXPECT_EQ(back.Labels, c.Labels);
    EXPECT_TRUE(back.Problems.isEmpty());
}

TEST(LabelSettings, CommaIsReadAndNonsenseGivesTheDefaultWithAReason)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.ini"));
    {
        TIniFile ini(file);
        ini.WriteString(QStringLiteral("Labels"), QStringLiteral("OffsetX"), QStringLiteral("0,5"));
        ini.WriteString(QStringLiteral("Labels"), QStringLiteral("OffsetY"), QStringLiteral("viel"));
        ini.WriteString(QStringLiteral("Labels"), QStringLiteral("SafeMargin"), QStringLiteral("40"));
    }
    TConfiguration c;
    c.ReadFile(file);
    EXPECT_EQ(c.Labels, (TLabelPrintArea{0.5, 0, 5}));
    ASSERT_EQ(c.Problems.size(), 2);
    EXPECT_TRUE(c.Problems[0].contains(QStringLiteral("„viel“ für „OffsetY“")))
        << c.Problems[0].toStdString();
    EXPECT_TRUE(c.Problems[1].contains(QStringLiteral("es wird 5 mm verwendet")))
        << c.Problems[1].toStdString();
}

} // namespace
