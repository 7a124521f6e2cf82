#include "SimPty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t speedFor(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

void makeRaw(int fd, int baud)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) return; // not a terminal: nothing to set
    cfmakeraw(&t);
    t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    cfsetispeed(&t, speedFor(baud));
    cfsetospeed(&t, speedFor(baud));
    tcsetattr(fd, TCSANOW, &t);
}

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SimPort::~SimPort()
{
    close();
}

bool SimPort::openPty(QString &error)
{
    close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = errnoText("posix_openpt");
        return false;
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        error = errnoText("grantpt/unlockpt");
        ::close(master);
        return false;
    }
    const char *name = ptsname(master);
    if (!name) {
        error = errnoText("ptsname");
        ::close(master);
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    m_keepSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_keepSlave >= 0) makeRaw(m_keepSlave, 9600);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    m_fd = master;
    return true;
}

bool SimPort::openDevice(const QString &path, int baud, QString &error)
{
    close();
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = errnoText("open");
        return false;
    }
    makeRaw(fd, baud);
    m_fd = fd;
    m_path = path;
    return true;
}

void SimPort::close()
{
    if (m_fd >= 0) ::close(m_fd);
    if (m_keepSlave >= 0) ::close(m_keepSlave);
    m_fd = -1;
    m_keepSlave = -1;
}
