#include "app/CliExportCsv.h"

#include "core/FormatSettings.h"
#include "core/IniFile.h"
#include "store/CsvExport.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>

#include <cstdio>
#include <memory>

int RunCsvExportCommand(const QStringList &args)
{
    auto fail = [](const QString &text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return 1;
    };
    QString fileName;
    int testNr = 0;
    bool single = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--export-csv")) {
            if (i + 1 >= args.size() || args[i + 1].startsWith(QLatin1String("--")))
                return fail(QStringLiteral("--export-csv: Es fehlt der Name der Exportdatei."));
            fileName = args[++i];
        } else if (args[i] == QLatin1String("--test")) {
            bool ok = false;
            testNr = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || testNr <= 0)
                return fail(QStringLiteral("--test: Es fehlt eine gültige Prüfungsnummer."));
            single = true;
            ++i;
        }
    }
    if (fileName.isEmpty())
        return fail(QStringLiteral("Aufruf: geraetetester --export-csv DATEI [--test NR]"));

    // Qt SQL needs an application object for its drivers.
    std::unique_ptr<QCoreApplication> ownApp;
    static int argc = 1;
    static char arg0[] = "geraetetester";
    static char *argv[] = {arg0, nullptr};
    if (!QCoreApplication::instance()) ownApp = std::make_unique<QCoreApplication>(argc, argv);

    InitFormatSettings();
    const TIniFile ini(TIniFile::ProgramIniPath());
    TExportSwitches sw;
    sw.Read(ini);
    const QString cs =
        ini.ReadString(QStringLiteral("DataBase"), QStringLiteral("ConnectionString"), QString());

    const QString conn = QStringLiteral("gt_export_cli");
    QString error;
    const TConnectionInfo info = ParseConnectionString(cs);
    if (!OpenConnection(info, conn, &error))
        return fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + error);
    bool ok = false;
    int count = 0;
    {
        const int oldKind = DatabaseKind();
        setDatabaseKind(info.kind);
        QSqlDatabase db = QSqlDatabase::database(conn, false);
        if (single) {
            ok = ExportSingleTest(db, testNr, fileName, sw, &error);
            count = 1;
        } else {
            ok = ExportAllTests(db, fileName, sw, &error, &count);
        }
        setDatabaseKind(oldKind);
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    if (!ok) return fail(error);
    std::printf("%s\n", QStringLiteral("%1 Prüfung(en) nach „%2“ exportiert.")
                            .arg(count)
                            .arg(QDir::toNativeSeparators(fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
