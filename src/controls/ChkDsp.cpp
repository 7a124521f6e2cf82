#include "controls/ChkDsp.h"

TCheckDisp::TCheckDisp(QWidget *parent) : TCheckDisp(QString(), parent)
{
}

TCheckDisp::TCheckDisp(const QString &text, QWidget *parent) : QCheckBox(text, parent)
{
    setFocusPolicy(Qt::NoFocus); // not a tab stop: there is nothing to enter
}

void TCheckDisp::setMaske(int m)
{
    if (m == m_maske) return;
    m_maske = m;
    DataChange();
}

void TCheckDisp::setDataField(const QString &f)
{
    if (f == m_dataField) return;
    m_dataField = f;
    DataChange();
}

void TCheckDisp::setDataSource(TDataSource *s)
{
    if (s == m_dataSource) return;
    if (m_dataConn) disconnect(m_dataConn);
    m_dataSource = s;
    if (s) m_dataConn = connect(s, &TDataSource::DataChange, this, [this] { DataChange(); });
    DataChange();
}

void TCheckDisp::DataChange()
{
    if (const auto state = EvaluateFieldState(m_dataSource, m_dataField, m_maske)) setChecked(*state);
}
