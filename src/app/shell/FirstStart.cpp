#include "app/shell/FirstStart.h"

#include "app/cli/CliSupport.h"
#include "app/common/Prompt.h"
#include "app/shell/MainStatusBar.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PortStatus.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortAccess.h"
#include "store/Database.h"
#include "store/DbErrors.h"
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

namespace {

const QString kNoDatabase =
    QStringLiteral("Es ist keine Datenbank geöffnet: ohne sie können keine Prüfungen abgerufen, gespeichert "
                   "oder angezeigt werden.");

// The question for a database that can be made here, or empty.
QString creationQuestion(TDbReadiness state, const QString &label)
{
    if (state == TDbReadiness::Missing)
        return QStringLiteral("Soll jetzt eine leere Datenbank %1 angelegt werden?").arg(label);
    if (state == TDbReadiness::Incomplete)
        return QStringLiteral("In der Datenbank %1 fehlen Tabellen. Sollen sie jetzt angelegt werden? "
                              "Vorhandene Daten bleiben erhalten.")
            .arg(label);
    return QString();
}

// Makes the database (or its missing tables) and opens it; a failure is told.
bool createDatabase(TForm1 &form, const TConnectionInfo &info, const QString &connectionString)
{
    const QString label = DatabaseLabel(info);
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
    return false;
}

void explainMissingDatabase(TForm1 &form)
{
    form.StatusBar1().setPanelToolTip(
        6, QStringLiteral("Keine Datenbank geöffnet. Eine leere Datenbank legt das Programm an, sobald Sie "
                          "im Menü „Daten“ ein Fenster öffnen oder „Daten abrufen...“ wählen, und beim "
                          "nächsten Start."));
}

} // namespace

bool OfferNewDatabase(TForm1 &form, const QString &connectionString)
{
    const TConnectionInfo info = ParseConnectionString(connectionString);
    if (!CanInitializeDatabase(info)) return false;
    const QString question = creationQuestion(ProbeDatabase(info), DatabaseLabel(info));
    if (question.isEmpty()) return false;
    if (!Prompt().AskYesNo(&form, kMissingDatabase + QStringLiteral("\n\n") + question,
                           /*defaultYes=*/true)) {
        form.ProgramLog().Write(QStringLiteral("Datenbank nicht angelegt (abgelehnt): ") +
                                DatabaseLabel(info));
        explainMissingDatabase(form);
        return true;
    }
    if (!createDatabase(form, info, connectionString)) explainMissingDatabase(form);
    return true;
}

bool RequireDatabase(TForm1 &form, const QString &connectionString)
{
    if (ProgramDatabase().isOpen()) return true;
    const TConnectionInfo info = ParseConnectionString(connectionString);
    QString why;
    const TDbReadiness state = ProbeDatabase(info, &why);
    const QString question =
        CanInitializeDatabase(info) ? creationQuestion(state, DatabaseLabel(info)) : QString();
    if (!question.isEmpty()) {
        if (!Prompt().AskYesNo(&form, kNoDatabase + QStringLiteral("\n\n") + question, /*defaultYes=*/true))
            return false;
        return createDatabase(form, info, connectionString);
    }
    // A server that is up again, a file that is back: opened now.
    QString error;
    if (::ConnectDatabase(connectionString, &error)) {
        form.StatusBar1().setPanelText(6, QStringLiteral(" Datenbankverbindung ok."));
        return true;
    }
    form.ProgramLog().Write(QStringLiteral("Datenbank nicht geöffnet: ") + error);
    Prompt().Error(&form, kNoDatabase + QStringLiteral("\n\nDie Datenbank %1 lässt sich nicht öffnen:\n%2")
                                            .arg(DatabaseLabel(info), DbFehlertext(error)));
    return false;
}

void ReportPortOpenFailure(TForm1 &form)
{
    const int err = form.Cate1().LastOpenError();
    const QString device = form.Cate1().LastOpenDevice();
    if (err == 0 || device.isEmpty()) return;
    const TPortAccess access = PortAccessFor(device);
    const bool groupMayUse = PortGroupMayUse(device);
    // The controller's panel text guesses at the group; this one knows the device.
    const QString status = PortDeniedStatus(form.Configuration().Port, access, err, groupMayUse);
    if (!status.isEmpty()) form.StatusBar1().setPanelText(0, status);
    QString hint = PortGroupLockedHint(access, err, groupMayUse);
    if (hint.isEmpty()) hint = PortPermissionHint(access, err);
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
