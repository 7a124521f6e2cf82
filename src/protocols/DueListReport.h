#pragma once

// The due list on paper: one line per device with customer, designation,
// inventory number, barcode, last and next test and the days left.

#include "protocols/Report.h"
#include "store/DueList.h"

#include <QList>
#include <QString>

// caption: what the list holds ("fällig innerhalb 30 Tagen", a customer).
TReport DueListReport(const QList<TDueEntry> &rows, const QString &caption);
