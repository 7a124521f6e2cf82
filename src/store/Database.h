#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QSqlDriver;

// Engines the program can talk to. SQLite is the embedded default; a server
// (PostgreSQL, or SQL Server through ODBC) serves several workstations.
enum class TDbEngine { None, SQLite, PostgreSQL, Odbc };

// What a connection string names, ready for Qt SQL.
struct TConnectionInfo {
    TDbEngine engine = TDbEngine::None;
    QString provider;     // as written in the string ("SQLite", "PostgreSQL", "SQLOLEDB" ...)
    QString driver;       // Qt driver: QSQLITE, QPSQL, QODBC
    QString databaseName; // file (SQLite), database (PostgreSQL), ODBC connection text
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString error; // German text when the string cannot be used
    bool valid() const { return error.isEmpty() && engine != TDbEngine::None; }
};

// The default database file: VERIDA.db in the program's data folder
// (beside a portable copy, else $XDG_DATA_HOME/geraetetester).
QString DefaultDatabasePath();

// Reads "Key=Value;..." pairs (keys without regard to case, values optionally
// in double or single quotes). Empty text = the default SQLite file.
//   Provider=SQLite;Data Source=FILE
//   Provider=PostgreSQL;Host=..;Port=..;Database=..;User ID=..;Password=..
//   Provider=SQLOLEDB;Data Source=SERVER;Initial Catalog=DB;User ID=..;Password=..
//   Provider=ODBC;DSN=..  or  Driver={..};...
TConnectionInfo ParseConnectionString(const QString &connectionString);

// Opens a connection under the given Qt connection name. An SQLite file must
// exist already (the program never creates databases); it is switched to WAL.
// A PostgreSQL session is told to read dates day first.
bool OpenConnection(const TConnectionInfo &info, const QString &connectionName, QString *error);

// The kind of database a connection talks to, read from the connection itself
// so that it cannot disagree with the one a statement runs on: 1 SQL Server
// (as its driver reports once open), else 0 (SQLite, PostgreSQL, other ODBC
// sources, no connection). SqlDateLiteral also knows 2, Jet.
int DatabaseKind(const QSqlDatabase &db);
int DatabaseKind(const QSqlDriver *driver);
// The engine by the connection's driver name; None for no connection.
TDbEngine DatabaseEngine(const QSqlDatabase &db);

// The program's one connection. ConnectDatabase closes an open one first
// and checks that the six tables exist.
inline constexpr const char *kProgramConnection = "gt_main";
bool ConnectDatabase(const QString &connectionString, QString *error = nullptr);
void DisconnectDatabase();
QSqlDatabase ProgramDatabase();

// Tables of the store that are missing in db (empty when all six exist).
QStringList MissingTables(const QSqlDatabase &db);
inline const QStringList kStoreTables = {QStringLiteral("tblKunden"),        QStringLiteral("tblPruefling"),
                                         QStringLiteral("tblPruefung"),      QStringLiteral("tblUebernahme"),
                                         QStringLiteral("tblSichtpruefung"), QStringLiteral("tblSichtTeil")};

// Table name for QSqlTableModel::setTable: the models quote the name, and the
// server keeps unquoted names of the scripts in lower case.
inline QString ModelTableName(const QString &table)
{
    return table.toLower();
}

// ---- SQL text ----
// A text value between single quotes, inner quotes doubled: O'Brien -> 'O''Brien'.
QString SqlQuote(const QString &text);
// Date literal by database kind: 1 CONVERT(DATETIME, '..', 104), 2 CVDATE('..'), else '..'.
QString SqlDateLiteral(const QDateTime &dt, int kind);
inline QString SqlBool(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

// Executes the lines joined with line breaks. On failure *error holds the
// data layer's text. rowsAffected (optional) receives the affected row count.
bool ExecLines(QSqlDatabase db, const QStringList &lines, QString *error = nullptr,
               int *rowsAffected = nullptr);
// Executes each statement's lines in order in one transaction; the first
// failure rolls all of them back (*error holds the data layer's text).
bool ExecInTransaction(QSqlDatabase db, const QList<QStringList> &statements, QString *error = nullptr);
// "SQL.txt" in the program's data folder: the last failed generated statement.
QString FailedSqlPath();
bool SaveFailedSql(const QString &statement);
// A bound value as the literal it stands for in "SQL.txt" (NULL, number,
// date, quoted text); a date as the database kind writes it.
QString SqlValueLiteral(const QVariant &value, int kind);
// A query's statement with its positional values ("?") written in, for "SQL.txt".
QString StatementWithValues(const QSqlQuery &query);
bool RemoveFailedSqlFile();

// Key generation, safe with several workstations on one server: maximum + 1,
// read after taking the table's key lock (PostgreSQL: a transaction-level
// advisory lock; SQLite: the write lock). Call it inside an open transaction:
// the lock lasts until commit or rollback, so the keys handed out stay free
// until the rows are inserted. A run that inserts several rows reads once and
// counts on. An empty table gives 1. On failure *ok is false and 0 is returned;
// outside an open transaction it refuses (0), as the lock would end at once.
int NextKey(QSqlDatabase db, const QString &table, const QString &keyColumn, bool *ok = nullptr);
// NextKey with the reason of a failure in German words.
int TakeNextKey(QSqlDatabase db, const QString &table, const QString &keyColumn, QString *error);
// One row under a fresh key, in a transaction of its own: insertLines(key)
// gives the INSERT. Returns the key, or 0 with *error set.
int InsertWithNextKey(QSqlDatabase db, const QString &table, const QString &keyColumn,
                      const std::function<QStringList(int key)> &insertLines, QString *error = nullptr);

// Cascade deletes: children first, in one transaction. With deleteParent
// the parent row goes in the same transaction; a failing statement rolls
// everything back, so nothing is half deleted.
bool DeleteCustomerCascade(QSqlDatabase db, int kundenNr, bool deleteParent = true, QString *error = nullptr);
bool DeleteDeviceCascade(QSqlDatabase db, int prueflingNr, bool deleteParent = true,
                         QString *error = nullptr);
bool DeleteTestCascade(QSqlDatabase db, int pruefungsNr, bool deleteParent = true, QString *error = nullptr);

// ---- reading values whatever the engine returns ----
int FieldInt(const QVariant &v);        // null -> 0
bool FieldBool(const QVariant &v);      // 0/1, true/false, "t"/"f"
QString FieldString(const QVariant &v); // null -> ""
QDateTime FieldDateTime(const QVariant &v,
                        Qt::TimeSpec zone = Qt::LocalTime); // QDateTime, ISO or German text
