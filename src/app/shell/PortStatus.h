#pragma once

// What the status bar says when the port could not be opened for lack of
// rights: the real reason, not a guess at the "dialout" group for a device
// that only root may use.

#include <QString>

struct TPortAccess;

// Whether members of the device's group may read and write it (false when unknown).
bool PortGroupMayUse(const QString &device);

// Panel text "COM<n>: <reason>" for an open that failed with err; empty
// unless the failure was one of rights (EACCES, EPERM).
QString PortDeniedStatus(int port, const TPortAccess &access, int err, bool groupMayUse);

// The message for a device whose group has no rights on it, where joining
// the group would not help; empty when the group may use it.
QString PortGroupLockedHint(const TPortAccess &access, int err, bool groupMayUse);
