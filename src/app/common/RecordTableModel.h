#pragma once

// Rows of one query held in memory, shown through a fixed list of columns
// (field name and title). The dialogs re-run the query when the data change.

#include <QAbstractTableModel>
#include <QList>
#include <QSqlRecord>
#include <QString>

class QSqlDatabase;

struct TGridColumn {
    QString Field;
    QString Title;
    bool Centred = true;
    bool Editable = false;
};

class TRecordTableModel : public QAbstractTableModel {
public:
    TRecordTableModel(const QList<TGridColumn> &columns, QObject *parent = nullptr);

    // Runs the query and replaces every row; false with the data layer's text.
    bool load(const QSqlDatabase &db, const QString &sql, QString *error = nullptr);
    void clear();
    // Rows read by the store instead of a query of the model's own.
    void setRows(const QList<QSqlRecord> &rows);
    void appendRow(const QSqlRecord &row);
    // Appends the rows of a query (a row added since the last load).
    bool append(const QSqlDatabase &db, const QString &sql);

    const QSqlRecord &record(int row) const { return m_rows.at(row); }
    QSqlRecord &record(int row) { return m_rows[row]; }
    QVariant value(int row, const QString &field) const { return m_rows.at(row).value(field); }
    // Row whose field holds the integer, -1 if none.
    int findRow(const QString &field, int value) const;
    const QList<TGridColumn> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The text a cell shows; by default the field as text.
    virtual QString displayText(int row, int column) const;
    // Tells the views that a row's cells changed.
    void rowChanged(int row);

private:
    QList<TGridColumn> m_columns;
    QList<QSqlRecord> m_rows;
};
