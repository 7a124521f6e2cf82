#pragma once

// The data steps of the item-by-item visual inspection of a test: rows made
// once from the catalogue, the switch to the three-page protocol, the marks.

#include "store/Globals.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// Makes one row per catalogue item (numbered from 1 in catalogue order, each
// with the test's visual-inspection value) when the test has none yet, in one
// transaction. *created receives the number of rows made (0 when rows existed).
bool EnsureInspectionRows(QSqlDatabase db, int pruefungsNr, int sichtpruef, int *created = nullptr,
                          QString *error = nullptr);

// The test goes to protocol type 1 when it is of type 0; *changed tells whether a row changed.
bool SetThreePageProtocol(QSqlDatabase db, int pruefungsNr, bool *changed = nullptr,
                          QString *error = nullptr);

// Writes each row whose new result differs from the stored one (-1: neither
// box checked). results holds (row number, result) pairs; *written counts the rows written.
bool StoreInspectionResults(QSqlDatabase db, int pruefungsNr, const QList<TSichtPr> &stored,
                            const QList<QPair<int, int>> &results, int *written = nullptr,
                            QString *error = nullptr);
