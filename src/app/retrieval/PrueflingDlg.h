#pragma once

// "Prüfling auswählen": every device with its customer; the retrieval dialog
// assigns a fetched test with it, and new customers and devices start here.

#include "app/common/RecordTableModel.h"
#include "app/retrieval/EntryForms.h"

#include <QDialog>

class QPushButton;
class QTableView;
class TNeuKundeDlg;
class TNeuPrueflingDlg;

class TPrueflingDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPrueflingDlg(QWidget *parent = nullptr, const QString &iniFile = QString(),
                           const QString &connectionName = QString());
    ~TPrueflingDlg() override;

    void setNeuKundeDlg(TNeuKundeDlg *d) { m_neuKunde = d; }
    void setNeuPrueflingDlg(TNeuPrueflingDlg *d) { m_neuPruefling = d; }

    // In: the device to stand on when shown (0 none). Out, after OK: the chosen device.
    int SelectedDeviceNr() const { return m_selectedDeviceNr; }
    void setSelectedDeviceNr(int nr) { m_selectedDeviceNr = nr; }
    QString SelectedBarcode() const { return m_selectedBarcode; }

    // Customer of the current row, 0 without rows.
    int CurrentKundenNr() const;
    int CurrentRow() const;
    TRecordTableModel *Model() const { return m_model; }

    void NeuenKundenAnlegen();
    void NeuenPrueflingAnlegen();

    QTableView *DeviceGrid;
    TKundenFelder Kunde;     // read only
    TPrueflingFelder Geraet; // read only
    QPushButton *BtnNeuerKunde, *BtnNeuerPruefling, *BtnGespeicherteDaten, *BtnOK, *BtnAbbrechen;

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;

private:
    void reloadList();
    void reloadToLast();
    void showCurrent();

    QString m_iniFile;
    QString m_connection;
    TRecordTableModel *m_model;
    TNeuKundeDlg *m_neuKunde = nullptr;
    TNeuPrueflingDlg *m_neuPruefling = nullptr;
    int m_selectedDeviceNr = 0;
    QString m_selectedBarcode;
};
