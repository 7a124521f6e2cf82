#include "app/cli/CommandLine.h"

#include "app/cli/CliBackup.h"
#include "app/cli/CliBarcodeSheet.h"
#include "app/cli/CliCheckDb.h"
#include "app/cli/CliDue.h"
#include "app/cli/CliExportCsv.h"
#include "app/cli/CliExportXlsx.h"
#include "app/cli/CliFetch.h"
#include "app/cli/CliImportCsv.h"
#include "app/cli/CliLabels.h"
#include "app/cli/CliPdfArchive.h"
#include "app/cli/CliPrint.h"
#include "app/cli/CliProtocolPdf.h"
#include "app/cli/CliReminders.h"
#include "app/cli/CliVerifyPdf.h"
#include "core/ProgramPaths.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// Qt's own options that the window understands (QApplication takes them out
// of the arguments itself); accepted so they are no "unknown option".
struct TQtOption {
    const char *name;
    bool value;
};
constexpr TQtOption kQtOptions[] = {{"platform", true},     {"style", true},       {"stylesheet", true},
                                    {"display", true},      {"geometry", true},    {"qwindowgeometry", true},
                                    {"qwindowtitle", true}, {"qwindowicon", true}, {"reverse", false}};

const QString kIni = QStringLiteral("ini");
const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");

// The rows that stand beside their commands, after the table's own.
std::vector<TCommand> appended(std::vector<TCommand> rows)
{
    rows.push_back(RemindersCommandRow());
    for (const TCommand &c : DatabaseCommands())
        rows.push_back(c);
    return WithBackupCommands(std::move(rows));
}

// The choice of what is due: by days and by customer.
std::vector<TCommandOption> dueOptions()
{
    return {{QStringLiteral("days"), QStringLiteral("N"), QStringLiteral("fällig in N Tagen (sonst 30)")},
            {QStringLiteral("customer"), QStringLiteral("NR"),
             QStringLiteral("nur die Prüflinge des Kunden NR")}};
}

} // namespace

const std::vector<TCommand> &CommandTable()
{
    using O = TCommandOption;
    static const std::vector<TCommand> table = appended({
        {QStringLiteral("export-csv"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Schreibt alle Prüfungen mit den eingestellten Spalten als CSV-Datei."),
         {O{QStringLiteral("test"), QStringLiteral("NR"), QStringLiteral("nur die Prüfung NR")}},
         &RunCsvExportCommand,
         TCommandApp::Core},
        {QStringLiteral("fetch"),
         {},
         QStringLiteral("Ruft die im Gerätetester gespeicherten Prüfungen ab (eingestellte Schnittstelle)."),
         {},
         &RunFetchCommand,
         TCommandApp::Core},
        {QStringLiteral("transfer"),
         {},
         QStringLiteral("Übernimmt abgerufene Prüfungen, deren Barcode zu einem Prüfling passt."),
         {},
         &RunTransferCommand,
         TCommandApp::Core},
        ProtocolPdfCommand(),
        VerifyPdfCommand(),
        BarcodeSheetCommand(),
        PrintCommand(),
        {QStringLiteral("due"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Schreibt die fälligen Prüflinge als CSV-Datei."),
         dueOptions(),
         &RunDueCommand,
         TCommandApp::Core},
        {QStringLiteral("pdf-archive"),
         {QStringLiteral("ORDNER")},
         QStringLiteral("Legt für jede Prüfung ein PDF-Protokoll im Ordner ab (vorhandene bleiben)."),
         {O{QStringLiteral("since"), QStringLiteral("TT.MM.JJJJ"),
            QStringLiteral("nur Prüfungen ab diesem Tag")}},
         &RunPdfArchiveCommand,
         TCommandApp::Offscreen},
        {QStringLiteral("labels"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Schreibt Prüflingsetiketten als PDF-Datei."),
         {O{QStringLiteral("customer"), QStringLiteral("N"),
            QStringLiteral("nur die Prüflinge des Kunden N")},
          O{QStringLiteral("position"), QStringLiteral("P"),
            QStringLiteral("erstes Etikett auf dem Bogen (1 bis 24, zeilenweise)")},
          O{QStringLiteral("due-within"), QStringLiteral("TAGE"),
            QStringLiteral("nur Prüflinge, die innerhalb so vieler Tage fällig sind")},
          O{QStringLiteral("offset-x"), QStringLiteral("MM"),
            QStringLiteral("Druck nach rechts verschieben")},
          O{QStringLiteral("offset-y"), QStringLiteral("MM"), QStringLiteral("Druck nach unten verschieben")},
          O{QStringLiteral("margin"), QStringLiteral("MM"),
            QStringLiteral("Sicherheitsrand zum Blattrand (sonst aus der INI-Datei, 5 mm)")}},
         &RunLabelsCommand,
         TCommandApp::Offscreen},
        {QStringLiteral("import-csv"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Liest Kunden, Prüflinge und Prüfungen aus einer CSV-Datei ein."),
         {O{QStringLiteral("dry-run"), QString(), QStringLiteral("nur prüfen, nichts speichern")},
          O{QStringLiteral("column"), QStringLiteral("SPALTE=FELD"),
            QStringLiteral("Spalte der Datei als Feld lesen (mehrfach; sonst die im Fenster gemerkte "
                           "Zuordnung)"),
            true}},
         &RunImportCsvCommand,
         TCommandApp::Core},
        {QStringLiteral("export-xlsx"),
         {QStringLiteral("DATEI")},
         QStringLiteral("Schreibt alle Prüfungen als Excel-Datei (.xlsx)."),
         {O{QStringLiteral("test"), QStringLiteral("NR"), QStringLiteral("nur die Prüfung NR")}},
         &RunXlsxExportCommand,
         TCommandApp::Core},
    });
    return table;
}

namespace {

// Qt's options, the program's own and every command's; returns the commands'
// options, each once (several commands may share one, "--test").
QStringList addOptions(QCommandLineParser &parser, const std::vector<TCommand> &table)
{
    // Qt's options are single-dash words ("-platform"); "-h" and "-v" still work.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), kHelp}));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("v"), kVersion}));
    parser.addOption(QCommandLineOption(kIni, QString(), QStringLiteral("DATEI")));
    for (const TQtOption &q : kQtOptions)
        parser.addOption(QCommandLineOption(QLatin1String(q.name), QString(),
                                            q.value ? QStringLiteral("WERT") : QString()));
    QStringList subOptions;
    for (const TCommand &c : table) {
        parser.addOption(QCommandLineOption(c.name, QString(), c.valueNames.value(0)));
        for (const TCommandOption &o : c.options) {
            if (subOptions.contains(o.name)) continue;
            subOptions << o.name;
            parser.addOption(QCommandLineOption(o.name, QString(), o.valueName));
        }
    }
    return subOptions;
}

// Why the parser refused the arguments.
QString parseFailure(const QCommandLineParser &parser, const QStringList &args)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().constFirst();
        return QStringLiteral("Unbekannte Option „%1%2“. Eine Übersicht gibt „geraetetester --help“.")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    // QCommandLineParser's only other failure: a value missing at the end.
    const QString last = args.size() > 1 ? args.constLast() : QString();
    return QStringLiteral("Nach „%1“ fehlt ein Wert.").arg(last);
}

// What is wrong with a command line without a command; empty if nothing.
QString checkWithoutCommand(const QCommandLineParser &parser, const QStringList &subOptions)
{
    for (const QString &o : subOptions)
        if (parser.isSet(o))
            return QStringLiteral("Die Option „--%1“ gehört zu einem Befehl; allein ist sie ohne Sinn.")
                .arg(o);
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty())
        return QStringLiteral("Unerwartetes Argument „%1“. Eine Übersicht gibt „geraetetester --help“.")
            .arg(positional.constFirst());
    return QString();
}

// What is wrong with the command's values and options; empty if nothing.
QString checkCommandUse(const QCommandLineParser &parser, const TCommand &c, const QStringList &subOptions)
{
    const qsizetype wanted = qMax<qsizetype>(0, c.valueNames.size() - 1);
    QString usage = QStringLiteral("--") + c.name;
    for (const QString &v : c.valueNames)
        usage += QLatin1Char(' ') + v;
    const bool lastReplaced =
        std::any_of(c.options.begin(), c.options.end(),
                    [&parser](const TCommandOption &o) { return o.insteadOfLast && parser.isSet(o.name); });
    if (parser.positionalArguments().size() != wanted - (lastReplaced ? 1 : 0))
        return QStringLiteral("Aufruf: geraetetester %1").arg(usage);
    if (parser.values(c.name).size() > 1) return QStringLiteral("„--%1“ ist mehrfach angegeben.").arg(c.name);
    for (const QString &o : subOptions) {
        if (!parser.isSet(o)) continue;
        const bool mine = std::any_of(c.options.begin(), c.options.end(),
                                      [&o](const TCommandOption &x) { return x.name == o; });
        if (!mine) return QStringLiteral("Die Option „--%1“ gehört nicht zu „--%2“.").arg(o, c.name);
    }
    return QString();
}

// The runner sees one plain form whatever way the user wrote it ("--x=1", "-x 1").
QStringList runnerArgs(const QCommandLineParser &parser, const QStringList &args, const TCommand &c)
{
    QStringList out;
    out << args.value(0, QStringLiteral("geraetetester")) << QStringLiteral("--") + c.name;
    if (!c.valueNames.isEmpty()) out << parser.value(c.name);
    out << parser.positionalArguments();
    for (const TCommandOption &o : c.options) {
        if (!parser.isSet(o.name)) continue;
        const QStringList values = o.repeated ? parser.values(o.name) : QStringList{parser.value(o.name)};
        for (const QString &v : values) {
            out << QStringLiteral("--") + o.name;
            if (!o.valueName.isEmpty()) out << v;
        }
    }
    return out;
}

} // namespace

TCommandLine ParseCommandLine(const QStringList &args, const std::vector<TCommand> &table)
{
    TCommandLine cl;
    auto fail = [&cl](const QString &text) {
        cl.action = TCommandLine::Error;
        cl.error = text;
        return cl;
    };

    QCommandLineParser parser;
    const QStringList subOptions = addOptions(parser, table);
    if (!parser.parse(args)) return fail(parseFailure(parser, args));
    // Read before the help, which names the settings file in use.
    cl.iniFile = parser.value(kIni);
    if (parser.isSet(kHelp)) {
        cl.action = TCommandLine::ShowHelp;
        return cl;
    }
    if (parser.isSet(kVersion)) {
        cl.action = TCommandLine::ShowVersion;
        return cl;
    }
    if (parser.isSet(kIni) && cl.iniFile.trimmed().isEmpty())
        return fail(QStringLiteral("Nach „--ini“ fehlt der Name der Konfigurationsdatei."));

    for (const TCommand &c : table) {
        if (!parser.isSet(c.name)) continue;
        if (cl.command)
            return fail(QStringLiteral("Bitte nur einen Befehl auf einmal: „--%1“ und „--%2“.")
                            .arg(cl.command->name, c.name));
        cl.command = &c;
    }

    const QString wrong = cl.command ? checkCommandUse(parser, *cl.command, subOptions)
                                     : checkWithoutCommand(parser, subOptions);
    if (!wrong.isEmpty()) return fail(wrong);
    if (!cl.command) return cl;
    cl.commandArgs = runnerArgs(parser, args, *cl.command);
    cl.action = TCommandLine::RunCommand;
    return cl;
}

QString HelpText(const std::vector<TCommand> &table)
{
    QString t;
    t += QStringLiteral("Aufruf: geraetetester [--ini DATEI] [BEFEHL]\n\n"
                        "Ohne Befehl öffnet sich das Programmfenster. Ein Befehl arbeitet ohne Fenster und\n"
                        "ohne Bildschirm, meldet Fehler auf der Standardfehlerausgabe und endet mit 0 bei\n"
                        "Erfolg, 1 bei einem Fehler und 2 bei einem falschen Aufruf.\n\nBefehle:\n");
    for (const TCommand &c : table) {
        QString head = QStringLiteral("  --") + c.name;
        for (const QString &v : c.valueNames)
            head += QLatin1Char(' ') + v;
        for (const TCommandOption &o : c.options)
            head += QStringLiteral(" [--%1%2]")
                        .arg(o.name, o.valueName.isEmpty() ? QString() : QLatin1Char(' ') + o.valueName);
        t += head + QLatin1Char('\n');
        t += QStringLiteral("      ") + c.description + QLatin1Char('\n');
        if (!c.run) t += QStringLiteral("      (in diesem Programmstand nicht verfügbar)\n");
        for (const TCommandOption &o : c.options)
            t += QStringLiteral("      --%1: %2\n").arg(o.name, o.description);
    }
    t += QStringLiteral("\nOptionen:\n"
                        "  --ini DATEI    diese Konfigurationsdatei statt der üblichen verwenden\n"
                        "  -h, --help     diese Übersicht zeigen\n"
                        "  -v, --version  die Programmversion zeigen\n\n"
                        "Dateien:\n");
    t += QStringLiteral("  Einstellungen:                  %1\n")
             .arg(QDir::toNativeSeparators(ProgramIniPath()));
    t += QStringLiteral("  Datenbank VERIDA.db, Protokolle: %1\n")
             .arg(QDir::toNativeSeparators(ProgramDataDir()));
    return t;
}

QString VersionText()
{
    return QStringLiteral("geraetetester %1").arg(QStringLiteral(GT_VERSION));
}

int RunCommandLine(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const TCommandLine cl = ParseCommandLine(args);
    auto print = [](FILE *to, const QString &text) {
        std::fputs(text.toLocal8Bit().constData(), to);
        std::fflush(to);
    };
    switch (cl.action) {
    case TCommandLine::Error:
        print(stderr, QStringLiteral("geraetetester: %1\n").arg(cl.error));
        return kExitUsage;
    case TCommandLine::ShowVersion:
        print(stdout, VersionText() + QLatin1Char('\n'));
        return 0;
    case TCommandLine::ShowHelp: {
        // The application object tells where the program lies, so the paths shown are the real ones.
        QCoreApplication core(argc, argv);
        if (!cl.iniFile.trimmed().isEmpty()) SetProgramIniOverride(cl.iniFile);
        print(stdout, HelpText());
        return 0;
    }
    case TCommandLine::StartWindow:
    case TCommandLine::RunCommand:
        break;
    }
    // A mistyped name would otherwise start on defaults and a new file, and the
    // tester "would not answer" on the wrong port.
    if (!cl.iniFile.isEmpty() && !QFileInfo(cl.iniFile).isFile()) {
        print(stderr, QStringLiteral("geraetetester: Die Konfigurationsdatei „%1“ gibt es nicht.\n")
                          .arg(QDir::toNativeSeparators(cl.iniFile)));
        return 1;
    }
    if (!cl.iniFile.isEmpty()) SetProgramIniOverride(cl.iniFile);
    if (cl.action == TCommandLine::StartWindow) return -1;

    const TCommand &c = *cl.command;
    if (!c.run) {
        print(stderr, QStringLiteral("geraetetester: „--%1“ ist in diesem Programmstand nicht verfügbar.\n")
                          .arg(c.name));
        return 1;
    }
    std::unique_ptr<QCoreApplication> app;
    if (c.app == TCommandApp::Offscreen) {
        // Drawing needs the GUI classes but never a screen: a scheduled job has none.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Gerätetester"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GT_VERSION));
    return c.run(cl.commandArgs);
}
