#pragma once

// The staging table of fetched records and the way from a staging row into
// the tests table. Every statement here binds its values; a failing one can
// be written out with its values in place for the user's "SQL.txt".

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <utility>

// The parts of a staging row the user may change.
struct TStagingEdit {
    int LfdNr = 0;
    QString Barcode;
    int PrueflingNr = 0;
    QDateTime Datum;
    QString Pruefer;
    QString Bewertender;
    QString Notiz;
};

// A statement's text with its values put in as literals, for "SQL.txt":
// every ":name" outside quotes becomes the value bound to it, a date as the
// database kind (DatabaseKind of the connection it ran on) writes it.
using TBoundValues = QList<std::pair<QString, QVariant>>;
QString RenderBoundStatement(const QString &sql, const TBoundValues &values, int kind = 0);

// ---- reading ------------------------------------------------------------------
// Every staging row, in running-number order.
bool StagingRows(QSqlDatabase db, QList<QSqlRecord> *rows, QString *error = nullptr);
// One staging row; false when it is gone or cannot be read.
bool StagingRow(QSqlDatabase db, int lfdNr, QSqlRecord *row, QString *error = nullptr);
// Rows in the staging table; 0 with *ok false when it cannot be read.
int StagingRowCount(QSqlDatabase db, bool *ok = nullptr);

// ---- devices ------------------------------------------------------------------
// Device whose barcode is exactly this text; 0 for none and for an empty barcode.
int FindDeviceByBarcode(QSqlDatabase db, const QString &barcode, bool *ok = nullptr);
// Whether a device already carries this barcode (barcodes are empty or unique);
// false with the statement's error text when the lookup fails.
bool BarcodeInUse(QSqlDatabase db, const QString &barcode, bool *inUse, QString *error = nullptr);
// The device a staging row belongs to: a barcode that names a device decides;
// otherwise the row keeps a device chosen by hand that has no barcode (the
// barcode cannot say otherwise), and nothing else (0), also not a device
// that no longer exists.
int StagingDeviceFor(QSqlDatabase db, const QString &barcode, int currentNr, bool *ok = nullptr);
// Every device with its customer, in device order (the device choice list).
bool DeviceChoiceRows(QSqlDatabase db, QList<QSqlRecord> *rows, QString *error = nullptr);

// ---- changing ---------------------------------------------------------------------
// Stores the user's fields of one row as given; true only when that row was changed.
bool UpdateStagingRow(QSqlDatabase db, const TStagingEdit &row, QString *error = nullptr);
bool DeleteStagingRow(QSqlDatabase db, int lfdNr, QString *error = nullptr);
// Deletes these rows, and only these: rows another workstation fetched since
// the list was shown exist nowhere else once its tester is cleared.
bool DeleteStagingRows(QSqlDatabase db, const QList<int> &lfdNrs, QString *error = nullptr);
// Brings every row's device in line with StagingDeviceFor; returns the rows
// changed, or -1 with the failing statement's error when a row could not be
// read or changed (rows left behind would pass for "not assigned").
int ReassignStagingDevices(QSqlDatabase db, QString *error = nullptr);

// ---- the transfer ------------------------------------------------------------------
enum class TTransferSchritt {
    Uebertragen,     // the row is a test now and has left the staging table
    Vergeben,        // the row was gone or taken meanwhile (another workstation): nothing done
    NichtZugeordnet, // the row has no device: it stays
    GeraetFehlt,     // its device no longer exists: the row stays, unassigned
    Fehler,          // a statement failed: rolled back, the row stays
};

struct TTransferZeile {
    TTransferSchritt Schritt = TTransferSchritt::Fehler;
    int PruefungsNr = 0;
    QSqlError Fehler;  // the failing statement's error
    QString Anweisung; // the failing statement with its values, for "SQL.txt"
};

// Running numbers of all staging rows and how many of them have no device.
bool StagingTransferCandidates(QSqlDatabase db, QList<int> *assigned, int *unassigned,
                               QString *error = nullptr);
// Moves one staging row into the tests table in a transaction of its own:
// the test number is taken inside it, and it commits only when the row's
// INSERT and its DELETE each touched exactly that one row.
TTransferZeile TransferStagingRow(QSqlDatabase db, int lfdNr);
