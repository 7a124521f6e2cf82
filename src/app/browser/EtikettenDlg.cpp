#include "app/browser/EtikettenDlg.h"

#include "app/common/Prompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox *mmBox(QWidget *parent, const QString &name, double min, double max)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setObjectName(name);
    b->setRange(min, max);
    b->setDecimals(1);
    b->setSingleStep(0.5);
    b->setSuffix(QStringLiteral(" mm"));
    return b;
}

QRadioButton *radio(QWidget *parent, const QString &name, const QString &text)
{
    auto *r = new QRadioButton(text, parent);
    r->setObjectName(name);
    return r;
}

} // namespace

TEtikettenDlg::TEtikettenDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EtikettenDlg"));
    setWindowTitle(QStringLiteral("Prüflingsetiketten"));
    RbPruefling = radio(this, QStringLiteral("RbPruefling"), QStringLiteral("nur dieser Prüfling"));
    RbKunde = radio(this, QStringLiteral("RbKunde"), QStringLiteral("alle Prüflinge dieses Kunden"));
    RbAlle = radio(this, QStringLiteral("RbAlle"), QStringLiteral("alle Prüflinge aller Kunden"));
    RbPruefling->setChecked(true);
    CbFaellig = new QCheckBox(QStringLiteral("nur fällige Prüflinge, fällig innerhalb von"), this);
    CbFaellig->setObjectName(QStringLiteral("CbFaellig"));
    FaelligTage = new QSpinBox(this);
    FaelligTage->setObjectName(QStringLiteral("FaelligTage"));
    FaelligTage->setRange(0, 3650);
    FaelligTage->setValue(30);
    FaelligTage->setSuffix(QStringLiteral(" Tagen"));
    FaelligTage->setEnabled(false);
    connect(CbFaellig, &QCheckBox::toggled, FaelligTage, &QWidget::setEnabled);
    auto *due = new QHBoxLayout;
    due->addWidget(CbFaellig);
    due->addWidget(FaelligTage);
    due->addStretch();

    ErstesEtikett = new QSpinBox(this);
    ErstesEtikett->setObjectName(QStringLiteral("ErstesEtikett"));
    ErstesEtikett->setRange(1, LabelsPerSheet);
    auto *hint = new QLabel(QStringLiteral("A4-Bogen mit 3 × 8 Etiketten (70 × 37 mm), zeilenweise gezählt: "
                                           "so lässt sich ein angebrochener Bogen weiter verwenden."),
                            this);
    hint->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("erstes Etikett:"), ErstesEtikett);

    auto *printer = new QGroupBox(QStringLiteral("Drucker"), this);
    VersatzX = mmBox(printer, QStringLiteral("VersatzX"), -MaxLabelOffsetMm, MaxLabelOffsetMm);
    VersatzY = mmBox(printer, QStringLiteral("VersatzY"), -MaxLabelOffsetMm, MaxLabelOffsetMm);
    Rand = mmBox(printer, QStringLiteral("Rand"), 0, MaxLabelSafeMarginMm);
    auto *pf = new QFormLayout(printer);
    pf->addRow(QStringLiteral("Versatz nach rechts:"), VersatzX);
    pf->addRow(QStringLiteral("Versatz nach unten:"), VersatzY);
    pf->addRow(QStringLiteral("Sicherheitsrand zum Blattrand:"), Rand);
    auto *printerHint = new QLabel(QStringLiteral("Innerhalb des Sicherheitsrands wird nichts gedruckt; "
                                                  "der Versatz gleicht einen Drucker aus, der das Blatt "
                                                  "verschoben einzieht (nach einem Probedruck)."),
                                   printer);
    printerHint->setWordWrap(true);
    pf->addRow(printerHint);
    setPrintArea(TLabelPrintArea{});

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *v = new QVBoxLayout(this);
    v->addWidget(RbPruefling);
    v->addWidget(RbKunde);
    v->addWidget(RbAlle);
    v->addLayout(due);
    v->addLayout(form);
    v->addWidget(hint);
    v->addWidget(printer);
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

int TEtikettenDlg::DueWithinDays() const
{
    return CbFaellig->isChecked() ? FaelligTage->value() : -1;
}

TLabelChoice TEtikettenDlg::Selection(int kundenNr, int prueflingNr) const
{
    TLabelChoice c;
    c.KundenNr = RbAlle->isChecked() ? 0 : kundenNr;
    c.PrueflingNr = RbPruefling->isChecked() ? prueflingNr : 0;
    c.DueWithinDays = DueWithinDays();
    return c;
}

TLabelPrintArea TEtikettenDlg::PrintArea() const
{
    return {VersatzX->value(), VersatzY->value(), Rand->value()};
}

void TEtikettenDlg::setPrintArea(const TLabelPrintArea &area)
{
    VersatzX->setValue(area.OffsetXMm);
    VersatzY->setValue(area.OffsetYMm);
    Rand->setValue(area.SafeMarginMm);
}

bool BuildLabels(QWidget *parent, QSqlDatabase db, const TLabelChoice &which, const TEtikettenDlg &choice,
                 int serviceIntervalDays, TReport &report)
{
    QList<TDueEntry> devices;
    QString error;
    if (!LoadLabelDevices(db, which, serviceIntervalDays, devices, &error)) {
        Prompt().Error(parent, error);
        return false;
    }
    if (devices.isEmpty()) {
        if (which.DueWithinDays >= 0)
            Prompt().Inform(parent, QStringLiteral("Kein ausgewählter Prüfling ist innerhalb von %1 Tagen "
                                                   "fällig; es werden keine Etiketten gedruckt.")
                                        .arg(which.DueWithinDays));
        return false;
    }
    QStringList warnings;
    report = DeviceLabelsReport(devices, choice.FirstPosition(), choice.PrintArea(), &warnings);
    if (!warnings.isEmpty())
        Prompt().Warn(parent, QStringLiteral("Nicht jeder Barcode kann als Strichcode gedruckt werden:\n\n") +
                                  warnings.join(QLatin1Char('\n')));
    return true;
}
