#include "app/retrieval/NeuKundeDlg.h"

#include "app/common/Prompt.h"
#include "app/retrieval/NeuPrueflingDlg.h"
#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/EntryStore.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString TNeuKundeDlg::MsgKundeLeer =
    QStringLiteral("Es sind weder Name noch Anschrift eingegeben; ein leerer Kunde wird nicht gespeichert.");

TNeuKundeDlg::TNeuKundeDlg(QWidget *parent, const QString &connectionName)
    : QDialog(parent),
      m_connection(connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
{
    setObjectName(QStringLiteral("NeuKundeDlg"));
    setWindowTitle(QStringLiteral("neuen Kunden anlegen"));
    auto *l = new QVBoxLayout(this);
    l->addLayout(KundenFormular(this, Kunde, false));
    l->addLayout(OkAbbrechenZeile(this, BtnOK, BtnAbbrechen));
    connect(BtnOK, &QPushButton::clicked, this, &TNeuKundeDlg::accept);
    connect(BtnAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    // Country codes are written in capitals, whatever is typed.
    connect(Kunde.LKZ, &QLineEdit::textEdited, this, [this](const QString &t) {
        const int pos = Kunde.LKZ->cursorPosition();
        Kunde.LKZ->setText(t.toUpper());
        Kunde.LKZ->setCursorPosition(pos);
    });
    setMinimumWidth(420);
}

void TNeuKundeDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    for (QLineEdit *ed : Kunde.All())
        ed->clear();
    // Only a proposal: saving takes the key again inside its transaction.
    m_kundenNr = ProposedKundenNr(QSqlDatabase::database(m_connection, false));
    Kunde.Name1->setFocus();
}

void TNeuKundeDlg::accept()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const TKundeEingabe k{Kunde.Name1->text(),   Kunde.Name2->text(),   Kunde.Name3->text(),
                          Kunde.Strasse->text(), Kunde.LKZ->text(),     Kunde.PLZ->text(),
                          Kunde.Ort->text(),     Kunde.Telefon->text(), Kunde.Fax->text()};
    if (k.IsEmpty()) {
        // A customer without name or address is found by nobody later.
        Prompt().Warn(this, MsgKundeLeer);
        Kunde.Name1->setFocus();
        return;
    }
    QString error;
    int key = 0;
    if (StoreNewCustomer(db, k, &key, &error) != TEntryResult::Stored) {
        Prompt().Error(this, QStringLiteral("Der Kunde wurde nicht gespeichert.\r\rFehlertext:\r") + error);
        return;
    }
    m_kundenNr = key; // the new-device dialog attaches its device to this number
    const bool device = m_neuPruefling && m_neuPruefling->exec() == QDialog::Accepted;
    // No customer without a device by this path.
    if (!device && !DeleteCustomerCascade(db, m_kundenNr, true, &error))
        Prompt().Warn(
            this, QStringLiteral("Der Kunde „%1“ ist ohne Prüfling gespeichert geblieben und konnte nicht "
                                 "wieder entfernt werden.\r\rFehlertext:\r")
                          .arg(k.Name1.trimmed()) +
                      DbFehlertext(error));
    QDialog::accept();
}
