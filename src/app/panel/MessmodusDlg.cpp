#include "app/panel/MessmodusDlg.h"

#include "app/common/WindowPlacement.h"
#include "tester/MeasuringModes.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const TPlacementKeys kPlacement{QStringLiteral("Position"), QStringLiteral("Messmod")};
} // namespace

TMessmodusDlg::TMessmodusDlg(QWidget *parent, const QString &iniFile) : QDialog(parent), m_iniFile(iniFile)
{
    setObjectName(QStringLiteral("MessmodusDlg"));
    setWindowTitle(QStringLiteral("Messmodus-Einstellung"));
    auto *l = new QVBoxLayout(this);
    FromStoredTest = new QRadioButton(QStringLiteral("wie aktueller gespeicherter Satz"), this);
    FromStoredTest->setObjectName(QStringLiteral("RadioButton1"));
    FromTable = new QRadioButton(QStringLiteral("aus Tabelle:"), this);
    FromTable->setObjectName(QStringLiteral("RadioButton2"));
    FromTable->setChecked(true);
    ModeTable = new QTreeWidget(this);
    ModeTable->setObjectName(QStringLiteral("ListView1"));
    ModeTable->setRootIsDecorated(false);
    ModeTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ModeTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ModeTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ModeTable->setAlternatingRowColors(true);
    ModeTable->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Schutzkl."),
                                QStringLiteral("Isol/Diff"), QStringLiteral("Berührstr."),
                                QStringLiteral("DIN/VDE"), QStringLiteral("auto")});
    ModeTable->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ModeTable->setMinimumSize(420, 300);
    // Clicking a row means the table.
    connect(ModeTable, &QTreeWidget::itemClicked, this, [this] { FromTable->setChecked(true); });
    connect(ModeTable, &QTreeWidget::itemDoubleClicked, this, [this] {
        FromTable->setChecked(true);
        accept();
    });
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    l->addWidget(FromStoredTest);
    l->addWidget(FromTable);
    l->addWidget(ModeTable, 1);
    l->addWidget(Buttons);
    FillList();

    RestorePlacement(*this, m_iniFile, kPlacement);
}

TMessmodusDlg::~TMessmodusDlg()
{
    SavePlacement(*this, m_iniFile, kPlacement);
}

void TMessmodusDlg::FillList()
{
    ModeTable->clear();
    for (const TModeRow &r : ModeRows) {
        auto *item =
            new QTreeWidgetItem(ModeTable, {QString::number(r.Code), QString::fromUtf8(r.Schutzkl),
                                            QString::fromUtf8(r.IsolDiff), QString::fromUtf8(r.Beruehr),
                                            QString::fromUtf8(r.DinVde), QString::fromUtf8(r.Auto)});
        for (int c = 0; c < 6; ++c)
            item->setTextAlignment(c, Qt::AlignCenter);
    }
}

int TMessmodusDlg::SelectedRow() const
{
    const QList<QTreeWidgetItem *> sel = ModeTable->selectedItems();
    return sel.isEmpty() ? -1 : ModeTable->indexOfTopLevelItem(sel.first());
}

bool TMessmodusDlg::StoredChosen() const
{
    return FromStoredTest->isChecked() && FromStoredTest->isEnabled();
}

void TMessmodusDlg::showEvent(QShowEvent *e)
{
    FillList();
    if (!FromStoredTest->isEnabled()) FromTable->setChecked(true);
    QDialog::showEvent(e);
}
