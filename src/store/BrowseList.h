#pragma once

// All rows of one browser level for the selection list, read once when the
// list opens; the list then filters them as the user types and sorts them by
// name or by number in memory, whatever the engine. A level is one parent's
// devices or the customers, a few thousand rows at most.

#include "store/BrowseSet.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

class TBrowseListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        int width = 0; // pixels, 0 = default
        Qt::Alignment titleAlignment = Qt::AlignLeft;
    };
    enum TSortOrder { ByNumber, ByName };

    explicit TBrowseListModel(QObject *parent = nullptr);

    // Reads the rows of the set's level with these columns (by number); the
    // list is empty and *error set when the database refuses.
    bool Load(TBrowseSet *set, const QList<Column> &columns, QString *error = nullptr);
    void Clear();
    const QList<Column> &Columns() const { return m_columns; }

    // Rows whose texts contain the text (letter case ignored); empty: all.
    void setFilter(const QString &text);
    // ByName: by the texts of the first columns (German order, case ignored).
    void setSortOrder(TSortOrder order);
    TSortOrder SortOrder() const { return m_order; }

    int KeyOfRow(int row) const;
    int RowOfKey(int key) const; // -1 when the row is not shown
    // Texts of a column over every row read (for the column's width).
    QStringList ColumnTexts(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        int key = 0;
        QStringList texts;
        QString haystack; // lower-case texts, for the filter
        QString name;     // the name columns, for the sort
    };
    void sortRows();
    void filter();

    QList<Column> m_columns;
    QList<Row> m_all;    // by number
    QList<int> m_sorted; // indices into m_all in the chosen order
    QList<int> m_shown;  // those of m_sorted the filter lets through
    QString m_filter;
    TSortOrder m_order = ByNumber;
};
