#pragma once

// "neuen Prüfling anlegen": a new device; it takes the barcode of the current
// staging row and the customer of whichever dialog called it.

#include "app/retrieval/EntryForms.h"

#include <QDialog>

class QPushButton;
class TDatenabrufDlg;
class TNeuKundeDlg;
class TPrueflingDlg;

class TNeuPrueflingDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNeuPrueflingDlg(QWidget *parent = nullptr, const QString &connectionName = QString());

    void setDatenabrufDlg(TDatenabrufDlg *d) { m_datenabruf = d; }
    void setNeuKundeDlg(TNeuKundeDlg *d) { m_neuKunde = d; }
    void setPrueflingDlg(TPrueflingDlg *d) { m_pruefling = d; }

    // While shown the number proposed; after saving the number the device got.
    int PrueflingNr() const { return m_prueflingNr; }
    int KundenNr() const { return m_kundenNr; }

    static const QString MsgBarcodeVergeben;

    TPrueflingFelder Geraet;
    QPushButton *BtnOK, *BtnAbbrechen;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *e) override;

private:
    QString m_connection;
    TDatenabrufDlg *m_datenabruf = nullptr;
    TNeuKundeDlg *m_neuKunde = nullptr;
    TPrueflingDlg *m_pruefling = nullptr;
    int m_prueflingNr = 0;
    int m_kundenNr = 0;
};

// Tells the four entry dialogs of each other.
void WireEntryDialogs(TDatenabrufDlg *abruf, TPrueflingDlg *pruefling, TNeuKundeDlg *kunde,
                      TNeuPrueflingDlg *neu);
