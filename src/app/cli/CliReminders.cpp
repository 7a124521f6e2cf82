#include "app/cli/CliReminders.h"

#include "app/cli/CliSupport.h"
#include "protocols/ReminderRun.h"
#include "store/DueList.h"
#include "store/EntryStore.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>

namespace {

struct TRemindersRequest {
    QString dir;
    int days = 30;
    int customer = 0; // 0: every customer
};

// What is wrong with the options, in German; empty when they are usable.
QString parse(const QStringList &args, TRemindersRequest &r)
{
    if (const qsizetype d = args.indexOf(QStringLiteral("--days")); d >= 0) {
        bool ok = false;
        r.days = args.value(d + 1).toInt(&ok);
        if (!ok || r.days < 0 || r.days > 36500)
            return QStringLiteral("--days: \"%1\" ist keine gültige Anzahl Tage.").arg(args.value(d + 1));
    }
    if (const qsizetype c = args.indexOf(QStringLiteral("--customer")); c >= 0) {
        bool ok = false;
        r.customer = args.value(c + 1).toInt(&ok);
        if (!ok || r.customer < 1) return QStringLiteral("--customer: Es fehlt eine gültige Kundennummer.");
    }
    return QString();
}

// The devices the letters name; false with the German reason.
bool loadDue(QSqlDatabase conn, int interval, const TRemindersRequest &r, QList<TDueEntry> &due,
             QString *error)
{
    QList<TDueEntry> all;
    QString why;
    if (!LoadDueList(conn, interval, QDate::currentDate(), all, &why)) {
        *error = QStringLiteral("Die Prüffristen können nicht gelesen werden: ") + why;
        return false;
    }
    if (r.customer) {
        // A mistyped number must not read as a customer with nothing due.
        bool exists = false;
        if (!CustomerExists(conn, r.customer, exists, &why)) {
            *error = QStringLiteral("Die Kunden können nicht gelesen werden: ") + why;
            return false;
        }
        if (!exists) {
            *error = QStringLiteral("Einen Kunden Nr. %1 gibt es in der Datenbank nicht.").arg(r.customer);
            return false;
        }
        all.removeIf([&r](const TDueEntry &e) { return e.KundenNr != r.customer; });
    }
    due = DueWithin(all, r.days);
    return true;
}

} // namespace

int RunRemindersCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--reminders"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(
            QStringLiteral("Aufruf: geraetetester --reminders ORDNER [--days N] [--customer NR]"));
    TRemindersRequest r;
    r.dir = args[at + 1];
    if (const QString why = parse(args, r); !why.isEmpty()) return cli::Fail(why);
    const TConfiguration config = cli::ReadProgramConfiguration();
    cli::TCliDatabase db(config, QStringLiteral("gt_reminders_cli"));
    if (!db.ok()) return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
    const QSqlDatabase conn = QSqlDatabase::database(db.connectionName(), false);
    QList<TDueEntry> due;
    QString error;
    if (!loadDue(conn, config.ServiceInterv, r, due, &error)) return cli::Fail(error);
    if (due.isEmpty()) {
        cli::Say(r.customer
                     ? QStringLiteral("Beim Kunden %1 ist kein Prüfling innerhalb von %2 Tagen fällig; "
                                      "es wurde kein Schreiben erstellt.")
                           .arg(r.customer)
                           .arg(r.days)
                     : QStringLiteral("Kein Prüfling ist innerhalb von %1 Tagen fällig; es wurde kein "
                                      "Schreiben erstellt.")
                           .arg(r.days));
        return 0;
    }
    TReminderResult result;
    const bool ok =
        WriteReminderLetters(conn, due, config.TopLine, QDate::currentDate(), r.dir, result, &error);
    for (const QString &f : result.files)
        cli::Say(QDir::toNativeSeparators(f));
    for (const QString &e : result.errors)
        cli::PrintError(e);
    if (!ok && result.errors.isEmpty()) return cli::Fail(error); // the folder
    cli::Say(result.Summary());
    return ok ? 0 : 1;
}

TCommand RemindersCommandRow()
{
    using O = TCommandOption;
    return {
        QStringLiteral("reminders"),
        {QStringLiteral("ORDNER")},
        QStringLiteral("Schreibt für jeden Kunden mit fälligen Prüflingen ein Erinnerungsschreiben als PDF."),
        {O{QStringLiteral("days"), QStringLiteral("N"), QStringLiteral("fällig in N Tagen (sonst 30)")},
         O{QStringLiteral("customer"), QStringLiteral("NR"), QStringLiteral("nur an den Kunden NR")}},
        &RunRemindersCommand,
        TCommandApp::Offscreen};
}
