#include "app/cli/CliLabels.h"

#include "app/cli/CliSupport.h"
#include "protocols/DeviceLabels.h"

#include <QDir>
#include <QSqlDatabase>

#include <climits>
#include <cstdio>

int RunLabelsCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--labels"));
    if (at < 0 || at + 1 >= args.size())
        return cli::Fail(
            QStringLiteral("Aufruf: geraetetester --labels DATEI.pdf [--customer N] [--position P]"));
    const QString fileName = args[at + 1];
    auto number = [&args](const QString &option, int min, int max, int *value) {
        const qsizetype i = args.indexOf(option);
        if (i < 0) return true;
        bool ok = false;
        *value = args.value(i + 1).toInt(&ok);
        return ok && *value >= min && *value <= max;
    };
    int customer = 0;
    int position = 1;
    if (!number(QStringLiteral("--customer"), 1, INT_MAX, &customer))
        return cli::Fail(QStringLiteral("--customer: Es fehlt eine gültige Kundennummer."));
    if (!number(QStringLiteral("--position"), 1, LabelsPerSheet, &position))
        return cli::Fail(
            QStringLiteral("--position: Die Position muss zwischen 1 und %1 liegen.").arg(LabelsPerSheet));

    const TConfiguration config = cli::ReadProgramConfiguration();
    QList<TDueEntry> devices;
    QString error;
    {
        cli::TCliDatabase db(config, QStringLiteral("gt_labels_cli"));
        if (!db.ok())
            return cli::Fail(QStringLiteral("Die Datenbank kann nicht geöffnet werden: ") + db.error());
        if (!LoadLabelDevices(QSqlDatabase::database(db.connectionName(), false), customer, 0,
                              config.ServiceInterv, devices, &error))
            return cli::Fail(QStringLiteral("Die Prüflinge können nicht gelesen werden: ") + error);
    }
    if (devices.isEmpty())
        return cli::Fail(customer ? QStringLiteral("Der Kunde %1 hat keine Prüflinge.").arg(customer)
                                  : QStringLiteral("Die Datenbank enthält keine Prüflinge."));
    if (!WriteDeviceLabelsPdf(devices, position, fileName, &error)) return cli::Fail(error);
    std::printf("%s\n", QStringLiteral("%1 Etikett(en) nach „%2“ geschrieben.")
                            .arg(devices.size())
                            .arg(QDir::toNativeSeparators(fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
