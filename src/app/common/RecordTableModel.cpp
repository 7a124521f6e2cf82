#include "app/common/RecordTableModel.h"

#include "store/Database.h"
#include "store/TestLists.h"

#include <QSqlDatabase>

TRecordTableModel::TRecordTableModel(const QList<TGridColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(columns)
{
}

bool TRecordTableModel::load(const QSqlDatabase &db, const QString &sql, QString *error)
{
    QList<QSqlRecord> rows;
    const bool ok = ReadRecords(db, sql, rows, error);
    beginResetModel();
    m_rows = rows;
    endResetModel();
    return ok;
}

bool TRecordTableModel::append(const QSqlDatabase &db, const QString &sql)
{
    QList<QSqlRecord> rows;
    if (!ReadRecords(db, sql, rows)) return false;
    if (rows.isEmpty()) return true;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
    m_rows += rows;
    endInsertRows();
    return true;
}

void TRecordTableModel::setRows(const QList<QSqlRecord> &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void TRecordTableModel::appendRow(const QSqlRecord &row)
{
    const int n = int(m_rows.size());
    beginInsertRows({}, n, n);
    m_rows.append(row);
    endInsertRows();
}

void TRecordTableModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int TRecordTableModel::findRow(const QString &field, int value) const
{
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        if (FieldInt(m_rows[i].value(field)) == value) return int(i);
    return -1;
}

int TRecordTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TRecordTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString TRecordTableModel::displayText(int row, int column) const
{
    return FieldString(m_rows[row].value(m_columns[column].Field));
}

QVariant TRecordTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const TGridColumn &c = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        return m_rows[index.row()].value(c.Field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment(c.Centred ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter)));
    default:
        return {};
    }
}

QVariant TRecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns[section].Title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TRecordTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_columns[index.column()].Editable) f |= Qt::ItemIsEditable;
    return f;
}

void TRecordTableModel::rowChanged(int row)
{
    if (row < 0 || row >= m_rows.size()) return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
