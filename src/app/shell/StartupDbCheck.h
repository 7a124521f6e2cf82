#pragma once

#include <QString>

class TForm1;

// Before the window opens its database: a damaged SQLite file is reported
// with the newest backup named, and a database of an older schema gets the
// upgrade offered (a backup first; declined, nothing is changed). A database
// that is missing or lacks whole tables of the records is left to the first
// start's offer.
void CheckDatabaseAtStart(TForm1 &form, const QString &connectionString);
