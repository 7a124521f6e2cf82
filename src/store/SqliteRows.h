#pragma once

#include "store/TestRecord.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

struct sqlite3;
struct sqlite3_stmt;

// A forward-only query read straight through SQLite's own interface on the
// handle of a Qt SQL connection. Qt's driver turns each value into UTF-16,
// a QVariant and a cached copy; the full export reads 200 000 rows of 60
// columns and spent more than half its time there.
class TSqliteQuery final : public TRowValues {
public:
    // Null when db is not an open SQLite connection.
    static sqlite3 *Handle(const QSqlDatabase &db);

    explicit TSqliteQuery(sqlite3 *handle) : m_db(handle) {}
    ~TSqliteQuery() override;
    TSqliteQuery(const TSqliteQuery &) = delete;
    TSqliteQuery &operator=(const TSqliteQuery &) = delete;

    bool Exec(const QString &sql, QString *error);
    // The next row; false at the end, or on an error (then *error is set).
    bool Next(QString *error);
    QStringList ColumnNames() const;

    int Int(int i) const override;
    QString String(int i) const override;
    bool Bool(int i) const override;
    QDateTime DateTime(int i, Qt::TimeSpec zone) const override;

private:
    QVariant value(int i) const; // the rare forms, read as Qt SQL would
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};
