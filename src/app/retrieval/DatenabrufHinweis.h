#pragma once

// The retrieval window's one line of guidance and its summaries: what the
// tester holds, what the list holds, what the next step is.

#include <QString>

struct TUebertragBericht;

// What the window knows when it tells the user where things stand.
struct TAbrufStand {
    bool Verbunden = false; // a tester is connected
    int ImTester = -1;      // tests the tester holds; -1 not (yet) known
    int Zeilen = 0;         // rows in the list
    int Zugeordnet = 0;     // of them assigned to a device (marked doubles not counted)
    int Doppelt = 0;        // of them marked as possibly stored already
};

// "3 Prüfungen", "1 Prüfung": a number with its noun.
QString Anzahl(int n, const char *einzahl, const char *mehrzahl);

// The line above the list when the window opens and after each change.
QString AbrufHinweis(const TAbrufStand &s);
// The line after a fetch: fetched, found their device, still need "Prüfling".
QString AbrufErgebnis(int abgerufen, int zugeordnet);
// The transfer question: the fixed question and what it will do.
QString UebernahmeFrage(const TAbrufStand &s);
// After the transfer: transferred, left in the list and why.
QString UebernahmeZusammenfassung(const TUebertragBericht &r, int bleiben);
