#pragma once

// One INSERT of the import, prepared once and run for every new row. On an
// SQLite connection it binds through SQLite's own interface on the handle
// Qt opened: Qt's positional binding builds a placeholder name and a hash
// entry per value, which was a fifth of a 200 000-line import.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

class TImportInsert {
public:
    TImportInsert() = default;
    ~TImportInsert();
    TImportInsert(const TImportInsert &) = delete;
    TImportInsert &operator=(const TImportInsert &) = delete;

    bool Prepare(QSqlDatabase db, const QString &sql, QString *error);
    bool IsPrepared() const { return m_prepared; }
    // Values: int, QString (never null for a text; a null QVariant is NULL).
    bool Exec(const QVariantList &values, QString *error);

private:
    bool m_prepared = false;
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QSqlQuery m_query;
};
