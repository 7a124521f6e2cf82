#include "store/Database.h"

#include "core/FormatSettings.h"
#include "core/ProgramPaths.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/DeviceInterval.h"
#include "store/SchemaCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Splits "a=b;c='d;e'" into pairs; keys lower-cased and trimmed.
QList<QPair<QString, QString>> splitPairs(const QString &text)
{
    QList<QPair<QString, QString>> out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0) {
            const QString rest = text.mid(i).trimmed();
            if (!rest.isEmpty()) out.append({rest.toLower(), QString()});
            break;
        }
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        qsizetype j = eq + 1;
        while (j < n && text[j] == QLatin1Char(' '))
            ++j;
        QString value;
        if (j < n && (text[j] == QLatin1Char('"') || text[j] == QLatin1Char('\''))) {
            const QChar q = text[j];
            ++j;
            // A doubled quote inside stands for one quote.
            while (j < n) {
                if (text[j] == q) {
                    if (j + 1 < n && text[j + 1] == q) {
                        value += q;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += text[j++];
            }
            const qsizetype semi = text.indexOf(QLatin1Char(';'), j);
            i = semi < 0 ? n : semi + 1;
        } else if (j < n && text[j] == QLatin1Char('{')) {
            // ODBC style {braced value}
            const qsizetype close = text.indexOf(QLatin1Char('}'), j);
            value = close < 0 ? text.mid(j) : text.mid(j, close - j + 1);
            const qsizetype semi = close < 0 ? -1 : text.indexOf(QLatin1Char(';'), close);
            i = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(QLatin1Char(';'), j);
            value = (semi < 0 ? text.mid(j) : text.mid(j, semi - j)).trimmed();
            i = semi < 0 ? n : semi + 1;
        }
        if (!key.isEmpty()) out.append({key, value});
    }
    return out;
}

QString pairValue(const QList<QPair<QString, QString>> &pairs, std::initializer_list<const char *> keys)
{
    for (const char *k : keys)
        for (const auto &p : pairs)
            if (p.first == QLatin1String(k)) return p.second;
    return {};
}

bool hasKey(const QList<QPair<QString, QString>> &pairs, const char *key)
{
    for (const auto &p : pairs)
        if (p.first == QLatin1String(key)) return true;
    return false;
}

QString odbcEscape(const QString &v)
{
    // Values with ; or braces go in braces, inner } doubled.
    if (v.contains(QLatin1Char(';')) || v.contains(QLatin1Char('{')) || v.contains(QLatin1Char('}')))
        return QLatin1Char('{') + QString(v).replace(QLatin1String("}"), QLatin1String("}}")) +
               QLatin1Char('}');
    return v;
}

bool runInTransaction(QSqlDatabase db, const QList<QStringList> &statements, QString *error)
{
    if (!db.transaction()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    for (const QStringList &lines : statements) {
        if (!ExecLines(db, lines, error)) {
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        if (error) *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

// The ODBC connection text for SQL Server named the OLE DB way.
QString sqlServerOdbc(const QList<QPair<QString, QString>> &pairs)
{
    QString odbcDriver = pairValue(pairs, {"driver"});
    if (odbcDriver.isEmpty()) odbcDriver = QStringLiteral("{ODBC Driver 18 for SQL Server}");
    const QString server = pairValue(pairs, {"data source", "server"});
    const QString db = pairValue(pairs, {"initial catalog", "database"});
    QString s = QStringLiteral("DRIVER=%1;SERVER=%2").arg(odbcDriver, odbcEscape(server));
    if (!db.isEmpty()) s += QStringLiteral(";DATABASE=") + odbcEscape(db);
    if (pairValue(pairs, {"integrated security"}).compare(QLatin1String("SSPI"), Qt::CaseInsensitive) == 0)
        s += QStringLiteral(";Trusted_Connection=yes");
    return s;
}

// A plain ODBC connection: every pair but provider and credentials.
QString plainOdbc(const QList<QPair<QString, QString>> &pairs)
{
    QStringList parts;
    for (const auto &p : pairs) {
        if (p.first == QLatin1String("provider") || p.first == QLatin1String("user id") ||
            p.first == QLatin1String("password"))
            continue;
        parts << p.first.toUpper() + QLatin1Char('=') + odbcEscape(p.second);
    }
    return parts.join(QLatin1Char(';'));
}

} // namespace

QString DefaultDatabasePath()
{
    return ProgramDataPath(QStringLiteral("VERIDA.db"));
}

TConnectionInfo ParseConnectionString(const QString &connectionString)
{
    TConnectionInfo info;
    if (connectionString.trimmed().isEmpty()) {
        info.engine = TDbEngine::SQLite;
        info.provider = QStringLiteral("SQLite");
        info.driver = QStringLiteral("QSQLITE");
        info.databaseName = DefaultDatabasePath();
        return info;
    }
    const auto pairs = splitPairs(connectionString);
    info.provider = pairValue(pairs, {"provider"});
    const QString prov = info.provider.toLower();
    info.user = pairValue(pairs, {"user id", "uid", "user", "username"});
    info.password = pairValue(pairs, {"password", "pwd"});
    info.host = pairValue(pairs, {"host", "server", "data source"});
    const QString portText = pairValue(pairs, {"port"});
    if (!portText.isEmpty()) {
        bool ok = false;
        const int p = portText.toInt(&ok);
        if (!ok || p <= 0 || p > 65535) {
            info.error =
                QStringLiteral("Ungültige Portnummer „%1“ in der Verbindungszeichenfolge.").arg(portText);
            return info;
        }
        info.port = p;
    }

    if (prov.startsWith(QLatin1String("sqlite"))) {
        info.engine = TDbEngine::SQLite;
        info.driver = QStringLiteral("QSQLITE");
        info.host.clear();
        info.databaseName = pairValue(pairs, {"data source", "database", "file"});
        if (info.databaseName.isEmpty())
            info.databaseName = DefaultDatabasePath();
        else if (QFileInfo(info.databaseName).isRelative())
            info.databaseName = QFileInfo(DefaultDatabasePath()).dir().filePath(info.databaseName);
    } else if (prov.startsWith(QLatin1String("postgres")) || prov == QLatin1String("npgsql")) {
        info.engine = TDbEngine::PostgreSQL;
        info.driver = QStringLiteral("QPSQL");
        info.host = pairValue(pairs, {"host", "server"});
        info.databaseName = pairValue(pairs, {"database", "initial catalog", "dbname"});
        if (info.databaseName.isEmpty()) {
            info.error = QStringLiteral("Die Verbindungszeichenfolge nennt keine Datenbank (Database=…).");
            return info;
        }
    } else if (prov.startsWith(QLatin1String("sqloledb")) || prov.startsWith(QLatin1String("sqlncli")) ||
               prov.startsWith(QLatin1String("msoledbsql"))) {
        // SQL Server: through ODBC, with its own date literals.
        info.engine = TDbEngine::Odbc;
        info.driver = QStringLiteral("QODBC");
        info.databaseName = sqlServerOdbc(pairs);
        info.host.clear();
    } else if (prov == QLatin1String("odbc") || prov.startsWith(QLatin1String("msdasql")) ||
               (prov.isEmpty() && (hasKey(pairs, "dsn") || hasKey(pairs, "driver")))) {
        info.engine = TDbEngine::Odbc;
        info.driver = QStringLiteral("QODBC");
        info.databaseName = plainOdbc(pairs);
        info.host.clear();
    } else if (prov.contains(QLatin1String("jet.oledb")) || prov.contains(QLatin1String("ace.oledb"))) {
        info.error = QStringLiteral("Der Datenbanktreiber „%1“ steht auf diesem System nicht zur Verfügung. "
                                    "Bitte eine SQLite- oder PostgreSQL-Datenbank angeben.")
                         .arg(info.provider);
    } else {
        info.error = QStringLiteral("Unbekannter Datenbanktreiber „%1“ in der Verbindungszeichenfolge.")
                         .arg(info.provider);
    }
    return info;
}

bool OpenConnection(const TConnectionInfo &info, const QString &connectionName, QString *error)
{
    auto fail = [&](const QString &text) {
        if (error) *error = text;
        if (QSqlDatabase::contains(connectionName)) {
            {
                QSqlDatabase d = QSqlDatabase::database(connectionName, false);
                d.close();
            }
            QSqlDatabase::removeDatabase(connectionName);
        }
        return false;
    };
    if (!info.valid())
        return fail(info.error.isEmpty() ? QStringLiteral("Keine Datenbank angegeben.") : info.error);
    if (!QSqlDatabase::isDriverAvailable(info.driver))
        return fail(QStringLiteral("Der Qt-Datenbanktreiber %1 ist nicht installiert.").arg(info.driver));
    if (info.engine == TDbEngine::SQLite && !QFileInfo(info.databaseName).isFile())
        // Opening would create an empty file; the installation makes the database.
        return fail(QStringLiteral("Die Datenbankdatei „%1“ wurde nicht gefunden.")
                        .arg(QDir::toNativeSeparators(info.databaseName)));

    if (QSqlDatabase::contains(connectionName)) QSqlDatabase::removeDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(info.driver, connectionName);
    db.setDatabaseName(info.databaseName);
    if (!info.host.isEmpty()) db.setHostName(info.host);
    if (info.port > 0) db.setPort(info.port);
    if (!info.user.isEmpty()) db.setUserName(info.user);
    if (!info.password.isEmpty()) db.setPassword(info.password);
    if (info.engine == TDbEngine::SQLite)
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    else if (info.engine == TDbEngine::PostgreSQL)
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    if (!db.open()) {
        const QString text = DbFehlertext(db.lastError());
        db = QSqlDatabase();
        return fail(text.isEmpty() ? QStringLiteral("Die Datenbank kann nicht geöffnet werden.") : text);
    }
    if (info.engine == TDbEngine::SQLite) RememberDatabaseFile(info.databaseName);
    QSqlQuery q(db);
    if (info.engine == TDbEngine::SQLite) {
        // WAL lets readers (another program, a backup) work beside the program.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        // A file that is no database, or a disk too full for SQLite's
        // shared-memory file, lists no tables at all: say why, instead of
        // naming every table as missing and sending the user to gt-initdb.
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
            const QString text = DbFehlertext(q.lastError());
            q = QSqlQuery();
            db = QSqlDatabase();
            return fail(text);
        }
    } else if (info.engine == TDbEngine::PostgreSQL) {
        // Date literals are written day first ('dd.mm.yyyy hh:nn:ss'); text
        // literals with only their quotes doubled, so a backslash must stay a
        // backslash whatever the server's default says.
        for (const char *setting : {"SET DateStyle TO 'ISO, DMY'", "SET standard_conforming_strings TO on"}) {
            if (!q.exec(QLatin1String(setting))) {
                const QString text = q.lastError().text();
                q = QSqlQuery();
                db.close();
                db = QSqlDatabase();
                return fail(text);
            }
        }
        q.exec(QStringLiteral("SET client_encoding TO 'UTF8'"));
    }
    return true;
}

int DatabaseKind(const QSqlDriver *driver)
{
    return driver && driver->dbmsType() == QSqlDriver::MSSqlServer ? 1 : 0;
}

int DatabaseKind(const QSqlDatabase &db)
{
    return db.isValid() ? DatabaseKind(db.driver()) : 0;
}

TDbEngine DatabaseEngine(const QSqlDatabase &db)
{
    const QString driver = db.driverName();
    if (driver == QLatin1String("QSQLITE")) return TDbEngine::SQLite;
    if (driver == QLatin1String("QPSQL")) return TDbEngine::PostgreSQL;
    if (driver == QLatin1String("QODBC")) return TDbEngine::Odbc;
    return TDbEngine::None;
}

bool ConnectDatabase(const QString &connectionString, QString *error)
{
    DisconnectDatabase();
    const TConnectionInfo info = ParseConnectionString(connectionString);
    const QString name = QLatin1String(kProgramConnection);
    if (!OpenConnection(info, name, error)) return false;
    const QStringList missing = MissingTables(QSqlDatabase::database(name, false));
    if (!missing.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("In der Datenbank fehlen die Tabellen %1. Bitte mit gt-initdb einrichten.")
                    .arg(missing.join(QStringLiteral(", ")));
        DisconnectDatabase();
        return false;
    }
    const QString schema = SchemaProblemText(QSqlDatabase::database(name, false));
    if (!schema.isEmpty()) {
        if (error) *error = schema;
        DisconnectDatabase();
        return false;
    }
    return true;
}

void DisconnectDatabase()
{
    const QString name = QLatin1String(kProgramConnection);
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase ProgramDatabase()
{
    return QSqlDatabase::database(QLatin1String(kProgramConnection), false);
}

QStringList MissingTables(const QSqlDatabase &db)
{
    QStringList have;
    for (const QString &t : db.tables(QSql::Tables))
        have << t.toLower();
    QStringList missing;
    for (const QString &t : kStoreTables)
        if (!have.contains(t.toLower())) missing << t;
    return missing;
}

QString SqlQuote(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString SqlDateLiteral(const QDateTime &dt, int kind)
{
    const QString text = FormatDateTime(dt);
    switch (kind) {
    case 1:
        return QStringLiteral("CONVERT(DATETIME, '") + text + QStringLiteral("', 104)");
    case 2:
        return QStringLiteral("CVDATE('") + text + QStringLiteral("')");
    default:
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    }
}

bool ExecLines(QSqlDatabase db, const QStringList &lines, QString *error, int *rowsAffected)
{
    QSqlQuery q(db);
    if (!q.exec(lines.join(QLatin1Char('\n')))) {
        if (error) *error = q.lastError().text();
        return false;
    }
    if (rowsAffected) *rowsAffected = q.numRowsAffected();
    return true;
}

// On the server a transfer holds its device row (FOR SHARE) until its test is
// committed. Deleting takes the device rows first, so it waits for such a
// transfer and then deletes its test too, or the transfer waits and finds
// the device gone; without it a test could land under a deleted device.
// SQLite's one write lock already keeps the two apart.
namespace {
QStringList lockDevicesLines(QSqlDatabase db, const QString &where)
{
    if (db.driverName() != QLatin1String("QPSQL")) return {};
    return {QStringLiteral("SELECT PLintPrueflingNr FROM tblPruefling"), QStringLiteral("WHERE ") + where,
            QStringLiteral("FOR UPDATE")};
}
} // namespace

bool DeleteCustomerCascade(QSqlDatabase db, int kundenNr, bool deleteParent, QString *error)
{
    const QString c = QString::number(kundenNr);
    QList<QStringList> st;
    // The customer row first: a device being added to it on another
    // workstation holds it until that device is committed.
    if (db.driverName() == QLatin1String("QPSQL"))
        st << QStringList{QStringLiteral("SELECT KDintKundenNr FROM tblKunden"),
                          QStringLiteral("WHERE (KDintKundenNr = ") + c + QStringLiteral(")"),
                          QStringLiteral("FOR UPDATE")};
    if (const QStringList lock =
            lockDevicesLines(db, QStringLiteral("(PLintKundenNr = ") + c + QLatin1Char(')'));
        !lock.isEmpty())
        st << lock;
    st << QStringList{
        QStringLiteral("DELETE FROM tblSichtpruefung"),
        QStringLiteral("WHERE (SIintPruefungsNr IN"),
        QStringLiteral("  (SELECT tblPruefung.PRintPruefungsNr"),
        QStringLiteral("    FROM (tblPruefung"),
        QStringLiteral("    INNER JOIN tblPruefling"),
        QStringLiteral("      ON tblPruefung.PRintPrueflingNr = tblPruefling.PLintPrueflingNr)"),
        QStringLiteral("    INNER JOIN tblKunden"),
        QStringLiteral("      ON tblPruefling.PLintKundenNr = tblKunden.KDintKundenNr"),
        QStringLiteral("    WHERE (tblKunden.KDintKundenNr = ") + c + QStringLiteral(")))")};
    st << QStringList{QStringLiteral("DELETE FROM tblPruefung"),
                      QStringLiteral("WHERE (PRintPruefungsNr IN"),
                      QStringLiteral("  (SELECT tblPruefung.PRintPruefungsNr"),
                      QStringLiteral("  FROM tblPruefung"),
                      QStringLiteral("  INNER JOIN tblPruefling"),
                      QStringLiteral("    ON tblPruefung.PRintPrueflingNr = tblPruefling.PLintPrueflingNr"),
                      QStringLiteral("  WHERE (tblPruefling.PLintKundenNr = ") + c + QStringLiteral(")))")};
    // Fetched records assigned to these devices go back to "not assigned":
    // a transfer would otherwise store tests that no device shows.
    st << QStringList{QStringLiteral("UPDATE tblUebernahme SET UNintPrueflingNr = 0"),
                      QStringLiteral("WHERE (UNintPrueflingNr IN"),
                      QStringLiteral("  (SELECT PLintPrueflingNr FROM tblPruefling"),
                      QStringLiteral("  WHERE (PLintKundenNr = ") + c + QStringLiteral(")))")};
    if (const QStringList lines = DeleteIntervalsLines(db, QStringLiteral("(PLintKundenNr = ") + c + ')');
        !lines.isEmpty())
        st << lines;
    st << QStringList{QStringLiteral("DELETE FROM tblPruefling"),
                      QStringLiteral("WHERE (PLintKundenNr = ") + c + QStringLiteral(")")};
    if (deleteParent)
        st << QStringList{QStringLiteral("DELETE FROM tblKunden"),
                          QStringLiteral("WHERE (KDintKundenNr = ") + c + QStringLiteral(")")};
    return runInTransaction(db, st, error);
}

bool DeleteDeviceCascade(QSqlDatabase db, int prueflingNr, bool deleteParent, QString *error)
{
    const QString p = QString::number(prueflingNr);
    QList<QStringList> st;
    if (const QStringList lock =
            lockDevicesLines(db, QStringLiteral("(PLintPrueflingNr = ") + p + QLatin1Char(')'));
        deleteParent && !lock.isEmpty())
        st << lock;
    st << QStringList{
        QStringLiteral("DELETE FROM tblSichtpruefung"), QStringLiteral("WHERE (SIintPruefungsNr IN"),
        QStringLiteral("  (SELECT PRintPruefungsNr"), QStringLiteral("    FROM tblPruefung"),
        QStringLiteral("    WHERE (tblPruefung.PRintPrueflingNr = ") + p + QStringLiteral(")))")};
    st << QStringList{QStringLiteral("DELETE FROM tblPruefung"),
                      QStringLiteral("WHERE (PRintPrueflingNr = ") + p + QStringLiteral(")")};
    if (deleteParent) {
        st << QStringList{QStringLiteral("UPDATE tblUebernahme SET UNintPrueflingNr = 0"),
                          QStringLiteral("WHERE (UNintPrueflingNr = ") + p + QStringLiteral(")")};
        if (const QStringList lines =
                DeleteIntervalsLines(db, QStringLiteral("(PLintPrueflingNr = ") + p + ')');
            !lines.isEmpty())
            st << lines;
        st << QStringList{QStringLiteral("DELETE FROM tblPruefling"),
                          QStringLiteral("WHERE (PLintPrueflingNr = ") + p + QStringLiteral(")")};
    }
    return runInTransaction(db, st, error);
}

bool DeleteTestCascade(QSqlDatabase db, int pruefungsNr, bool deleteParent, QString *error)
{
    const QString t = QString::number(pruefungsNr);
    QList<QStringList> st;
    st << QStringList{QStringLiteral("DELETE FROM tblSichtpruefung"),
                      QStringLiteral("WHERE (SIintPruefungsNr = ") + t + QStringLiteral(")")};
    if (deleteParent)
        st << QStringList{QStringLiteral("DELETE FROM tblPruefung"),
                          QStringLiteral("WHERE (PRintPruefungsNr = ") + t + QStringLiteral(")")};
    // With the test row in the same step the pair must not come apart.
    return runInTransaction(db, st, error);
}

int FieldInt(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
        return *static_cast<const int *>(v.constData());
    case QMetaType::LongLong:
        return int(*static_cast<const qlonglong *>(v.constData()));
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        break;
    }
    if (v.isNull()) return 0;
    bool ok = false;
    const int i = v.toInt(&ok);
    if (ok) return i;
    return int(v.toDouble());
}

bool FieldBool(const QVariant &v)
{
    if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Bool)
        return FieldInt(v) != 0;
    if (v.isNull()) return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("1") || s == QLatin1String("t") || s == QLatin1String("true") ||
               s == QLatin1String("-1") || s == QLatin1String("yes") || s == QLatin1String("y");
    }
    return v.toLongLong() != 0 || v.toBool();
}

QString FieldString(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

QDateTime FieldDateTime(const QVariant &v, Qt::TimeSpec zone)
{
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) {
        QDateTime dt = v.toDateTime();
        // Stored moments are wall-clock times of the workshop: no zone shifts.
        return QDateTime(dt.date(), dt.time(), zone);
    }
    if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0), zone);
    return ParseDateTime(v.toString(), zone);
}

bool ExecInTransaction(QSqlDatabase db, const QList<QStringList> &statements, QString *error)
{
    return runInTransaction(db, statements, error);
}
