#include "app/extras/BarcdWahlDlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TBarcdWahlDlg::TBarcdWahlDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BarcdWahlDlg"));
    setWindowTitle(QStringLiteral("Barcodes drucken"));

    SheetGroup = new QGroupBox(QStringLiteral("Barcodeblatt wählen"), this);
    SheetGroup->setObjectName(QStringLiteral("RadioGroup1"));
    SteuerItem = new QRadioButton(QStringLiteral("Steuerbarcodes zur Gerätetester-Einstellung"), SheetGroup);
    LeserItem = new QRadioButton(QStringLiteral("Konfiguration des Barcodelesers"), SheetGroup);
    auto *items = new QButtonGroup(this);
    items->addButton(SteuerItem, 0);
    items->addButton(LeserItem, 1);
    auto *groupLayout = new QVBoxLayout(SheetGroup);
    groupLayout->addWidget(SteuerItem);
    groupLayout->addWidget(LeserItem);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("BitBtn1"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelButton->setObjectName(QStringLiteral("BitBtn2"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SheetGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkButton, &QPushButton::clicked, this, &TBarcdWahlDlg::accept);
    connect(CancelButton, &QPushButton::clicked, this, &TBarcdWahlDlg::reject);
    connect(items, &QButtonGroup::idToggled, this, [this](int, bool) { choiceChanged(); });
    setItemIndex(-1);
}

int TBarcdWahlDlg::ItemIndex() const
{
    if (SteuerItem->isChecked()) return 0;
    if (LeserItem->isChecked()) return 1;
    return -1;
}

void TBarcdWahlDlg::setItemIndex(int index)
{
    // An exclusive group cannot uncheck its last checked button by itself.
    auto *group = SteuerItem->group();
    group->setExclusive(false);
    SteuerItem->setChecked(index == 0);
    LeserItem->setChecked(index == 1);
    group->setExclusive(true);
    choiceChanged();
}

void TBarcdWahlDlg::choiceChanged()
{
    OkButton->setEnabled(ItemIndex() >= 0);
}

void TBarcdWahlDlg::showEvent(QShowEvent *event)
{
    setItemIndex(-1);
    QDialog::showEvent(event);
}

void TBarcdWahlDlg::accept()
{
    const int index = ItemIndex();
    if (index < 0) return;
    QDialog::accept();
    const TBarcodeSheet sheet = index == 0 ? TBarcodeSheet::Steuerbarcodes : TBarcodeSheet::ConfigBarcodes;
    emit sheetChosen(sheet);
    if (PreviewOnAccept) PreviewBarcodeSheet(sheet, parentWidget());
}
