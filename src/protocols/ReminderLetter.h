#pragma once

// A reminder letter to one customer: the contractor's lines as sender, the
// customer's address, a short polite text and the devices that are due, in
// a table that flows over as many pages as it needs with its header on
// every page.

#include "protocols/Report.h"
#include "store/CustomerAddress.h"
#include "store/DueList.h"

#include <QDate>
#include <QList>
#include <QStringList>

#include <array>

struct TReminderLetter {
    std::array<QString, 5> Sender; // the contractor's lines of the settings
    TCustomerAddress Customer;
    QDate Date;
    QList<TDueEntry> Devices; // as the due list gives them
};

// The address block: the names and the street as far as they are not empty,
// then postcode and town ("D-12345 Berlin" with a country code); no empty lines.
QStringList AddressLines(const TCustomerAddress &a);

TReport ReminderLetterReport(const TReminderLetter &letter);

// "Erinnerung 00042 Stadtwerke Musterstadt.pdf": usable as a file name on
// every file system, never hidden, and short enough for any of them.
QString ReminderFileName(int kundenNr, const QString &name1);

// The due entries by customer, customers in the order they first appear,
// each customer's devices in their order.
QList<QList<TDueEntry>> DueByCustomer(const QList<TDueEntry> &due);
