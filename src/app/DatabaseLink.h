#pragma once

#include <QSqlDatabase>
#include <QString>

// 0 other or none, 1 server database, 2 embedded file database; decides how
// date literals are written into SQL text.
int DatabaseKind();
void setDatabaseKind(int kind);

// The one database connection of the program, shared by every dialog.
class TDatabaseLink {
public:
    static constexpr const char *ConnectionName = "ADOConnection1";

    // Opens the configured connection, or "VERIDA.db" in programDir when the
    // connection string is empty. A missing database file is not created.
    // Connection string: "Driver=QPSQL;Host=...;Port=...;Database=...;User=...;Password=..."
    // or "Driver=QSQLITE;Database=<file>".
    static bool Connect(const QString &connectionString, const QString &programDir, QString *error = nullptr);
    static void Disconnect();
    static bool IsOpen();
    static QSqlDatabase Database();
};
