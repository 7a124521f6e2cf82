#pragma once

#include <QSqlQueryModel>

// A query model that names its fields and their declared types through the
// header roles of core/FieldRoles.h, so controls can be bound to its rows
// without linking the database layer.
class TFieldQueryModel : public QSqlQueryModel {
    Q_OBJECT
public:
    using QSqlQueryModel::QSqlQueryModel;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
