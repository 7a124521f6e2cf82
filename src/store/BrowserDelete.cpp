#include "store/BrowserData.h"

bool TBrowserData::DeleteQuestion(TDeleteLevel level, QString &question, QString *error) const
{
    TBrowseSet *set = level == TDeleteLevel::Customer ? Customers
                      : level == TDeleteLevel::Device ? Devices
                                                      : Tests;
    if (set->State() == dsInsert) {
        question = level == TDeleteLevel::Customer ? QStringLiteral("Den neuen Kunden verwerfen?")
                                                   : QStringLiteral("Den neuen Prüfling verwerfen?");
        return true;
    }
    const int key = set->CurrentKey();
    if (key == 0) { // nothing to delete
        if (error) error->clear();
        return false;
    }
    TDeleteScope scope;
    bool ok = false;
    switch (level) {
    case TDeleteLevel::Customer:
        ok = CustomerDeleteScope(m_db, key, scope, error);
        break;
    case TDeleteLevel::Device:
        ok = DeviceDeleteScope(m_db, key, scope, error);
        break;
    case TDeleteLevel::Test:
        ok = TestDeleteScope(m_db, key, scope, error);
        break;
    }
    if (ok) question = ::DeleteQuestion(level, key, scope);
    return ok;
}
