#pragma once

// The fetch's writes. The records read from the tester go into the staging
// table in one short transaction that is committed before the tester is told
// to clear its memory, so a lost answer, a cut line or a killed program can
// never leave a record on neither side. The price: after a fetch whose
// clearing the tester never confirmed, it may still hold records that are
// stored already. A bookkeeping table (tblAbrufSatz) remembers the content of
// such records, so that the next fetch marks them instead of storing them a
// second time unnoticed.

#include "store/StagingValues.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

// What every row of one fetch carries besides the record.
struct TAbrufKopf {
    QString SerialNumber;
    QString Operator;
    QString Assessor;
    QDateTime Zeitpunkt; // one moment for the whole fetch
};

// One record as read, with the device its barcode names.
struct TAbrufSatz {
    TUebernahmeWerte Werte;
    int PrueflingNr = 0;
};

struct TAbrufSpeicherung {
    bool Ok = false;
    QString Fehlertext; // the failing statement's error in German words
    QString Anweisung;  // that statement with its values written in, for "SQL.txt"
    QList<int> LfdNrs;  // running numbers given, in record order
    int Doppelt = 0;    // records marked as possibly stored already
};

// Whether the staging table takes a row now: a probe row is inserted in a
// transaction that is then rolled back. False with the reason in German.
bool AbrufSpeicherBereit(QSqlDatabase db, QString *Fehlertext);

// Every record in one transaction; the running numbers are taken inside it.
// Records whose content an earlier, unconfirmed fetch of the same tester
// stored (and whose copy still exists) are marked as possibly doubled.
TAbrufSpeicherung AbrufSpeichern(QSqlDatabase db, const TAbrufKopf &Kopf, const QList<TAbrufSatz> &Saetze);

// The tester confirmed that its memory is cleared: none of its records stored
// so far can come again. Marks already given stay.
bool AbrufGeloeschtBestaetigen(QSqlDatabase db, const QString &SerialNumber, QString *Fehlertext = nullptr);

// Whether staging rows of a fetch whose clearing the tester never confirmed
// are still there: the tester may hold them, and only fetching again tells.
bool UnbestaetigterAbruf(QSqlDatabase db);

// Staging rows marked as possibly stored already (their running numbers).
QSet<int> DoppeltMarkierteZeilen(QSqlDatabase db);
bool IstDoppeltMarkiert(QSqlDatabase db, int LfdNr);
// The user checked the row: it is a test of its own.
bool DoppeltMarkierungAufheben(QSqlDatabase db, int LfdNr, QString *Fehlertext = nullptr);

// The content that tells two records apart (not the fetch date).
QString AbrufInhalt(const QString &SerialNumber, const TUebernahmeWerte &W);

// One staging row under the given running number (bound values). On failure
// *Fehlertext holds the German reason and *Anweisung the statement with its values.
bool StagingZeileEinfuegen(QSqlDatabase db, int LfdNr, const TAbrufSatz &Satz, const TAbrufKopf &Kopf,
                           QString *Fehlertext = nullptr, QString *Anweisung = nullptr);
