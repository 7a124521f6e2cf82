#include "store/DatabaseCheck.h"

#include "core/ProgramPaths.h"
#include "store/Backup.h"
#include "store/DbErrors.h"
#include "store/InitDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

std::atomic<int> g_checkSerial{0};

// SQLite's own verdict: "ok", else one line per fault (at most `limit`).
QStringList integrityFaults(QSqlDatabase db, TCheckDepth depth)
{
    QSqlQuery q(db);
    const QString pragma = depth == TCheckDepth::Full ? QStringLiteral("PRAGMA integrity_check(20)")
                                                      : QStringLiteral("PRAGMA quick_check(20)");
    // A page too broken to read fails the statement itself.
    if (!q.exec(pragma)) return {DbFehlertext(q.lastError())};
    QStringList faults;
    while (q.next()) {
        const QString line = q.value(0).toString().trimmed();
        if (line != QLatin1String("ok") && !line.isEmpty()) faults << line;
    }
    return faults;
}

// The engine's own words out of an explained error text ("… (database disk image is malformed)").
QString engineWords(const QString &explained)
{
    const qsizetype open = explained.lastIndexOf(QStringLiteral("\n\n("));
    if (open < 0 || !explained.endsWith(QLatin1Char(')'))) return explained;
    return explained.mid(open + 3, explained.size() - open - 4);
}

bool catalogueEmpty(QSqlDatabase db, const TSchemaUpgradePlan &plan)
{
    if (plan.missingTables.contains(QStringLiteral("tblSichtTeil"))) return false; // said already
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM tblSichtTeil")) && q.next() && q.value(0).toInt() == 0;
}

void runChecks(QSqlDatabase db, const TConnectionInfo &info, TCheckDepth depth, TDatabaseCheck &c)
{
    if (info.engine == TDbEngine::SQLite) c.damage = integrityFaults(db, depth);
    // Names read from a damaged catalogue would only add noise.
    if (!c.damage.isEmpty()) return;
    c.plan = PlanSchemaUpgrade(db, info.engine, SchemaScriptFor(info.engine));
    if (depth == TCheckDepth::Full) c.emptyCatalogue = catalogueEmpty(db, c.plan);
}

QString backupAdvice(const TConnectionInfo &info)
{
    if (info.engine != TDbEngine::SQLite)
        return QStringLiteral("Bitte die letzte Sicherung des Servers (pg_dump) zurückspielen.");
    const QString newest =
        BackupHooks().newestBackup ? BackupHooks().newestBackup(info.databaseName) : QString();
    if (newest.isEmpty())
        return QStringLiteral(
            "Es wurde keine Sicherung gefunden. Bitte die Datei nicht weiter benutzen, eine "
            "Kopie aufheben und eine Sicherung von Hand zurückspielen.");
    // The command is pasted into a shell: typographic quotes there would
    // become part of the file name.
    const auto quoted = [](const QString &path) {
        QString q = QDir::toNativeSeparators(path);
        q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
        return QLatin1Char('\'') + q + QLatin1Char('\'');
    };
    // Run with other settings, the call must name them too: without, it would
    // put the backup in place of the database the usual settings name.
    const QString ini =
        ProgramIniOverride().isEmpty() ? QString() : QFileInfo(ProgramIniOverride()).absoluteFilePath();
    const QString call =
        QStringLiteral("geraetetester ") +
        (ini.isEmpty() ? QString() : QStringLiteral("--ini ") + quoted(ini) + QLatin1Char(' ')) +
        QStringLiteral("--restore ") + quoted(newest);
    return QStringLiteral("Bitte das Programm beenden und die neueste Sicherung „%1“ zurückspielen (%2).")
        .arg(QDir::toNativeSeparators(newest), call);
}

} // namespace

TBackupHooks &BackupHooks()
{
    static TBackupHooks hooks{&NewestBackup, &BackupSqliteDatabase};
    return hooks;
}

QString UpgradeBackupPath(const QString &databaseFile)
{
    const QFileInfo fi(databaseFile);
    const QString stem = fi.absoluteDir().filePath(
        QStringLiteral("Sicherung/%1-vor-Aktualisierung-%2")
            .arg(fi.completeBaseName(),
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    // Two upgrades within one second (two workstations starting at once)
    // must not write the second copy over the first.
    QString path = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.db").arg(n);
    return path;
}

TDatabaseCheck CheckDatabase(const TConnectionInfo &info, TCheckDepth depth)
{
    TDatabaseCheck c;
    if (!info.valid()) {
        c.openError =
            info.error.isEmpty() ? QStringLiteral("Ungültige Verbindungszeichenfolge.") : info.error;
        return c;
    }
    if (info.engine == TDbEngine::SQLite && !QFileInfo::exists(info.databaseName)) {
        c.openError = QStringLiteral("Die Datei gibt es nicht.");
        return c;
    }
    const QString conn = QStringLiteral("gt_check_%1").arg(++g_checkSerial);
    QString error;
    if (OpenConnection(info, conn, &error)) {
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        runChecks(db, info, depth, c);
        db.close();
    } else if (info.engine == TDbEngine::SQLite && DbFehlerArt(error) == TDbFehlerArt::Beschaedigt) {
        // Pages broken badly enough that SQLite cannot even read its own catalogue.
        c.damage << engineWords(error);
    } else {
        c.openError = DbFehlertext(error);
    }
    QSqlDatabase::removeDatabase(conn);
    return c;
}

QStringList DatabaseCheckReport(const TDatabaseCheck &c, const TConnectionInfo &info)
{
    const QString label = DatabaseLabel(info);
    if (!c.openError.isEmpty())
        return {QStringLiteral("Die Datenbank %1 lässt sich nicht öffnen: %2").arg(label, c.openError),
                QStringLiteral("Bitte die Verbindung in den Einstellungen (Datenbank) prüfen.")};
    QStringList lines;
    if (!c.damage.isEmpty()) {
        for (const QString &d : c.damage)
            lines << QStringLiteral("Die Datenbank %1 ist beschädigt: %2").arg(label, d);
        lines << backupAdvice(info);
        return lines;
    }
    for (const QString &u : c.plan.unfixable)
        lines << QStringLiteral("Der Tabelle %1 fehlt die Schlüsselspalte %2; sie lässt sich nicht ergänzen.")
                     .arg(u.section(QLatin1Char('.'), 0, 0), u.section(QLatin1Char('.'), 1));
    if (!c.plan.unfixable.isEmpty()) lines << backupAdvice(info);
    lines << c.plan.reasons;
    if (c.emptyCatalogue) lines << QStringLiteral("Der Prüfteilkatalog (tblSichtTeil) ist leer.");
    // Only a file is copied before the upgrade; a server's database is the administrator's to dump.
    if (!c.plan.reasons.isEmpty() || c.emptyCatalogue)
        lines << QStringLiteral(
                     "Die Datenbank hat einen älteren Aufbau. Bitte mit „geraetetester --upgrade-db“ "
                     "aktualisieren (%1); vorhandene Daten bleiben erhalten.")
                     .arg(info.engine == TDbEngine::SQLite
                              ? QStringLiteral("vorher wird eine Sicherung angelegt")
                              : QStringLiteral("vorher mit pg_dump sichern: auf dem Server legt das "
                                               "Programm keine Sicherung an"));
    return lines;
}

QString DamageReport(const TDatabaseCheck &c, const TConnectionInfo &info)
{
    if (c.damage.isEmpty()) return QString();
    const int shown = 5;
    QStringList lines = c.damage.mid(0, shown);
    if (c.damage.size() > shown) lines << QStringLiteral("… und %1 weitere.").arg(c.damage.size() - shown);
    return QStringLiteral("Die Datenbank %1 ist beschädigt:\n%2\n\n%3")
        .arg(DatabaseLabel(info), lines.join(QLatin1Char('\n')), backupAdvice(info));
}

TUpgradeResult UpgradeDatabase(const TConnectionInfo &info)
{
    TUpgradeResult r;
    if (info.engine == TDbEngine::SQLite) {
        const QString target = UpgradeBackupPath(info.databaseName);
        const QString conn = QStringLiteral("gt_upgrade_backup_%1").arg(++g_checkSerial);
        QString error;
        bool saved = false;
        if (!QDir().mkpath(QFileInfo(target).absolutePath()))
            error = QStringLiteral("Der Ordner „%1“ kann nicht angelegt werden.")
                        .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath()));
        else if (OpenConnection(info, conn, &error)) {
            QSqlDatabase db = QSqlDatabase::database(conn, false);
            saved = BackupHooks().backupSqlite && BackupHooks().backupSqlite(db, target, &error);
            db.close();
        }
        QSqlDatabase::removeDatabase(conn);
        if (!saved) {
            r.error =
                QStringLiteral("Die Sicherung vor der Aktualisierung ist fehlgeschlagen: %1\nDie Datenbank "
                               "wurde nicht verändert.")
                    .arg(error.isEmpty() ? QStringLiteral("unbekannter Fehler") : error);
            return r;
        }
        r.backupFile = target;
        r.messages << QStringLiteral("Sicherung angelegt: „%1“.").arg(QDir::toNativeSeparators(target));
    } else if (info.engine == TDbEngine::PostgreSQL) {
        // The program cannot copy a server's database; the administrator's pg_dump does.
        r.messages << QStringLiteral("Auf dem Datenbankserver legt das Programm keine Sicherung an "
                                     "(dafür pg_dump).");
    }
    const TInitDbResult init = InitializeDatabase(info);
    r.messages << init.messages;
    r.ok = init.ok;
    r.error = init.error;
    return r;
}
