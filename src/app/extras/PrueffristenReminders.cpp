#include "app/extras/PrueffristenDlg.h"

#include "app/common/Prompt.h"
#include "protocols/ReminderRun.h"

#include <QCheckBox>
#include <QDate>
#include <QProgressDialog>
#include <QSpinBox>

void TPrueffristenDlg::RemindersClick()
{
    // The letters name only what is due, whatever else the list shows; without
    // the days filter "due" means within the window's warning days.
    const int days = FaelligCheck->isChecked() ? TageEdit->value() : WarnDays;
    const QList<TDueEntry> due = DueWithin(Shown(), days);
    const QString title = QStringLiteral("Erinnerungen");
    if (due.isEmpty()) {
        Prompt().Inform(this,
                        QStringLiteral("Bei den angezeigten Kunden ist kein Prüfling innerhalb von %1 Tagen "
                                       "fällig; es wird kein Schreiben erstellt.")
                            .arg(days),
                        title);
        return;
    }
    const QString dir = Prompt().Folder(this, QStringLiteral("Ordner für die Erinnerungsschreiben"));
    if (dir.isEmpty()) return;
    TReminderResult result;
    QString error;
    QProgressDialog progress(QStringLiteral("Erinnerungsschreiben werden geschrieben..."),
                             QStringLiteral("Abbrechen"), 0, 0, this);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const bool ok = WriteReminderLetters(m_db, due, m_sender, QDate::currentDate(), dir, result, &error,
                                         [&progress](int done, int total) {
                                             progress.setMaximum(total);
                                             progress.setValue(done); // a modal one keeps the loop running
                                             return !progress.wasCanceled();
                                         });
    progress.reset();
    if (ok) {
        Prompt().Inform(this, result.Summary(), title);
        return;
    }
    if (result.errors.isEmpty()) {
        Prompt().Warn(this, error, title); // the folder
        return;
    }
    // A long list of failures is cut: they usually share one cause.
    const QStringList shown = result.errors.mid(0, 5);
    QString text = result.Summary() + QStringLiteral("\n\n") + shown.join(QLatin1Char('\n'));
    if (result.errors.size() > shown.size()) text += QStringLiteral("\n…");
    Prompt().Warn(this, text, title);
}
