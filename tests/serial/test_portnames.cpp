#include "SerialFixture.h"

#include <QFileInfo>

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
