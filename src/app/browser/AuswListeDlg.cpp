#include "app/browser/AuswListeDlg.h"

#include "app/common/WindowPlacement.h"
#include "core/IniFile.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const TPlacementKeys kPlacement{QStringLiteral("Position"), QStringLiteral("SelectList"), true, true};
const QString kSortSection = QStringLiteral("SelectList");
// A name column grows to its longest name, but not past this.
constexpr int kWidestColumn = 360;
// Texts of a column measured for its width.
constexpr int kMeasured = 40;
} // namespace

TAuswListeDlg::TAuswListeDlg(QWidget *parent, const QString &iniFile) : QDialog(parent), m_iniFile(iniFile)
{
    setObjectName(QStringLiteral("AuswListeDlg"));
    setWindowTitle(QStringLiteral("Dialog"));
    setSizeGripEnabled(true);
    resize(780, 360);
    m_model = new TBrowseListModel(this);

    FilterEdit = new QLineEdit(this);
    FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
    FilterEdit->setClearButtonEnabled(true);
    FilterEdit->setPlaceholderText(QStringLiteral("Teil eines Namens, Orts oder einer Nummer"));
    auto *filterLabel = new QLabel(QStringLiteral("Suchen:"), this);
    filterLabel->setBuddy(FilterEdit);
    SortBox = new QComboBox(this);
    SortBox->setObjectName(QStringLiteral("SortBox"));
    SortBox->addItems({QStringLiteral("Name"), QStringLiteral("Nummer")});
    auto *sortLabel = new QLabel(QStringLiteral("Sortiert nach:"), this);
    sortLabel->setBuddy(SortBox);

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
    connect(FilterEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_model->setFilter(text);
        showCurrent();
    });
    connect(SortBox, &QComboBox::activated, this, &TAuswListeDlg::sortChosen);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("BitBtn1"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *l = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(FilterEdit, 1);
    top->addSpacing(12);
    top->addWidget(sortLabel);
    top->addWidget(SortBox);
    l->addLayout(top);
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

void TAuswListeDlg::Bind(TBrowseSet *set, const QList<TBrowseListModel::Column> &columns,
                         const QString &sortKey)
{
    Unbind();
    m_set = set;
    m_sortKey = sortKey;
    const bool byName = !sortKey.isEmpty() &&
                        (m_iniFile.isEmpty() ||
                         TIniFile(m_iniFile).ReadString(kSortSection, sortKey, QStringLiteral("Name")) !=
                             QLatin1String("Nummer"));
    SortBox->setCurrentIndex(byName ? 0 : 1);
    SortBox->setEnabled(!sortKey.isEmpty());
    m_model->setSortOrder(byName ? TBrowseListModel::ByName : TBrowseListModel::ByNumber);
    m_model->setFilter(QString());
    FilterEdit->clear();
    // A list that cannot be read stays empty; the browser's own panes still work.
    m_model->Load(set, columns);
    ListGrid->setModel(m_model);
    fitColumns();
    showCurrent();
    m_follow = connect(ListGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                       [this](const QModelIndex &current) {
                           if (m_set && current.isValid()) follow(m_model->KeyOfRow(current.row()));
                       });
    FilterEdit->setFocus();
}

// Every column at least its given width; text columns as wide as their longest text.
void TAuswListeDlg::fitColumns()
{
    const QFontMetrics fm = ListGrid->fontMetrics();
    const int pad = 2 * ListGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListGrid) + 10;
    const QList<TBrowseListModel::Column> &columns = m_model->Columns();
    for (int c = 0; c < columns.size(); ++c) {
        int width = columns[c].width > 0 ? columns[c].width : 64;
        width = std::max(width, fm.horizontalAdvance(columns[c].title) + pad);
        // Measuring every text of thousands of rows took longer than reading
        // them; the widest is among the longest by letters.
        QStringList texts = m_model->ColumnTexts(c);
        const auto longest = texts.begin() + std::min<qsizetype>(texts.size(), kMeasured);
        std::partial_sort(texts.begin(), longest, texts.end(),
                          [](const QString &a, const QString &b) { return a.size() > b.size(); });
        for (auto it = texts.begin(); it != longest; ++it)
            width = std::max(width, std::min(kWidestColumn, fm.horizontalAdvance(*it) + pad));
        ListGrid->setColumnWidth(c, width);
    }
}

// The set's current row, when the filter shows it; else the first row shown.
void TAuswListeDlg::showCurrent()
{
    if (!m_set || !ListGrid->model()) return;
    int row = m_model->RowOfKey(m_set->CurrentKey());
    if (row < 0 && m_model->rowCount() > 0) row = 0;
    if (row < 0) return;
    const QModelIndex index = m_model->index(row, 0);
    ListGrid->setCurrentIndex(index);
    ListGrid->scrollTo(index);
}

void TAuswListeDlg::follow(int key)
{
    // A row stored since the browser read its level (another workstation):
    // the level is read again so it can stand there. A pending edit is
    // written first, as any move does.
    const QList<int> &keys = m_set->Keys();
    if (!std::binary_search(keys.begin(), keys.end(), key) && m_set->Post()) m_set->Refresh();
    m_set->Locate(key);
}

void TAuswListeDlg::sortChosen(int index)
{
    m_model->setSortOrder(index == 0 ? TBrowseListModel::ByName : TBrowseListModel::ByNumber);
    showCurrent();
    if (!m_sortKey.isEmpty() && !m_iniFile.isEmpty())
        TIniFile(m_iniFile).WriteString(kSortSection, m_sortKey,
                                        index == 0 ? QStringLiteral("Name") : QStringLiteral("Nummer"));
}

void TAuswListeDlg::Unbind()
{
    if (m_follow) disconnect(m_follow);
    ListGrid->setModel(nullptr);
    m_model->Clear();
    m_set = nullptr;
}

int TAuswListeDlg::ExecList(const QString &caption, TBrowseSet *set,
                            const QList<TBrowseListModel::Column> &columns, const QString &sortKey)
{
    setWindowTitle(caption);
    Bind(set, columns, sortKey);
    const int result = exec();
    Unbind();
    return result;
}
