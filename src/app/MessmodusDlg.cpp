#include "app/MessmodusDlg.h"

#include "core/IniFile.h"
#include "tester/MeasuringModes.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TMessmodusDlg::TMessmodusDlg(QWidget *parent, const QString &iniFile) : QDialog(parent), m_iniFile(iniFile)
{
    setObjectName(QStringLiteral("MessmodusDlg"));
    setWindowTitle(QStringLiteral("Messmodus-Einstellung"));
    auto *l = new QVBoxLayout(this);
    RadioButton1 = new QRadioButton(QStringLiteral("wie aktueller gespeicherter Satz"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("aus Tabelle:"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setChecked(true);
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAlternatingRowColors(true);
    ListView1->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Schutzkl."),
                                QStringLiteral("Isol/Diff"), QStringLiteral("Berührstr."),
                                QStringLiteral("DIN/VDE"), QStringLiteral("auto")});
    ListView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListView1->setMinimumSize(420, 300);
    // Clicking a row means the table.
    connect(ListView1, &QTreeWidget::itemClicked, this, [this] { RadioButton2->setChecked(true); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] {
        RadioButton2->setChecked(true);
        accept();
    });
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    l->addWidget(RadioButton1);
    l->addWidget(RadioButton2);
    l->addWidget(ListView1, 1);
    l->addWidget(Buttons);
    FillList();

    if (!m_iniFile.isEmpty()) {
        TIniFile ini(m_iniFile);
        const int left = ini.ReadInteger(QStringLiteral("Position"), QStringLiteral("MessmodLeft"), x());
        const int top = ini.ReadInteger(QStringLiteral("Position"), QStringLiteral("MessmodTop"), y());
        move(left, top);
    }
}

TMessmodusDlg::~TMessmodusDlg()
{
    if (m_iniFile.isEmpty()) return;
    TIniFile ini(m_iniFile);
    ini.WriteInteger(QStringLiteral("Position"), QStringLiteral("MessmodLeft"), x());
    ini.WriteInteger(QStringLiteral("Position"), QStringLiteral("MessmodTop"), y());
}

void TMessmodusDlg::FillList()
{
    ListView1->clear();
    for (const TModeRow &r : ModeRows) {
        auto *item =
            new QTreeWidgetItem(ListView1, {QString::number(r.Code), QString::fromUtf8(r.Schutzkl),
                                            QString::fromUtf8(r.IsolDiff), QString::fromUtf8(r.Beruehr),
                                            QString::fromUtf8(r.DinVde), QString::fromUtf8(r.Auto)});
        for (int c = 0; c < 6; ++c)
            item->setTextAlignment(c, Qt::AlignCenter);
    }
}

int TMessmodusDlg::SelectedRow() const
{
    const QList<QTreeWidgetItem *> sel = ListView1->selectedItems();
    return sel.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(sel.first());
}

bool TMessmodusDlg::StoredChosen() const
{
    return RadioButton1->isChecked() && RadioButton1->isEnabled();
}

void TMessmodusDlg::showEvent(QShowEvent *e)
{
    FillList();
    if (!RadioButton1->isEnabled()) RadioButton2->setChecked(true);
    QDialog::showEvent(e);
}
