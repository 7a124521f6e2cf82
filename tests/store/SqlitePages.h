#pragma once

// Damage made on purpose: garbage written over a page of an SQLite file with
// plain file I/O, as a failing disk or a killed copy leaves it.

#include <QByteArray>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace gt_test {

// Overwrites one page (counted from 1, as SQLite does) of a closed file.
inline bool OverwriteSqlitePage(const QString &file, int page)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite)) return false;
    const QByteArray head = f.read(18);
    if (head.size() < 18) return false;
    int pageSize = (static_cast<unsigned char>(head[16]) << 8) | static_cast<unsigned char>(head[17]);
    if (pageSize == 1) pageSize = 65536;
    if (page < 2 || f.size() < qint64(page) * pageSize) return false;
    f.seek(qint64(page - 1) * pageSize);
    return f.write(QByteArray(pageSize, '\x5a')) == pageSize;
}

// Where a table begins in the file (a copy numbers its pages anew); 0 if unknown.
inline int SqliteRootPage(const QString &file, const QString &table)
{
    int page = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gt_rootpage"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = ?"));
            q.addBindValue(table);
            if (q.exec() && q.next()) page = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gt_rootpage"));
    return page;
}

// Garbage over the first page of a table's tree: the catalogue stays readable.
inline bool DamageSqliteTable(const QString &file, const QString &table)
{
    return OverwriteSqlitePage(file, SqliteRootPage(file, table));
}

} // namespace gt_test
