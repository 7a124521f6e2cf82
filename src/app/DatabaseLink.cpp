#include "app/DatabaseLink.h"

#include <QFileInfo>
#include <QMap>
#include <QSqlError>

namespace {

int g_kind = 0;

QMap<QString, QString> parseConnectionString(const QString &s)
{
    QMap<QString, QString> m;
    for (const QString &part : s.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq <= 0) continue;
        m.insert(part.left(eq).trimmed().toLower(), part.mid(eq + 1).trimmed());
    }
    return m;
}

} // namespace

int DatabaseKind()
{
    return g_kind;
}

void setDatabaseKind(int kind)
{
    g_kind = kind;
}

bool TDatabaseLink::Connect(const QString &connectionString, const QString &programDir, QString *error)
{
    g_kind = 0;
    Disconnect();
    QMap<QString, QString> cs = parseConnectionString(connectionString);
    if (connectionString.trimmed().isEmpty()) {
        cs.insert(QStringLiteral("driver"), QStringLiteral("QSQLITE"));
        cs.insert(QStringLiteral("database"), programDir + QStringLiteral("/VERIDA.db"));
    }
    const QString driver = cs.value(QStringLiteral("driver"), QStringLiteral("QSQLITE")).toUpper();
    const QString dbName = cs.value(QStringLiteral("database"));
    if (driver == QLatin1String("QSQLITE") && !QFileInfo(dbName).isFile()) {
        // SQLite would quietly create an empty file; a missing database must show as missing.
        if (error) *error = QStringLiteral("Datei fehlt: ") + dbName;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, QLatin1String(ConnectionName));
    db.setDatabaseName(dbName);
    if (cs.contains(QStringLiteral("host"))) db.setHostName(cs.value(QStringLiteral("host")));
    if (cs.contains(QStringLiteral("port"))) db.setPort(cs.value(QStringLiteral("port")).toInt());
    if (cs.contains(QStringLiteral("user"))) db.setUserName(cs.value(QStringLiteral("user")));
    if (cs.contains(QStringLiteral("password"))) db.setPassword(cs.value(QStringLiteral("password")));
    if (!db.open()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    g_kind = driver == QLatin1String("QSQLITE") ? 2 : driver == QLatin1String("QPSQL") ? 1 : 0;
    return true;
}

void TDatabaseLink::Disconnect()
{
    if (!QSqlDatabase::contains(QLatin1String(ConnectionName))) return;
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(ConnectionName), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ConnectionName));
}

bool TDatabaseLink::IsOpen()
{
    return QSqlDatabase::contains(QLatin1String(ConnectionName)) &&
           QSqlDatabase::database(QLatin1String(ConnectionName), false).isOpen();
}

QSqlDatabase TDatabaseLink::Database()
{
    return QSqlDatabase::database(QLatin1String(ConnectionName), false);
}
