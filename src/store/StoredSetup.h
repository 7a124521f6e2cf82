#pragma once

// The set-up columns of a stored test, read to set the tester up the same way.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

struct TStoredSetup {
    int PruefungsNr = 0;
    int Menueflags = 0;
    int Schutzklasse = 0;
    int GrwSchutzleiterwid = 0;
    int GrwIsolationswid = 0;
    int GrwAbleitstrom = 0;
    int GrwDifferenzstrom = 0;
    int DinVde = -1; // 0 = 0701, 1 = 0702, 2 = 0751; -1: not stored
};

// The statement lines that read the set-up of a test (the number bound as its one value).
QStringList StoredSetupQueryLines();
// Reads the set-up of a stored test; false when there is no such test (or the
// query fails; error then says why).
bool QueryStoredSetup(QSqlDatabase db, int pruefungsNr, TStoredSetup &setup, QString *error = nullptr);
