#pragma once

// What Qt's printing does not tell: whether the print service answers at all
// (an empty printer list looks the same either way) and whether the last job
// handed to it was taken. Read from the print service's client library, which
// Qt's printing has loaded already; without it both stay silent.

#include <QString>

namespace cups_status {

// Where the print service is expected: a socket path or "host:port". Empty
// when the client library is not there.
QString Server();
// Whether something accepts a connection there (two seconds at most).
bool Reachable();
// The outcome of this thread's last request to the print service: empty when
// it succeeded, else the service's reason.
QString LastFailure();

} // namespace cups_status
