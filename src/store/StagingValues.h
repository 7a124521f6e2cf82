#pragma once

// The values of one staging row that come from a tester record. The tester
// decodes them, the store writes and compares them.

#include <QString>

// The values of one staging row that come from the record, named after their
// columns. Flags and class are after the clean-up, booleans are 0 or 1.
struct TUebernahmeWerte {
    QString UNstrBarcode;
    int UNintGrenzwertflags = 0;
    int UNintMenueflags = 0;
    int UNintSchutzklasseFlags = 0;
    int UNintMessablaufFlags = 0;
    int UNintSchutzleiterwid = 0;
    int UNintIsolationswid = 0;
    int UNintAbleitstrom = 0;
    int UNintSchutzlStromL1N = 0;
    int UNintSchutzlStromNL1 = 0;
    int UNintBeruehrungsstromL1N = 0;
    int UNintBeruehrungsstromNL1 = 0;
    int UNintGrwSchutzleiterwid = 0;
    int UNintGrwIsolationswid = 0;
    int UNintGrwAbleitstrom = 0;
    int UNintGrwSchutzleiterstrom = 0;
    int UNintGrwBeruehrungsstrom = 0;
    int UNintGrwSchnellabschaltung = 0;
    int UNblnPruefungsergebnis = 0;
    int UNintSichtpruef = 0; // -1 not asked, 0 failed, 1 passed
    int UNintSchutzklasse = 0;
    int UNblnAutomatisch = 0;
    int UNintDINVDE = 0; // 0 = 0701, 1 = 0702, 2 = 0751
    int UNblnExternDiffStr = 0;
    int UNblnManuGrenz = 0;
    int UNintIsolDiff = 0; // 0 none, 1 insulation, 2 insulation and differential
    int UNblnMitBeruehr = 0;
    int UNblnAbgebrochen = 0;
    int UNblnSchnellabbruch = 0;
    int UNblnManuellAbbruch = 0;
    int UNblnGrenzwFehler = 0;

    bool operator==(const TUebernahmeWerte &) const = default;
};
