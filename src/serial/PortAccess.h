#pragma once

#include <QString>
#include <QStringList>

// Why a serial device cannot be opened for lack of rights, told so that the
// user can mend it: on Debian the devices belong to the group "dialout".

struct TPortAccess {
    QString device;
    QString group;             // the device's group ("dialout"), empty if unknown
    QString user;              // the user running the program
    bool inGroupNow = false;   // this login has the group
    bool inGroupLater = false; // the user database has it (added, not yet logged in again)
};

// Facts about the device and the running user.
TPortAccess PortAccessFor(const QString &device);

// The German hint for an open that failed with err; empty unless the
// failure was one of rights (EACCES, EPERM).
QString PortPermissionHint(const TPortAccess &access, int err);
// The same in a few words, for a list of ports: "keine Berechtigung (…)".
QString PortPermissionShort(const TPortAccess &access);
