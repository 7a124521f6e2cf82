#include "app/retrieval/DatenabrufDlg.h"

#include "app/common/Prompt.h"
#include "app/common/WindowPlacement.h"
#include "app/retrieval/DatenabrufSpalten.h"
#include "app/retrieval/PrueflingDlg.h"
#include "core/FormatSettings.h"
#include "store/ColumnWidths.h"
#include "store/Database.h"
#include "store/DbErrors.h"
#include "store/FetchStore.h"
#include "store/Globals.h"
#include "store/StagingStore.h"
#include "tester/Commands.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace staging_grid;

namespace {

const TPlacementKeys kPlacement{QStringLiteral("LoadDataPosition"), QString(), true, true};

QString jaNein(const QVariant &v)
{
    return FieldBool(v) ? QStringLiteral("ja") : QStringLiteral("nein");
}

// Edits of the grid no longer than their columns.
class TStagingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            const int width = ColumnWidth(TStagingModel::Columns().value(index.column()).Field);
            if (width > 0) e->setMaxLength(width);
        }
        return w;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *e = qobject_cast<QLineEdit *>(editor)) {
            e->setText(index.data(Qt::DisplayRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
};

} // namespace

// ---- the grid's model ----------------------------------------------------------

QList<TGridColumn> TStagingModel::Columns()
{
    auto c = [](const char *field, const char *title, bool centred = true, bool editable = false) {
        return TGridColumn{QLatin1String(field), QString::fromUtf8(title), centred, editable};
    };
    return {c("UNintLfdNr", "lfd. Nr."),
            c("UNstrBarcode", "Barcode/Prüfl.-Nr.", false, true),
            c("UNintPrueflingNr", "Prüfling"),
            c("UNdtmUebernahme", "Datum", true, true),
            c("UNstrGTSeriennummer", "GT-Seriennummer", false),
            c("UNintSchutzklasse", "Schutzkl."),
            c("UNblnAutomatisch", "automatisch"),
            c("UNintDINVDE", "DIN/VDE"),
            c("UNblnManuGrenz", "Grenzw. manuell"),
            c("UNintIsolDiff", "mit Isol."),
            c("UNblnMitBeruehr", "mit Beruehr.Str."),
            c("UNintSichtpruef", "Sichtpr.best."),
            c("UNblnAbgebrochen", "abgebrochen"),
            c("UNblnPruefungsergebnis", "Ergebnis"),
            c("UNintSchutzleiterwid", "Schutzleiterwid."),
            c("UNintIsolationswid", "Isolationswid."),
            c("UNintAbleitstrom", "Ableitstrom"),
            c("UNintSchutzlStromL1N", "Schutzl.-Strom L1-N"),
            c("UNintSchutzlStromNL1", "Schutzl.-Strom N-L1"),
            c("UNintBeruehrungsstromL1N", "Berührungsstrom L1-N"),
            c("UNintBeruehrungsstromNL1", "Berührungsstrom N-L1"),
            c("UNstrPruefer", "Prüfer", false, true),
            c("UNstrBewertender", "Bewertender", false, true)};
}

TStagingModel::TStagingModel(TDatenabruf *logic, QObject *parent)
    : TRecordTableModel(Columns(), parent), m_logic(logic)
{
}

bool TStagingModel::reload()
{
    loadDoppelt();
    QList<QSqlRecord> rows;
    const bool ok = StagingRows(m_logic->Database(), &rows);
    setRows(rows);
    return ok;
}

QString TStagingModel::displayText(int row, int column) const
{
    const QSqlRecord &r = record(row);
    const QVariant v = r.value(columns()[column].Field);
    auto messwert = [&](QString (*format)(int), const char *unit, int mask) {
        const int x = FieldInt(v);
        QString text = x < 0 ? QStringLiteral("---") : format(x) + QLatin1String(unit);
        if (FieldInt(r.value(QStringLiteral("UNintGrenzwertflags"))) & mask)
            text.prepend(QStringLiteral("* "));
        return text;
    };
    switch (column) {
    case cPruefling:
        return FieldInt(v) != 0 ? QStringLiteral("ja") : QStringLiteral("nein");
    case cDatum: {
        const QDateTime dt = FieldDateTime(v);
        return dt.isValid() ? FormatDateTime(dt) : QString();
    }
    case cSchutzkl: {
        const QString text = FormatSchutzklasse(FieldInt(v));
        return text.isEmpty() ? QStringLiteral("---") : text;
    }
    case cAutomatisch:
    case cManuGrenz:
    case cBeruehr:
    case cAbgebrochen:
        return jaNein(v);
    case cDin:
        return FormatDinVde(FieldInt(v));
    case cIsol:
        switch (FieldInt(v)) {
        case 0:
            return QStringLiteral("ohne Isol.-Pr.");
        case 1:
            return QStringLiteral("mit Isol.-Pr.");
        case 2:
            return FieldInt(r.value(QStringLiteral("UNintDINVDE"))) == 2 ? QStringLiteral("Diffstr.-Mess")
                                                                         : QStringLiteral("Isol. und Diff.");
        default:
            return QString();
        }
    case cSicht:
        switch (FieldInt(v)) {
        case 0:
            return QStringLiteral("nein");
        case 1:
            return QStringLiteral("ja");
        default:
            return QStringLiteral("---");
        }
    case cErgebnis:
        return FieldBool(v) ? QStringLiteral("i.O.") : QStringLiteral("nicht i.O.");
    case cSchutzleiter:
        return messwert(FormatResistanceMilliohm, " mOhm", 1);
    case cIsolation:
        return messwert(FormatInsulationMegohm, " MOhm", 2);
    case cAbleit:
        return messwert(FormatLeakageMilliampere, " mA", 4);
    case cSlL1N:
        return messwert(FormatCurrentMilliampere, " mA", 8);
    case cSlNL1:
        return messwert(FormatCurrentMilliampere, " mA", 16);
    case cBeL1N:
        return messwert(FormatCurrentMilliampere, " mA", 32);
    case cBeNL1:
        return messwert(FormatCurrentMilliampere, " mA", 64);
    default:
        return TRecordTableModel::displayText(row, column);
    }
}

TStagingEdit TStagingModel::edit(int row) const
{
    const QSqlRecord &r = record(row);
    TStagingEdit e;
    e.LfdNr = FieldInt(r.value(QStringLiteral("UNintLfdNr")));
    e.Barcode = FieldString(r.value(QStringLiteral("UNstrBarcode")));
    e.PrueflingNr = FieldInt(r.value(QStringLiteral("UNintPrueflingNr")));
    e.Datum = FieldDateTime(r.value(QStringLiteral("UNdtmUebernahme")));
    e.Pruefer = FieldString(r.value(QStringLiteral("UNstrPruefer")));
    e.Bewertender = FieldString(r.value(QStringLiteral("UNstrBewertender")));
    e.Notiz = FieldString(r.value(QStringLiteral("UNstrNotiz")));
    return e;
}

bool TStagingModel::post(int row, TStagingEdit e)
{
    if (row < 0 || row >= rowCount()) return false;
    if (!m_logic->PostRow(e)) {
        // The edit is given up; the row shows what is stored.
        QSqlRecord stored;
        if (StagingRow(m_logic->Database(), e.LfdNr, &stored)) record(row) = stored;
        rowChanged(row);
        return false;
    }
    QSqlRecord &r = record(row);
    r.setValue(QStringLiteral("UNstrBarcode"), e.Barcode);
    r.setValue(QStringLiteral("UNintPrueflingNr"), e.PrueflingNr);
    r.setValue(QStringLiteral("UNdtmUebernahme"), e.Datum);
    r.setValue(QStringLiteral("UNstrPruefer"), e.Pruefer);
    r.setValue(QStringLiteral("UNstrBewertender"), e.Bewertender);
    r.setValue(QStringLiteral("UNstrNotiz"), e.Notiz);
    rowChanged(row);
    return true;
}

bool TStagingModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !columns()[index.column()].Editable) return false;
    TStagingEdit e = edit(index.row());
    switch (index.column()) {
    case cBarcode:
        e.Barcode = value.toString().trimmed();
        break;
    case cDatum: {
        const QDateTime dt =
            value.typeId() == QMetaType::QDateTime ? value.toDateTime() : ParseDateTime(value.toString());
        if (!dt.isValid()) return false;
        e.Datum = dt;
        break;
    }
    case cPruefer:
        e.Pruefer = value.toString();
        break;
    case cBewertender:
        e.Bewertender = value.toString();
        break;
    default:
        return false;
    }
    return post(index.row(), e);
}

// ---- the dialog ------------------------------------------------------------------

TDatenabrufDlg::TDatenabrufDlg(QWidget *parent, const QString &iniFile, const QString &connectionName)
    : QDialog(parent), m_iniFile(iniFile),
      m_logic(nullptr, connectionName.isEmpty() ? QString::fromLatin1(kProgramConnection) : connectionName)
{
    setObjectName(QStringLiteral("DatenabrufDlg"));
    setWindowTitle(QStringLiteral("Datenabruf und -übernahme"));
    m_model = new TStagingModel(&m_logic, this);

    buildStagingGrid();

    auto *memoLabel = new QLabel(QStringLiteral("Bemerkung:"), this);
    RemarkMemo = new QPlainTextEdit(this);
    RemarkMemo->setObjectName(QStringLiteral("DBMemo1"));
    RemarkMemo->setMaximumHeight(70);
    RemarkMemo->installEventFilter(this);
    memoLabel->setBuddy(RemarkMemo);
    FetchProgress = new QProgressBar(this);
    FetchProgress->setObjectName(QStringLiteral("ProgressBar1"));
    FetchProgress->setRange(0, 1);
    FetchProgress->setValue(0);
    FetchProgress->setTextVisible(false);

    buildButtons();

    auto *memoRow = new QVBoxLayout;
    memoRow->addWidget(memoLabel);
    memoRow->addWidget(RemarkMemo);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {BtnZeileLoeschen, BtnAllesLoeschen, BtnDatenHolen, BtnUebernehmen, BtnPruefling})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(BtnAbbrechen);
    buttons->addWidget(BtnOK);
    auto *l = new QVBoxLayout(this);
    l->addWidget(StagingGrid, 1);
    l->addLayout(memoRow);
    l->addWidget(FetchProgress);
    l->addLayout(buttons);
    setupDoppelt(buttons, l);
    setupHinweis(l);
    arrangeColumns();
    fitColumns();
    resize(PreferredSize(screenSpace()));

    connect(&m_logic, &TDatenabruf::fetchStarted, this, [this](int count) {
        FetchProgress->setRange(0, count);
        FetchProgress->setValue(0);
    });
    // The rows are stored together after the last record, so only the bar moves.
    connect(&m_logic, &TDatenabruf::recordRead, this,
            [this](int index, int, const QString &) { FetchProgress->setValue(index); });

    RestorePlacement(*this, m_iniFile, kPlacement);
}

void TDatenabrufDlg::buildStagingGrid()
{
    StagingGrid = new QTableView(this);
    StagingGrid->setObjectName(QStringLiteral("DBGrid1"));
    StagingGrid->setModel(m_model);
    StagingGrid->setItemDelegate(new TStagingDelegate(StagingGrid));
    StagingGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StagingGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    StagingGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
    StagingGrid->setAlternatingRowColors(true);
    StagingGrid->verticalHeader()->setVisible(false);
    StagingGrid->verticalHeader()->setDefaultSectionSize(StagingGrid->fontMetrics().height() + 6);
    StagingGrid->installEventFilter(this);
    connect(StagingGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &now, const QModelIndex &) { rowEntered(now.row()); });
}

void TDatenabrufDlg::buildButtons()
{
    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    BtnZeileLoeschen = button("BtnZeileLoeschen", QStringLiteral("Zeile löschen"));
    BtnAllesLoeschen = button("BtnAllesLoeschen", QStringLiteral("alles löschen"));
    BtnDatenHolen = button("BtnDatenHolen", QStringLiteral("Daten holen"));
    BtnUebernehmen = button("BtnUebernehmen", QStringLiteral("übernehmen"));
    BtnPruefling = button("BtnPruefling", QStringLiteral("Prüfling"));
    BtnOK = button("BtnOK", QStringLiteral("OK"));
    BtnOK->setDefault(true);
    BtnAbbrechen = button("BtnAbbrechen", QStringLiteral("Abbrechen"));
    BtnAbbrechen->setToolTip(
        QStringLiteral("Abruf nach dem laufenden Satz beenden; der Gerätetester behält alle Daten"));
    BtnAbbrechen->hide();
    connect(BtnZeileLoeschen, &QPushButton::clicked, this, &TDatenabrufDlg::ZeileLoeschen);
    connect(BtnAllesLoeschen, &QPushButton::clicked, this, &TDatenabrufDlg::AllesLoeschen);
    connect(BtnDatenHolen, &QPushButton::clicked, this, &TDatenabrufDlg::DatenHolen);
    connect(BtnUebernehmen, &QPushButton::clicked, this, &TDatenabrufDlg::Uebernehmen);
    connect(BtnPruefling, &QPushButton::clicked, this, &TDatenabrufDlg::PrueflingWaehlen);
    connect(BtnOK, &QPushButton::clicked, this, &TDatenabrufDlg::accept);
    connect(BtnAbbrechen, &QPushButton::clicked, &m_logic, &TDatenabruf::Cancel);
}

TDatenabrufDlg::~TDatenabrufDlg()
{
    // The children go after the members: nothing of theirs may call back in here.
    disconnect(StagingGrid->selectionModel(), nullptr, this, nullptr);
    StagingGrid->removeEventFilter(this);
    RemarkMemo->removeEventFilter(this);
    SavePlacement(*this, m_iniFile, kPlacement);
}

QString TDatenabrufDlg::CurrentBarcode() const
{
    const int row = CurrentRow();
    return row < 0 ? QString() : FieldString(m_model->value(row, QStringLiteral("UNstrBarcode")));
}

int TDatenabrufDlg::CurrentRow() const
{
    const QModelIndex i = StagingGrid->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TDatenabrufDlg::setCurrentRow(int row)
{
    if (row < 0 || row >= m_model->rowCount()) return;
    const int column = qMax(0, StagingGrid->currentIndex().column());
    StagingGrid->setCurrentIndex(m_model->index(row, column));
}

void TDatenabrufDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // Devices created since the fetch are found by their barcodes.
    m_logic.ReassignByBarcode();
    refresh(0);
    FetchProgress->setValue(0);
    m_imTester = -1;
    updateButtons();
    // Once the window stands: the answer may take a moment.
    QTimer::singleShot(0, this, &TDatenabrufDlg::zaehleImTester);
}

void TDatenabrufDlg::hideEvent(QHideEvent *e)
{
    saveMemo();
    m_model->clear();
    m_memoRow = -1;
    QDialog::hideEvent(e);
}

void TDatenabrufDlg::refresh(int rowAfter)
{
    saveMemo();
    m_memoRow = -1;
    StagingGrid->setUpdatesEnabled(false);
    m_model->reload();
    // Titles and values readable in full; the grid scrolls sideways.
    fitColumns();
    const int n = m_model->rowCount();
    if (n > 0) {
        const int row = (rowAfter < 0 || rowAfter >= n) ? n - 1 : rowAfter;
        StagingGrid->setCurrentIndex(m_model->index(row, 0));
        rowEntered(row);
    } else {
        showMemo();
    }
    StagingGrid->setUpdatesEnabled(true);
}

void TDatenabrufDlg::rowEntered(int row)
{
    saveMemo();
    if (row >= 0 && row < m_model->rowCount() && !m_logic.Fetching()) {
        const TStagingEdit e = m_model->edit(row);
        // The device follows the barcode, also one created since the row was stored.
        if (!e.Barcode.isEmpty() && m_logic.DeviceNrForRow(e.Barcode, e.PrueflingNr) != e.PrueflingNr)
            m_model->post(row, e);
    }
    m_memoRow = row;
    showMemo();
    updateDoppelt();
}

void TDatenabrufDlg::showMemo()
{
    const bool has = m_memoRow >= 0 && m_memoRow < m_model->rowCount();
    RemarkMemo->setPlainText(has ? FieldString(m_model->value(m_memoRow, QStringLiteral("UNstrNotiz")))
                                 : QString());
    RemarkMemo->setReadOnly(!has || m_logic.Fetching());
}

void TDatenabrufDlg::saveMemo()
{
    if (m_memoRow < 0 || m_memoRow >= m_model->rowCount()) return;
    TStagingEdit e = m_model->edit(m_memoRow);
    if (RemarkMemo->toPlainText() == e.Notiz) return;
    e.Notiz = RemarkMemo->toPlainText();
    m_model->post(m_memoRow, e);
}

void TDatenabrufDlg::updateButtons()
{
    const bool rows = m_model->rowCount() > 0;
    const bool open = m_quelle.PortOpen ? m_quelle.PortOpen() : false;
    BtnDatenHolen->setEnabled(!m_counting && open && (!rows || UnbestaetigterAbruf(m_logic.Database())));
    BtnZeileLoeschen->setEnabled(rows);
    BtnAllesLoeschen->setEnabled(rows);
    BtnUebernehmen->setEnabled(rows);
    BtnPruefling->setEnabled(rows);
    updateDoppelt();
    zeigeStand();
}

void TDatenabrufDlg::lockForFetch(bool on)
{
    for (QPushButton *b :
         {BtnZeileLoeschen, BtnAllesLoeschen, BtnDatenHolen, BtnUebernehmen, BtnPruefling, BtnOK})
        b->setEnabled(!on);
    StagingGrid->setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                                    : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::AnyKeyPressed);
    RemarkMemo->setReadOnly(on);
    BtnAbbrechen->setVisible(on);
    BtnAbbrechen->setEnabled(on);
    if (on) BtnAbbrechen->setFocus();
}

void TDatenabrufDlg::DatenHolen()
{
    if (m_logic.Fetching() || m_counting || !(m_quelle.PortOpen && m_quelle.PortOpen())) return;
    if (m_model->rowCount() > 0 && !UnbestaetigterAbruf(m_logic.Database())) return;
    saveMemo();
    m_logic.setCommands(m_quelle.Commands);
    m_logic.setSerialNumber(m_quelle.SerialNumber ? m_quelle.SerialNumber() : QString());
    m_logic.setOperator(m_quelle.Operator ? m_quelle.Operator() : QString());
    m_logic.setAssessor(m_quelle.Assessor ? m_quelle.Assessor() : QString());
    lockForFetch(true);
    const TAbrufBericht b = m_logic.Fetch();
    lockForFetch(false);
    const QString text = b.Meldung();
    if (!text.isEmpty()) Prompt().Warn(this, text);
    refresh(-1);
    FetchProgress->setValue(0);
    updateButtons();
    showResult(b);
}

void TDatenabrufDlg::ZeileLoeschen()
{
    deleteCurrent(QMessageBox::Warning, QStringLiteral("Die markierte Zeile löschen?"));
}

void TDatenabrufDlg::DeleteWithQuestion()
{
    deleteCurrent(QMessageBox::Question, QStringLiteral("Datensatz löschen?"));
}

void TDatenabrufDlg::deleteCurrent(QMessageBox::Icon icon, const QString &question)
{
    const int row = CurrentRow();
    if (m_logic.Fetching() || row < 0) return;
    if (!confirm(icon, question)) return;
    m_logic.DeleteRow(FieldInt(m_model->value(row, QStringLiteral("UNintLfdNr"))));
    refresh(row);
    updateButtons();
}

bool TDatenabrufDlg::confirm(QMessageBox::Icon icon, const QString &question)
{
    // Every question here deletes or moves records: Return must not do it.
    return Prompt().AskYesNo(this, question, /*defaultYes=*/false, icon);
}

void TDatenabrufDlg::AllesLoeschen()
{
    if (m_logic.Fetching() || m_model->rowCount() == 0) return;
    if (!confirm(QMessageBox::Critical,
                 QStringLiteral(
                     "Sollen wirklich alle angezeigten Datensätze gelöscht und die Liste geleert werden?")))
        return;
    m_memoRow = -1;
    QList<int> shown;
    for (int row = 0; row < m_model->rowCount(); ++row)
        shown << FieldInt(m_model->value(row, QStringLiteral("UNintLfdNr")));
    QString error;
    if (!m_logic.DeleteShown(shown, &error)) Prompt().Error(this, DbFehlertext(error));
    refresh(0);
    updateButtons();
}

void TDatenabrufDlg::accept()
{
    if (m_logic.Fetching()) return;
    saveMemo();
    QDialog::accept();
}

void TDatenabrufDlg::reject()
{
    // Locked while the tester is read: "Abbrechen" stops a fetch in order.
    if (m_logic.Fetching()) return;
    saveMemo();
    QDialog::reject();
}

void TDatenabrufDlg::closeEvent(QCloseEvent *e)
{
    if (m_logic.Fetching()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

bool TDatenabrufDlg::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == StagingGrid && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Delete && (k->modifiers() & Qt::ControlModifier)) {
            DeleteWithQuestion();
            return true;
        }
    }
    if (watched == RemarkMemo && e->type() == QEvent::FocusOut) saveMemo();
    return QDialog::eventFilter(watched, e);
}
