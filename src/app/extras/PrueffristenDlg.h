#pragma once

// "Prüffristen": every device with its last and next test, overdue rows red,
// those due soon yellow; filtered by customer and by days, sorted by any
// column, printed and exported. The list itself comes from the store.

#include "store/DueList.h"

#include <QDialog>
#include <QSqlDatabase>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class QSpinBox;
class QTableView;
class TDueCustomerModel;
class TDueListModel;

class TPrueffristenDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPrueffristenDlg(QWidget *parent = nullptr);

    void setDatabase(const QSqlDatabase &db) { m_db = db; }
    void setServiceInterval(int days) { m_interval = days; }
    // The contractor's lines, the sender of reminder letters.
    void setSenderLines(const std::array<QString, 5> &lines) { m_sender = lines; }

    // Reads the list anew (also on showing). False with the reason shown.
    bool Reload();
    // The rows the filters let through, in the list's order.
    QList<TDueEntry> Shown() const;

    void PrintClick();
    void ExportClick();
    // A reminder letter to each customer shown with devices due (PrueffristenReminders.cpp).
    void RemindersClick();

    QComboBox *KundeFilter;
    QCheckBox *FaelligCheck;
    QSpinBox *TageEdit;
    QTableView *Liste;
    QLabel *Anzahl;
    QPushButton *BtnDrucken, *BtnExport, *BtnSchliessen;
    QPushButton *BtnErinnerungen;

    // Rows marked overdue within this many days (yellow).
    static constexpr int WarnDays = 30;

signals:
    // Double click on a row: the browser should show this device.
    void deviceActivated(int kundenNr, int prueflingNr);

protected:
    void showEvent(QShowEvent *e) override;

private:
    // The window's three rows, top to bottom.
    QLayout *buildFilters();
    void buildList();
    QLayout *buildButtons();
    void refill();

    QSqlDatabase m_db;
    int m_interval = 365;
    std::array<QString, 5> m_sender;
    QList<TDueEntry> m_all;
    TDueListModel *m_model;
    TDueCustomerModel *m_customers;
};
