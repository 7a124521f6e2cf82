#pragma once

#include <QDate>
#include <QString>

class TForm1;
struct TBackupSchedule;

// The dated backup the window writes at its orderly end, set in the INI file:
//   [Sicherung]
//   AbstandTage=1   a new backup once the newest is this many days old (0: none)
//   Anzahl=14       the newest this many are kept (0: none)
TBackupSchedule ReadBackupSchedule(const QString &iniFile);

// Run while the database is still open. A backup that fails is told in the
// status bar, the program log and on standard error, and once more at the
// next start; it never stops the end. Returns the failure text, empty if none.
QString RunAutomaticBackup(TForm1 &form, const QDate &today = QDate::currentDate());

// At start: a backup that failed at the last end is shown in the status bar.
void ReportLastBackupFailure(TForm1 &form);
