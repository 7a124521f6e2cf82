#include "app/extras/DataExtras.h"

#include "app/browser/DatenanzeigeDlg.h"
#include "app/common/Configuration.h"
#include "app/common/Prompt.h"
#include "app/common/ProtocolSettings.h"
#include "app/extras/ImportDlg.h"
#include "app/extras/PrueffristenDlg.h"
#include "protocols/ProtocolArchive.h"
#include "store/Database.h"

#include <QDir>
#include <QProgressDialog>
#include <QTimer>

TDataExtras::TDataExtras(QWidget *window, TConfiguration *config, std::function<TDatenanzeigeDlg *()> browser)
    : QObject(window), m_window(window), m_config(config), m_browser(std::move(browser))
{
}

void TDataExtras::OpenDueDates()
{
    TPrueffristenDlg dlg(m_window);
    dlg.setDatabase(ProgramDatabase());
    dlg.setServiceInterval(m_config->ServiceInterv);
    dlg.setSenderLines(m_config->TopLine);
    connect(&dlg, &TPrueffristenDlg::deviceActivated, this,
            [this](int kundenNr, int prueflingNr) { OpenBrowserAt(kundenNr, prueflingNr); });
    dlg.exec();
}

void TDataExtras::OpenBrowserAt(int kundenNr, int prueflingNr)
{
    TDatenanzeigeDlg *browser = m_browser ? m_browser() : nullptr;
    if (!browser) return;
    // The browser opens its data when shown; the jump follows once it stands.
    QTimer::singleShot(0, browser, [browser, kundenNr, prueflingNr] {
        if (browser->Data()->IsOpen()) browser->Data()->JumpTo(kundenNr, prueflingNr);
    });
    browser->exec();
}

void TDataExtras::ArchiveProtocols()
{
    const QString dir = Prompt().Folder(m_window, QStringLiteral("Ordner für das Protokollarchiv"));
    if (dir.isEmpty()) return;
    TProtocolArchive archive;
    QProgressDialog progress(QStringLiteral("Protokolle werden archiviert..."), QStringLiteral("Abbrechen"),
                             0, 0, m_window);
    progress.setWindowTitle(QStringLiteral("Protokolle archivieren"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    connect(&archive, &TProtocolArchive::progress, &progress, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done); // a modal progress dialog keeps the loop running
    });
    connect(&progress, &QProgressDialog::canceled, &archive, &TProtocolArchive::Cancel);
    TArchiveResult result;
    QString error;
    const bool ok =
        archive.Run(ProgramDatabase(), dir, QDate(), ProtocolSettingsOf(*m_config), result, &error);
    progress.close();
    if (!ok) {
        Prompt().Warn(m_window, error, QStringLiteral("Protokolle archivieren"));
        return;
    }
    QString text = result.Summary() + QStringLiteral("\n\nOrdner: ") + QDir::toNativeSeparators(dir);
    if (!result.errors.isEmpty())
        text += QStringLiteral("\n\n") + result.errors.mid(0, 10).join(QLatin1Char('\n'));
    Prompt().Inform(m_window, text, QStringLiteral("Protokolle archivieren"));
}

void TDataExtras::ImportCsv()
{
    const QString file = Prompt().OpenFileName(m_window, QStringLiteral("CSV-Datei importieren"),
                                               QStringLiteral("CSV-Dateien (*.csv *.txt);;alle Dateien (*)"));
    if (file.isEmpty()) return;
    TImportDlg dlg(m_window);
    dlg.setDatabase(ProgramDatabase());
    if (!dlg.LoadFile(file)) return;
    dlg.exec();
}
