#include "store/InitDatabase.h"

#include "store/DbErrors.h"
#include "store/SchemaCheck.h"
#include "store/SchemaUpgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

static void initSchemaResource()
{
    // The scripts live in this static library; naming them keeps the linker from dropping them.
    Q_INIT_RESOURCE(schema);
}

namespace {

std::atomic<int> g_connSerial{0};

QString readScript(const QString &name)
{
    initSchemaResource();
    QFile f(QStringLiteral(":/db/") + name);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

// The catalogue's size; on failure 0 and the statement's own error in *error.
int catalogueCount(QSqlDatabase db, bool *ok, QString *error)
{
    QSqlQuery q(db);
    *ok = q.exec(QStringLiteral("SELECT COUNT(*) FROM tblSichtTeil")) && q.next();
    if (!*ok) *error = DbFehlertext(q.lastError());
    return *ok ? q.value(0).toInt() : 0;
}

// A connection name of its own per call: the program's connection stays untouched.
QString tempConnectionName(const char *what)
{
    return QStringLiteral("gt_%1_%2").arg(QLatin1String(what)).arg(++g_connSerial);
}

// Makes the PostgreSQL database itself when the server does not have it yet.
bool ensurePgDatabase(const TConnectionInfo &info, QString *error, bool *created)
{
    *created = false;
    TConnectionInfo admin = info;
    admin.databaseName = QStringLiteral("postgres");
    const QString conn = tempConnectionName("initdb_admin");
    if (!OpenConnection(admin, conn, error)) {
        QSqlDatabase::removeDatabase(conn);
        return false;
    }
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
            q.addBindValue(info.databaseName);
            if (!q.exec()) {
                *error = q.lastError().text();
                ok = false;
            } else if (!q.next()) {
                QString name = info.databaseName;
                name.replace(QLatin1Char('"'), QLatin1String("\"\""));
                if (q.exec(QStringLiteral("CREATE DATABASE \"%1\" ENCODING 'UTF8' TEMPLATE template0")
                               .arg(name))) {
                    *created = true;
                } else {
                    *error = q.lastError().text();
                    ok = false;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return ok;
}

// One transaction around looking and changing. On SQLite it takes the write
// lock before looking: two workstations upgrading one file at the same moment
// would otherwise both plan the same ALTER TABLE, and the second would fail
// on the column the first has just added. Now the second waits and then
// finds nothing left to do.
class TUpgradeTransaction {
public:
    TUpgradeTransaction(QSqlDatabase db, TDbEngine engine) : m_db(db), m_sqlite(engine == TDbEngine::SQLite)
    {
        if (m_sqlite) m_open = run(QStringLiteral("BEGIN IMMEDIATE"));
        // The scripts' IF NOT EXISTS would print the server's English notice
        // for every table that is already there.
        if (engine == TDbEngine::PostgreSQL) run(QStringLiteral("SET client_min_messages TO warning"));
    }
    ~TUpgradeTransaction()
    {
        if (m_open) rollback();
    }
    TUpgradeTransaction(const TUpgradeTransaction &) = delete;
    TUpgradeTransaction &operator=(const TUpgradeTransaction &) = delete;

    // Before the first change; on SQLite the lock is already held.
    bool begin()
    {
        if (m_sqlite) return m_open;
        m_open = m_db.transaction();
        if (!m_open) m_error = m_db.lastError().text();
        return m_open;
    }
    bool commit()
    {
        const bool ok = m_sqlite ? run(QStringLiteral("COMMIT")) : m_db.commit();
        if (!ok && !m_sqlite) m_error = m_db.lastError().text();
        if (ok) m_open = false;
        return ok;
    }
    void rollback()
    {
        if (m_sqlite)
            run(QStringLiteral("ROLLBACK"));
        else
            m_db.rollback();
        m_open = false;
    }
    const QString &error() const { return m_error; }

private:
    bool run(const QString &statement)
    {
        QSqlQuery q(m_db);
        if (q.exec(statement)) return true;
        m_error = q.lastError().text();
        return false;
    }

    QSqlDatabase m_db;
    bool m_sqlite;
    bool m_open = false;
    QString m_error;
};

// Tables and catalogue into an open database, in one transaction.
bool fillDatabase(QSqlDatabase db, const TConnectionInfo &info, TInitDbResult &r)
{
    const QString label = DatabaseLabel(info);
    TUpgradeTransaction transaction(db, info.engine);
    const QStringList missing = MissingTables(db);
    bool ok = true;
    QString why;
    const int entries = missing.contains(QStringLiteral("tblSichtTeil")) ? 0 : catalogueCount(db, &ok, &why);
    if (!ok) {
        r.error = QStringLiteral("Der Prüfteilkatalog kann nicht gelesen werden: ") + why;
        return false;
    }
    const QString schema = SchemaScriptFor(info.engine);
    const QString catalogueScript = readScript(QStringLiteral("catalogue.sql"));
    if (schema.isEmpty() || catalogueScript.isEmpty()) {
        r.error = QStringLiteral("Die Schemaskripte fehlen im Programm.");
        return false;
    }
    // An older schema gets what was added since; its rows keep their values.
    const TSchemaUpgradePlan plan = PlanSchemaUpgrade(db, info.engine, schema);
    if (!plan.unfixable.isEmpty()) {
        r.error =
            QStringLiteral("Der Datenbank %1 fehlen Schlüsselspalten (%2); sie kann nicht ergänzt werden.")
                .arg(label, plan.unfixable.join(QStringLiteral(", ")));
        return false;
    }
    if (missing.isEmpty() && entries > 0 && !plan.needed()) {
        r.messages << QStringLiteral("Die Datenbank %1 ist bereits eingerichtet (%2 Prüfteile im Katalog); "
                                     "es wurde nichts geändert.")
                          .arg(label)
                          .arg(entries);
        return true;
    }
    // The scripts create with IF NOT EXISTS: run whole, they keep what is there.
    QStringList statements = plan.statements + SplitSqlStatements(schema);
    const QStringList catalogue = entries == 0 ? SplitSqlStatements(catalogueScript) : QStringList();
    statements += catalogue;
    // All or nothing: a half-made database would look ready next time.
    if (!transaction.begin()) {
        r.error = transaction.error();
        return false;
    }
    {
        QSqlQuery q(db);
        for (const QString &st : statements) {
            if (!q.exec(st)) {
                r.error = QStringLiteral("Fehler beim Einrichten: %1\n%2").arg(q.lastError().text(), st);
                break;
            }
        }
    }
    if (r.error.isEmpty() && !transaction.commit()) r.error = transaction.error();
    if (!r.error.isEmpty()) {
        transaction.rollback();
        return false;
    }
    if (!plan.missingTables.isEmpty())
        r.messages
            << QStringLiteral("Tabellen angelegt: %1.").arg(plan.missingTables.join(QStringLiteral(", ")));
    if (!catalogue.isEmpty())
        r.messages << QStringLiteral("Prüfteilkatalog mit %1 Einträgen gefüllt.").arg(catalogue.size());
    r.messages << plan.changes;
    r.messages << QStringLiteral("Die Datenbank %1 ist eingerichtet.").arg(label);
    return true;
}

} // namespace

QStringList SplitSqlStatements(const QString &script)
{
    QStringList result;
    QString current;
    bool inTrigger = false;
    for (const QString &raw : script.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (current.isEmpty() && (line.isEmpty() || line.startsWith(QLatin1String("--")))) continue;
        if (current.isEmpty() && line.startsWith(QLatin1String("CREATE TRIGGER"), Qt::CaseInsensitive))
            inTrigger = true;
        current += raw + QLatin1Char('\n');
        const bool ends = inTrigger ? line.compare(QLatin1String("END;"), Qt::CaseInsensitive) == 0
                                    : line.endsWith(QLatin1Char(';'));
        if (ends) {
            result << current.trimmed();
            current.clear();
            inTrigger = false;
        }
    }
    if (!current.trimmed().isEmpty()) result << current.trimmed();
    return result;
}

QString DatabaseLabel(const TConnectionInfo &info)
{
    if (info.engine == TDbEngine::PostgreSQL)
        return QStringLiteral("„%1“ auf %2")
            .arg(info.databaseName, info.host.isEmpty() ? QStringLiteral("localhost") : info.host);
    return QStringLiteral("„%1“").arg(QDir::toNativeSeparators(info.databaseName));
}

bool CanInitializeDatabase(const TConnectionInfo &info)
{
    return info.valid() && (info.engine == TDbEngine::SQLite || info.engine == TDbEngine::PostgreSQL);
}

TInitDbResult InitializeDatabase(const TConnectionInfo &info, bool makeFolder)
{
    TInitDbResult r;
    if (!info.valid()) {
        r.error = info.error.isEmpty() ? QStringLiteral("Ungültige Verbindungszeichenfolge.") : info.error;
        return r;
    }
    QString error;
    if (info.engine == TDbEngine::SQLite) {
        QFileInfo fi(info.databaseName);
        if (!fi.exists()) {
            if (makeFolder) QDir().mkpath(fi.absolutePath());
            if (!fi.dir().exists()) {
                r.error = QStringLiteral("Das Verzeichnis „%1“ gibt es nicht.").arg(fi.absolutePath());
                return r;
            }
            QFile f(info.databaseName);
            if (!f.open(QIODevice::WriteOnly)) {
                r.error = QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2")
                              .arg(info.databaseName, f.errorString());
                return r;
            }
            f.close();
            r.messages << QStringLiteral("Datenbankdatei „%1“ angelegt.").arg(info.databaseName);
        }
    } else if (info.engine == TDbEngine::PostgreSQL) {
        bool created = false;
        if (!ensurePgDatabase(info, &error, &created)) {
            r.error = QStringLiteral("Verbindung zum Datenbankserver fehlgeschlagen: ") + error;
            return r;
        }
        if (created)
            r.messages << QStringLiteral("Datenbank „%1“ auf dem Server angelegt.").arg(info.databaseName);
    } else {
        r.error = QStringLiteral("Für diesen Datenbanktreiber („%1“) bitte die Skripte in db/ von Hand "
                                 "ausführen; eingerichtet werden SQLite und PostgreSQL.")
                      .arg(info.provider);
        return r;
    }

    const QString conn = tempConnectionName("initdb");
    if (!OpenConnection(info, conn, &error)) {
        r.error = QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + error;
    } else {
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        r.ok = fillDatabase(db, info, r);
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return r;
}

TDbReadiness ProbeDatabase(const TConnectionInfo &info, QString *error)
{
    if (!info.valid()) {
        if (error) *error = info.error;
        return TDbReadiness::Unreachable;
    }
    if (info.engine == TDbEngine::SQLite) {
        if (!QFileInfo::exists(info.databaseName)) return TDbReadiness::Missing;
        // SQLite opens any file and fails only at the first query; a file that
        // is something else must not look like a database waiting for its tables.
        QFile f(info.databaseName);
        const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(16) : QByteArray();
        if (!head.isEmpty() && head != QByteArray("SQLite format 3", 16)) {
            if (error) *error = QStringLiteral("„%1“ ist keine SQLite-Datenbank.").arg(info.databaseName);
            return TDbReadiness::Unreachable;
        }
    }
    const QString conn = tempConnectionName("probe");
    TDbReadiness state = TDbReadiness::Unreachable;
    QString why;
    if (OpenConnection(info, conn, &why)) {
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        state = MissingTables(db).isEmpty() ? TDbReadiness::Ready : TDbReadiness::Incomplete;
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    if (error) *error = why;
    return state;
}
