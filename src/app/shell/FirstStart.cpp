#include "app/shell/FirstStart.h"

#include "app/cli/CliSupport.h"
#include "app/common/Prompt.h"
#include "app/shell/MainStatusBar.h"
#include "app/shell/MainWindow.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortAccess.h"
#include "store/Database.h"
#include "store/InitDatabase.h"

#include <QLabel>

#include <cerrno>

namespace {

const QString kMissingDatabase =
    QStringLiteral("Die für den Betrieb dieses Programms erforderliche Datenbank wurde nicht gefunden.");

} // namespace

QString ReportUnwritableSettings(TForm1 &form, const QString &iniFile)
{
    QString why;
    if (CanWriteFile(iniFile, &why)) return QString();
    const QString text = QStringLiteral("Einstellungen können nicht gespeichert werden: ") + why;
    form.ProgramLog().Write(text);
    // A panel of its own: the seven panels belong to the connection and the database.
    auto *label = form.StatusBar1().findChild<QLabel *>(QStringLiteral("IniWarning"));
    if (!label) {
        label = new QLabel(&form.StatusBar1());
        label->setObjectName(QStringLiteral("IniWarning"));
        label->setStyleSheet(QStringLiteral("color: #b00000;"));
        form.StatusBar1().addPermanentWidget(label);
    }
    label->setText(QStringLiteral(" Einstellungen nicht speicherbar! "));
    label->setToolTip(text);
    return text;
}

bool OfferNewDatabase(TForm1 &form, const QString &connectionString)
{
    const TConnectionInfo info = ParseConnectionString(connectionString);
    if (!CanInitializeDatabase(info)) return false;
    QString why;
    const TDbReadiness state = ProbeDatabase(info, &why);
    if (state != TDbReadiness::Missing && state != TDbReadiness::Incomplete) return false;

    const QString label = DatabaseLabel(info);
    const QString question =
        kMissingDatabase + QStringLiteral("\n\n") +
        (state == TDbReadiness::Missing
             ? QStringLiteral("Soll jetzt eine leere Datenbank %1 angelegt werden?").arg(label)
             : QStringLiteral("In der Datenbank %1 fehlen Tabellen. Sollen sie jetzt angelegt werden? "
                              "Vorhandene Daten bleiben erhalten.")
                   .arg(label));
    if (!Prompt().AskYesNo(&form, question, /*defaultYes=*/true)) {
        form.ProgramLog().Write(QStringLiteral("Datenbank nicht angelegt (abgelehnt): ") + label);
        return true;
    }
    const TInitDbResult r = InitializeDatabase(info, /*makeFolder=*/true);
    for (const QString &line : r.messages)
        form.ProgramLog().Write(line);
    QString error = r.error;
    if (r.ok && ::ConnectDatabase(connectionString, &error)) {
        form.StatusBar1().setPanelText(6, QStringLiteral(" Datenbankverbindung ok."));
        return true;
    }
    form.ProgramLog().Write(QStringLiteral("Datenbank nicht angelegt: ") + error);
    Prompt().Error(&form,
                   QStringLiteral("Die Datenbank %1 konnte nicht angelegt werden:\n%2").arg(label, error));
    return true;
}

void ReportPortOpenFailure(TForm1 &form)
{
    const int err = form.Cate1().LastOpenError();
    const QString device = form.Cate1().LastOpenDevice();
    if (err == 0 || device.isEmpty()) return;
    const QString hint = PortPermissionHint(PortAccessFor(device), err);
    if (hint.isEmpty()) {
        // A second program on the port: the status bar's "belegt" alone is easily missed.
        if (err == EBUSY || err == EWOULDBLOCK) {
            const QString text = cli::PortOpenFailureText(form.Configuration().Port, form.Cate1());
            form.ProgramLog().Write(text);
            Prompt().Warn(&form, text);
        }
        return;
    }
    form.ProgramLog().Write(hint.section(QLatin1Char('\n'), 0, 0));
    Prompt().Warn(&form, hint);
}

void ReportConfigurationProblems(TForm1 &form, const QStringList &problems)
{
    if (problems.isEmpty()) return;
    for (const QString &p : problems)
        form.ProgramLog().Write(p);
    // Once the window runs: during its creation nobody would see a message box.
    const QString text = problems.join(QStringLiteral("\n\n"));
    QMetaObject::invokeMethod(
        &form, [&form, text] { Prompt().Warn(&form, text); }, Qt::QueuedConnection);
}
