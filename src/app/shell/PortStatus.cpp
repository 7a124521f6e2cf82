#include "app/shell/PortStatus.h"

#include "serial/PortAccess.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace {

bool deniedForRights(int err)
{
    return err == EACCES || err == EPERM;
}

bool onlyRoot(const TPortAccess &a)
{
    return a.group == QLatin1String("root");
}

} // namespace

bool PortGroupMayUse(const QString &device)
{
    struct stat st {};
    if (device.isEmpty() || ::stat(QFile::encodeName(device).constData(), &st) != 0) return false;
    return (st.st_mode & S_IRGRP) != 0 && (st.st_mode & S_IWGRP) != 0;
}

QString PortDeniedStatus(int port, const TPortAccess &a, int err, bool groupMayUse)
{
    if (!deniedForRights(err)) return QString();
    QString why;
    if (onlyRoot(a))
        why = QStringLiteral("nur für root freigegeben");
    else if (!groupMayUse)
        why = QStringLiteral("für Gruppe „%1“ gesperrt").arg(a.group);
    else if (a.inGroupNow)
        why = QStringLiteral("keine Berechtigung, Rechte prüfen");
    else if (a.inGroupLater)
        why = QStringLiteral("bitte neu anmelden (Gruppe „%1“)").arg(a.group);
    else
        why = QStringLiteral("nicht in Gruppe „%1“").arg(a.group);
    return QStringLiteral("COM%1: %2").arg(port).arg(why);
}

QString PortGroupLockedHint(const TPortAccess &a, int err, bool groupMayUse)
{
    if (!deniedForRights(err) || groupMayUse || onlyRoot(a)) return QString();
    return QStringLiteral(
               "Keine Berechtigung für die Schnittstelle „%1“.\n\nDie Gerätedatei gehört zur Gruppe "
               "„%2“, ist aber nur für ihren Eigentümer freigegeben; die Mitgliedschaft in der "
               "Gruppe hilft deshalb nicht. Bitte den Administrator, der Gruppe Lese- und "
               "Schreibrechte zu geben (udev-Regel, MODE=\"0660\").")
        .arg(a.device, a.group);
}
