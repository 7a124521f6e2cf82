#pragma once

// "neuen Kunden anlegen": a new customer, always together with its first device.

#include "app/retrieval/EntryForms.h"

#include <QDialog>

class QPushButton;
class TNeuPrueflingDlg;

class TNeuKundeDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNeuKundeDlg(QWidget *parent = nullptr, const QString &connectionName = QString());

    void setNeuPrueflingDlg(TNeuPrueflingDlg *d) { m_neuPruefling = d; }
    // While shown the number proposed; after saving the number the customer got.
    int KundenNr() const { return m_kundenNr; }

    static const QString MsgKundeLeer;

    TKundenFelder Kunde;
    QPushButton *BtnOK, *BtnAbbrechen;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *e) override;

private:
    QString m_connection;
    TNeuPrueflingDlg *m_neuPruefling = nullptr;
    int m_kundenNr = 0;
};
