// Rows of the retrieval grid that may be a test stored already: a fetch found
// the same content as a record of an earlier fetch whose clearing the tester
// never confirmed. They are shown in another colour with a line that says
// what that means, and stay out of the transfer until the user decides.

#include "app/common/Prompt.h"
#include "app/retrieval/DatenabrufDlg.h"

#include "store/Database.h"
#include "store/FetchStore.h"

#include <QBoxLayout>
#include <QBrush>
#include <QColor>
#include <QLabel>
#include <QPushButton>

namespace {

const QColor kDoppeltFarbe(255, 214, 153);

} // namespace

void TStagingModel::loadDoppelt()
{
    m_doppelt = DoppeltMarkierteZeilen(m_logic->Database());
}

bool TStagingModel::Doppelt(int row) const
{
    return row >= 0 && row < rowCount() &&
           m_doppelt.contains(FieldInt(value(row, QStringLiteral("UNintLfdNr"))));
}

int TStagingModel::DoppeltAnzahl() const
{
    int n = 0;
    for (int row = 0; row < rowCount(); ++row)
        n += Doppelt(row) ? 1 : 0;
    return n;
}

QVariant TStagingModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && Doppelt(index.row())) {
        if (role == Qt::BackgroundRole) return QBrush(kDoppeltFarbe);
        if (role == Qt::ToolTipRole)
            return QStringLiteral("Möglicherweise schon gespeichert: gleicher Inhalt wie ein Satz eines "
                                  "früheren, unbestätigten Abrufs.");
    } else if (index.isValid()) {
        const QVariant v = offenData(index.row(), role);
        if (v.isValid()) return v;
    }
    return TRecordTableModel::data(index, role);
}

void TDatenabrufDlg::setupDoppelt(QBoxLayout *buttons, QBoxLayout *main)
{
    BtnDoppeltAufheben = new QPushButton(QStringLiteral("nicht doppelt"), this);
    BtnDoppeltAufheben->setObjectName(QStringLiteral("BtnDoppeltAufheben"));
    BtnDoppeltAufheben->setAutoDefault(false);
    BtnDoppeltAufheben->setToolTip(
        QStringLiteral("Die markierte Zeile ist eine eigene Prüfung und wird übertragen"));
    buttons->insertWidget(5, BtnDoppeltAufheben);
    connect(BtnDoppeltAufheben, &QPushButton::clicked, this, &TDatenabrufDlg::DoppeltAufheben);
    DoppeltHinweis = new QLabel(this);
    DoppeltHinweis->setObjectName(QStringLiteral("DoppeltHinweis"));
    DoppeltHinweis->setWordWrap(true);
    DoppeltHinweis->setStyleSheet(
        QStringLiteral("background-color: %1; padding: 3px;").arg(kDoppeltFarbe.name()));
    main->insertWidget(1, DoppeltHinweis);
    updateDoppelt();
}

void TDatenabrufDlg::updateDoppelt()
{
    if (!DoppeltHinweis) return; // rows entered while the window is still being built
    const int n = m_model->DoppeltAnzahl();
    DoppeltHinweis->setVisible(n > 0);
    DoppeltHinweis->setText(
        n == 1
            ? QStringLiteral("1 Satz ist möglicherweise schon gespeichert (farbig markiert). Er wird nicht "
                             "übertragen: bitte prüfen und löschen oder mit „nicht doppelt“ freigeben.")
            : QStringLiteral("%1 Sätze sind möglicherweise schon gespeichert (farbig markiert). Sie werden "
                             "nicht übertragen: bitte prüfen und löschen oder mit „nicht doppelt“ freigeben.")
                  .arg(n));
    BtnDoppeltAufheben->setVisible(n > 0);
    BtnDoppeltAufheben->setEnabled(!m_logic.Fetching() && m_model->Doppelt(CurrentRow()));
}

void TDatenabrufDlg::DoppeltAufheben()
{
    const int row = CurrentRow();
    if (m_logic.Fetching() || !m_model->Doppelt(row)) return;
    if (!confirm(QMessageBox::Question,
                 QStringLiteral(
                     "Dieser Satz hat denselben Inhalt wie ein schon gespeicherter. Ist er trotzdem eine "
                     "eigene Prüfung, die übertragen werden soll?")))
        return;
    QString fehler;
    if (!DoppeltMarkierungAufheben(m_logic.Database(),
                                   FieldInt(m_model->value(row, QStringLiteral("UNintLfdNr"))), &fehler))
        Prompt().Error(this, TDatenabruf::DatenbankfehlerText(fehler, false));
    refresh(row);
    updateButtons();
}
