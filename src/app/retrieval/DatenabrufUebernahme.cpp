#include "app/retrieval/DatenabrufDlg.h"

// The retrieval dialog's ways out of the staging table: the transfer into the
// tests table and the assignment of a row to a device chosen from the list.

#include "app/common/Prompt.h"
#include "app/retrieval/DatenabrufHinweis.h"
#include "app/retrieval/PrueflingDlg.h"

#include <QLabel>

const QString TDatenabrufDlg::MsgBarcodeGehoertAnderemPruefling =
    QStringLiteral("Der Barcode „%1“ dieser Zeile gehört zu einem anderen Prüfling; die Zeile bleibt diesem "
                   "zugeordnet. Um den gewählten Prüfling zuzuordnen, ändern Sie bitte zuerst den Barcode.");

void TDatenabrufDlg::Uebernehmen()
{
    if (m_logic.Fetching()) return;
    saveMemo();
    if (!confirm(QMessageBox::Question, UebernahmeFrage(Stand()))) return;
    m_memoRow = -1;
    const TUebertragBericht r = m_logic.Transfer();
    refresh(0);
    updateButtons();
    // One message afterwards, after the list shows what is left: what went
    // where, and all failed rows together.
    const QString summe = UebernahmeZusammenfassung(r, m_model->rowCount());
    HinweisZeile->setText(summe);
    if (r.Meldung().isEmpty())
        Prompt().Inform(this, summe);
    else
        Prompt().Error(this, r.Meldung() + QStringLiteral("\r\r") + summe);
}

void TDatenabrufDlg::PrueflingWaehlen()
{
    const int row = CurrentRow();
    if (m_logic.Fetching() || row < 0 || !m_prueflingDlg) return;
    saveMemo();
    TStagingEdit e = m_model->edit(row);
    m_prueflingDlg->setSelectedDeviceNr(e.PrueflingNr);
    // OK on an empty list chooses nothing: the row stays as it is.
    if (m_prueflingDlg->exec() != QDialog::Accepted || m_prueflingDlg->SelectedDeviceNr() == 0) return;
    const int chosen = m_prueflingDlg->SelectedDeviceNr();
    // The tester's barcode is the record's own link to its device; only a
    // device with a barcode of its own replaces it.
    if (!m_prueflingDlg->SelectedBarcode().isEmpty()) e.Barcode = m_prueflingDlg->SelectedBarcode();
    e.PrueflingNr = chosen;
    if (m_model->post(row, e) && m_model->edit(row).PrueflingNr != chosen)
        Prompt().Warn(this, MsgBarcodeGehoertAnderemPruefling.arg(e.Barcode));
    showMemo();
}
