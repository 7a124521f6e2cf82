#pragma once

// "Datenabruf und -übernahme": the staging table in a grid, fetching the
// tester's stored tests into it, assigning rows to devices and transferring
// them. The work itself is TDatenabruf's; this window shows and asks.

#include "app/common/RecordTableModel.h"
#include "tester/Datenabruf.h"

#include <QDialog>
#include <QMessageBox>
#include <QSet>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QBoxLayout;
class TPrueflingDlg;
class TTesterCommands;
struct TAbrufStand;

// What the dialog reads from the program while it is shown.
struct TDatenabrufQuelle {
    TTesterCommands *Commands = nullptr;
    std::function<bool()> PortOpen;
    std::function<QString()> SerialNumber;
    std::function<QString()> Operator;
    std::function<QString()> Assessor;
};

// The staging table with the grid's texts.
class TStagingModel : public TRecordTableModel {
public:
    explicit TStagingModel(TDatenabruf *logic, QObject *parent = nullptr);
    QString displayText(int row, int column) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    // Stores the row's edits (device by barcode first); a failure reloads the row as stored.
    bool post(int row, TStagingEdit edit);
    TStagingEdit edit(int row) const;
    bool reload();
    // Rows that may be a test stored already show in another colour.
    QVariant data(const QModelIndex &index, int role) const override;
    bool Doppelt(int row) const;
    int DoppeltAnzahl() const;
    // The row has no device yet.
    bool Offen(int row) const;

    static QList<TGridColumn> Columns();

private:
    void loadDoppelt();
    QVariant offenData(int row, int role) const; // colour and hint of a row without device

    TDatenabruf *m_logic;
    QSet<int> m_doppelt;
};

class TDatenabrufDlg : public QDialog {
    Q_OBJECT
public:
    explicit TDatenabrufDlg(QWidget *parent = nullptr, const QString &iniFile = QString(),
                            const QString &connectionName = QString());
    ~TDatenabrufDlg() override;

    // The row's barcode names another device than the one chosen by hand.
    static const QString MsgBarcodeGehoertAnderemPruefling;

    void setQuelle(const TDatenabrufQuelle &q) { m_quelle = q; }
    void setPrueflingDlg(TPrueflingDlg *d) { m_prueflingDlg = d; }
    TDatenabruf *Logic() { return &m_logic; }
    TStagingModel *Model() { return m_model; }

    // Barcode of the current staging row (the new-device dialog takes it).
    QString CurrentBarcode() const;
    int CurrentRow() const;
    void setCurrentRow(int row);

    // The buttons by caption.
    void DatenHolen();
    void ZeileLoeschen();
    void AllesLoeschen();
    void Uebernehmen();
    void PrueflingWaehlen();
    void DeleteWithQuestion(); // Ctrl+Del in the grid
    // The user checked a row marked as doubled: it is a test of its own.
    void DoppeltAufheben();

    QTableView *StagingGrid;
    QPlainTextEdit *RemarkMemo;
    QProgressBar *FetchProgress;
    QPushButton *BtnZeileLoeschen, *BtnAllesLoeschen, *BtnDatenHolen, *BtnUebernehmen, *BtnPruefling, *BtnOK,
        *BtnAbbrechen, *BtnDoppeltAufheben = nullptr;
    QLabel *DoppeltHinweis = nullptr; // what the marked rows mean, while there are any
    QLabel *HinweisZeile = nullptr;   // where things stand and what to do next

    // Rows, assigned rows and what the tester holds, as the guidance line tells them.
    TAbrufStand Stand() const;
    // The first size: the result and the measured values in view on this screen space.
    QSize PreferredSize(const QRect &available) const;

public slots:
    void reject() override;
    void accept() override;

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void buildStagingGrid();
    void buildButtons(); // created and wired, laid out by the constructor
    void updateButtons();
    void deleteCurrent(QMessageBox::Icon icon, const QString &question);
    bool confirm(QMessageBox::Icon icon, const QString &question);
    void refresh(int rowAfter); // -1: last row
    void rowEntered(int row);
    void saveMemo();
    void showMemo();
    void lockForFetch(bool on);
    void setupDoppelt(QBoxLayout *buttons, QBoxLayout *main);
    void updateDoppelt();
    void setupHinweis(QBoxLayout *main);
    void zeigeStand();
    void zaehleImTester(); // asks the tester how many tests it holds
    void arrangeColumns();
    void fitColumns();
    QRect screenSpace() const;
    void showResult(const TAbrufBericht &b);

    QString m_iniFile;
    TDatenabruf m_logic;
    TStagingModel *m_model;
    TDatenabrufQuelle m_quelle;
    TPrueflingDlg *m_prueflingDlg = nullptr;
    int m_memoRow = -1;
    int m_imTester = -1; // tests the tester holds; -1 unknown
    bool m_counting = false;
};
