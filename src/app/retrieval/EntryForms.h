#pragma once

// Pieces the customer and device dialogs share: the address and device
// fields in the same order and look, the OK/"Abbrechen" row and the message box.

#include <QList>
#include <QString>

class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

struct TKundenFelder {
    QLineEdit *Name1 = nullptr, *Name2 = nullptr, *Name3 = nullptr, *Strasse = nullptr, *LKZ = nullptr,
              *PLZ = nullptr, *Ort = nullptr, *Telefon = nullptr, *Fax = nullptr;
    QList<QLineEdit *> All() const { return {Name1, Name2, Name3, Strasse, LKZ, PLZ, Ort, Telefon, Fax}; }
};

struct TPrueflingFelder {
    QLineEdit *Bezeichnung = nullptr, *Typ = nullptr, *Fabrikationsnummer = nullptr, *Seriennummer = nullptr,
              *Inventarnummer = nullptr, *Barcode = nullptr;
    QList<QLineEdit *> All() const
    {
        return {Bezeichnung, Typ, Fabrikationsnummer, Seriennummer, Inventarnummer, Barcode};
    }
};

// "Name:" (three lines), "Straße:", "PLZ, Ort:" (LKZ - PLZ Ort), "Tel.", "Fax";
// edits limited to their columns, named "Edit" + field.
QFormLayout *KundenFormular(QWidget *parent, TKundenFelder &f, bool readOnly);
// "Bezeichnung:" … "Barcode/Prüflingsnummer:".
QFormLayout *PrueflingFormular(QWidget *parent, TPrueflingFelder &f, bool readOnly);

// OK (default) and "Abbrechen" at the bottom right.
QHBoxLayout *OkAbbrechenZeile(QWidget *parent, QPushButton *&ok, QPushButton *&abbrechen);
