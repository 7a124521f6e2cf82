#pragma once

// The rows of the "Prüffristen" window straight over the loaded due list: a
// list of 100 000 devices as items of a standard model behind a sorting proxy
// took seconds to open, this one builds nothing per cell and sorts indices.

#include "store/DueList.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>

#include <functional>

class TDueListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { cKunde, cPruefling, cInventar, cBarcode, cLetzte, cNaechste, cTage, cCount };

    // warnDays: rows due within this many days are yellow.
    explicit TDueListModel(int warnDays, QObject *parent = nullptr);

    // Shows the entries of all that pass, in the current sort order (the
    // list's own order within equal keys). all must outlive the model's use
    // of it until the next call.
    void setRows(const QList<TDueEntry> *all, const std::function<bool(const TDueEntry &)> &passes);
    // The entry shown in row (the view's row, sorted).
    const TDueEntry &entry(int row) const { return (*m_all)[m_rows[row]]; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void sortRows();
    QString text(const TDueEntry &e, int column) const;

    int m_warnDays;
    const QList<TDueEntry> *m_all = nullptr;
    QList<int> m_rows; // indices into *m_all, in display order
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

// The customers of the filter box: "alle Kunden" (number 0) and each customer
// of the list once. Number under Qt::UserRole, as QComboBox::currentData reads.
class TDueCustomerModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // all: sorted by customer, as LoadDueList hands it out.
    void setCustomers(const QList<TDueEntry> &all);
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QList<QPair<QString, int>> m_items;
};
