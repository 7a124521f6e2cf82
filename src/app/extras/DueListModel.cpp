#include "app/extras/DueListModel.h"

#include <QBrush>
#include <QFont>
#include <QSet>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// Never tested sorts before every date, no due date after every one.
constexpr qint64 kNever = std::numeric_limits<qint64>::min();
constexpr qint64 kNone = std::numeric_limits<qint64>::max();

const QString &dateFormat()
{
    static const QString fmt = QStringLiteral("dd.MM.yyyy");
    return fmt;
}

// The sort key of a date or day column.
qint64 numberKey(const TDueEntry &e, int column)
{
    const bool never = !e.LastTest.isValid();
    if (column == TDueListModel::cLetzte) return never ? kNever : e.LastTest.toJulianDay();
    // A failed device is due now: right after the untested ones, before every date.
    if (never) return kNever;
    if (e.Failed) return kNever + 1;
    if (!e.NextDue.isValid()) return kNone;
    return column == TDueListModel::cNaechste ? e.NextDue.toJulianDay() : qint64(e.DaysLeft);
}

const QString &textKey(const TDueEntry &e, int column)
{
    switch (column) {
    case TDueListModel::cKunde:
        return e.Kunde;
    case TDueListModel::cPruefling:
        return e.Bezeichnung;
    case TDueListModel::cInventar:
        return e.Inventarnummer;
    default:
        return e.Barcode;
    }
}

} // namespace

TDueListModel::TDueListModel(int warnDays, QObject *parent)
    : QAbstractTableModel(parent), m_warnDays(warnDays)
{
}

void TDueListModel::setRows(const QList<TDueEntry> *all, const std::function<bool(const TDueEntry &)> &passes)
{
    beginResetModel();
    m_all = all;
    m_rows.clear();
    if (all) {
        m_rows.reserve(all->size());
        for (int i = 0; i < all->size(); ++i)
            if (passes((*all)[i])) m_rows.append(i);
    }
    sortRows();
    endResetModel();
}

int TDueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TDueListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : cCount;
}

QString TDueListModel::text(const TDueEntry &e, int column) const
{
    switch (column) {
    case cLetzte:
        return e.LastTest.isValid() ? e.LastTest.toString(dateFormat()) : QStringLiteral("nie geprüft");
    case cNaechste:
        return NextDueText(e, dateFormat());
    case cTage:
        return e.NextDue.isValid() ? QString::number(e.DaysLeft) : QString();
    default:
        return textKey(e, column);
    }
}

QVariant TDueListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= cCount) return {};
    const TDueEntry &e = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(e, index.column());
    case Qt::BackgroundRole: {
        const TDueState st = DueStateOf(e, m_warnDays);
        if (st == TDueState::Overdue || st == TDueState::Failed) return QBrush(QColor(0xFF, 0xB4, 0xB4));
        if (st == TDueState::DueSoon) return QBrush(QColor(0xFF, 0xF0, 0x96));
        return {};
    }
    case Qt::TextAlignmentRole:
        if (index.column() == cTage) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::FontRole:
        if (index.column() == cLetzte && !e.LastTest.isValid()) {
            QFont f;
            f.setItalic(true);
            return f;
        }
        return {};
    default:
        return {};
    }
}

QVariant TDueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char *const titles[cCount] = {
        "Kunde", "Prüfling", "Inventarnummer", "Barcode", "letzte Prüfung", "nächste Prüfung", "Tage"};
    return section >= 0 && section < cCount ? QString::fromUtf8(titles[section]) : QVariant();
}

void TDueListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= cCount) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sortColumn = column;
    m_order = order;
    // The selection and current row follow their devices.
    const QModelIndexList from = persistentIndexList();
    QList<int> entries;
    for (const QModelIndex &i : from)
        entries.append(m_rows[i.row()]);
    sortRows();
    if (!from.isEmpty()) {
        QList<int> rowOf(m_all ? m_all->size() : 0, -1);
        for (int r = 0; r < m_rows.size(); ++r)
            rowOf[m_rows[r]] = r;
        QModelIndexList to;
        for (int k = 0; k < from.size(); ++k)
            to.append(index(rowOf[entries[k]], from[k].column()));
        changePersistentIndexList(from, to);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// Stable both ways, as a sorting proxy is: equal keys keep the list's order.
void TDueListModel::sortRows()
{
    if (!m_all || m_sortColumn < 0) return;
    const QList<TDueEntry> &all = *m_all;
    const int column = m_sortColumn;
    const bool up = m_order == Qt::AscendingOrder;
    // From the list's order each time, not from the previous sorting.
    std::sort(m_rows.begin(), m_rows.end());
    if (column >= cLetzte) {
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](int a, int b) {
            const qint64 ka = numberKey(all[a], column), kb = numberKey(all[b], column);
            return up ? ka < kb : kb < ka;
        });
    } else {
        // Folded once per row rather than in every comparison.
        std::vector<QString> keys(size_t(all.size()));
        for (int i : std::as_const(m_rows))
            keys[size_t(i)] = CaseFoldKey(textKey(all[i], column));
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](int a, int b) {
            const int c = keys[size_t(a)].compare(keys[size_t(b)]);
            return up ? c < 0 : c > 0;
        });
    }
}

void TDueCustomerModel::setCustomers(const QList<TDueEntry> &all)
{
    beginResetModel();
    m_items.clear();
    m_items.append({QStringLiteral("alle Kunden"), 0});
    // Sorted by name: two customers of one name may take turns.
    QSet<int> seen;
    for (const TDueEntry &d : all) {
        if (seen.contains(d.KundenNr)) continue;
        seen.insert(d.KundenNr);
        m_items.append(
            {d.Kunde.isEmpty() ? QStringLiteral("(Kunde %1)").arg(d.KundenNr) : d.Kunde, d.KundenNr});
    }
    endResetModel();
}

int TDueCustomerModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant TDueCustomerModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size()) return {};
    const auto &item = m_items[index.row()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) return item.first;
    if (role == Qt::UserRole) return item.second;
    return {};
}
