#include "app/retrieval/EntryForms.h"

#include "store/ColumnWidths.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The length limit comes from the column the field is stored in.
QLineEdit *edit(QWidget *parent, const char *name, const char *column, bool readOnly)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(ColumnWidth(QString::fromLatin1(column)));
    e->setReadOnly(readOnly);
    if (readOnly) e->setFocusPolicy(Qt::ClickFocus);
    return e;
}

} // namespace

QFormLayout *KundenFormular(QWidget *parent, TKundenFelder &f, bool readOnly)
{
    f.Name1 = edit(parent, "EditName1", "KDstrName1", readOnly);
    f.Name2 = edit(parent, "EditName2", "KDstrName2", readOnly);
    f.Name3 = edit(parent, "EditName3", "KDstrName3", readOnly);
    f.Strasse = edit(parent, "EditStrasse", "KDstrStrasse", readOnly);
    f.LKZ = edit(parent, "EditLKZ", "KDstrLKZ", readOnly);
    f.LKZ->setMaximumWidth(50);
    f.PLZ = edit(parent, "EditPLZ", "KDstrPLZ", readOnly);
    f.PLZ->setMaximumWidth(80);
    f.Ort = edit(parent, "EditOrt", "KDstrOrt", readOnly);
    f.Telefon = edit(parent, "EditTelefon", "KDstrTelefon", readOnly);
    f.Fax = edit(parent, "EditFax", "KDstrFax", readOnly);

    auto *form = new QFormLayout;
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(f.Name1);
    names->addWidget(f.Name2);
    names->addWidget(f.Name3);
    form->addRow(QStringLiteral("Name:"), names);
    form->addRow(QStringLiteral("Straße:"), f.Strasse);
    auto *ort = new QHBoxLayout;
    ort->addWidget(f.LKZ);
    ort->addWidget(new QLabel(QStringLiteral("-"), parent));
    ort->addWidget(f.PLZ);
    ort->addWidget(f.Ort, 1);
    form->addRow(QStringLiteral("PLZ, Ort:"), ort);
    form->addRow(QStringLiteral("Tel."), f.Telefon);
    form->addRow(QStringLiteral("Fax"), f.Fax);
    return form;
}

QFormLayout *PrueflingFormular(QWidget *parent, TPrueflingFelder &f, bool readOnly)
{
    f.Bezeichnung = edit(parent, "EditBezeichnung", "PLstrBezeichnung", readOnly);
    f.Typ = edit(parent, "EditTyp", "PLstrTyp", readOnly);
    f.Fabrikationsnummer = edit(parent, "EditFabrikationsnummer", "PLstrFabrikationsnummer", readOnly);
    f.Seriennummer = edit(parent, "EditSeriennummer", "PLstrSeriennummer", readOnly);
    f.Inventarnummer = edit(parent, "EditInventarnummer", "PLstrInventarnummer", readOnly);
    f.Barcode = edit(parent, "EditBarcode", "PLstrBarcode", readOnly);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Bezeichnung:"), f.Bezeichnung);
    form->addRow(QStringLiteral("Typ:"), f.Typ);
    form->addRow(QStringLiteral("Fabrikationsnummer:"), f.Fabrikationsnummer);
    form->addRow(QStringLiteral("Seriennummer:"), f.Seriennummer);
    form->addRow(QStringLiteral("Inventarnummer:"), f.Inventarnummer);
    form->addRow(QStringLiteral("Barcode/Prüflingsnummer:"), f.Barcode);
    return form;
}

QHBoxLayout *OkAbbrechenZeile(QWidget *parent, QPushButton *&ok, QPushButton *&abbrechen)
{
    ok = new QPushButton(QStringLiteral("OK"), parent);
    ok->setObjectName(QStringLiteral("BtnOK"));
    ok->setDefault(true);
    abbrechen = new QPushButton(QStringLiteral("Abbrechen"), parent);
    abbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    abbrechen->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(abbrechen);
    return row;
}
