#include "app/cli/CliPdfArchive.h"

#include "app/cli/CliSupport.h"
#include "app/common/ProtocolSettings.h"
#include "protocols/ProtocolArchive.h"

#include <QDate>
#include <QSqlDatabase>

#include <cstdio>

int RunPdfArchiveCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--pdf-archive"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --pdf-archive ORDNER [--since TT.MM.JJJJ]"));
    const QString &dir = args[at + 1];
    QDate since;
    if (const qsizetype s = args.indexOf(QStringLiteral("--since")); s >= 0) {
        since = QDate::fromString(args.value(s + 1), QStringLiteral("d.M.yyyy"));
        if (!since.isValid())
            return cli::Fail(QStringLiteral("--since: \"%1\" ist kein gültiges Datum (TT.MM.JJJJ).")
                                 .arg(args.value(s + 1)));
    }
    const TConfiguration config = cli::ReadProgramConfiguration();
    const TProtocolSettings settings = ProtocolSettingsOf(config);
    TArchiveResult result;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_archive_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        TProtocolArchive archive;
        if (!archive.Run(QSqlDatabase::database(db.connectionName(), false), dir, since, settings, result,
                         &error))
            return cli::Fail(error);
    }
    for (const QString &e : result.errors)
        cli::PrintError(e);
    std::printf("%s\n", result.Summary().toLocal8Bit().constData());
    return result.failed ? 1 : 0;
}
