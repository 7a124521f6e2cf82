#include "store/Transactions.h"

#include "store/Database.h"
#include "store/SqliteRows.h"

#include <QSqlQuery>

#include <sqlite3.h>

bool InOpenTransaction(const QSqlDatabase &db)
{
    if (!db.isOpen()) return false;
    const QString driver = db.driverName();
    if (driver == QLatin1String("QSQLITE")) {
        sqlite3 *h = TSqliteQuery::Handle(db);
        return h && sqlite3_get_autocommit(h) == 0;
    }
    if (driver == QLatin1String("QPSQL")) {
        // A savepoint is refused outside a transaction block; inside it costs nothing.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SAVEPOINT gt_in_transaction"))) return false;
        return q.exec(QStringLiteral("RELEASE SAVEPOINT gt_in_transaction"));
    }
    return true;
}

int ProposedKey(QSqlDatabase db, const QString &table, const QString &keyColumn)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT MAX(%1)\nFROM %2").arg(keyColumn, table)) || !q.next()) return 0;
    return FieldInt(q.value(0)) + 1;
}
