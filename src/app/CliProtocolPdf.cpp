#include "app/CliProtocolPdf.h"

#include "app/CliReportApp.h"
#include "core/FormatSettings.h"
#include "core/IniFile.h"
#include "protocols/PrintProtocol.h"
#include "store/Database.h"
#include "store/TestRecord.h"

#include <QDir>
#include <QSqlDatabase>

int RunProtocolPdfCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--protocol-pdf"));
    if (at < 0 || at + 2 >= args.size())
        return CliFail(QStringLiteral("Aufruf: geraetetester --protocol-pdf PRÜFUNGSNR DATEI.pdf"));
    bool ok = false;
    const int testNr = args[at + 1].toInt(&ok);
    if (!ok || testNr <= 0)
        return CliFail(
            QStringLiteral("--protocol-pdf: \"%1\" ist keine gültige Prüfungsnummer.").arg(args[at + 1]));
    const QString &fileName = args[at + 2];

    const auto ownApp = MakeReportApplication();
    InitFormatSettings();
    const TIniFile ini(TIniFile::ProgramIniPath());
    const TProtocolSettings settings = TProtocolSettings::FromIni(ini);
    const QString cs =
        ini.ReadString(QStringLiteral("DataBase"), QStringLiteral("ConnectionString"), QString());

    const QString conn = QStringLiteral("gt_protocol_cli");
    QString error;
    const TConnectionInfo info = ParseConnectionString(cs);
    if (!OpenConnection(info, conn, &error))
        return CliFail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + error);
    TWerteSatz w;
    {
        const int oldKind = DatabaseKind();
        setDatabaseKind(info.kind);
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        ok = LoadTestRecord(db, testNr, true, w, &error);
        setDatabaseKind(oldKind);
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    if (!ok) return CliFail(error);
    if (!WriteTestProtocolPdf(w, settings, fileName, &error)) return CliFail(error);
    CliSay(QStringLiteral("Prüfprotokoll der Prüfung %1 nach „%2“ geschrieben.")
               .arg(testNr)
               .arg(QDir::toNativeSeparators(fileName)));
    return 0;
}
