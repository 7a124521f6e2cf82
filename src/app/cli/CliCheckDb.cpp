#include "app/cli/CliCheckDb.h"

#include "app/cli/CliSupport.h"
#include "app/cli/CommandLine.h"
#include "store/DatabaseCheck.h"
#include "store/InitDatabase.h"

namespace {

TConnectionInfo configuredDatabase()
{
    return ParseConnectionString(cli::ReadProgramConfiguration().ConnectionString);
}

int failWith(const QStringList &lines)
{
    for (const QString &line : lines)
        cli::PrintError(line);
    return 1;
}

} // namespace

int RunCheckDbCommand(const QStringList &)
{
    const TConnectionInfo info = configuredDatabase();
    const TDatabaseCheck check = CheckDatabase(info, TCheckDepth::Full);
    if (!check.ok()) return failWith(DatabaseCheckReport(check, info));
    cli::Say(QStringLiteral("Die Datenbank %1 ist in Ordnung.").arg(DatabaseLabel(info)));
    return 0;
}

int RunUpgradeDbCommand(const QStringList &)
{
    const TConnectionInfo info = configuredDatabase();
    const TDatabaseCheck check = CheckDatabase(info, TCheckDepth::Full);
    // Writing into a damaged file would spread the damage; an unreachable one has nothing to upgrade.
    if (!check.openError.isEmpty() || !check.damage.isEmpty())
        return failWith(DatabaseCheckReport(check, info));
    if (check.ok()) {
        cli::Say(QStringLiteral("Die Datenbank %1 ist auf dem neuesten Stand; es wurde nichts geändert.")
                     .arg(DatabaseLabel(info)));
        return 0;
    }
    const TUpgradeResult r = UpgradeDatabase(info);
    for (const QString &line : r.messages)
        cli::Say(line);
    if (!r.ok) return cli::Fail(QStringLiteral("Die Datenbank wurde nicht aktualisiert: ") + r.error);
    return 0;
}

std::vector<TCommand> DatabaseCommands()
{
    return {{QStringLiteral("check-db"),
             {},
             QStringLiteral("Prüft die Datenbank auf Schäden und einen älteren Aufbau."),
             {},
             &RunCheckDbCommand,
             TCommandApp::Core},
            {QStringLiteral("upgrade-db"),
             {},
             QStringLiteral("Bringt eine ältere Datenbank auf den neuesten Stand (vorher eine Sicherung)."),
             {},
             &RunUpgradeDbCommand,
             TCommandApp::Core}};
}
