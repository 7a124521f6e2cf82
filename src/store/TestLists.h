#pragma once

// Reads that list stored rows for the windows and the protocol archive.

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>

// Numbers of the tests fetched on or after `since` (all when invalid), ascending.
bool ListTestNumbersSince(QSqlDatabase db, const QDate &since, QList<int> &tests, QString *error = nullptr);

// Every row of a query the store builds for a grid; false with the reason in German words.
bool ReadRecords(QSqlDatabase db, const QString &sql, QList<QSqlRecord> &rows, QString *error = nullptr);
