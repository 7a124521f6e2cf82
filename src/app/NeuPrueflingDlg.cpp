#include "app/NeuPrueflingDlg.h"

#include "app/DatenabrufDlg.h"
#include "app/NeuKundeDlg.h"
#include "app/PrueflingDlg.h"
#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/StagingStore.h"

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
    ShowMessage = [this](QMessageBox::Icon icon, const QString &text) { ZeigeMeldung(this, icon, text); };
}

void TNeuPrueflingDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    for (QLineEdit *ed : Geraet.All())
        ed->clear();
    Geraet.Bezeichnung->setFocus();
    m_prueflingNr = NextPrflngNr(QSqlDatabase::database(m_connection, false));
    if (m_datenabruf && m_datenabruf->isVisible()) Geraet.Barcode->setText(m_datenabruf->CurrentBarcode());
    if (m_neuKunde && m_neuKunde->isVisible())
        m_kundenNr = m_neuKunde->KundenNr();
    else
        m_kundenNr = m_pruefling ? m_pruefling->CurrentKundenNr() : 0;
}

bool TNeuPrueflingDlg::insertDevice(QString *error)
{
    const QStringList lines{
        QStringLiteral("INSERT INTO tblPruefling"),
        QStringLiteral(
            "  (PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrTyp, PLstrFabrikationsnummer,"),
        QStringLiteral("  PLstrSeriennummer, PLstrInventarnummer, PLstrBarcode)"),
        QStringLiteral("VALUES"),
        QStringLiteral("  (%1, %2, %3, %4, %5,")
            .arg(m_prueflingNr)
            .arg(m_kundenNr)
            .arg(SqlQuote(Geraet.Bezeichnung->text()), SqlQuote(Geraet.Typ->text()),
                 SqlQuote(Geraet.Fabrikationsnummer->text())),
        QStringLiteral("  %1, %2, %3)")
            .arg(SqlQuote(Geraet.Seriennummer->text()), SqlQuote(Geraet.Inventarnummer->text()),
                 SqlQuote(Geraet.Barcode->text().trimmed()))};
    int rows = 0;
    return ExecLines(QSqlDatabase::database(m_connection, false), lines, error, &rows) && rows == 1;
}

void TNeuPrueflingDlg::accept()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString barcode = Geraet.Barcode->text().trimmed();
    if (!barcode.isEmpty()) {
        bool taken = false;
        QString lookupError;
        if (!BarcodeInUse(db, barcode, &taken, &lookupError)) {
            ShowMessage(QMessageBox::Critical,
                        QStringLiteral("Der Prüfling wurde nicht gespeichert.\r\rFehlertext:\r") +
                            DbFehlertext(lookupError));
            return;
        }
        if (taken) {
            ShowMessage(QMessageBox::Warning, MsgBarcodeVergeben);
            Geraet.Barcode->setFocus();
            return;
        }
    }
    QString error;
    if (!InsertMitSchluessel(
            m_prueflingNr, [&db] { return NextPrflngNr(db); }, [this](QString *e) { return insertDevice(e); },
            &error)) {
        ShowMessage(QMessageBox::Critical,
                    QStringLiteral("Der Prüfling wurde nicht gespeichert.\r\rFehlertext:\r") + error);
        return;
    }
    QDialog::accept();
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
