#pragma once

#include <Qt>

// Header-data roles through which a table model names its fields for the
// controls bound to it. The controls draw and edit without knowing where the
// rows come from; a database-backed model answers these from its records
// (captions in Qt::DisplayRole may be German and differ from the field name).
namespace field_roles {
// QString: the field's name, as the database calls the column.
constexpr int Name = Qt::UserRole + 0x4600;
// int (QMetaType id): the field's declared type, also when its value is NULL.
constexpr int Type = Qt::UserRole + 0x4601;
} // namespace field_roles
