#pragma once

#include <QString>
#include <QStringList>

class TForm1;

// What the main window tells a user whose installation is new or not yet
// complete: settings that cannot be saved, a database that is not there yet,
// a serial port that the user may not open.

// Checks that the INI file can be written; if not, says so in the status bar
// and the program log at once instead of losing the settings at the end.
// Returns the reason (empty when the file can be written).
QString ReportUnwritableSettings(TForm1 &form, const QString &iniFile);

// After the database could not be opened: when it is missing or incomplete
// and can be set up here, asks (with the missing-database message) whether to
// create it and does so on yes. Returns false when nothing could be offered,
// so the caller shows the plain message.
bool OfferNewDatabase(TForm1 &form, const QString &connectionString);

// Before a window that needs the database: true when it is open. Otherwise
// says so and how to get one, offers to make it (or its missing tables) where
// that can be done here, or tries to open it again (a server back up).
bool RequireDatabase(TForm1 &form, const QString &connectionString);

// After the port did not open: a failure for lack of rights gets its remedy.
void ReportPortOpenFailure(TForm1 &form);

// Settings the configuration file gave in a form that cannot work (a port
// that does not exist, a time-out no tester can meet): said once at the start,
// in the program log too, instead of a later "Der Gerätetester antwortet nicht."
void ReportConfigurationProblems(TForm1 &form, const QStringList &problems);
