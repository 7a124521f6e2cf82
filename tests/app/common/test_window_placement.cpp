// Where the dialogs open and what of their place reaches the settings file.

#include "../AppTestSupport.h"
#include "app/common/WindowPlacement.h"
#include "core/IniFile.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

const TPlacementKeys kMessmod{QStringLiteral("Position"), QStringLiteral("Messmod")};
const TPlacementKeys kAbruf{QStringLiteral("LoadDataPosition"), QString(), true, true};

struct Placement : ::testing::Test {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("gt.ini"));
    QWidget main;

    void SetUp() override
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        main.setGeometry(screen.x() + 40, screen.y() + 30, 600, 400);
        main.show();
    }
    bool centredOverMain(const QWidget &d) const
    {
        return (d.geometry().center() - main.geometry().center()).manhattanLength() <= 4;
    }
};

} // namespace

TEST_F(Placement, NeverOpenedDialogWritesNothingAndAShownOneItsPlace)
{
    writeFile(ini, "[Position]\nLeft=10\n");
    {
        QDialog d(&main);
        RestorePlacement(d, ini, kMessmod);
        SavePlacement(d, ini, kMessmod);
    }
    EXPECT_FALSE(TIniFile(ini).ValueExists(QStringLiteral("Position"), QStringLiteral("MessmodLeft")));
    EXPECT_FALSE(TIniFile(ini).ValueExists(QStringLiteral("Position"), QStringLiteral("MessmodTop")));

    {
        QDialog d(&main);
        new QLabel(QStringLiteral("Kind"), &d); // a dialog has children before its place is read
        RestorePlacement(d, ini, kAbruf);
        d.show();
        d.hide();
        d.move(70, 60);
        d.resize(500, 300);
        SavePlacement(d, ini, kAbruf);
    }
    const TIniFile f(ini);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("LoadDataPosition"), QStringLiteral("Left"), 0), 70);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("LoadDataPosition"), QStringLiteral("Top"), 0), 60);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("LoadDataPosition"), QStringLiteral("Width"), 0), 500);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("Position"), QStringLiteral("Left"), 0), 10);
}

TEST_F(Placement, DialogWithoutAStoredPlaceOpensCentredOverTheMainWindow)
{
    QDialog d(&main);
    d.resize(200, 120);
    RestorePlacement(d, ini, kMessmod);
    d.show();
    EXPECT_TRUE(centredOverMain(d)) << d.geometry().x() << "," << d.geometry().y();
    // Its size stored, its place not: still centred, at the stored size.
    writeFile(ini, "[LoadDataPosition]\nWidth=300\nHeight=150\n");
    QDialog sized(&main);
    RestorePlacement(sized, ini, kAbruf);
    sized.show();
    EXPECT_EQ(sized.size(), QSize(300, 150));
    EXPECT_TRUE(centredOverMain(sized));
}

TEST_F(Placement, StoredPlaceIsUsedOnlyWhereAScreenShowsIt)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint inside = screen.topLeft() + QPoint(20, 25);
    // 0,0 was written by earlier versions for dialogs never opened: no place chosen by the user.
    const QList<QPoint> offScreen{QPoint(0, 0), screen.topRight() + QPoint(500, 0), QPoint(-5000, 100),
                                  screen.bottomLeft() + QPoint(0, 300),
                                  // only the lower part visible: no title bar to take hold of
                                  screen.topLeft() + QPoint(50, -200)};
    for (const QPoint &p : offScreen) {
        writeFile(
            ini,
            QStringLiteral("[Position]\nMessmodLeft=%1\nMessmodTop=%2\n").arg(p.x()).arg(p.y()).toUtf8());
        QDialog d(&main);
        d.resize(200, 300);
        RestorePlacement(d, ini, kMessmod);
        d.show();
        EXPECT_TRUE(centredOverMain(d)) << p.x() << "," << p.y();
    }
    writeFile(ini, QStringLiteral("[Position]\nMessmodLeft=%1\nMessmodTop=%2\n")
                       .arg(inside.x())
                       .arg(inside.y())
                       .toUtf8());
    QDialog d(&main);
    d.resize(200, 120);
    RestorePlacement(d, ini, kMessmod);
    d.show();
    EXPECT_EQ(d.pos(), inside);
    // Half over the right edge can still be taken by its title bar.
    EXPECT_TRUE(PlacementOnScreen(QRect(screen.right() - 100, screen.top() + 10, 400, 300)));
    EXPECT_FALSE(PlacementOnScreen(QRect(screen.right() - 10, screen.top() + 10, 400, 300)));
}
