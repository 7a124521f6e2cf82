#include "app/retrieval/PrueflingDlg.h"

#include "app/common/WindowPlacement.h"
#include "app/retrieval/NeuKundeDlg.h"
#include "app/retrieval/NeuPrueflingDlg.h"
#include "store/Database.h"
#include "store/StagingStore.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Only the height is the user's; the width follows the columns.
const TPlacementKeys kPlacement{QStringLiteral("SelDevicePosition"), QString(), false, true};
QList<TGridColumn> gridColumns()
{
    auto c = [](const char *field, const char *title) {
        return TGridColumn{QLatin1String(field), QString::fromUtf8(title), false, false};
    };
    return {c("PLstrBezeichnung", "Bezeichnung"),
            c("PLstrTyp", "Typ"),
            c("PLstrInventarnummer", "Inventarnummer"),
            c("PLstrFabrikationsnummer", "Fabrikationsnummer"),
            c("PLstrSeriennummer", "Seriennummer"),
            c("PLstrBarcode", "Barcode/Prüflingsnummer"),
            c("KDstrName1", "Kundenname 1"),
            c("KDstrName2", "Kundenname 2"),
            c("KDstrName3", "Kundenname 3"),
            c("KDstrStrasse", "Straße"),
            c("KDstrLKZ", "LKZ"),
            c("KDstrPLZ", "PLZ"),
            c("KDstrOrt", "Ort")};
}

} // namespace

TPrueflingDlg::TPrueflingDlg(QWidget *parent, const QString &iniFile, const QString &connectionName)
    : QDialog(parent), m_iniFile(iniFile),
      m_connection(connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
{
    setObjectName(QStringLiteral("PrueflingDlg"));
    setWindowTitle(QStringLiteral("Prüfling auswählen"));
    m_model = new TRecordTableModel(gridColumns(), this);

    auto *kunde = new QGroupBox(QStringLiteral("Kunde:"), this);
    QFormLayout *kf = KundenFormular(kunde, Kunde, true);
    kunde->setLayout(kf);
    BtnNeuerKunde = new QPushButton(QStringLiteral("neuen Kunden anlegen"), kunde);
    BtnNeuerKunde->setObjectName(QStringLiteral("BtnNeuerKunde"));
    BtnNeuerKunde->setAutoDefault(false);
    kf->addRow(QString(), BtnNeuerKunde);

    auto *geraet = new QGroupBox(QStringLiteral("Prüfling:"), this);
    QFormLayout *gf = PrueflingFormular(geraet, Geraet, true);
    geraet->setLayout(gf);
    BtnNeuerPruefling = new QPushButton(QStringLiteral("neuen Prüfling anlegen"), geraet);
    BtnNeuerPruefling->setObjectName(QStringLiteral("BtnNeuerPruefling"));
    BtnNeuerPruefling->setAutoDefault(false);
    gf->addRow(QString(), BtnNeuerPruefling);

    DeviceGrid = new QTableView(this);
    DeviceGrid->setObjectName(QStringLiteral("DBGrid1"));
    DeviceGrid->setModel(m_model);
    DeviceGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    DeviceGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    DeviceGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DeviceGrid->setAlternatingRowColors(true);
    DeviceGrid->verticalHeader()->setVisible(false);
    DeviceGrid->verticalHeader()->setDefaultSectionSize(DeviceGrid->fontMetrics().height() + 6);
    connect(DeviceGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { showCurrent(); });
    connect(DeviceGrid, &QTableView::doubleClicked, this, &QDialog::accept);

    QHBoxLayout *bottom = OkAbbrechenZeile(this, BtnOK, BtnAbbrechen);
    BtnGespeicherteDaten = new QPushButton(QStringLiteral("gespeicherte Daten"), this);
    BtnGespeicherteDaten->setObjectName(QStringLiteral("BtnGespeicherteDaten"));
    BtnGespeicherteDaten->hide();
    bottom->insertWidget(0, BtnGespeicherteDaten);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnNeuerKunde, &QPushButton::clicked, this, &TPrueflingDlg::NeuenKundenAnlegen);
    connect(BtnNeuerPruefling, &QPushButton::clicked, this, &TPrueflingDlg::NeuenPrueflingAnlegen);

    auto *upper = new QHBoxLayout;
    upper->addWidget(kunde, 1);
    upper->addWidget(geraet, 1);
    auto *l = new QVBoxLayout(this);
    l->addLayout(upper);
    l->addWidget(DeviceGrid, 1);
    l->addLayout(bottom);
    resize(860, 560);

    RestorePlacement(*this, m_iniFile, kPlacement);
}

TPrueflingDlg::~TPrueflingDlg()
{
    // The list goes with the children; it must not call back in here then.
    disconnect(DeviceGrid->selectionModel(), nullptr, this, nullptr);
    SavePlacement(*this, m_iniFile, kPlacement);
}

int TPrueflingDlg::CurrentRow() const
{
    const QModelIndex i = DeviceGrid->currentIndex();
    return i.isValid() ? i.row() : -1;
}

int TPrueflingDlg::CurrentKundenNr() const
{
    const int row = CurrentRow();
    return row < 0 ? 0 : FieldInt(m_model->value(row, QStringLiteral("KDintKundenNr")));
}

void TPrueflingDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    reloadList();
    DeviceGrid->resizeColumnsToContents();
    int row = m_selectedDeviceNr != 0
                  ? m_model->findRow(QStringLiteral("PLintPrueflingNr"), m_selectedDeviceNr)
                  : -1;
    // Nothing preselected or gone: the newest device.
    if (row < 0) row = m_model->rowCount() - 1;
    if (row >= 0) {
        DeviceGrid->setCurrentIndex(m_model->index(row, 0));
        DeviceGrid->scrollTo(m_model->index(row, 0));
    }
    showCurrent();
    DeviceGrid->setFocus();
}

void TPrueflingDlg::hideEvent(QHideEvent *e)
{
    const int row = CurrentRow();
    m_selectedDeviceNr = row < 0 ? 0 : FieldInt(m_model->value(row, QStringLiteral("PLintPrueflingNr")));
    m_selectedBarcode =
        row < 0 ? QString() : FieldString(m_model->value(row, QStringLiteral("PLstrBarcode")));
    m_model->clear();
    QDialog::hideEvent(e);
}

void TPrueflingDlg::showCurrent()
{
    const int row = CurrentRow();
    auto put = [this, row](QLineEdit *e, const char *field) {
        e->setText(row < 0 ? QString() : FieldString(m_model->value(row, QLatin1String(field))));
        e->setCursorPosition(0);
    };
    const char *kundenFelder[] = {"KDstrName1", "KDstrName2", "KDstrName3",   "KDstrStrasse", "KDstrLKZ",
                                  "KDstrPLZ",   "KDstrOrt",   "KDstrTelefon", "KDstrFax"};
    const QList<QLineEdit *> k = Kunde.All();
    for (int i = 0; i < k.size(); ++i)
        put(k[i], kundenFelder[i]);
    const char *geraeteFelder[] = {"PLstrBezeichnung",        "PLstrTyp",
                                   "PLstrFabrikationsnummer", "PLstrSeriennummer",
                                   "PLstrInventarnummer",     "PLstrBarcode"};
    const QList<QLineEdit *> g = Geraet.All();
    for (int i = 0; i < g.size(); ++i)
        put(g[i], geraeteFelder[i]);
    // A device needs a customer: without any row there is none to take.
    BtnNeuerPruefling->setEnabled(row >= 0);
}

void TPrueflingDlg::reloadList()
{
    QList<QSqlRecord> rows;
    DeviceChoiceRows(QSqlDatabase::database(m_connection, false), &rows);
    m_model->setRows(rows);
}

void TPrueflingDlg::reloadToLast()
{
    DeviceGrid->setUpdatesEnabled(false);
    reloadList();
    DeviceGrid->resizeColumnsToContents();
    const int last = m_model->rowCount() - 1;
    if (last >= 0) {
        DeviceGrid->setCurrentIndex(m_model->index(last, 0));
        DeviceGrid->scrollTo(m_model->index(last, 0));
    }
    showCurrent();
    DeviceGrid->setUpdatesEnabled(true);
}

void TPrueflingDlg::NeuenKundenAnlegen()
{
    if (!m_neuKunde) return;
    if (m_neuKunde->exec() == QDialog::Accepted) reloadToLast();
}

void TPrueflingDlg::NeuenPrueflingAnlegen()
{
    if (!m_neuPruefling || CurrentRow() < 0) return;
    if (m_neuPruefling->exec() == QDialog::Accepted) reloadToLast();
}
