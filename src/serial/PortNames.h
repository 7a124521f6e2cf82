#pragma once

#include <QList>
#include <QString>

// "COMn" names map to device paths: the INI file's section [Ports] (keys COM1
// .. COM9) wins; the present serial devices fill the remaining numbers in a
// stable order (USB adapters by id first, then real UARTs).

// Device path for COMn (n = 1..9); empty when there is none.
QString DevicePathForPort(int n);

struct TPortInfo {
    int number = 0; // n of "COMn"
    QString device; // device path
};
// Ports whose device exists, by number.
QList<TPortInfo> PresentPorts();

// INI file that holds the [Ports] mapping: the program's own, so "--ini"
// (SetProgramIniOverride) moves the mapping along with every other setting.
QString PortIniFile();

// Serial devices found on this machine, in the order they get numbers.
QStringList DiscoverSerialDevices();

// Why a present device cannot be opened, in German ("keine Berechtigung …",
// "belegt"); empty when it can. Opens and closes the device once.
QString PortOpenProblem(const QString &device);
// The text for an errno of a failed open or lock; with the device, refused
// rights are told by the device's group and the user's groups.
QString PortErrorText(int err, const QString &device = QString());

// The stable name of a device: its /dev/serial/by-id link where one exists.
QString StableDevicePath(const QString &device);
// Stores COMn's device under its stable name in [Ports], so that re-plugging
// adapters cannot move the number to another device. False without a device.
bool RememberPortDevice(int n);
