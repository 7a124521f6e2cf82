#include "app/retrieval/NeuPrueflingDlg.h"

#include "app/common/Prompt.h"
#include "app/retrieval/DatenabrufDlg.h"
#include "app/retrieval/NeuKundeDlg.h"
#include "app/retrieval/PrueflingDlg.h"
#include "store/Database.h"
#include "store/EntryStore.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString TNeuPrueflingDlg::MsgBarcodeVergeben =
    QStringLiteral("Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer.\r"
                   "Barcodenummern müssen jedoch leer oder eindeutig sein.");

TNeuPrueflingDlg::TNeuPrueflingDlg(QWidget *parent, const QString &connectionName)
    : QDialog(parent),
      m_connection(connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
{
    setObjectName(QStringLiteral("NeuPrueflingDlg"));
    setWindowTitle(QStringLiteral("neuen Prüfling anlegen"));
    auto *l = new QVBoxLayout(this);
    l->addLayout(PrueflingFormular(this, Geraet, false));
    l->addLayout(OkAbbrechenZeile(this, BtnOK, BtnAbbrechen));
    connect(BtnOK, &QPushButton::clicked, this, &TNeuPrueflingDlg::accept);
    connect(BtnAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
}

void TNeuPrueflingDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    for (QLineEdit *ed : Geraet.All())
        ed->clear();
    Geraet.Bezeichnung->setFocus();
    // Only a proposal: saving takes the key again inside its transaction.
    m_prueflingNr = ProposedPrueflingNr(QSqlDatabase::database(m_connection, false));
    if (m_datenabruf && m_datenabruf->isVisible()) Geraet.Barcode->setText(m_datenabruf->CurrentBarcode());
    if (m_neuKunde && m_neuKunde->isVisible())
        m_kundenNr = m_neuKunde->KundenNr();
    else
        m_kundenNr = m_pruefling ? m_pruefling->CurrentKundenNr() : 0;
}

void TNeuPrueflingDlg::accept()
{
    const TPrueflingEingabe p{m_kundenNr,
                              Geraet.Bezeichnung->text(),
                              Geraet.Typ->text(),
                              Geraet.Fabrikationsnummer->text(),
                              Geraet.Seriennummer->text(),
                              Geraet.Inventarnummer->text(),
                              Geraet.Barcode->text().trimmed()};
    QString error;
    int key = 0;
    switch (StoreNewDevice(QSqlDatabase::database(m_connection, false), p, &key, &error)) {
    case TEntryResult::Stored:
        m_prueflingNr = key;
        QDialog::accept();
        return;
    case TEntryResult::DuplicateBarcode:
        Prompt().Warn(this, MsgBarcodeVergeben);
        Geraet.Barcode->setFocus();
        return;
    case TEntryResult::Failed:
        Prompt().Error(this,
                       QStringLiteral("Der Prüfling wurde nicht gespeichert.\r\rFehlertext:\r") + error);
        return;
    }
}

void WireEntryDialogs(TDatenabrufDlg *abruf, TPrueflingDlg *pruefling, TNeuKundeDlg *kunde,
                      TNeuPrueflingDlg *neu)
{
    if (abruf) abruf->setPrueflingDlg(pruefling);
    if (pruefling) {
        pruefling->setNeuKundeDlg(kunde);
        pruefling->setNeuPrueflingDlg(neu);
    }
    if (kunde) kunde->setNeuPrueflingDlg(neu);
    if (neu) {
        neu->setDatenabrufDlg(abruf);
        neu->setNeuKundeDlg(kunde);
        neu->setPrueflingDlg(pruefling);
    }
}
