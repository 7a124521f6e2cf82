#pragma once

#include "serial/Cate32.h"
#include "serial/PortNames.h"

#include <QDialog>
#include <QGroupBox>
#include <QList>

#include <functional>

class QButtonGroup;
class QPushButton;
class QRadioButton;

// Radio group with one button per COM port; only ports that are present can be
// chosen. Button i stands for "COM" + (i + 1).
class TCOMRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit TCOMRadioGroup(QWidget *parent = nullptr, int items = 8, int columns = 2);

    int Count() const { return int(m_buttons.size()); }
    QRadioButton *Button(int i) const { return m_buttons.value(i); }

    // -1 = nothing selected.
    int ItemIndex() const { return m_itemIndex; }
    void setItemIndex(int index);

    TPort SelectedPort() const;
    void setSelectedPort(TPort port);
    QString SelectedPortStr() const;
    void setSelectedPortStr(const QString &s);

    // Enables the buttons of present ports and moves the selection to a present
    // port: the current one when present, else the first present one.
    void UpdatePorts(const QList<TPortInfo> &present);
    void UpdatePorts() { UpdatePorts(PresentPorts()); }
    // Enabling and captions only; the selection stays as it is.
    void RefreshEnabled(const QList<TPortInfo> &present);

signals:
    // A click of the user on a button of the group.
    void click();

public:
    // Why a present device cannot be opened (empty: it can); a hook because
    // it answers. Tests give their own.
    std::function<QString(const QString &device)> ProbePort = PortOpenProblem;

private:
    void applyPresent(const QList<TPortInfo> &present, int *candidate);

    QList<QRadioButton *> m_buttons;
    QButtonGroup *m_group = nullptr;
    int m_itemIndex = -1;
};

// The COM port choice: OK is usable only while a present port is selected.
class TSchnittstelleDlg : public QDialog {
public:
    // listPorts says where the present ports come from (tests give their own).
    explicit TSchnittstelleDlg(QWidget *parent = nullptr, std::function<QList<TPortInfo>()> listPorts = {});

    TCOMRadioGroup *PortGroup = nullptr;
    QPushButton *OkButton = nullptr;     // OK
    QPushButton *CancelButton = nullptr; // Cancel

    std::function<QList<TPortInfo>()> ListPorts;

    // Presets the configured port, shows the dialog modally and returns the
    // chosen port, or NoPort when the user cancelled.
    TPort Execute(TPort configured);

    void UpdateOkButton();

protected:
    void showEvent(QShowEvent *e) override;
};
