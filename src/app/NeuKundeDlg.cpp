#include "app/NeuKundeDlg.h"

#include "app/NeuPrueflingDlg.h"
#include "store/Database.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TNeuKundeDlg::TNeuKundeDlg(QWidget *parent, const QString &connectionName)
    : QDialog(parent), m_connection(connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
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
    ShowMessage = [this](QMessageBox::Icon icon, const QString &text) { ZeigeMeldung(this, icon, text); };
}

void TNeuKundeDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    for (QLineEdit *ed : Kunde.All())
        ed->clear();
    m_kundenNr = NextKundenNr(QSqlDatabase::database(m_connection, false));
    Kunde.Name1->setFocus();
}

bool TNeuKundeDlg::insertCustomer(QString *error)
{
    const QStringList lines{
        QStringLiteral("INSERT INTO tblKunden"),
        QStringLiteral("  (KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, KDstrStrasse,"),
        QStringLiteral("  KDstrLKZ, KDstrPLZ, KDstrOrt, KDstrTelefon, KDstrFax)"),
        QStringLiteral("VALUES"),
        QStringLiteral("  (%1, %2, %3, %4, %5,")
            .arg(m_kundenNr)
            .arg(SqlQuote(Kunde.Name1->text()), SqlQuote(Kunde.Name2->text()), SqlQuote(Kunde.Name3->text()),
                 SqlQuote(Kunde.Strasse->text())),
        QStringLiteral("  %1, %2, %3, %4, %5)")
            .arg(SqlQuote(Kunde.LKZ->text().toUpper()), SqlQuote(Kunde.PLZ->text()), SqlQuote(Kunde.Ort->text()),
                 SqlQuote(Kunde.Telefon->text()), SqlQuote(Kunde.Fax->text()))};
    int rows = 0;
    return ExecLines(QSqlDatabase::database(m_connection, false), lines, error, &rows) && rows == 1;
}

void TNeuKundeDlg::accept()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QString error;
    if (!InsertMitSchluessel(
            m_kundenNr, [&db] { return NextKundenNr(db); }, [this](QString *e) { return insertCustomer(e); }, &error)) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("Der Kunde wurde nicht gespeichert.\r\rFehlertext:\r") + error);
        return;
    }
    const bool device = m_neuPruefling && m_neuPruefling->exec() == QDialog::Accepted;
    // No customer without a device by this path.
    if (!device) DeleteCustomerCascade(db, m_kundenNr);
    QDialog::accept();
}
