#include "app/AuswListeDlg.h"

#include "core/IniFile.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kPosition = QStringLiteral("Position");
}

TAuswListeDlg::TAuswListeDlg(QWidget *parent, const QString &iniFile) : QDialog(parent), m_iniFile(iniFile)
{
    setObjectName(QStringLiteral("AuswListeDlg"));
    setWindowTitle(QStringLiteral("Dialog"));
    setSizeGripEnabled(true);
    resize(780, 360);
    m_model = new TBrowseSetModel(this);

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setAlternatingRowColors(true);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setStretchLastSection(false);
    // Columns without a width of their own get the grid's usual 64 pixels.
    DBGrid1->horizontalHeader()->setDefaultSectionSize(64);
    // Double click or Enter take the row, as OK does.
    connect(DBGrid1, &QTableView::doubleClicked, this, &QDialog::accept);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto *l = new QVBoxLayout(this);
    l->addWidget(DBGrid1, 1);
    auto *b = new QHBoxLayout;
    b->addStretch(1);
    b->addWidget(BitBtn1);
    l->addLayout(b);

    if (!m_iniFile.isEmpty()) {
        TIniFile ini(m_iniFile);
        move(ini.ReadInteger(kPosition, QStringLiteral("SelectListLeft"), x()),
             ini.ReadInteger(kPosition, QStringLiteral("SelectListTop"), y()));
        resize(ini.ReadInteger(kPosition, QStringLiteral("SelectListWidth"), width()),
               ini.ReadInteger(kPosition, QStringLiteral("SelectListHeight"), height()));
    }
}

TAuswListeDlg::~TAuswListeDlg()
{
    if (m_iniFile.isEmpty()) return;
    TIniFile ini(m_iniFile);
    ini.setAutoFlush(false);
    ini.WriteInteger(kPosition, QStringLiteral("SelectListLeft"), x());
    ini.WriteInteger(kPosition, QStringLiteral("SelectListTop"), y());
    ini.WriteInteger(kPosition, QStringLiteral("SelectListWidth"), width());
    ini.WriteInteger(kPosition, QStringLiteral("SelectListHeight"), height());
    ini.flush();
}

void TAuswListeDlg::Bind(TBrowseSet *set, const QList<TBrowseSetModel::Column> &columns)
{
    Unbind();
    m_model->setSet(set);
    m_model->setColumns(columns);
    DBGrid1->setModel(m_model);
    for (int c = 0; c < columns.size(); ++c)
        DBGrid1->setColumnWidth(c, columns[c].width > 0 ? columns[c].width : 64);
    if (set && set->RecNo() > 0) DBGrid1->setCurrentIndex(m_model->index(set->RecNo() - 1, 0));
    m_follow = connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                       [set](const QModelIndex &current) {
                           if (set && current.isValid()) set->MoveTo(current.row() + 1);
                       });
}

void TAuswListeDlg::Unbind()
{
    if (m_follow) disconnect(m_follow);
    DBGrid1->setModel(nullptr);
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
