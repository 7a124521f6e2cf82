#pragma once

// The stored verdict of a test ("Gerät in Ordnung"). ComputeDeviceOk is the
// one rule; these functions keep PRintGesamtbew in step with it whenever an
// input of the rule changes, so the browser, the protocol and the due list
// read the same answer.

#include "store/Globals.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

// Loads the test with its inspection rows, runs ComputeDeviceOk and writes
// the result when the stored one differs. *verdict receives the result.
bool StoreRecomputedVerdict(QSqlDatabase db, int pruefungsNr, int *verdict = nullptr,
                            QString *error = nullptr);

// Confirming the item-by-item visual inspection: the switch to the
// three-page protocol, the changed row results and the new verdict in one
// transaction, so no reader sees rows that disagree with the verdict.
bool ConfirmVisualInspection(QSqlDatabase db, int pruefungsNr, const QList<TSichtPr> &stored,
                             const QList<QPair<int, int>> &results, QString *error = nullptr);

// A test that did not pass: measured result false, aborted, or the visual
// inspection (overall or one of its rows) failed. The function test is not
// asked: it is only stated after the fact, and stays "nicht best." until then.
bool TestFailed(const TWerteSatz &w);
