#include "serial/PortNames.h"

#include "core/IniFile.h"
#include "serial/PortAccess.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// "ttyS10" after "ttyS9": numbers in names compare as numbers.
void sortNatural(QStringList &names)
{
    QCollator c;
    c.setNumericMode(true);
    std::sort(names.begin(), names.end(),
              [&c](const QString &a, const QString &b) { return c.compare(a, b) < 0; });
}

QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

// A UART node exists for every possible port; only those whose driver found
// hardware report a port type other than 0 (unknown).
bool uartPresent(const QString &name)
{
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(name));
    if (!type.open(QIODevice::ReadOnly)) return false;
    return type.readAll().trimmed().toInt() != 0;
}

} // namespace

QString PortIniFile()
{
    return TIniFile::ProgramIniPath();
}

QStringList DiscoverSerialDevices()
{
    QStringList result;
    QStringList seen; // canonical paths already numbered

    // USB adapters by their stable id first: the same adapter keeps its number
    // whichever USB socket it is plugged into.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    QStringList ids = byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    sortNatural(ids);
    for (const QString &id : ids) {
        const QString path = byId.filePath(id);
        result << path;
        seen << canonical(path);
    }

    // USB adapters without udev links, then real UARTs.
    const QDir dev(QStringLiteral("/dev"));
    QStringList usb = dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System);
    sortNatural(usb);
    for (const QString &name : usb) {
        const QString path = dev.filePath(name);
        if (!seen.contains(canonical(path))) result << path;
    }
    QStringList uarts = dev.entryList({QStringLiteral("ttyS*"), QStringLiteral("ttyAMA*")}, QDir::System);
    sortNatural(uarts);
    for (const QString &name : uarts) {
        if (uartPresent(name)) result << dev.filePath(name);
    }
    return result;
}

namespace {

// Numbers 1..9 to devices: the INI mapping first, discovered devices fill the
// numbers left over, skipping devices that the INI already names.
QList<TPortInfo> portTable()
{
    QString mapped[10];
    QStringList mappedCanonical;
    {
        const TIniFile ini(PortIniFile());
        for (int n = 1; n <= 9; ++n) {
            mapped[n] = ini.ReadString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), QString());
            if (!mapped[n].isEmpty()) mappedCanonical << canonical(mapped[n]);
        }
    }
    QStringList discovered;
    for (const QString &d : DiscoverSerialDevices())
        if (!mappedCanonical.contains(canonical(d))) discovered << d;

    QList<TPortInfo> table;
    qsizetype next = 0;
    for (int n = 1; n <= 9; ++n) {
        if (!mapped[n].isEmpty())
            table.append({n, mapped[n]});
        else if (next < discovered.size())
            table.append({n, discovered[next++]});
    }
    return table;
}

} // namespace

QString DevicePathForPort(int n)
{
    if (n < 1 || n > 9) return QString();
    for (const TPortInfo &p : portTable())
        if (p.number == n) return p.device;
    return QString();
}

QList<TPortInfo> PresentPorts()
{
    QList<TPortInfo> present;
    for (const TPortInfo &p : portTable())
        if (QFileInfo::exists(p.device)) present.append(p);
    return present;
}

QString PortErrorText(int err, const QString &device)
{
    switch (err) {
    case EACCES:
    case EPERM:
        if (!device.isEmpty()) return PortPermissionShort(PortAccessFor(device));
        return QStringLiteral("keine Berechtigung (Benutzer nicht in der Gruppe dialout?)");
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("belegt");
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("nicht vorhanden");
    default:
        return QString::fromLocal8Bit(strerror(err));
    }
}

QString PortOpenProblem(const QString &device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return PortErrorText(errno, device);
    // Another program holding the port keeps the same advisory lock we take.
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    const int err = errno;
    ::close(fd);
    return locked ? PortErrorText(err) : QString();
}

QString StableDevicePath(const QString &device)
{
    if (device.isEmpty()) return device;
    const QString target = canonical(device);
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    QStringList ids = byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    sortNatural(ids);
    for (const QString &id : ids)
        if (canonical(byId.filePath(id)) == target) return byId.filePath(id);
    return device;
}

bool RememberPortDevice(int n)
{
    const QString device = StableDevicePath(DevicePathForPort(n));
    if (device.isEmpty()) return false;
    TIniFile ini(PortIniFile());
    ini.WriteString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), device);
    return true;
}
