#include "app/settings/ComRadio.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QList<TPortInfo> ports(std::initializer_list<int> numbers)
{
    QList<TPortInfo> l;
    for (int n : numbers)
        l.append({n, QStringLiteral("/dev/ttyS%1").arg(n - 1)});
    return l;
}

QList<bool> enabledStates(const TCOMRadioGroup &g)
{
    QList<bool> l;
    for (int i = 0; i < g.Count(); ++i)
        l << g.Button(i)->isEnabled();
    return l;
}

} // namespace

TEST(COMRadioGroup, SelectedPortAndItsTextFollowTheItemIndex)
{
    TCOMRadioGroup g;
    EXPECT_EQ(g.SelectedPort(), NoPort);
    EXPECT_TRUE(g.SelectedPortStr().isEmpty());
    g.setSelectedPort(Com3);
    EXPECT_EQ(g.ItemIndex(), 2);
    EXPECT_EQ(g.SelectedPortStr(), QStringLiteral("COM3"));
    EXPECT_TRUE(g.Button(2)->isChecked());
    // Com9 has no button among eight: no selection.
    g.setSelectedPort(Com9);
    EXPECT_EQ(g.ItemIndex(), -1);
    EXPECT_FALSE(g.Button(2)->isChecked());
    g.setSelectedPort(Com2);
    g.setSelectedPort(NoPort);
    EXPECT_EQ(g.SelectedPort(), NoPort);
}

TEST(COMRadioGroup, SelectedPortStrTakesTheFirstDigit)
{
    TCOMRadioGroup g;
    g.setSelectedPortStr(QStringLiteral("COM3"));
    EXPECT_EQ(g.SelectedPort(), Com3);
    g.setSelectedPortStr(QStringLiteral("COM12"));
    EXPECT_EQ(g.SelectedPort(), Com1);
    g.setSelectedPortStr(QStringLiteral("keine Ziffer"));
    EXPECT_EQ(g.SelectedPort(), Com1);
}

TEST(COMRadioGroup, UpdatePortsEnablesPresentPortsAndMovesTheSelection)
{
    TCOMRadioGroup g;
    g.UpdatePorts(ports({1, 4, 10}));
    EXPECT_EQ(enabledStates(g), QList<bool>({true, false, false, true, false, false, false, false}));
    // Nothing selected before: the first present port.
    EXPECT_EQ(g.SelectedPort(), Com1);
    // A present current port is kept.
    g.setSelectedPort(Com4);
    g.UpdatePorts(ports({1, 4}));
    EXPECT_EQ(g.SelectedPort(), Com4);
    // The captions name the device behind the port.
    EXPECT_TRUE(g.Button(3)->text().contains(QStringLiteral("/dev/ttyS3")));
    EXPECT_FALSE(g.Button(1)->text().contains(QStringLiteral("/dev")));
    // No port at all: everything disabled, selection left alone.
    g.UpdatePorts({});
    EXPECT_EQ(enabledStates(g), QList<bool>(8, false));
    EXPECT_EQ(g.SelectedPort(), Com4);
}

TEST(SchnittstelleDlg, ConfiguredMissingPortIsShownButOkStaysDisabledUntilAPresentOneIsClicked)
{
    TSchnittstelleDlg dlg(nullptr, [] { return ports({1, 4}); });
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Schnittstelle"));
    EXPECT_EQ(dlg.PortGroup->SelectedPort(), Com1);

    TPort chosen = Com9;
    bool okWasEnabled = true;
    QTimer::singleShot(0, &dlg, [&] {
        EXPECT_EQ(dlg.PortGroup->ItemIndex(), 2);
        EXPECT_FALSE(dlg.PortGroup->Button(2)->isEnabled());
        okWasEnabled = dlg.OkButton->isEnabled();
        dlg.PortGroup->Button(3)->click();
        EXPECT_TRUE(dlg.OkButton->isEnabled());
        dlg.OkButton->click();
    });
    chosen = dlg.Execute(Com3);
    EXPECT_FALSE(okWasEnabled);
    EXPECT_EQ(chosen, Com4);
}

TEST(SchnittstelleDlg, CancelChangesNothingAndNoPortsMeansNoOk)
{
    TSchnittstelleDlg dlg(nullptr, [] { return QList<TPortInfo>{}; });
    bool okEnabled = true;
    QTimer::singleShot(0, &dlg, [&] {
        okEnabled = dlg.OkButton->isEnabled();
        dlg.CancelButton->click();
    });
    EXPECT_EQ(dlg.Execute(Com1), NoPort);
    EXPECT_FALSE(okEnabled);
}

TEST(COMRadioGroup, PortsThatCannotBeOpenedSayWhy)
{
    TCOMRadioGroup g;
    g.ProbePort = [](const QString &device) {
        if (device.endsWith(QLatin1String("S0"))) return QStringLiteral("keine Berechtigung");
        if (device.endsWith(QLatin1String("S3"))) return QStringLiteral("belegt");
        return QString();
    };
    g.UpdatePorts(ports({1, 2, 4}));
    EXPECT_TRUE(g.Button(0)->text().endsWith(QStringLiteral("(keine Berechtigung)")));
    EXPECT_TRUE(g.Button(3)->text().endsWith(QStringLiteral("(belegt)")));
    EXPECT_FALSE(g.Button(1)->text().contains(QLatin1Char('(')));
    EXPECT_EQ(g.Button(3)->toolTip(), QStringLiteral("belegt"));
    // Absent ports are not probed and carry no reason.
    EXPECT_FALSE(g.Button(2)->text().contains(QLatin1Char('(')));
}
