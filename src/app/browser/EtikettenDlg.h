#pragma once

// "Etiketten": which devices get labels (the current one, all of the
// customer or of every customer, optionally only those due soon), where on
// the sheet the first label goes and where the printer puts its ink.

#include "protocols/DeviceLabels.h"

#include <QDialog>
#include <QSqlDatabase>

class QCheckBox;
class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;

class TEtikettenDlg : public QDialog {
public:
    explicit TEtikettenDlg(QWidget *parent = nullptr);

    QRadioButton *RbPruefling, *RbKunde, *RbAlle;
    QCheckBox *CbFaellig;
    QSpinBox *FaelligTage;
    QSpinBox *ErstesEtikett;
    QDoubleSpinBox *VersatzX, *VersatzY, *Rand;

    bool AllOfCustomer() const;
    int FirstPosition() const;
    // -1 when due or not; else the days within which a device is due.
    int DueWithinDays() const;
    // The devices chosen, seen from the browser's current customer and device.
    TLabelChoice Selection(int kundenNr, int prueflingNr) const;

    TLabelPrintArea PrintArea() const;
    void setPrintArea(const TLabelPrintArea &area);
};

// Loads the chosen devices and lays out their labels. Says in German what
// went wrong, that nothing was chosen, or which barcodes are printed as text
// only. False when there is nothing to print.
bool BuildLabels(QWidget *parent, QSqlDatabase db, const TLabelChoice &which, const TEtikettenDlg &choice,
                 int serviceIntervalDays, TReport &report);
