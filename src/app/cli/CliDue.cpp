#include "app/cli/CliDue.h"

#include "app/cli/CliSupport.h"
#include "store/DueList.h"
#include "store/XlsxExport.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>

#include <cstdio>

int RunDueCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--due"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --due DATEI [--days N]"));
    const QString &fileName = args[at + 1];
    int days = 30;
    if (const qsizetype d = args.indexOf(QStringLiteral("--days")); d >= 0) {
        bool ok = false;
        days = args.value(d + 1).toInt(&ok);
        if (!ok || days < 0 || days > 36500)
            return cli::Fail(
                QStringLiteral("--days: \"%1\" ist keine gültige Anzahl Tage.").arg(args.value(d + 1)));
    }
    const TConfiguration config = cli::ReadProgramConfiguration();
    QList<TDueEntry> all;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_due_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        if (!LoadDueList(QSqlDatabase::database(db.connectionName(), false), config.ServiceInterv,
                         QDate::currentDate(), all, &error))
            return cli::Fail(QStringLiteral("Die Prüffristen können nicht gelesen werden: ") + error);
    }
    const QList<TDueEntry> due = DueWithin(all, days);
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
