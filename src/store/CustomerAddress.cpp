#include "store/CustomerAddress.h"

#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

bool LoadCustomerAddress(QSqlDatabase db, int kundenNr, TCustomerAddress &out, bool &found, QString *error)
{
    out = TCustomerAddress{};
    found = false;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT KDstrName1, KDstrName2, KDstrName3, KDstrStrasse, KDstrLKZ, KDstrPLZ, "
                             "KDstrOrt FROM tblKunden WHERE KDintKundenNr = ?"));
    q.addBindValue(kundenNr);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (!q.next()) return true;
    found = true;
    out.KundenNr = kundenNr;
    QString *fields[] = {&out.Name1, &out.Name2, &out.Name3, &out.Strasse, &out.LKZ, &out.PLZ, &out.Ort};
    for (int i = 0; i < 7; ++i)
        *fields[i] = q.value(i).toString().trimmed();
    return true;
}
