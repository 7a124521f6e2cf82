#pragma once

#include <QDialog>

class QDialogButtonBox;
class QListWidget;

// "Spracheinstellung": the tester's languages, the current one selected.
class TSprachEinstDlg : public QDialog {
public:
    explicit TSprachEinstDlg(QWidget *parent = nullptr);
    QListWidget *LanguageList;
    QDialogButtonBox *Buttons;

    // Lists the codes (known ones with their names) and selects `current`.
    void SetLanguages(const QStringList &codes, int current);
    // The two-letter code of the chosen entry; empty when none.
    QString ChosenCode() const;
};
