#pragma once

// Due dates: every device with its last test and the date its next test is
// due (last test + the device's own interval in months, or the service
// interval of the settings in days). The window, its print-out and the
// "--due" command read the same list.

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

enum class TDueState {
    NeverTested, // no test stored
    Failed,      // the newest test failed or was aborted: due now
    Overdue,     // due date before today
    DueSoon,     // due within the warning window
    Ok,          // due later
    NoInterval,  // tested, but the interval is 0: no due date
};

struct TDueEntry {
    int KundenNr = 0;
    QString Kunde; // customer Name1
    int PrueflingNr = 0;
    QString Bezeichnung, Inventarnummer, Barcode;
    QDate LastTest;         // null: never tested
    QDate NextDue;          // null: never tested or no interval; the list's "today" when Failed
    bool Failed = false;    // the newest test did not pass (Verdict.h, TestFailed)
    int DaysLeft = 0;       // to NextDue from the list's "today"; valid when NextDue is set
    int IntervalMonths = 0; // the device's own interval; 0: the settings' interval in days
};

// The due date of a device tested on lastTest; null without a test or with
// an interval of 0 (or less).
QDate DueDate(const QDate &lastTest, int serviceIntervalDays);

// The due date of a device: with its own interval (months > 0) the last
// test's date plus that many calendar months, kept within the month (31 Jan
// + 1 month is the last of February); otherwise DueDate with the settings'
// days. Everything that shows a due date goes through here.
QDate NextDueDate(const QDate &lastTest, int intervalMonths, int defaultDays);

// Reads every device with its customer and last test; today fixes DaysLeft.
// A device whose newest test failed is due today, whatever the interval.
// Order: customer name, designation, device number.
bool LoadDueList(QSqlDatabase db, int serviceIntervalDays, const QDate &today, QList<TDueEntry> &out,
                 QString *error = nullptr);

// The entries of one customer (0: all), in their order.
QList<TDueEntry> DueOfCustomer(const QList<TDueEntry> &all, int kundenNr);

// A text whose plain order (QString::compare, case-sensitive) is QString's
// case-insensitive order: sorting many rows compares each text many times,
// folding it once is cheaper.
QString CaseFoldKey(const QString &text);

// Colouring of the window (warnDays: the yellow window, 30 in the program).
TDueState DueStateOf(const TDueEntry &e, int warnDays = 30);

// True when the device belongs on a list of what is due within days:
// never tested, failed, overdue, or due on or before today + days.
bool IsDueWithin(const TDueEntry &e, int days);

// The devices due within days, never-tested ones first (by customer and
// designation), then the failed ones, then by due date ascending.
QList<TDueEntry> DueWithin(const QList<TDueEntry> &all, int days);

// What the lists show as the next test: the date, or "nicht bestanden".
QString NextDueText(const TDueEntry &e, const QString &dateFormat);

// The CSV header and rows in the export's conventions (Windows-1252, ";",
// values in double quotes, CR LF).
QByteArray DueCsv(const QList<TDueEntry> &rows);
// Writes DueCsv to the file (replaced as a whole; an existing file survives
// a failure). False with a German reason.
bool WriteDueCsv(const QList<TDueEntry> &rows, const QString &fileName, QString *error = nullptr);
