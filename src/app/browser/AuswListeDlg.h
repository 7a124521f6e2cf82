#pragma once

// A resizable list with one grid and OK. The browser fills caption and
// columns and binds the grid to one of its own levels, so choosing a row here
// moves the browser. The list filters as the user types and sorts by name or
// by number; the choice of order is kept in the settings file.

#include "store/BrowseList.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;

class TAuswListeDlg : public QDialog {
public:
    explicit TAuswListeDlg(QWidget *parent = nullptr, const QString &iniFile = QString());
    ~TAuswListeDlg() override;

    QLineEdit *FilterEdit; // "Suchen:"
    QComboBox *SortBox;    // "Sortiert nach:" name or number
    QTableView *ListGrid;
    QPushButton *OkButton; // OK

    // The grid shows the rows of set with the columns; its current row follows
    // the set and moves it. sortKey names the remembered order (empty: by number, no choice).
    void Bind(TBrowseSet *set, const QList<TBrowseListModel::Column> &columns,
              const QString &sortKey = QString());
    // Grid without data source, columns cleared.
    void Unbind();
    TBrowseListModel *Model() const { return m_model; }

    // Caption, Bind, modal run, Unbind.
    int ExecList(const QString &caption, TBrowseSet *set, const QList<TBrowseListModel::Column> &columns,
                 const QString &sortKey = QString());

private:
    void fitColumns();
    void showCurrent();
    void follow(int key);
    void sortChosen(int index);

    QString m_iniFile;
    QString m_sortKey;
    TBrowseSet *m_set = nullptr;
    TBrowseListModel *m_model;
    QMetaObject::Connection m_follow;
};
