#include "serial/PortAccess.h"

#include <QFile>

#include <cerrno>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

TPortAccess PortAccessFor(const QString &device)
{
    TPortAccess a;
    a.device = device;
    gid_t gid = 0;
    bool haveGid = false;
    struct stat st {};
    if (!device.isEmpty() && ::stat(QFile::encodeName(device).constData(), &st) == 0) {
        gid = st.st_gid;
        haveGid = true;
        if (const group *g = ::getgrgid(gid)) a.group = QString::fromLocal8Bit(g->gr_name);
    }
    if (a.group.isEmpty()) {
        // Debian's udev rules give serial devices to "dialout".
        a.group = QStringLiteral("dialout");
        if (const group *g = ::getgrnam("dialout")) {
            gid = g->gr_gid;
            haveGid = true;
        }
    }
    const passwd *pw = ::getpwuid(::geteuid());
    a.user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
    if (!haveGid) return a;

    a.inGroupNow = ::getegid() == gid;
    const int n = ::getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> groups(static_cast<size_t>(n));
        const int got = ::getgroups(n, groups.data());
        for (int i = 0; i < got; ++i)
            if (groups[size_t(i)] == gid) a.inGroupNow = true;
    }
    if (pw) {
        int count = 64;
        std::vector<gid_t> groups(static_cast<size_t>(count));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) {
            groups.resize(size_t(count));
            ::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count);
        }
        for (int i = 0; i < count && i < int(groups.size()); ++i)
            if (groups[size_t(i)] == gid) a.inGroupLater = true;
    }
    return a;
}

QString PortPermissionHint(const TPortAccess &a, int err)
{
    if (err != EACCES && err != EPERM) return QString();
    const QString head = QStringLiteral("Keine Berechtigung für die Schnittstelle „%1“.").arg(a.device);
    // A device only root may use: joining root's group is no remedy to offer.
    if (a.group == QLatin1String("root"))
        return head +
               QStringLiteral("\n\nDie Gerätedatei ist nur für den Administrator freigegeben. Bitte den "
                              "Administrator, sie der Gruppe „dialout“ zu geben (udev-Regel) und Ihren "
                              "Benutzer „%1“ in diese Gruppe aufzunehmen.")
                   .arg(a.user);
    if (a.inGroupNow)
        return head + QStringLiteral("\n\nIhr Benutzer „%1“ gehört zur Gruppe „%2“; bitte die Rechte der "
                                     "Gerätedatei prüfen (ls -l %3).")
                          .arg(a.user, a.group, a.device);
    if (a.inGroupLater)
        return head + QStringLiteral("\n\nIhr Benutzer „%1“ ist der Gruppe „%2“ schon zugeordnet, diese "
                                     "Anmeldung aber noch nicht. Bitte einmal ab- und wieder anmelden.")
                          .arg(a.user, a.group);
    return head +
           QStringLiteral("\n\nIhr Benutzer „%1“ gehört nicht zur Gruppe „%2“. Abhilfe (einmalig, mit "
                          "Administratorrechten):\n\n    sudo usermod -aG %2 %1\n\nDanach einmal ab- und "
                          "wieder anmelden.")
               .arg(a.user, a.group);
}

QString PortPermissionShort(const TPortAccess &a)
{
    if (a.group == QLatin1String("root"))
        return QStringLiteral("keine Berechtigung (nur für root freigegeben)");
    if (a.inGroupNow) return QStringLiteral("keine Berechtigung (Rechte der Gerätedatei prüfen)");
    if (a.inGroupLater) return QStringLiteral("keine Berechtigung (bitte neu anmelden)");
    if (a.group.isEmpty()) return QStringLiteral("keine Berechtigung");
    return QStringLiteral("keine Berechtigung (Benutzer nicht in der Gruppe %1)").arg(a.group);
}
