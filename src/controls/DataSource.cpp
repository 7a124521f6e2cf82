#include "controls/DataSource.h"

#include "core/FieldRoles.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>

namespace {

int columnByHeader(const QAbstractItemModel &model, const QString &name, int role)
{
    for (int c = 0; c < model.columnCount(); ++c)
        if (model.headerData(c, Qt::Horizontal, role).toString().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

} // namespace

TDataSource::TDataSource(QObject *parent) : QObject(parent)
{
}

void TDataSource::setModel(QAbstractItemModel *model)
{
    if (model == m_model) return;
    for (const auto &c : m_modelConns)
        disconnect(c);
    m_modelConns.clear();
    m_model = model;
    if (model) {
        m_modelConns << connect(model, &QAbstractItemModel::dataChanged, this,
                                [this](const QModelIndex &tl, const QModelIndex &br) {
                                    if (m_row >= tl.row() && m_row <= br.row()) emit DataChange();
                                });
        m_modelConns << connect(model, &QAbstractItemModel::modelReset, this, &TDataSource::DataChange);
        m_modelConns << connect(model, &QAbstractItemModel::rowsRemoved, this, &TDataSource::DataChange);
        m_modelConns << connect(model, &QAbstractItemModel::rowsInserted, this, &TDataSource::DataChange);
        m_modelConns << connect(model, &QObject::destroyed, this, [this] {
            m_modelConns.clear();
            emit DataChange();
        });
    }
    emit DataChange();
}

void TDataSource::setCurrentRow(int row)
{
    if (row == m_row) return;
    m_row = row;
    emit DataChange();
}

void TDataSource::setSelectionModel(QItemSelectionModel *selection)
{
    if (m_selectionConn) disconnect(m_selectionConn);
    m_selection = selection;
    if (!selection) return;
    m_selectionConn = connect(selection, &QItemSelectionModel::currentRowChanged, this,
                              [this](const QModelIndex &current) { setCurrentRow(current.row()); });
    if (selection->model() && selection->model() != m_model) setModel(selection->model());
    setCurrentRow(selection->currentIndex().row());
}

int TDataSource::FieldColumn(const QString &name) const
{
    if (!m_model || name.isEmpty()) return -1;
    // The field's own name first: a caption must not hide it.
    const int c = columnByHeader(*m_model, name, field_roles::Name);
    return c >= 0 ? c : columnByHeader(*m_model, name, Qt::DisplayRole);
}

QVariant TDataSource::FieldValue(const QString &name) const
{
    if (!m_model || m_row < 0 || m_row >= m_model->rowCount()) return {};
    const int c = FieldColumn(name);
    if (c < 0) return {};
    return m_model->data(m_model->index(m_row, c), Qt::EditRole);
}

bool TDataSource::FieldIsBoolean(const QString &name) const
{
    if (!m_model) return false;
    // The declared type where the model knows it: a NULL has no value type.
    const int c = FieldColumn(name);
    if (c < 0) return false;
    const QVariant declared = m_model->headerData(c, Qt::Horizontal, field_roles::Type);
    if (declared.isValid()) return declared.toInt() == QMetaType::Bool;
    return FieldValue(name).typeId() == QMetaType::Bool;
}

std::optional<bool> EvaluateFieldState(const TDataSource *source, const QString &field, int mask)
{
    if (!source || field.isEmpty() || source->FieldColumn(field) < 0) return std::nullopt;
    // No current record or NULL reads as false / 0, as a database field does.
    const QVariant v = source->FieldValue(field);
    if (!v.isValid() || v.isNull()) return false;
    if (source->FieldIsBoolean(field)) return v.toBool();
    return (v.toLongLong() & qint64(mask)) != 0;
}
