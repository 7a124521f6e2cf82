#pragma once

// A customer's postal address as its record holds it, for letters.

#include <QSqlDatabase>
#include <QString>

struct TCustomerAddress {
    int KundenNr = 0;
    QString Name1, Name2, Name3, Strasse, LKZ, PLZ, Ort;
};

// Reads customer kundenNr; found tells whether there is such a record.
// False with a German reason when the database cannot be read.
bool LoadCustomerAddress(QSqlDatabase db, int kundenNr, TCustomerAddress &out, bool &found,
                         QString *error = nullptr);
