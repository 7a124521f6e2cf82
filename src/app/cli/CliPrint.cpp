#include "app/cli/CliPrint.h"

#include "app/cli/CliSupport.h"
#include "app/cli/CupsStatus.h"
#include "app/common/ProtocolSettings.h"
#include "protocols/ProtocolForms.h"
#include "store/TestRecord.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QSqlDatabase>

namespace {

QString queueList(const QStringList &names)
{
    return QStringLiteral("„") + names.join(QStringLiteral("“, „")) + QStringLiteral("“");
}

// The queue to print on; false with a German reason. An empty printer list
// is told apart by whether the print service answers at all.
bool choosePrinter(const QString &name, QPrinterInfo &info, QString *error)
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (names.isEmpty()) {
        const QString server = cups_status::Server();
        if (!server.isEmpty() && !cups_status::Reachable())
            *error = QStringLiteral("Der Druckdienst (CUPS) ist unter „%1“ nicht erreichbar. Läuft er?")
                         .arg(server);
        else
            *error = QStringLiteral("Es ist kein Drucker eingerichtet. Der Ausdruck ist nicht möglich.");
        return false;
    }
    if (!name.isEmpty()) {
        info = QPrinterInfo::printerInfo(name);
        if (!info.isNull()) return true;
        *error = QStringLiteral("Den Drucker „%1“ gibt es nicht. Eingerichtet sind: %2.")
                     .arg(name, queueList(names));
        return false;
    }
    info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) return true;
    *error = QStringLiteral("Es ist kein Standarddrucker eingestellt. Bitte mit --printer einen der "
                            "eingerichteten Drucker wählen: %1.")
                 .arg(queueList(names));
    return false;
}

} // namespace

namespace cli {

int PrintReport(const TReport &report, const QString &printerName, const QString &what)
{
    QPrinterInfo info;
    QString error;
    if (!choosePrinter(printerName, info, &error)) return Fail(error);
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(report.Title);
    printer.setCreator(QStringLiteral("Gerätetester"));
    printer.setCopyCount(1);
    if (!report.Print(printer, &error)) return Fail(error);
    // Qt hands the job over without saying whether the service took it.
    if (const QString why = cups_status::LastFailure(); !why.isEmpty())
        return Fail(QStringLiteral("Der Drucker „%1“ hat den Auftrag nicht angenommen: %2")
                        .arg(info.printerName(), why));
    Say(QStringLiteral("%1 an den Drucker „%2“ übergeben.").arg(what, info.printerName()));
    return 0;
}

} // namespace cli

int RunPrintCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--print"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --print PRÜFUNGSNR [--printer NAME]"));
    bool ok = false;
    const int testNr = args[at + 1].toInt(&ok);
    if (!ok || testNr <= 0)
        return cli::Fail(
            QStringLiteral("--print: \"%1\" ist keine gültige Prüfungsnummer.").arg(args[at + 1]));
    const qsizetype p = args.indexOf(QStringLiteral("--printer"));
    const QString printer = p >= 0 ? args.value(p + 1) : QString();

    const TConfiguration config = cli::ReadProgramConfiguration();
    TWerteSatz w;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_print_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        ok = LoadTestRecord(QSqlDatabase::database(db.connectionName(), false), testNr, true, w, &error);
    }
    if (!ok) return cli::Fail(error);
    return cli::PrintReport(ProtocolReport(w, ProtocolSettingsOf(config)), printer,
                            QStringLiteral("Prüfprotokoll der Prüfung %1").arg(testNr));
}

TCommand PrintCommand()
{
    return {QStringLiteral("print"),
            {QStringLiteral("N")},
            QStringLiteral("Druckt das Prüfprotokoll der Prüfung N."),
            {TCommandOption{QStringLiteral("printer"), QStringLiteral("NAME"),
                            QStringLiteral("auf diesem Drucker (sonst dem Standarddrucker)")}},
            &RunPrintCommand,
            TCommandApp::Offscreen};
}
