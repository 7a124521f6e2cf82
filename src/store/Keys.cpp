#include "store/Database.h"

#include "store/DbErrors.h"
#include "store/Transactions.h"

#include <QSqlError>
#include <QSqlQuery>

// Keys are the maximum plus one, as the records have always had them; the
// lock taken first keeps a second workstation from reading the same maximum
// before the first one's row is committed.

namespace {

// Stable across processes and versions (unlike qHash or the server's
// hashtext), so every workstation takes the same lock for a table.
qint64 keyLockId(const QString &table)
{
    quint32 h = 2166136261u;
    for (const char c : table.toLower().toUtf8()) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return (qint64(0x47540000) << 32) | h; // "GT" in the high word keeps clear of other users' locks
}

bool takeKeyLock(QSqlDatabase db, const QString &table, const QString &keyColumn, QString *error)
{
    QSqlQuery q(db);
    bool done = true;
    const QString engine = db.driverName();
    if (engine == QLatin1String("QPSQL"))
        done = q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(keyLockId(table)));
    else if (engine == QLatin1String("QSQLITE"))
        // A write that changes nothing still takes the database's write lock,
        // waiting for another writer's commit up to the busy timeout.
        done = q.exec(QStringLiteral("UPDATE %1 SET %2 = %2 WHERE 1 = 0").arg(table, keyColumn));
    if (!done && error) *error = q.lastError().text();
    return done;
}

bool keyExists(QSqlDatabase db, const QString &table, const QString &keyColumn, int key)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %1 = %3").arg(keyColumn, table).arg(key)) &&
           q.next();
}

// 0 with *error on failure.
int lockedNextKey(QSqlDatabase db, const QString &table, const QString &keyColumn, QString *error)
{
    if (!takeKeyLock(db, table, keyColumn, error)) return 0;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT MAX(%1)\nFROM %2").arg(keyColumn, table))) {
        if (error) *error = q.lastError().text();
        return 0;
    }
    // An empty table gives a null maximum, read as 0.
    const int max = q.next() ? FieldInt(q.value(0)) : 0;
    return max + 1;
}

} // namespace

int NextKey(QSqlDatabase db, const QString &table, const QString &keyColumn, bool *ok)
{
    const int key = TakeNextKey(db, table, keyColumn, nullptr);
    if (ok) *ok = key > 0;
    return key;
}

int TakeNextKey(QSqlDatabase db, const QString &table, const QString &keyColumn, QString *error)
{
    if (!InOpenTransaction(db)) {
        if (error)
            *error =
                QStringLiteral("Ein neuer Schlüssel für %1 wird nur innerhalb einer Transaktion vergeben.")
                    .arg(table);
        return 0;
    }
    QString engineText;
    const int key = lockedNextKey(db, table, keyColumn, &engineText);
    if (key <= 0 && error) *error = DbFehlertext(engineText);
    return key;
}

int InsertWithNextKey(QSqlDatabase db, const QString &table, const QString &keyColumn,
                      const std::function<QStringList(int key)> &insertLines, QString *error)
{
    // Engines without a key lock here (ODBC) can still lose a race: a
    // failed insert whose key turned up meanwhile is tried again.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (!db.transaction()) {
            if (error) *error = db.lastError().text();
            return 0;
        }
        QString err;
        const int key = lockedNextKey(db, table, keyColumn, &err);
        const bool ok = key > 0;
        if (ok && ExecLines(db, insertLines(key), &err) && db.commit()) return key;
        if (err.isEmpty()) err = db.lastError().text();
        db.rollback();
        if (!ok || !keyExists(db, table, keyColumn, key)) {
            if (error)
                *error = err.isEmpty() ? QStringLiteral("Kein neuer Schlüssel für %1.").arg(table) : err;
            return 0;
        }
    }
    if (error) *error = QStringLiteral("Kein freier Schlüssel für %1.").arg(table);
    return 0;
}
