#include "store/FieldQueryModel.h"

#include "core/FieldRoles.h"

#include <QSqlField>
#include <QSqlRecord>

QVariant TFieldQueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && (role == field_roles::Name || role == field_roles::Type)) {
        const QSqlRecord r = record();
        if (section < 0 || section >= r.count()) return {};
        if (role == field_roles::Name) return r.fieldName(section);
        return r.field(section).metaType().id();
    }
    return QSqlQueryModel::headerData(section, orientation, role);
}
