#include "app/shell/AutoBackup.h"

#include "app/shell/MainStatusBar.h"
#include "app/shell/MainWindow.h"
#include "core/IniFile.h"
#include "store/Backup.h"
#include "store/Database.h"

#include <QLabel>

namespace {

const QString kSection = QStringLiteral("Sicherung");
const QString kFailure = QStringLiteral("LetzterFehler");

// A panel of its own, as the unwritable settings have: the seven panels
// belong to the connection and the database.
void showFailure(TForm1 &form, const QString &text)
{
    auto *label = form.StatusBar1().findChild<QLabel *>(QStringLiteral("BackupWarning"));
    if (!label) {
        label = new QLabel(&form.StatusBar1());
        label->setObjectName(QStringLiteral("BackupWarning"));
        label->setStyleSheet(QStringLiteral("color: #b00000;"));
        form.StatusBar1().addPermanentWidget(label);
    }
    label->setText(QStringLiteral(" Sicherung fehlgeschlagen! "));
    label->setToolTip(text);
}

} // namespace

TBackupSchedule ReadBackupSchedule(const QString &iniFile)
{
    const TIniFile ini(iniFile);
    TBackupSchedule s;
    s.intervalDays = ini.ReadInteger(kSection, QStringLiteral("AbstandTage"), s.intervalDays);
    s.keep = ini.ReadInteger(kSection, QStringLiteral("Anzahl"), s.keep);
    return s;
}

QString RunAutomaticBackup(TForm1 &form, const QDate &today)
{
    const TAutoBackupResult r =
        AutomaticBackup(ProgramDatabase(), ReadBackupSchedule(form.IniFileName()), today);
    TIniFile ini(form.IniFileName());
    if (r.kind == TAutoBackupResult::Written) {
        form.ProgramLog().Write(QStringLiteral("Sicherung geschrieben: ") + r.path);
        if (ini.ValueExists(kSection, kFailure)) ini.WriteString(kSection, kFailure, QString());
        return QString();
    }
    if (r.kind != TAutoBackupResult::Failed) return QString();
    form.ProgramLog().Write(r.error);
    qWarning("%s", qPrintable(r.error));
    showFailure(form, r.error);
    // The window is going: the next start shows it where it can be read.
    ini.WriteString(kSection, kFailure, r.error);
    return r.error;
}

void ReportLastBackupFailure(TForm1 &form)
{
    const QString text = TIniFile(form.IniFileName()).ReadString(kSection, kFailure, QString());
    if (!text.isEmpty()) showFailure(form, text);
}
