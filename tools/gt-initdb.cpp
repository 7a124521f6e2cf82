// gt-initdb: makes a database ready for the program - the six tables, their
// indexes and the catalogue of the visual inspection - from the scripts in db/
// (compiled in). Running it again on a ready database changes nothing.
//
//   gt-initdb FILE                  SQLite file (created if missing)
//   gt-initdb --connection "TEXT"   as the program's ConnectionString

#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

void out(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

int fail(const QString &text)
{
    std::fprintf(stderr, "gt-initdb: %s\n", text.toLocal8Bit().constData());
    return 1;
}

QString readScript(const QString &name)
{
    QFile f(QStringLiteral(":/db/") + name);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

// Statements end with ";" at the end of a line; a trigger runs to "END;".
QStringList splitStatements(const QString &script)
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

int catalogueCount(QSqlDatabase db, bool *ok)
{
    QSqlQuery q(db);
    *ok = q.exec(QStringLiteral("SELECT COUNT(*) FROM tblSichtTeil")) && q.next();
    return *ok ? q.value(0).toInt() : 0;
}

// An SQLite file made before every date form was normalised keeps its old
// triggers until the script runs again (every statement may run twice).
bool datesNeedNewTriggers(const TConnectionInfo &info, QSqlDatabase db)
{
    if (info.engine != TDbEngine::SQLite) return false;
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name IN "
                                 "('trPruefungDatumFormIns', 'trPruefungDatumFormUpd', "
                                 "'trUebernahmeDatumFormIns', 'trUebernahmeDatumFormUpd')")) &&
           q.next() && q.value(0).toInt() < 4;
}

// Makes the PostgreSQL database itself when the server does not have it yet.
bool ensurePgDatabase(const TConnectionInfo &info, QString *error, bool *created)
{
    *created = false;
    TConnectionInfo admin = info;
    admin.databaseName = QStringLiteral("postgres");
    const QString conn = QStringLiteral("gt_initdb_admin");
    if (!OpenConnection(admin, conn, error)) return false;
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

int run(const TConnectionInfo &info, const QString &label)
{
    const QString conn = QStringLiteral("gt_initdb");
    QString error;
    if (info.engine == TDbEngine::SQLite) {
        QFileInfo fi(info.databaseName);
        if (!fi.exists()) {
            if (!fi.dir().exists())
                return fail(QStringLiteral("Das Verzeichnis „%1“ gibt es nicht.").arg(fi.absolutePath()));
            QFile f(info.databaseName);
            if (!f.open(QIODevice::WriteOnly))
                return fail(QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2")
                                .arg(info.databaseName, f.errorString()));
            f.close();
            out(QStringLiteral("Datenbankdatei „%1“ angelegt.").arg(info.databaseName));
        }
    } else if (info.engine == TDbEngine::PostgreSQL) {
        bool created = false;
        if (!ensurePgDatabase(info, &error, &created))
            return fail(QStringLiteral("Verbindung zum Datenbankserver fehlgeschlagen: ") + error);
        if (created) out(QStringLiteral("Datenbank „%1“ auf dem Server angelegt.").arg(info.databaseName));
    } else {
        return fail(QStringLiteral("Für diesen Datenbanktreiber („%1“) bitte die Skripte in db/ von Hand "
                                   "ausführen; gt-initdb richtet SQLite und PostgreSQL ein.")
                        .arg(info.provider));
    }

    if (!OpenConnection(info, conn, &error))
        return fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + error);
    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        const QStringList missing = MissingTables(db);
        bool ok = true;
        const int entries = missing.contains(QStringLiteral("tblSichtTeil")) ? 0 : catalogueCount(db, &ok);
        if (!ok) {
            rc = fail(QStringLiteral("Der Prüfteilkatalog kann nicht gelesen werden: ") +
                      db.lastError().text());
        } else if (missing.isEmpty() && entries > 0 && !datesNeedNewTriggers(info, db)) {
            out(QStringLiteral("Die Datenbank %1 ist bereits eingerichtet (%2 Prüfteile im Katalog); "
                               "es wurde nichts geändert.")
                    .arg(label)
                    .arg(entries));
        } else {
            const QString schemaName = info.engine == TDbEngine::SQLite
                                           ? QStringLiteral("schema-sqlite.sql")
                                           : QStringLiteral("schema-postgresql.sql");
            QStringList statements = splitStatements(readScript(schemaName));
            const QStringList catalogue =
                entries == 0 ? splitStatements(readScript(QStringLiteral("catalogue.sql"))) : QStringList();
            statements += catalogue;
            // All or nothing: a half-made database would look ready next time.
            if (!db.transaction()) {
                rc = fail(db.lastError().text());
            } else {
                QSqlQuery q(db);
                for (const QString &st : statements) {
                    if (!q.exec(st)) {
                        rc = fail(
                            QStringLiteral("Fehler beim Einrichten: %1\n%2").arg(q.lastError().text(), st));
                        break;
                    }
                }
                if (rc == 0 && !db.commit()) rc = fail(db.lastError().text());
                if (rc != 0) db.rollback();
            }
            if (rc == 0) {
                if (!missing.isEmpty())
                    out(QStringLiteral("Tabellen angelegt: %1.").arg(missing.join(QStringLiteral(", "))));
                if (!catalogue.isEmpty())
                    out(QStringLiteral("Prüfteilkatalog mit %1 Einträgen gefüllt.").arg(catalogue.size()));
                out(QStringLiteral("Die Datenbank %1 ist eingerichtet.").arg(label));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return rc;
}

int usage()
{
    std::fprintf(stderr, "%s\n",
                 QStringLiteral("Aufruf: gt-initdb DATEI\n"
                                "       gt-initdb --connection \"Provider=PostgreSQL;Host=…;Database=…;…\"")
                     .toLocal8Bit()
                     .constData());
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && !args[0].startsWith(QLatin1String("-"))) {
        TConnectionInfo info;
        info.engine = TDbEngine::SQLite;
        info.provider = QStringLiteral("SQLite");
        info.driver = QStringLiteral("QSQLITE");
        info.databaseName = QFileInfo(args[0]).absoluteFilePath();
        return run(info, QStringLiteral("„%1“").arg(args[0]));
    }
    if (args.size() == 2 && args[0] == QLatin1String("--connection")) {
        const TConnectionInfo info = ParseConnectionString(args[1]);
        if (!info.valid())
            return fail(info.error.isEmpty() ? QStringLiteral("Ungültige Verbindungszeichenfolge.")
                                             : info.error);
        const QString label =
            info.engine == TDbEngine::SQLite
                ? QStringLiteral("„%1“").arg(info.databaseName)
                : QStringLiteral("„%1“ auf %2")
                      .arg(info.databaseName, info.host.isEmpty() ? QStringLiteral("localhost") : info.host);
        return run(info, label);
    }
    return usage();
}
