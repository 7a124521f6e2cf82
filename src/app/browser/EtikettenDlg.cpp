#include "app/browser/EtikettenDlg.h"

#include "protocols/DeviceLabels.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

TEtikettenDlg::TEtikettenDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EtikettenDlg"));
    setWindowTitle(QStringLiteral("Prüflingsetiketten"));
    RbPruefling = new QRadioButton(QStringLiteral("nur dieser Prüfling"), this);
    RbPruefling->setObjectName(QStringLiteral("RbPruefling"));
    RbKunde = new QRadioButton(QStringLiteral("alle Prüflinge dieses Kunden"), this);
    RbKunde->setObjectName(QStringLiteral("RbKunde"));
    RbPruefling->setChecked(true);
    ErstesEtikett = new QSpinBox(this);
    ErstesEtikett->setObjectName(QStringLiteral("ErstesEtikett"));
    ErstesEtikett->setRange(1, LabelsPerSheet);
    auto *hint = new QLabel(QStringLiteral("A4-Bogen mit 3 × 8 Etiketten (70 × 37 mm), zeilenweise gezählt: "
                                           "so lässt sich ein angebrochener Bogen weiter verwenden."),
                            this);
    hint->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("erstes Etikett:"), ErstesEtikett);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *v = new QVBoxLayout(this);
    v->addWidget(RbPruefling);
    v->addWidget(RbKunde);
    v->addLayout(form);
    v->addWidget(hint);
    v->addWidget(buttons);
}

bool TEtikettenDlg::AllOfCustomer() const
{
    return RbKunde->isChecked();
}

int TEtikettenDlg::FirstPosition() const
{
    return ErstesEtikett->value();
}
