#include "app/extras/PrueffristenDlg.h"

#include "app/common/Prompt.h"
#include "app/extras/DueListModel.h"
#include "protocols/DueListReport.h"
#include "store/XlsxExport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

TPrueffristenDlg::TPrueffristenDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrueffristenDlg"));
    setWindowTitle(QStringLiteral("Prüffristen"));
    resize(960, 560);

    QLayout *filters = buildFilters();
    buildList();
    QLayout *buttons = buildButtons();
    auto *v = new QVBoxLayout(this);
    v->addLayout(filters);
    v->addWidget(Liste);
    v->addLayout(buttons);

    connect(KundeFilter, &QComboBox::currentIndexChanged, this, [this] { refill(); });
    connect(FaelligCheck, &QCheckBox::toggled, this, [this] { refill(); });
    connect(TageEdit, &QSpinBox::valueChanged, this, [this] {
        if (FaelligCheck->isChecked()) refill();
    });
    connect(Liste, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (!index.isValid() || index.row() >= m_model->rowCount()) return;
        const TDueEntry &e = m_model->entry(index.row());
        emit deviceActivated(e.KundenNr, e.PrueflingNr);
    });
    connect(BtnDrucken, &QPushButton::clicked, this, &TPrueffristenDlg::PrintClick);
    connect(BtnExport, &QPushButton::clicked, this, &TPrueffristenDlg::ExportClick);
    connect(BtnErinnerungen, &QPushButton::clicked, this, &TPrueffristenDlg::RemindersClick);
    connect(BtnSchliessen, &QPushButton::clicked, this, &QDialog::accept);
}

QLayout *TPrueffristenDlg::buildFilters()
{
    KundeFilter = new QComboBox(this);
    KundeFilter->setObjectName(QStringLiteral("KundeFilter"));
    KundeFilter->setMinimumWidth(220);
    // Sized by a length, not by measuring every one of thousands of names.
    KundeFilter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    KundeFilter->setMinimumContentsLength(28);
    m_customers = new TDueCustomerModel(this);
    KundeFilter->setModel(m_customers);
    FaelligCheck = new QCheckBox(QStringLiteral("fällig innerhalb"), this);
    FaelligCheck->setObjectName(QStringLiteral("FaelligCheck"));
    TageEdit = new QSpinBox(this);
    TageEdit->setObjectName(QStringLiteral("TageEdit"));
    TageEdit->setRange(0, 3650);
    TageEdit->setValue(WarnDays);
    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Kunde:"), this));
    filters->addWidget(KundeFilter);
    filters->addSpacing(16);
    filters->addWidget(FaelligCheck);
    filters->addWidget(TageEdit);
    filters->addWidget(new QLabel(QStringLiteral("Tagen"), this));
    filters->addStretch();
    return filters;
}

void TPrueffristenDlg::buildList()
{
    m_model = new TDueListModel(WarnDays, this);
    Liste = new QTableView(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setModel(m_model);
    Liste->setSortingEnabled(true);
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->verticalHeader()->hide();
    // Every row is one line: the view need not ask thousands of rows for their height.
    Liste->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Liste->horizontalHeader()->setStretchLastSection(true);
    const int widths[TDueListModel::cCount] = {190, 190, 120, 110, 110, 115, 60};
    for (int c = 0; c < TDueListModel::cCount; ++c)
        Liste->setColumnWidth(c, widths[c]);
    // Most urgent first: never tested, then by due date.
    Liste->sortByColumn(TDueListModel::cNaechste, Qt::AscendingOrder);
}

QLayout *TPrueffristenDlg::buildButtons()
{
    Anzahl = new QLabel(this);
    Anzahl->setObjectName(QStringLiteral("Anzahl"));
    BtnDrucken = new QPushButton(QStringLiteral("Drucken..."), this);
    BtnDrucken->setObjectName(QStringLiteral("BtnDrucken"));
    BtnExport = new QPushButton(QStringLiteral("Exportieren..."), this);
    BtnExport->setObjectName(QStringLiteral("BtnExport"));
    BtnErinnerungen = new QPushButton(QStringLiteral("Erinnerungen..."), this);
    BtnErinnerungen->setObjectName(QStringLiteral("BtnErinnerungen"));
    BtnSchliessen = new QPushButton(QStringLiteral("Schließen"), this);
    BtnSchliessen->setObjectName(QStringLiteral("BtnSchliessen"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Anzahl);
    buttons->addStretch();
    buttons->addWidget(BtnDrucken);
    buttons->addWidget(BtnExport);
    buttons->addWidget(BtnErinnerungen);
    buttons->addWidget(BtnSchliessen);
    return buttons;
}

void TPrueffristenDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    Reload();
}

bool TPrueffristenDlg::Reload()
{
    QString error;
    m_model->setRows(nullptr, {}); // it shows m_all, which the load replaces
    if (!LoadDueList(m_db, m_interval, QDate::currentDate(), m_all, &error)) {
        m_all.clear();
        refill();
        Prompt().Warn(this, QStringLiteral("Die Prüffristen können nicht gelesen werden:\n") + error,
                      windowTitle());
        return false;
    }
    // The customer choice survives a reload.
    const int chosen = KundeFilter->currentData().toInt();
    {
        const QSignalBlocker block(KundeFilter);
        m_customers->setCustomers(m_all);
        const int at = chosen ? KundeFilter->findData(chosen) : 0;
        KundeFilter->setCurrentIndex(at < 0 ? 0 : at);
    }
    refill();
    return true;
}

QList<TDueEntry> TPrueffristenDlg::Shown() const
{
    QList<TDueEntry> out;
    out.reserve(m_model->rowCount());
    for (int r = 0; r < m_model->rowCount(); ++r)
        out << m_model->entry(r);
    return out;
}

void TPrueffristenDlg::refill()
{
    const int customer = KundeFilter->currentData().toInt();
    const bool dueOnly = FaelligCheck->isChecked();
    const int days = TageEdit->value();
    m_model->setRows(&m_all, [&](const TDueEntry &e) {
        if (customer != 0 && e.KundenNr != customer) return false;
        return !dueOnly || IsDueWithin(e, days);
    });
    Anzahl->setText(QStringLiteral("%1 von %2 Prüflingen").arg(m_model->rowCount()).arg(m_all.size()));
}

void TPrueffristenDlg::PrintClick()
{
    QString caption =
        KundeFilter->currentIndex() > 0 ? KundeFilter->currentText() : QStringLiteral("alle Kunden");
    if (FaelligCheck->isChecked())
        caption += QStringLiteral(", fällig innerhalb %1 Tagen").arg(TageEdit->value());
    DueListReport(Shown(), caption).Preview(this);
}

void TPrueffristenDlg::ExportClick()
{
    const QString file = Prompt().SaveFileName(
        this, QStringLiteral("Prüffristen exportieren"), QStringLiteral("Prueffristen.csv"),
        QStringLiteral("CSV-Datei (*.csv);;Excel-Arbeitsmappe (*.xlsx)"));
    if (file.isEmpty()) return;
    QString error;
    const bool ok =
        IsXlsxFileName(file) ? WriteDueXlsx(Shown(), file, &error) : WriteDueCsv(Shown(), file, &error);
    if (!ok) Prompt().Warn(this, error, windowTitle());
}
