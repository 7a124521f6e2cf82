#include "app/NeuPrueflingDlg.h"

#include "app/DatenabrufDlg.h"
#include "app/NeuKundeDlg.h"
#include "app/PrueflingDlg.h"
#include "store/Database.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>

const QString TNeuPrueflingDlg::MsgBarcodeVergeben =
    QStringLiteral("Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer.\r"
                   "Barcodenummern müssen jedoch leer oder eindeutig sein.");

TNeuPrueflingDlg::TNeuPrueflingDlg(QWidget *parent, const QString &connectionName)
    : QDialog(parent), m_connection(connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
{
    setObjectName(QStringLiteral("NeuPrueflingDlg"));
    setWindowTitle(QStringLiteral("neuen Prüfling anlegen"));
    auto edit = [this](const char *name, int maxLength) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(maxLength);
        return e;
    };
    EditBezeichnung = edit("EditBezeichnung", 60);
    EditTyp = edit("EditTyp", 50);
    EditFabrikationsnummer = edit("EditFabrikationsnummer", 30);
    EditSeriennummer = edit("EditSeriennummer", 30);
    EditInventarnummer = edit("EditInventarnummer", 30);
    EditBarcode = edit("EditBarcode", 20);
    auto *f = new QFormLayout;
    f->addRow(QStringLiteral("Bezeichnung:"), EditBezeichnung);
    f->addRow(QStringLiteral("Typ:"), EditTyp);
    f->addRow(QStringLiteral("Fabrikationsnummer:"), EditFabrikationsnummer);
    f->addRow(QStringLiteral("Seriennummer:"), EditSeriennummer);
    f->addRow(QStringLiteral("Inventarnummer:"), EditInventarnummer);
    f->addRow(QStringLiteral("Barcode/Prüflingsnummer:"), EditBarcode);

    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    BtnAbbrechen->setAutoDefault(false);
    connect(BtnOK, &QPushButton::clicked, this, &TNeuPrueflingDlg::accept);
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

void TNeuPrueflingDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    for (QLineEdit *ed : {EditBezeichnung, EditTyp, EditFabrikationsnummer, EditSeriennummer, EditInventarnummer, EditBarcode})
        ed->clear();
    EditBezeichnung->setFocus();
    m_prueflingNr = NextPrflngNr(QSqlDatabase::database(m_connection, false));
    if (m_datenabruf && m_datenabruf->isVisible()) EditBarcode->setText(m_datenabruf->CurrentBarcode());
    if (m_neuKunde && m_neuKunde->isVisible())
        m_kundenNr = m_neuKunde->KundenNr();
    else
        m_kundenNr = m_pruefling ? m_pruefling->CurrentKundenNr() : 0;
}

bool TNeuPrueflingDlg::insertDevice(QString *error)
{
    const QStringList lines{
        QStringLiteral("INSERT INTO tblPruefling"),
        QStringLiteral("  (PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrTyp, PLstrFabrikationsnummer,"),
        QStringLiteral("  PLstrSeriennummer, PLstrInventarnummer, PLstrBarcode)"),
        QStringLiteral("VALUES"),
        QStringLiteral("  (%1, %2, %3, %4, %5,")
            .arg(m_prueflingNr)
            .arg(m_kundenNr)
            .arg(SqlQuote(EditBezeichnung->text()), SqlQuote(EditTyp->text()),
                 SqlQuote(EditFabrikationsnummer->text())),
        QStringLiteral("  %1, %2, %3)")
            .arg(SqlQuote(EditSeriennummer->text()), SqlQuote(EditInventarnummer->text()),
                 SqlQuote(EditBarcode->text().trimmed()))};
    int rows = 0;
    return ExecLines(QSqlDatabase::database(m_connection, false), lines, error, &rows) && rows == 1;
}

void TNeuPrueflingDlg::accept()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString barcode = EditBarcode->text().trimmed();
    if (!barcode.isEmpty()) {
        QSqlQuery q(db);
        const QStringList lines{QStringLiteral("SELECT PLstrBarcode"), QStringLiteral("FROM tblPruefling"),
                                QStringLiteral("WHERE (PLstrBarcode = ") + SqlQuote(barcode) + QLatin1Char(')')};
        if (!q.exec(lines.join(QLatin1Char('\n')))) {
            ShowMessage(QMessageBox::Critical, QStringLiteral("Der Prüfling wurde nicht gespeichert.\r\rFehlertext:\r") +
                                                   q.lastError().text());
            return;
        }
        if (q.next()) {
            ShowMessage(QMessageBox::Warning, MsgBarcodeVergeben);
            EditBarcode->setFocus();
            return;
        }
    }
    QString error;
    if (!insertDevice(&error)) {
        // Another workstation may have taken the number meanwhile: once more with a fresh one.
        const int fresh = NextPrflngNr(db);
        if (fresh == m_prueflingNr || (m_prueflingNr = fresh, !insertDevice(&error))) {
            ShowMessage(QMessageBox::Critical,
                        QStringLiteral("Der Prüfling wurde nicht gespeichert.\r\rFehlertext:\r") + error);
            return;
        }
    }
    QDialog::accept();
}

void WireEntryDialogs(TDatenabrufDlg *abruf, TPrueflingDlg *pruefling, TNeuKundeDlg *kunde, TNeuPrueflingDlg *neu)
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
