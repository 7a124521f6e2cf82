#pragma once

// Whether a connection is inside a transaction, and the key a new row would
// get now. Keys are handed out under a lock that lasts only as long as the
// transaction around it, so the callers need to know.

#include <QSqlDatabase>
#include <QString>

// True inside an open transaction. Engines that cannot tell (ODBC) count as
// inside: their inserts retry on a taken key instead.
bool InOpenTransaction(const QSqlDatabase &db);

// Maximum + 1 read without a lock, for a number a dialog shows before saving;
// saving takes the key again inside its transaction. 0 when the read fails.
int ProposedKey(QSqlDatabase db, const QString &table, const QString &keyColumn);
