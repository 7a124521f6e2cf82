#pragma once

#include <QString>

class TForm1;

// Before the window opens its database: a damaged SQLite file is reported
// with the newest backup named, and a database of an older schema gets the
// upgrade offered (a backup first; declined, nothing is changed). A database
// that is missing or lacks whole tables of the records is left to the first
// start's offer.
struct TStartCheck {
    // The user has been told what is wrong (damage, an upgrade declined or
    // failed): a refused opening needs no second message.
    bool reported = false;
    // A server that could not be reached: trying again would only wait
    // through its time-out once more.
    bool unreachable = false;
    QString error;
};
TStartCheck CheckDatabaseAtStart(TForm1 &form, const QString &connectionString);
