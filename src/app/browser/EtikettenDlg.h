#pragma once

// "Etiketten": which devices get labels (the current one or all of the
// customer) and where on the sheet the first label goes.

#include <QDialog>

class QRadioButton;
class QSpinBox;

class TEtikettenDlg : public QDialog {
public:
    explicit TEtikettenDlg(QWidget *parent = nullptr);

    QRadioButton *RbPruefling, *RbKunde;
    QSpinBox *ErstesEtikett;

    bool AllOfCustomer() const;
    int FirstPosition() const;
};
