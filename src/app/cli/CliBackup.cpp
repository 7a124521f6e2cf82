#include "app/cli/CliBackup.h"

#include "app/cli/CliSupport.h"
#include "store/Backup.h"
#include "store/Database.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The one value of the command, or empty.
QString commandFile(const QStringList &args, const QString &option)
{
    const qsizetype i = args.indexOf(option);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

// A file name as one word of a shell command, so the example can be pasted.
QString shellWord(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (plain.match(text).hasMatch()) return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QString ServerBackupAdvice(const TConnectionInfo &info, bool restore, const QString &file)
{
    if (info.engine == TDbEngine::SQLite) return QString();
    if (info.engine != TDbEngine::PostgreSQL)
        return QStringLiteral(
                   "Die Datenbank liegt auf einem Datenbankserver (%1); sie wird mit dessen eigenen "
                   "Werkzeugen gesichert und wiederhergestellt, nicht mit diesem Programm.")
            .arg(info.provider);
    const QString host = info.host.isEmpty() ? QStringLiteral("localhost") : info.host;
    QString call = QStringLiteral("-h %1 -p %2").arg(host).arg(info.port > 0 ? info.port : 5432);
    if (!info.user.isEmpty()) call += QStringLiteral(" -U ") + info.user;
    const QString head =
        QStringLiteral("Die Datenbank „%1“ liegt auf dem PostgreSQL-Server „%2“; diese Sicherung "
                       "gilt nur für eine SQLite-Datei. ")
            .arg(info.databaseName, host);
    if (restore)
        return head +
               QStringLiteral("Eine mit pg_dump geschriebene Sicherung stellt pg_restore wieder her, zum "
                              "Beispiel: pg_restore %1 --clean -d %2 %3")
                   .arg(call, info.databaseName, shellWord(file));
    return head + QStringLiteral("Sichern Sie sie mit pg_dump, zum Beispiel: pg_dump %1 -Fc -f %2 %3")
                      .arg(call, shellWord(file), info.databaseName);
}

int RunBackupCommand(const QStringList &args)
{
    const QString file = commandFile(args, QStringLiteral("--backup"));
    if (file.isEmpty()) return cli::Fail(QStringLiteral("Aufruf: geraetetester --backup DATEI"));
    const TConfiguration config = cli::ReadProgramConfiguration();
    const TConnectionInfo info = ParseConnectionString(config.ConnectionString);
    if (!info.valid())
        return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + info.error);
    if (const QString advice = ServerBackupAdvice(info, false, file); !advice.isEmpty())
        return cli::Fail(advice);

    // Not TCliDatabase: an older schema is just what one backs up before an upgrade.
    const QString name = QStringLiteral("gt_backup_cli");
    QString error;
    bool ok = OpenConnection(info, name, &error);
    if (!ok)
        error = QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + error;
    else
        ok = BackupSqliteDatabase(QSqlDatabase::database(name, false), file, &error);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    if (!ok) return cli::Fail(error);
    cli::Say(QStringLiteral("Die Datenbank „%1“ ist nach „%2“ gesichert.")
                 .arg(shown(info.databaseName), shown(file)));
    return 0;
}

int RunRestoreCommand(const QStringList &args)
{
    const QString file = commandFile(args, QStringLiteral("--restore"));
    if (file.isEmpty()) return cli::Fail(QStringLiteral("Aufruf: geraetetester --restore DATEI"));
    const TConfiguration config = cli::ReadProgramConfiguration();
    const TConnectionInfo info = ParseConnectionString(config.ConnectionString);
    if (!info.valid()) return cli::Fail(info.error);
    if (const QString advice = ServerBackupAdvice(info, true, file); !advice.isEmpty())
        return cli::Fail(advice);

    const TRestoreResult r = RestoreDatabase(file, info.databaseName, QDateTime::currentDateTime());
    if (!r.ok) return cli::Fail(r.error);
    cli::Say(QStringLiteral("Die Datenbank „%1“ ist aus „%2“ wiederhergestellt.")
                 .arg(shown(info.databaseName), shown(file)));
    if (!r.keptCopy.isEmpty())
        cli::Say(QStringLiteral("Die bisherige Datenbank liegt in „%1“.").arg(shown(r.keptCopy)));
    return 0;
}

std::vector<TCommand> WithBackupCommands(std::vector<TCommand> table)
{
    table.push_back({QStringLiteral("backup"),
                     {QStringLiteral("DATEI")},
                     QStringLiteral("Sichert die Datenbank in eine Datei, auch während sie benutzt wird."),
                     {},
                     &RunBackupCommand,
                     TCommandApp::Core});
    table.push_back(
        {QStringLiteral("restore"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Stellt die Datenbank aus einer Sicherung wieder her (Programm geschlossen); "
                        "die bisherige kommt in den Ordner Sicherung."),
         {},
         &RunRestoreCommand,
         TCommandApp::Core});
    return table;
}
