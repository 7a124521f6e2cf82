#include "SerialFixture.h"

#include <QFileInfo>

#include <cerrno>

using PortNamesTest = SerialFixture;

TEST_F(PortNamesTest, IniMappingWinsAndRangeIsChecked)
{
    EXPECT_EQ(DevicePathForPort(1), line1.slavePath());
    EXPECT_EQ(DevicePathForPort(2), line2.slavePath());
    EXPECT_TRUE(DevicePathForPort(0).isEmpty());
    EXPECT_TRUE(DevicePathForPort(10).isEmpty());
    EXPECT_EQ(PortIniFile(), iniPath);
}

TEST_F(PortNamesTest, PresentPortsListOnlyExistingDevicesInNumberOrder)
{
    const QList<TPortInfo> ports = PresentPorts();
    QList<int> numbers;
    for (const TPortInfo &p : ports) {
        numbers << p.number;
        EXPECT_TRUE(QFileInfo::exists(p.device)) << p.device.toStdString();
        EXPECT_EQ(p.device, DevicePathForPort(p.number));
    }
    ASSERT_GE(numbers.size(), 2);
    EXPECT_EQ(numbers[0], 1);
    EXPECT_EQ(numbers[1], 2);
    EXPECT_FALSE(numbers.contains(3)); // mapped to a device that does not exist
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
}

TEST_F(PortNamesTest, DiscoveredDevicesFillOnlyUnmappedNumbers)
{
    const QStringList found = DiscoverSerialDevices();
    // Whatever this machine has: a device named in the INI never gets a second number.
    mapPort(5, found.isEmpty() ? line1.slavePath() : found.first());
    int hits = 0;
    const QString named = DevicePathForPort(5);
    for (int n = 1; n <= 9; ++n)
        if (DevicePathForPort(n) == named) ++hits;
    EXPECT_EQ(hits, found.isEmpty() ? 2 : 1); // line1 is mapped to COM1 as well
    for (const QString &d : found)
        EXPECT_TRUE(QFileInfo::exists(d)) << d.toStdString();
}

// A confirmed port keeps its device: the mapping is written under the stable
// name, and a number that was only discovered becomes a mapped one.
TEST_F(PortNamesTest, ConfirmedPortIsRememberedUnderItsStableName)
{
    const QString link = dir.filePath("by-name-link");
    ASSERT_TRUE(QFile::link(line2.slavePath(), link));
    EXPECT_EQ(StableDevicePath(link), link); // not under /dev/serial/by-id: kept as given
    mapPort(4, link);
    ASSERT_TRUE(RememberPortDevice(4));
    EXPECT_EQ(TIniFile(iniPath).ReadString("Ports", "COM4", QString()), link);
    ASSERT_TRUE(RememberPortDevice(1));
    EXPECT_EQ(TIniFile(iniPath).ReadString("Ports", "COM1", QString()), line1.slavePath());
    EXPECT_FALSE(RememberPortDevice(0));
}

TEST_F(PortNamesTest, OpenProblemsAreNamedInGerman)
{
    EXPECT_TRUE(PortOpenProblem(line1.slavePath()).isEmpty());
    EXPECT_EQ(PortOpenProblem(dir.filePath("no-such-device")), QStringLiteral("nicht vorhanden"));
    EXPECT_TRUE(PortErrorText(EACCES).startsWith(QStringLiteral("keine Berechtigung")));
    EXPECT_EQ(PortErrorText(EBUSY), QStringLiteral("belegt"));
}
