#pragma once

// "Messmodus-Einstellung": choose a numbered measuring mode from the table, or
// the set-up of the stored test that was current in the browser.

#include "app/panel/SprachEinstDlg.h"

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QRadioButton;
class QTreeWidget;

class TMessmodusDlg : public QDialog {
public:
    explicit TMessmodusDlg(QWidget *parent = nullptr, const QString &iniFile = QString());
    ~TMessmodusDlg() override;

    QRadioButton *FromStoredTest; // "wie aktueller gespeicherter Satz"
    QRadioButton *FromTable;      // "aus Tabelle:"
    QTreeWidget *ModeTable;
    QDialogButtonBox *Buttons;

    // Fills the table anew (as each showing does).
    void FillList();
    // The chosen row, -1 when none is selected.
    int SelectedRow() const;
    bool StoredChosen() const;

protected:
    void showEvent(QShowEvent *e) override;

private:
    QString m_iniFile;
};
