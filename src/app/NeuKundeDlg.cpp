#include "app/NeuKundeDlg.h"

#include "app/NeuPrueflingDlg.h"
#include "store/Database.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TNeuKundeDlg::TNeuKundeDlg(QWidget *parent, const QString &connectionName)
    : QDialog(parent), m_connection(connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
{
    setObjectName(QStringLiteral("NeuKundeDlg"));
    setWindowTitle(QStringLiteral("neuen Kunden anlegen"));
    auto edit = [this](const char *name, int maxLength) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(maxLength);
        return e;
    };
    EditName1 = edit("EditName1", 60);
    EditName2 = edit("EditName2", 60);
    EditName3 = edit("EditName3", 60);
    EditStrasse = edit("EditStrasse", 60);
    EditLKZ = edit("EditLKZ", 5);
    EditLKZ->setMaximumWidth(50);
    EditPLZ = edit("EditPLZ", 10);
    EditPLZ->setMaximumWidth(80);
    EditOrt = edit("EditOrt", 50);
    EditTelefon = edit("EditTelefon", 30);
    EditFax = edit("EditFax", 30);
    // Country codes are written in capitals, whatever is typed.
    connect(EditLKZ, &QLineEdit::textEdited, this, [this](const QString &t) {
        const int pos = EditLKZ->cursorPosition();
        EditLKZ->setText(t.toUpper());
        EditLKZ->setCursorPosition(pos);
    });

    auto *f = new QFormLayout;
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(EditName1);
    names->addWidget(EditName2);
    names->addWidget(EditName3);
    f->addRow(QStringLiteral("Name:"), names);
    f->addRow(QStringLiteral("Straße:"), EditStrasse);
    auto *ort = new QHBoxLayout;
    ort->addWidget(EditLKZ);
    ort->addWidget(new QLabel(QStringLiteral("-"), this));
    ort->addWidget(EditPLZ);
    ort->addWidget(EditOrt, 1);
    f->addRow(QStringLiteral("PLZ, Ort:"), ort);
    f->addRow(QStringLiteral("Tel."), EditTelefon);
    f->addRow(QStringLiteral("Fax"), EditFax);

    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    BtnAbbrechen->setAutoDefault(false);
    connect(BtnOK, &QPushButton::clicked, this, &TNeuKundeDlg::accept);
    connect(BtnAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    auto *b = new QHBoxLayout;
    b->addStretch(1);
    b->addWidget(BtnOK);
    b->addWidget(BtnAbbrechen);
    auto *l = new QVBoxLayout(this);
    l->addLayout(f);
    l->addLayout(b);
    setMinimumWidth(420);

    ShowMessage = [this](QMessageBox::Icon icon, const QString &text) {
        QMessageBox box(icon, QStringLiteral("Gerätetester"), text, QMessageBox::Ok, this);
        box.exec();
    };
}

void TNeuKundeDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    for (QLineEdit *ed : {EditName1, EditName2, EditName3, EditStrasse, EditLKZ, EditPLZ, EditOrt, EditTelefon, EditFax})
        ed->clear();
    m_kundenNr = NextKundenNr(QSqlDatabase::database(m_connection, false));
    EditName1->setFocus();
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
            .arg(SqlQuote(EditName1->text()), SqlQuote(EditName2->text()), SqlQuote(EditName3->text()),
                 SqlQuote(EditStrasse->text())),
        QStringLiteral("  %1, %2, %3, %4, %5)")
            .arg(SqlQuote(EditLKZ->text().toUpper()), SqlQuote(EditPLZ->text()), SqlQuote(EditOrt->text()),
                 SqlQuote(EditTelefon->text()), SqlQuote(EditFax->text()))};
    int rows = 0;
    return ExecLines(QSqlDatabase::database(m_connection, false), lines, error, &rows) && rows == 1;
}

void TNeuKundeDlg::accept()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QString error;
    if (!insertCustomer(&error)) {
        // Another workstation may have taken the number meanwhile: once more with a fresh one.
        const int fresh = NextKundenNr(db);
        if (fresh == m_kundenNr || (m_kundenNr = fresh, !insertCustomer(&error))) {
            ShowMessage(QMessageBox::Critical, QStringLiteral("Der Kunde wurde nicht gespeichert.\r\rFehlertext:\r") + error);
            return;
        }
    }
    const bool device = m_neuPruefling && m_neuPruefling->exec() == QDialog::Accepted;
    // No customer without a device by this path.
    if (!device) DeleteCustomerCascade(db, m_kundenNr);
    QDialog::accept();
}
