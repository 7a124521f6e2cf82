#include "app/cli/CupsStatus.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The few calls of the client library used here, looked up at run time: the
// program builds and runs without its headers, and Qt loads it for printing.
struct TCupsCalls {
    const char *(*server)() = nullptr;
    int (*port)() = nullptr;
    int (*lastError)() = nullptr;
    const char *(*lastErrorString)() = nullptr;
    bool ok() const { return server && port && lastError && lastErrorString; }
};

const TCupsCalls &calls()
{
    static const TCupsCalls c = [] {
        TCupsCalls r;
        void *lib = dlopen("libcups.so.2", RTLD_LAZY | RTLD_GLOBAL);
        if (!lib) return r;
        r.server = reinterpret_cast<const char *(*)()>(dlsym(lib, "cupsServer"));
        r.port = reinterpret_cast<int (*)()>(dlsym(lib, "ippPort"));
        r.lastError = reinterpret_cast<int (*)()>(dlsym(lib, "cupsLastError"));
        r.lastErrorString = reinterpret_cast<const char *(*)()>(dlsym(lib, "cupsLastErrorString"));
        return r;
    }();
    return c;
}

// A non-blocking connect that waits at most timeoutMs for the answer.
bool connects(int fd, const sockaddr *addr, socklen_t len, int timeoutMs)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (::connect(fd, addr, len) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return false;
    int err = 0;
    socklen_t errLen = sizeof err;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &errLen) == 0 && err == 0;
}

bool reachesSocket(const QByteArray &path)
{
    sockaddr_un addr{};
    if (path.size() >= static_cast<qsizetype>(sizeof addr.sun_path)) return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const bool ok = connects(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr, 2000);
    ::close(fd);
    return ok;
}

bool reachesHost(const QByteArray &host, const QByteArray &port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo *a = found; a && !ok; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        ok = connects(fd, a->ai_addr, a->ai_addrlen, 2000);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return ok;
}

} // namespace

namespace cups_status {

QString Server()
{
    if (!calls().ok()) return QString();
    const QString name = QString::fromLocal8Bit(calls().server());
    if (name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char(':'))) return name;
    return QStringLiteral("%1:%2").arg(name).arg(calls().port());
}

bool Reachable()
{
    const QString where = Server();
    if (where.isEmpty()) return false;
    if (where.startsWith(QLatin1Char('/'))) return reachesSocket(where.toLocal8Bit());
    const qsizetype colon = where.lastIndexOf(QLatin1Char(':'));
    return reachesHost(where.left(colon).toLocal8Bit(), where.mid(colon + 1).toLatin1());
}

QString LastFailure()
{
    if (!calls().ok()) return QString();
    // Below 0x0400 the request succeeded, perhaps with a remark.
    if (calls().lastError() < 0x0400) return QString();
    const QString why = QString::fromLocal8Bit(calls().lastErrorString());
    return why.isEmpty() ? QStringLiteral("Fehler %1").arg(calls().lastError(), 4, 16, QLatin1Char('0'))
                         : why;
}

} // namespace cups_status
