#include "app/browser/AuswListeDlg.h"

#include "app/common/WindowPlacement.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const TPlacementKeys kPlacement{QStringLiteral("Position"), QStringLiteral("SelectList"), true, true};
}

TAuswListeDlg::TAuswListeDlg(QWidget *parent, const QString &iniFile) : QDialog(parent), m_iniFile(iniFile)
{
    setObjectName(QStringLiteral("AuswListeDlg"));
    setWindowTitle(QStringLiteral("Dialog"));
    setSizeGripEnabled(true);
    resize(780, 360);
    m_model = new TBrowseSetModel(this);

    ListGrid = new QTableView(this);
    ListGrid->setObjectName(QStringLiteral("DBGrid1"));
    ListGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ListGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListGrid->setAlternatingRowColors(true);
    ListGrid->verticalHeader()->setDefaultSectionSize(20);
    ListGrid->verticalHeader()->hide();
    ListGrid->horizontalHeader()->setStretchLastSection(false);
    // Columns without a width of their own get the grid's usual 64 pixels.
    ListGrid->horizontalHeader()->setDefaultSectionSize(64);
    // Double click or Enter take the row, as OK does.
    connect(ListGrid, &QTableView::doubleClicked, this, &QDialog::accept);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("BitBtn1"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *l = new QVBoxLayout(this);
    l->addWidget(ListGrid, 1);
    auto *b = new QHBoxLayout;
    b->addStretch(1);
    b->addWidget(OkButton);
    l->addLayout(b);

    RestorePlacement(*this, m_iniFile, kPlacement);
}

TAuswListeDlg::~TAuswListeDlg()
{
    SavePlacement(*this, m_iniFile, kPlacement);
}

void TAuswListeDlg::Bind(TBrowseSet *set, const QList<TBrowseSetModel::Column> &columns)
{
    Unbind();
    m_model->setSet(set);
    m_model->setColumns(columns);
    ListGrid->setModel(m_model);
    for (int c = 0; c < columns.size(); ++c)
        ListGrid->setColumnWidth(c, columns[c].width > 0 ? columns[c].width : 64);
    if (set && set->RecNo() > 0) ListGrid->setCurrentIndex(m_model->index(set->RecNo() - 1, 0));
    m_follow = connect(ListGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                       [set](const QModelIndex &current) {
                           if (set && current.isValid()) set->MoveTo(current.row() + 1);
                       });
}

void TAuswListeDlg::Unbind()
{
    if (m_follow) disconnect(m_follow);
    ListGrid->setModel(nullptr);
    m_model->clearColumns();
    m_model->setSet(nullptr);
}

int TAuswListeDlg::ExecList(const QString &caption, TBrowseSet *set,
                            const QList<TBrowseSetModel::Column> &columns)
{
    setWindowTitle(caption);
    Bind(set, columns);
    const int result = exec();
    Unbind();
    return result;
}
