#include "app/shell/StartupDbCheck.h"

#include "app/common/Prompt.h"
#include "app/shell/MainWindow.h"
#include "store/DatabaseCheck.h"
#include "store/InitDatabase.h"

namespace {

QString upgradeQuestion(const TDatabaseCheck &check, const TConnectionInfo &info)
{
    const int shown = 8;
    QStringList lines = check.plan.reasons.mid(0, shown);
    if (check.plan.reasons.size() > shown)
        lines << QStringLiteral("… und %1 weitere.").arg(check.plan.reasons.size() - shown);
    const QString backup =
        info.engine == TDbEngine::SQLite
            ? QStringLiteral("Vorher wird eine Sicherung angelegt; vorhandene Daten bleiben erhalten.")
            : QStringLiteral("Vorhandene Daten bleiben erhalten. Auf dem Server legt das Programm keine "
                             "Sicherung an: bitte vorher mit pg_dump sichern.");
    return QStringLiteral("Die Datenbank %1 hat einen älteren Aufbau als dieses Programm:\n%2\n\n"
                          "Soll sie jetzt aktualisiert werden? %3")
        .arg(DatabaseLabel(info), lines.join(QLatin1Char('\n')), backup);
}

// True when the database now has the program's schema.
bool offerUpgrade(TForm1 &form, const TDatabaseCheck &check, const TConnectionInfo &info)
{
    if (!Prompt().AskYesNo(&form, upgradeQuestion(check, info), /*defaultYes=*/true)) {
        form.ProgramLog().Write(QStringLiteral("Datenbank nicht aktualisiert (abgelehnt): ") +
                                DatabaseLabel(info));
        return false;
    }
    const TUpgradeResult r = UpgradeDatabase(info);
    for (const QString &line : r.messages)
        form.ProgramLog().Write(line);
    if (r.ok) return true;
    form.ProgramLog().Write(QStringLiteral("Datenbank nicht aktualisiert: ") + r.error);
    Prompt().Error(
        &form,
        QStringLiteral("Die Datenbank %1 wurde nicht aktualisiert:\n%2").arg(DatabaseLabel(info), r.error));
    return false;
}

} // namespace

TStartCheck CheckDatabaseAtStart(TForm1 &form, const QString &connectionString)
{
    TStartCheck result;
    const TConnectionInfo info = ParseConnectionString(connectionString);
    if (!CanInitializeDatabase(info)) return result;
    const TDatabaseCheck check = CheckDatabase(info, TCheckDepth::Start);
    // Not there or not reachable: the opening that follows says why (a file
    // that is missing gets the first start's offer).
    if (!check.openError.isEmpty()) {
        result.unreachable = info.engine != TDbEngine::SQLite;
        result.error = check.openError;
        return result;
    }
    if (!check.damage.isEmpty()) {
        const QString text = DamageReport(check, info);
        form.ProgramLog().Write(text.section(QLatin1Char('\n'), 0, 1));
        Prompt().Error(&form, text);
        result.reported = true;
        return result;
    }
    for (const QString &t : kStoreTables)
        if (check.plan.missingTables.contains(t)) return result;
    // Key columns cannot be added: the opening refuses the database and names them.
    if (check.plan.needed() && check.plan.unfixable.isEmpty())
        result.reported = !offerUpgrade(form, check, info);
    return result;
}
