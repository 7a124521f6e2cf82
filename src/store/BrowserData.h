#pragma once

// The stored-data browser without its window: customers, their devices and the
// devices' tests as three chained levels, the editing rules, the deletes with
// their cascades, the search and what the test pane shows.

#include "store/BrowseSet.h"
#include "store/BrowserSearch.h"
#include "store/EntryStore.h"
#include "store/Globals.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <array>

// One measurement row of the test pane.
struct TMeasRowDisplay {
    bool enabled = false; // caption, units and LED enabled; value and limit visible
    QString value;        // formatted measured value
    QString limit;        // limit in the caption's unit, empty for rows without limit
    bool led = false;     // limit-flag bit (fast cut-off for the last row)
};

// Everything the test pane shows for the current test (or for none).
struct TTestDisplay {
    bool hasTest = false;
    bool led0701 = false, led0702 = false, led0751 = false;
    QString protText;           // "Prot.: ..."
    bool protEnabled = false;   // both "Protokoll" buttons and the protocol number
    bool erstChecked = false;   // "Erstprüfung"
    bool wiederChecked = false; // "Wiederh.-Pr."
    int funktIndex = -1;        // "Funkt.Prüfung" item, -1 none
    QString isolText, klasseText, sichtText, gesamtText;
    QString serial, datum, notiz, pruefer, bewertender, protNr;
    bool automatisch = false, manuGrenz = false, mitBeruehr = false;
    bool abgebrochen = false, grenzwFehler = false;
    int mask = 0;
    // Rows in the order of the pane: earth, insulation, leakage, PE current,
    // reversed, touch current, reversed, mains-disconnection limit.
    std::array<TMeasRowDisplay, 8> rows;
};

// The test pane for a test (nullptr: the device has no tests).
TTestDisplay ComputeTestDisplay(const TWerteSatz *test);

enum class TBarcodeCheck { Unique, Duplicate, Failed };

// "Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer." ...
QString DuplicateBarcodeMessage();

class TBrowserData : public QObject {
    Q_OBJECT
public:
    explicit TBrowserData(QObject *parent = nullptr);

    void setDatabase(const QSqlDatabase &db);
    QSqlDatabase Database() const { return m_db; }

    TBrowseSet *Customers;
    TBrowseSet *Devices;
    TBrowseSet *Tests;

    // Showing: opens the three levels and stands on test aktCheckNumber when
    // it still exists (else on the first customer).
    bool Open(int aktCheckNumber, QString *error = nullptr);
    // Hiding: posts pending edits and closes; returns the test to reopen at
    // (0 when the device has no tests).
    int Close();
    bool IsOpen() const { return Customers->Active(); }

    // Inspection rows of the current test (empty without a test).
    const QList<TSichtPr> &InspectionRows() const { return m_rows; }
    // The current test's columns as a record (no customer, device or rows).
    TWerteSatz CurrentTestValues() const;
    TTestDisplay Display() const;
    // The current test with customer, device and (withRows) its inspection rows,
    // after posting pending edits.
    bool FillRecord(TWerteSatz &w, bool withRows, QString *error = nullptr);

    // Posts whatever of the three levels is being edited.
    bool PostAll(QString *error = nullptr);

    // "Erstprüfung" (0) / "Wiederh.-Pr." (1).
    bool SetSichWied(int value, QString *error = nullptr);
    // "Funkt.Prüfung": stores the item and the recomputed verdict.
    bool SetFunktPruef(int index, QString *error = nullptr);
    // Before the one-page protocol: a test of protocol type 1 goes back to 0.
    bool ResetProtocolType(QString *error = nullptr);

    // Uniqueness of a barcode among the other devices.
    TBarcodeCheck CheckBarcode(const QString &barcode, QString *error = nullptr);
    // Leaving the barcode edit: a unique barcode is posted, a duplicate cancels
    // the edit. Every other way of leaving the row checks the same (refused).
    TBarcodeCheck PostBarcode(const QString &barcode, QString *error = nullptr);

    bool InsertCustomer(QString *error = nullptr);
    bool InsertDevice(QString *error = nullptr);
    // The question before deleting the current row of a level: the record by
    // name and what goes with it. False (error set) when that cannot be read.
    bool DeleteQuestion(TDeleteLevel level, QString &question, QString *error = nullptr) const;
    // Each in one transaction with its children; a failure deletes nothing.
    bool DeleteCustomer(QString *error = nullptr);
    bool DeleteDevice(QString *error = nullptr);
    bool DeleteTest(QString *error = nullptr);

    // Stands on the customer, then the device (newest test), then the test when given.
    bool JumpTo(int kundenNr, int prueflingNr, int pruefungsNr = 0);

    // The first limit hits of TBrowserSearch: the device whose barcode is the
    // text; else devices whose barcode, inventory, serial number or
    // designation, and customers whose name contain the text.
    QList<TSearchHit> Search(const QString &text, int limit = 100, QString *error = nullptr);

    // Display updates of the test pane suspended (nested).
    void Freeze();
    void Thaw();

signals:
    void customerChanged();
    void deviceChanged();
    void testChanged();
    // A write of the data layer failed (the text is the layer's message).
    void failed(const QString &message);
    // A change was refused by a rule and dropped (a duplicate barcode).
    void refused(const QString &message);

private:
    void customerScrolled();
    void deviceScrolled();
    void testScrolled();
    bool barcodeIsFree(QString *error);
    bool duplicateBarcode(TBrowseSet *set, const QString &error) const;
    // A pending edit that could not be written on the way to another row.
    void postFailed(TBrowseSet *set, const QString &error);

    QSqlDatabase m_db;
    QList<TSichtPr> m_rows;
    int m_freeze = 0;
    bool m_testPending = false;
    bool m_barcodeRefused = false; // the last refused device post was a duplicate barcode
};
