#include "app/cli/CliLabels.h"

#include "app/cli/CliSupport.h"
#include "protocols/DeviceLabels.h"
#include "store/EntryStore.h"

#include <QDir>
#include <QSqlDatabase>

#include <climits>
#include <cstdio>

namespace {

struct TLabelsRequest {
    QString fileName;
    TLabelChoice choice;
    int position = 1;
    TLabelPrintArea area;
};

bool intOption(const QStringList &args, const QString &option, int min, int max, int *value)
{
    const qsizetype i = args.indexOf(option);
    if (i < 0) return true;
    bool ok = false;
    *value = args.value(i + 1).toInt(&ok);
    return ok && *value >= min && *value <= max;
}

bool mmOption(const QStringList &args, const QString &option, double min, double max, double *value)
{
    const qsizetype i = args.indexOf(option);
    if (i < 0) return true;
    bool ok = false;
    *value = args.value(i + 1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && *value >= min && *value <= max;
}

// What is wrong with the options, in German; empty when they are usable.
QString parse(const QStringList &args, TLabelsRequest &r)
{
    if (!intOption(args, QStringLiteral("--customer"), 1, INT_MAX, &r.choice.KundenNr))
        return QStringLiteral("--customer: Es fehlt eine gültige Kundennummer.");
    if (!intOption(args, QStringLiteral("--position"), 1, LabelsPerSheet, &r.position))
        return QStringLiteral("--position: Die Position muss zwischen 1 und %1 liegen.").arg(LabelsPerSheet);
    if (!intOption(args, QStringLiteral("--due-within"), 0, 3650, &r.choice.DueWithinDays))
        return QStringLiteral("--due-within: Die Zahl der Tage muss zwischen 0 und 3650 liegen.");
    const auto mm = [&](const char *option, double min, double max, double *value) {
        return mmOption(args, QLatin1String(option), min, max, value)
                   ? QString()
                   : QStringLiteral("%1: Der Wert muss zwischen %2 und %3 mm liegen.")
                         .arg(QLatin1String(option))
                         .arg(min)
                         .arg(max);
    };
    for (const QString &why : {mm("--offset-x", -MaxLabelOffsetMm, MaxLabelOffsetMm, &r.area.OffsetXMm),
                               mm("--offset-y", -MaxLabelOffsetMm, MaxLabelOffsetMm, &r.area.OffsetYMm),
                               mm("--margin", 0, MaxLabelSafeMarginMm, &r.area.SafeMarginMm)})
        if (!why.isEmpty()) return why;
    return QString();
}

} // namespace

int RunLabelsCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--labels"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(
            QStringLiteral("Aufruf: geraetetester --labels DATEI.pdf [--customer N] [--position P] "
                           "[--due-within TAGE] [--offset-x MM] [--offset-y MM] [--margin MM]"));
    const TConfiguration config = cli::ReadProgramConfiguration();
    TLabelsRequest r;
    r.fileName = args[at + 1];
    r.area = config.Labels;
    // The print still comes out, at the default put in place of the unusable value: say so.
    for (const QString &p : config.LabelProblems)
        cli::PrintError(QStringLiteral("Warnung: ") + p);
    if (const QString why = parse(args, r); !why.isEmpty()) return cli::Fail(why);

    QList<TDueEntry> devices;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_labels_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        const QSqlDatabase conn = QSqlDatabase::database(db.connectionName(), false);
        if (!LoadLabelDevices(conn, r.choice, config.ServiceInterv, devices, &error))
            return cli::Fail(QStringLiteral("Die Prüflinge können nicht gelesen werden: ") + error);
        // A mistyped number must not read as a customer without devices.
        bool exists = true;
        if (devices.isEmpty() && r.choice.KundenNr &&
            !CustomerExists(conn, r.choice.KundenNr, exists, &error))
            return cli::Fail(QStringLiteral("Die Kunden können nicht gelesen werden: ") + error);
        if (!exists)
            return cli::Fail(
                QStringLiteral("Einen Kunden Nr. %1 gibt es in der Datenbank nicht.").arg(r.choice.KundenNr));
    }
    if (devices.isEmpty()) {
        const int customer = r.choice.KundenNr;
        if (r.choice.DueWithinDays >= 0)
            return cli::Fail(QStringLiteral("Kein ausgewählter Prüfling ist innerhalb von %1 Tagen fällig.")
                                 .arg(r.choice.DueWithinDays));
        return cli::Fail(customer ? QStringLiteral("Der Kunde %1 hat keine Prüflinge.").arg(customer)
                                  : QStringLiteral("Die Datenbank enthält keine Prüflinge."));
    }
    QStringList warnings;
    if (!WriteDeviceLabelsPdf(devices, r.position, r.fileName, &error, r.area, &warnings))
        return cli::Fail(error);
    for (const QString &w : warnings)
        cli::PrintError(QStringLiteral("Warnung: ") + w);
    std::printf("%s\n", QStringLiteral("%1 Etikett(en) nach „%2“ geschrieben.")
                            .arg(devices.size())
                            .arg(QDir::toNativeSeparators(r.fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
