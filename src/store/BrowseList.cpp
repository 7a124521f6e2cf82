#include "store/BrowseList.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QCollator>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <vector>

namespace {
// The columns a name sort reads: a customer's three name lines, a device's designation first.
constexpr int kNameColumns = 3;
} // namespace

TBrowseListModel::TBrowseListModel(QObject *parent) : QAbstractTableModel(parent)
{
}

bool TBrowseListModel::Load(TBrowseSet *set, const QList<Column> &columns, QString *error)
{
    beginResetModel();
    m_columns = columns;
    m_all.clear();
    m_shown.clear();
    bool ok = true;
    if (set && set->Active()) {
        QStringList fields{set->KeyField()};
        for (const Column &c : columns)
            fields << c.field;
        QString sql =
            QStringLiteral("SELECT %1\nFROM %2").arg(fields.join(QStringLiteral(", ")), set->Table());
        const bool child = !set->ParentField().isEmpty();
        if (child) sql += QStringLiteral("\nWHERE (%1 = ?)").arg(set->ParentField());
        sql += QStringLiteral("\nORDER BY ") + set->KeyField();
        QSqlQuery q(set->Database());
        q.setForwardOnly(true);
        ok = q.prepare(sql);
        if (child) q.addBindValue(set->ParentKey());
        ok = ok && q.exec();
        if (!ok && error)
            *error = QStringLiteral("Die Liste kann nicht gelesen werden.\n") + DbFehlertext(q.lastError());
        while (ok && q.next()) {
            Row r;
            r.key = FieldInt(q.value(0));
            for (int c = 1; c < fields.size(); ++c)
                r.texts << FieldString(q.value(c)).trimmed();
            r.haystack = r.texts.join(QLatin1Char('\n')).toLower();
            r.name = r.texts.mid(0, kNameColumns).join(QLatin1Char(' '));
            m_all << r;
        }
    }
    sortRows();
    filter();
    endResetModel();
    return ok;
}

void TBrowseListModel::Clear()
{
    beginResetModel();
    m_columns.clear();
    m_all.clear();
    m_sorted.clear();
    m_shown.clear();
    endResetModel();
}

void TBrowseListModel::sortRows()
{
    m_sorted.resize(m_all.size());
    for (int i = 0; i < m_all.size(); ++i)
        m_sorted[i] = i;
    if (m_order != ByName) return; // read by number
    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true); // "Haus 2" before "Haus 10"
    // A sort key per row once; comparing keys is far cheaper than comparing
    // the names over and over. Stable: equal names stay by number.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(m_all.size()));
    for (const Row &r : m_all)
        keys.push_back(collator.sortKey(r.name));
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
}

void TBrowseListModel::filter()
{
    m_shown.clear();
    const QString needle = m_filter.trimmed().toLower();
    for (int i : m_sorted)
        if (needle.isEmpty() || m_all[i].haystack.contains(needle)) m_shown << i;
}

void TBrowseListModel::setFilter(const QString &text)
{
    if (text == m_filter) return;
    beginResetModel();
    m_filter = text;
    filter();
    endResetModel();
}

void TBrowseListModel::setSortOrder(TSortOrder order)
{
    if (order == m_order) return;
    beginResetModel();
    m_order = order;
    sortRows();
    filter();
    endResetModel();
}

int TBrowseListModel::KeyOfRow(int row) const
{
    return row >= 0 && row < m_shown.size() ? m_all[m_shown[row]].key : 0;
}

int TBrowseListModel::RowOfKey(int key) const
{
    for (int r = 0; r < m_shown.size(); ++r)
        if (m_all[m_shown[r]].key == key) return r;
    return -1;
}

QStringList TBrowseListModel::ColumnTexts(int column) const
{
    QStringList texts;
    for (const Row &r : m_all)
        texts << r.texts.value(column);
    return texts;
}

int TBrowseListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int TBrowseListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TBrowseListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_all[m_shown[index.row()]].texts.value(index.column());
}

QVariant TBrowseListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) return m_columns[section].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].titleAlignment | Qt::AlignVCenter);
    return {};
}
