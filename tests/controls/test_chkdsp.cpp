#include "QtPrinters.h"
#include "controls/ChkDsp.h"

#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

TEST(CheckDisp, UserCannotToggleIt)
{
    TCheckDisp c(QStringLiteral("automatisch"));
    EXPECT_EQ(c.focusPolicy(), Qt::NoFocus); // no tab stop
    int clicks = 0;
    QObject::connect(&c, &QAbstractButton::clicked, [&] { ++clicks; });
    c.show();
    QTest::mouseClick(&c, Qt::LeftButton, {}, c.rect().center());
    c.click();
    EXPECT_FALSE(c.Checked());
    EXPECT_EQ(clicks, 2); // the click itself still arrives
    c.setChecked(true);   // the program may set it
    c.click();
    EXPECT_TRUE(c.Checked());
}

TEST(CheckDisp, ShowsOneBitOrABoolean)
{
    QStandardItemModel model(0, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("PRintMessablauf"), QStringLiteral("PRblnOk")});
    for (int v : {8, 9, 24, 7}) {
        auto *i = new QStandardItem;
        i->setData(v, Qt::EditRole);
        auto *b = new QStandardItem;
        b->setData(v == 7, Qt::EditRole);
        model.appendRow({i, b});
    }
    TDataSource src;
    src.setModel(&model);
    TCheckDisp c;
    c.setDataSource(&src);
    c.setDataField(QStringLiteral("PRintMessablauf"));
    c.setMaske(8);
    const bool expected[] = {true, true, true, false};
    for (int row = 0; row < 4; ++row) {
        src.setCurrentRow(row);
        EXPECT_EQ(c.Checked(), expected[row]) << row;
    }
    c.setDataField(QStringLiteral("PRblnOk"));
    EXPECT_TRUE(c.Checked()); // row 3 holds true; the mask does not apply

    src.setCurrentRow(-1); // no record: unchecked
    EXPECT_FALSE(c.Checked());
    c.setDataField(QStringLiteral("NoSuchField")); // unknown field: left as is
    c.setChecked(true);
    src.setCurrentRow(0);
    EXPECT_TRUE(c.Checked());
}
