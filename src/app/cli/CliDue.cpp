#include "app/cli/CliDue.h"

#include "app/cli/CliSupport.h"
#include "store/DueList.h"
#include "store/EntryStore.h"
#include "store/XlsxExport.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>

#include <climits>
#include <cstdio>

namespace {

// The value of "--name N" within lo..hi; untouched when the option is absent.
bool intOption(const QStringList &args, const QString &name, int lo, int hi, int &value)
{
    const qsizetype at = args.indexOf(name);
    if (at < 0) return true;
    bool ok = false;
    const int v = args.value(at + 1).toInt(&ok);
    if (!ok || v < lo || v > hi) return false;
    value = v;
    return true;
}

} // namespace

int RunDueCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--due"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --due DATEI [--days N] [--customer NR]"));
    const QString &fileName = args[at + 1];
    int days = 30;
    if (!intOption(args, QStringLiteral("--days"), 0, 36500, days))
        return cli::Fail(QStringLiteral("--days: \"%1\" ist keine gültige Anzahl Tage.")
                             .arg(args.value(args.indexOf(QStringLiteral("--days")) + 1)));
    int customer = 0;
    if (!intOption(args, QStringLiteral("--customer"), 1, INT_MAX, customer))
        return cli::Fail(QStringLiteral("--customer: \"%1\" ist keine gültige Kundennummer.")
                             .arg(args.value(args.indexOf(QStringLiteral("--customer")) + 1)));
    const TConfiguration config = cli::ReadProgramConfiguration();
    QList<TDueEntry> all;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_due_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        const QSqlDatabase conn = QSqlDatabase::database(db.connectionName(), false);
        if (!LoadDueList(conn, config.ServiceInterv, QDate::currentDate(), all, &error))
            return cli::Fail(QStringLiteral("Die Prüffristen können nicht gelesen werden: ") + error);
        // A mistyped number must not pass for a customer with nothing due.
        bool exists = true;
        if (customer && !CustomerExists(conn, customer, exists, &error))
            return cli::Fail(QStringLiteral("Die Kunden können nicht gelesen werden: ") + error);
        if (!exists)
            return cli::Fail(
                QStringLiteral("Einen Kunden Nr. %1 gibt es in der Datenbank nicht.").arg(customer));
    }
    const QList<TDueEntry> due = DueWithin(DueOfCustomer(all, customer), days);
    const bool ok =
        IsXlsxFileName(fileName) ? WriteDueXlsx(due, fileName, &error) : WriteDueCsv(due, fileName, &error);
    if (!ok) return cli::Fail(error);
    std::printf("%s\n", QStringLiteral("%1 fällige(r) Prüfling(e) nach „%2“ geschrieben.")
                            .arg(due.size())
                            .arg(QDir::toNativeSeparators(fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
