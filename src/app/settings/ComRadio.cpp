#include "app/settings/ComRadio.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

TCOMRadioGroup::TCOMRadioGroup(QWidget *parent, int items, int columns) : QGroupBox(parent)
{
    setTitle(QStringLiteral("COM-Port"));
    auto *grid = new QGridLayout(this);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    const int rows = (items + columns - 1) / columns;
    for (int i = 0; i < items; ++i) {
        auto *b = new QRadioButton(QStringLiteral("COM&") + QString::number(i + 1), this);
        b->setObjectName(QStringLiteral("COM") + QString::number(i + 1));
        // Items run down the first column, then the second, as in a radio group.
        grid->addWidget(b, i % rows, i / rows);
        m_group->addButton(b, i);
        m_buttons << b;
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        m_itemIndex = id;
        emit click();
    });
}

void TCOMRadioGroup::setItemIndex(int index)
{
    if (index < -1 || index >= Count()) index = -1;
    if (index == m_itemIndex) return;
    m_itemIndex = index;
    if (index < 0) {
        // An exclusive group cannot uncheck its last button directly.
        m_group->setExclusive(false);
        for (QRadioButton *b : std::as_const(m_buttons))
            b->setChecked(false);
        m_group->setExclusive(true);
    } else {
        m_buttons[index]->setChecked(true);
    }
}

TPort TCOMRadioGroup::SelectedPort() const
{
    if (m_itemIndex < 0 || m_itemIndex > 8) return NoPort;
    return TPort(m_itemIndex + 1);
}

void TCOMRadioGroup::setSelectedPort(TPort port)
{
    int ord = int(port);
    if (ord > Count()) ord = 0;
    setItemIndex(ord - 1);
}

QString TCOMRadioGroup::SelectedPortStr() const
{
    if (m_itemIndex < 0) return QString();
    return QStringLiteral("COM") + QString::number(m_itemIndex + 1);
}

void TCOMRadioGroup::setSelectedPortStr(const QString &s)
{
    for (const QChar c : s) {
        if (c >= u'0' && c <= u'9') {
            setItemIndex(c.digitValue() - 1);
            return;
        }
    }
}

void TCOMRadioGroup::applyPresent(const QList<TPortInfo> &present, int *candidate)
{
    for (int i = 0; i < Count(); ++i) {
        QString device;
        bool found = false;
        for (const TPortInfo &p : present) {
            if (p.number == i + 1) {
                found = true;
                device = p.device;
                break;
            }
        }
        QRadioButton *b = m_buttons[i];
        b->setEnabled(found);
        // A port that is there but cannot be opened says why, before the
        // user connects and nothing happens.
        const QString problem = found && !device.isEmpty() && ProbePort ? ProbePort(device) : QString();
        b->setText(QStringLiteral("COM&") + QString::number(i + 1) +
                   (found && !device.isEmpty() ? QStringLiteral("  ") + device : QString()) +
                   (problem.isEmpty() ? QString() : QStringLiteral("  (%1)").arg(problem)));
        b->setToolTip(problem);
        if (found && candidate && (*candidate < 0 || i == m_itemIndex)) *candidate = i;
    }
}

void TCOMRadioGroup::UpdatePorts(const QList<TPortInfo> &present)
{
    int candidate = -1;
    applyPresent(present, &candidate);
    if (candidate >= 0) setItemIndex(candidate);
}

void TCOMRadioGroup::RefreshEnabled(const QList<TPortInfo> &present)
{
    applyPresent(present, nullptr);
}

TSchnittstelleDlg::TSchnittstelleDlg(QWidget *parent, std::function<QList<TPortInfo>()> listPorts)
    : QDialog(parent), ListPorts(std::move(listPorts))
{
    if (!ListPorts) ListPorts = [] { return PresentPorts(); };
    setObjectName(QStringLiteral("SchnittstelleDlg"));
    setWindowTitle(QStringLiteral("Schnittstelle"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    PortGroup = new TCOMRadioGroup(this);
    PortGroup->setObjectName(QStringLiteral("COMRadioGroup1"));
    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("BitBtn1"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelButton->setObjectName(QStringLiteral("BitBtn2"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto *top = new QVBoxLayout(this);
    top->addWidget(PortGroup);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(PortGroup, &TCOMRadioGroup::click, this, [this] { UpdateOkButton(); });

    // The list of present ports is taken once at creation, as the group loads.
    PortGroup->UpdatePorts(ListPorts());
}

void TSchnittstelleDlg::UpdateOkButton()
{
    const int i = PortGroup->ItemIndex();
    OkButton->setEnabled(i >= 0 && PortGroup->Button(i)->isEnabled());
}

void TSchnittstelleDlg::showEvent(QShowEvent *e)
{
    // Adapters plugged in since the start become choosable without a restart;
    // the preset selection is left alone so a missing port stays visible.
    PortGroup->RefreshEnabled(ListPorts());
    UpdateOkButton();
    if (const QScreen *s = screen()) move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

TPort TSchnittstelleDlg::Execute(TPort configured)
{
    PortGroup->setSelectedPort(configured);
    if (exec() != QDialog::Accepted) return NoPort;
    return PortGroup->SelectedPort();
}
