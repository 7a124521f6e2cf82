#pragma once

// A resizable list with one grid and OK. The browser fills caption and
// columns and binds the grid to one of its own levels, so choosing a row here
// moves the browser.

#include "store/BrowseSet.h"

#include <QDialog>

class QPushButton;
class QTableView;

class TAuswListeDlg : public QDialog {
public:
    explicit TAuswListeDlg(QWidget *parent = nullptr, const QString &iniFile = QString());
    ~TAuswListeDlg() override;

    QTableView *ListGrid;
    QPushButton *OkButton; // OK

    // The grid shows the rows of set with the columns; its current row follows
    // the set and moves it.
    void Bind(TBrowseSet *set, const QList<TBrowseSetModel::Column> &columns);
    // Grid without data source, columns cleared.
    void Unbind();
    TBrowseSetModel *Model() const { return m_model; }

    // Caption, Bind, modal run, Unbind.
    int ExecList(const QString &caption, TBrowseSet *set, const QList<TBrowseSetModel::Column> &columns);

private:
    QString m_iniFile;
    TBrowseSetModel *m_model;
    QMetaObject::Connection m_follow;
};
