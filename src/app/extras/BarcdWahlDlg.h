#pragma once

#include "protocols/BarcodeSheets.h"

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

// "Barcodes drucken": the user picks one of the two barcode sheets; OK opens
// it in the preview, from where it is printed. Every opening starts with no
// choice and OK disabled.
class TBarcdWahlDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBarcdWahlDlg(QWidget *parent = nullptr);

    // -1 none, 0 control barcodes, 1 reader configuration.
    int ItemIndex() const;
    void setItemIndex(int index);

    // Off in tests: OK then only reports the choice.
    bool PreviewOnAccept = true;

    QGroupBox *SheetGroup = nullptr;
    QRadioButton *SteuerItem = nullptr;
    QRadioButton *LeserItem = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *CancelButton = nullptr;

signals:
    void sheetChosen(TBarcodeSheet sheet);

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void choiceChanged();
};
