#pragma once

#include "controls/DataSource.h"

#include <QCheckBox>
#include <QPointer>

// A check box that only displays: the user cannot toggle it. Shows a Boolean
// field, or one bit (Maske) of an integer field, of the bound data source.
class TCheckDisp : public QCheckBox {
    Q_OBJECT
public:
    explicit TCheckDisp(QWidget *parent = nullptr);
    explicit TCheckDisp(const QString &text, QWidget *parent = nullptr);

    bool Checked() const { return isChecked(); }

    int Maske() const { return m_maske; }
    void setMaske(int m); // a new mask re-reads the field at once
    QString DataField() const { return m_dataField; }
    void setDataField(const QString &f);
    TDataSource *DataSource() const { return m_dataSource; }
    void setDataSource(TDataSource *s);

protected:
    // Clicks and the space bar change nothing.
    void nextCheckState() override {}

private:
    void DataChange();

    int m_maske = 0;
    QString m_dataField;
    QPointer<TDataSource> m_dataSource;
    QMetaObject::Connection m_dataConn;
};
