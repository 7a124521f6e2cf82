#include "app/extras/PrueffristenDlg.h"

#include "app/common/Prompt.h"
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
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

namespace {

enum TCol { cKunde, cPruefling, cInventar, cBarcode, cLetzte, cNaechste, cTage, cCount };
constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kRowRole = Qt::UserRole + 2; // index into the loaded list

} // namespace

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
        const int row = m_proxy->mapToSource(index).row();
        const int i = m_model->item(row, 0)->data(kRowRole).toInt();
        if (i >= 0 && i < m_all.size()) emit deviceActivated(m_all[i].KundenNr, m_all[i].PrueflingNr);
    });
    connect(BtnDrucken, &QPushButton::clicked, this, &TPrueffristenDlg::PrintClick);
    connect(BtnExport, &QPushButton::clicked, this, &TPrueffristenDlg::ExportClick);
    connect(BtnSchliessen, &QPushButton::clicked, this, &QDialog::accept);
}

QLayout *TPrueffristenDlg::buildFilters()
{
    KundeFilter = new QComboBox(this);
    KundeFilter->setObjectName(QStringLiteral("KundeFilter"));
    KundeFilter->setMinimumWidth(220);
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
    m_model = new QStandardItemModel(0, cCount, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Kunde"), QStringLiteral("Prüfling"),
                                        QStringLiteral("Inventarnummer"), QStringLiteral("Barcode"),
                                        QStringLiteral("letzte Prüfung"), QStringLiteral("nächste Prüfung"),
                                        QStringLiteral("Tage")});
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(kSortRole);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    Liste = new QTableView(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setModel(m_proxy);
    Liste->setSortingEnabled(true);
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->verticalHeader()->hide();
    Liste->horizontalHeader()->setStretchLastSection(true);
    const int widths[cCount] = {190, 190, 120, 110, 110, 115, 60};
    for (int c = 0; c < cCount; ++c)
        Liste->setColumnWidth(c, widths[c]);
    // Most urgent first: never tested, then by due date.
    Liste->sortByColumn(cNaechste, Qt::AscendingOrder);
}

QLayout *TPrueffristenDlg::buildButtons()
{
    Anzahl = new QLabel(this);
    Anzahl->setObjectName(QStringLiteral("Anzahl"));
    BtnDrucken = new QPushButton(QStringLiteral("Drucken..."), this);
    BtnDrucken->setObjectName(QStringLiteral("BtnDrucken"));
    BtnExport = new QPushButton(QStringLiteral("Exportieren..."), this);
    BtnExport->setObjectName(QStringLiteral("BtnExport"));
    BtnSchliessen = new QPushButton(QStringLiteral("Schließen"), this);
    BtnSchliessen->setObjectName(QStringLiteral("BtnSchliessen"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Anzahl);
    buttons->addStretch();
    buttons->addWidget(BtnDrucken);
    buttons->addWidget(BtnExport);
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
        KundeFilter->clear();
        KundeFilter->addItem(QStringLiteral("alle Kunden"), 0);
        QList<QPair<QString, int>> customers;
        int last = -1;
        for (const TDueEntry &d : m_all) { // sorted by customer name already
            if (d.KundenNr == last) continue;
            last = d.KundenNr;
            customers.append({d.Kunde, d.KundenNr});
        }
        for (const auto &c : customers)
            KundeFilter->addItem(c.first.isEmpty() ? QStringLiteral("(Kunde %1)").arg(c.second) : c.first,
                                 c.second);
        const int at = KundeFilter->findData(chosen);
        KundeFilter->setCurrentIndex(at < 0 ? 0 : at);
    }
    refill();
    return true;
}

bool TPrueffristenDlg::passes(const TDueEntry &e) const
{
    const int customer = KundeFilter->currentData().toInt();
    if (customer != 0 && e.KundenNr != customer) return false;
    return !FaelligCheck->isChecked() || IsDueWithin(e, TageEdit->value());
}

QList<TDueEntry> TPrueffristenDlg::Shown() const
{
    QList<TDueEntry> out;
    for (int r = 0; r < m_proxy->rowCount(); ++r) {
        const int row = m_proxy->mapToSource(m_proxy->index(r, 0)).row();
        out << m_all[m_model->item(row, 0)->data(kRowRole).toInt()];
    }
    return out;
}

void TPrueffristenDlg::refill()
{
    m_model->removeRows(0, m_model->rowCount());
    const QBrush red(QColor(0xFF, 0xB4, 0xB4));
    const QBrush yellow(QColor(0xFF, 0xF0, 0x96));
    const QString fmt = QStringLiteral("dd.MM.yyyy");
    // Never tested sorts before every date, no due date after every one.
    constexpr qint64 kNever = std::numeric_limits<qint64>::min();
    constexpr qint64 kNone = std::numeric_limits<qint64>::max();
    int shown = 0;
    for (int i = 0; i < m_all.size(); ++i) {
        const TDueEntry &e = m_all[i];
        if (!passes(e)) continue;
        ++shown;
        const TDueState st = DueStateOf(e, WarnDays);
        auto item = [&](const QString &text, const QVariant &key) {
            auto *it = new QStandardItem(text);
            it->setData(key, kSortRole);
            if (st == TDueState::Overdue || st == TDueState::Failed) it->setBackground(red);
            if (st == TDueState::DueSoon) it->setBackground(yellow);
            return it;
        };
        const bool never = st == TDueState::NeverTested;
        // A failed device is due now: right after the untested ones, before every date.
        const qint64 first = never ? kNever : kNever + 1;
        const bool upFront = never || e.Failed;
        QList<QStandardItem *> row{
            item(e.Kunde, e.Kunde),
            item(e.Bezeichnung, e.Bezeichnung),
            item(e.Inventarnummer, e.Inventarnummer),
            item(e.Barcode, e.Barcode),
            item(never ? QStringLiteral("nie geprüft") : e.LastTest.toString(fmt),
                 never ? kNever : e.LastTest.toJulianDay()),
            item(NextDueText(e, fmt), upFront               ? first
                                      : e.NextDue.isValid() ? e.NextDue.toJulianDay()
                                                            : kNone),
            item(e.NextDue.isValid() ? QString::number(e.DaysLeft) : QString(), upFront ? first
                                                                                : e.NextDue.isValid()
                                                                                    ? qint64(e.DaysLeft)
                                                                                    : kNone),
        };
        row[0]->setData(i, kRowRole);
        row[cTage]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (never) {
            QFont f = row[cLetzte]->font();
            f.setItalic(true);
            row[cLetzte]->setFont(f);
        }
        m_model->appendRow(row);
    }
    Anzahl->setText(QStringLiteral("%1 von %2 Prüflingen").arg(shown).arg(m_all.size()));
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
