#include "app/EntryForms.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *edit(QWidget *parent, const char *name, int maxLength, bool readOnly)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(maxLength);
    e->setReadOnly(readOnly);
    if (readOnly) e->setFocusPolicy(Qt::ClickFocus);
    return e;
}

} // namespace

QFormLayout *KundenFormular(QWidget *parent, TKundenFelder &f, bool readOnly)
{
    f.Name1 = edit(parent, "EditName1", 60, readOnly);
    f.Name2 = edit(parent, "EditName2", 60, readOnly);
    f.Name3 = edit(parent, "EditName3", 60, readOnly);
    f.Strasse = edit(parent, "EditStrasse", 60, readOnly);
    f.LKZ = edit(parent, "EditLKZ", 5, readOnly);
    f.LKZ->setMaximumWidth(50);
    f.PLZ = edit(parent, "EditPLZ", 10, readOnly);
    f.PLZ->setMaximumWidth(80);
    f.Ort = edit(parent, "EditOrt", 50, readOnly);
    f.Telefon = edit(parent, "EditTelefon", 30, readOnly);
    f.Fax = edit(parent, "EditFax", 30, readOnly);

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
    f.Bezeichnung = edit(parent, "EditBezeichnung", 60, readOnly);
    f.Typ = edit(parent, "EditTyp", 50, readOnly);
    f.Fabrikationsnummer = edit(parent, "EditFabrikationsnummer", 30, readOnly);
    f.Seriennummer = edit(parent, "EditSeriennummer", 30, readOnly);
    f.Inventarnummer = edit(parent, "EditInventarnummer", 30, readOnly);
    f.Barcode = edit(parent, "EditBarcode", 20, readOnly);
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

void ZeigeMeldung(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, QStringLiteral("Gerätetester"), text, QMessageBox::Ok, parent);
    box.exec();
}

bool InsertMitSchluessel(int &key, const std::function<int()> &nextKey,
                         const std::function<bool(QString *)> &insert, QString *error)
{
    if (insert(error)) return true;
    const int fresh = nextKey();
    if (fresh <= 0 || fresh == key) return false;
    key = fresh;
    return insert(error);
}
