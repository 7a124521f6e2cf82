#pragma once

// New customers and devices from the entry dialogs, and what a deletion in
// the browser would take with it. Each new row gets its key inside the
// transaction that stores it, so two workstations never hand out one key.

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

struct TKundeEingabe {
    QString Name1, Name2, Name3, Strasse, LKZ, PLZ, Ort, Telefon, Fax;
    bool IsEmpty() const;
};

struct TPrueflingEingabe {
    int KundenNr = 0;
    QString Bezeichnung, Typ, Fabrikationsnummer, Seriennummer, Inventarnummer, Barcode;
    bool IsEmpty() const; // the customer does not count
};

enum class TEntryResult { Stored, DuplicateBarcode, Failed };

// The number a new customer / device would get now, for display before saving.
int ProposedKundenNr(QSqlDatabase db);
int ProposedPrueflingNr(QSqlDatabase db);

// Stores the customer under a key taken in the same transaction; *key gets it.
// On failure nothing is stored, *error says why and "SQL.txt" gets the statement.
TEntryResult StoreNewCustomer(QSqlDatabase db, const TKundeEingabe &k, int *key, QString *error);
// The same for a device. A non-empty barcode that another device has already
// gives DuplicateBarcode; the check runs under the key lock, so two
// workstations cannot store one barcode twice.
TEntryResult StoreNewDevice(QSqlDatabase db, const TPrueflingEingabe &p, int *key, QString *error);

// Whether another device than `exceptDevice` has the barcode.
enum class TBarcodeUse { Free, Taken, Failed };
TBarcodeUse BarcodeInUse(QSqlDatabase db, const QString &barcode, int exceptDevice, QString *error);

// What a deletion takes with it.
struct TDeleteScope {
    QString Name;    // customer: name 1; device: designation
    QString Barcode; // device
    QDateTime Datum; // test
    int Devices = 0; // customer
    int Tests = 0;   // customer, device
    int Rows = 0;    // inspection rows (test)
};
bool CustomerDeleteScope(QSqlDatabase db, int kundenNr, TDeleteScope &scope, QString *error);
// Whether the customer is in the database; false with *error when it cannot be read.
bool CustomerExists(QSqlDatabase db, int kundenNr, bool &exists, QString *error);
bool DeviceDeleteScope(QSqlDatabase db, int prueflingNr, TDeleteScope &scope, QString *error);
bool TestDeleteScope(QSqlDatabase db, int pruefungsNr, TDeleteScope &scope, QString *error);

// "Kunde „Müller“ mit 12 Prüflingen und 340 Prüfungen löschen?",
// "Prüfling „Kaffeemaschine“ (Barcode 123) mit 17 Prüfungen löschen?",
// "Prüfung Nr. 77 vom 01.02.2026 löschen?"; a record without a name is named by its number.
enum class TDeleteLevel { Customer, Device, Test };
QString DeleteQuestion(TDeleteLevel level, int key, const TDeleteScope &scope);
