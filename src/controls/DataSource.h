#pragma once

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <optional>

// The current record of a table model, for controls that show one field of it.
// Bound controls re-read their field on DataChange: when the current row moves,
// when that row's data changes, or when the model is reset.
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject *parent = nullptr);

    QAbstractItemModel *Model() const { return m_model; }
    void setModel(QAbstractItemModel *model);

    // -1 = no current record.
    int CurrentRow() const { return m_row; }
    void setCurrentRow(int row);

    // Follows the current index of a view's selection model.
    void setSelectionModel(QItemSelectionModel *selection);

    // Column of a field by name: the name the model gives in the header role
    // field_roles::Name (core/FieldRoles.h; the captions may be German
    // there), else the horizontal header text.
    int FieldColumn(const QString &name) const;
    // Null when there is no current record or no such field.
    QVariant FieldValue(const QString &name) const;
    // A Boolean field by its declared type (header role field_roles::Type)
    // where the model gives one, else by its value's type.
    bool FieldIsBoolean(const QString &name) const;

signals:
    void DataChange();

private:
    QPointer<QAbstractItemModel> m_model;
    QPointer<QItemSelectionModel> m_selection;
    QList<QMetaObject::Connection> m_modelConns;
    QMetaObject::Connection m_selectionConn;
    int m_row = -1;
};

// A field binding as the display controls use it: a Boolean field gives its
// value, any other field (value as integer AND mask) != 0. Empty when nothing
// is bound or the field does not exist.
std::optional<bool> EvaluateFieldState(const TDataSource *source, const QString &field, int mask);
