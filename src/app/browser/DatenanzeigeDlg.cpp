#include "app/browser/DatenanzeigeDlg.h"
#include "app/browser/EtikettenDlg.h"
#include "app/common/ExportFileChooser.h"

#include "app/browser/AuswListeDlg.h"
#include "app/browser/ProtDaten.h"
#include "app/browser/SearchHitModel.h"
#include "app/browser/SteadyFields.h"
#include "app/common/Configuration.h"
#include "app/common/Prompt.h"
#include "app/common/ProtocolSettings.h"
#include "app/common/WindowPlacement.h"
#include "controls/ChkDsp.h"
#include "controls/LEDPaint.h"
#include "protocols/DeviceLabels.h"
#include "protocols/PrintProtocol.h"
#include "store/ColumnWidths.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/XlsxExport.h"
#include "tester/ModeApply.h"

#include <QButtonGroup>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const TPlacementKeys kPlacement{QStringLiteral("Position"), QStringLiteral("StoreData")};

void setRadioIndex(const QList<QRadioButton *> &buttons, int index)
{
    for (QRadioButton *b : buttons)
        b->setAutoExclusive(false);
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setChecked(i == index);
    for (QRadioButton *b : buttons)
        b->setAutoExclusive(true);
}

QString positionText(const TBrowseSet *s)
{
    if (s->State() == dsInsert) return FormatPosition(s->RecordCount() + 1, s->RecordCount() + 1);
    return FormatPosition(s->RecNo(), s->RecordCount());
}

} // namespace

TDatenanzeigeDlg::TDatenanzeigeDlg(QWidget *parent, const QString &iniFile)
    : QDialog(parent), m_iniFile(iniFile), m_data(new TBrowserData(this))
{
    setObjectName(QStringLiteral("DatenanzeigeDlg"));
    setWindowTitle(QStringLiteral("Gespeicherte Daten"));

    auto *searchRow = new QHBoxLayout;
    auto *searchLabel = new QLabel(QStringLiteral("Suchen:"), this);
    SearchEdit = new QLineEdit(this);
    SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
    SearchEdit->setPlaceholderText(
        QStringLiteral("Barcode, Inventar-, Seriennummer, Bezeichnung oder Kundenname"));
    SearchEdit->setClearButtonEnabled(true);
    searchLabel->setBuddy(SearchEdit);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(SearchEdit, 1);
    SearchCount = new QLabel(this);
    SearchCount->setObjectName(QStringLiteral("SearchCount"));
    SearchCount->hide();
    searchRow->addWidget(SearchCount);
    SearchModel = new TSearchHitModel(this);
    SearchHits = new QListView(this);
    SearchHits->setObjectName(QStringLiteral("SearchHits"));
    SearchHits->setModel(SearchModel);
    SearchHits->setUniformItemSizes(true); // thousands of hits: no row is measured
    SearchHits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A column beside the panes: the window grows no taller, and many hits show at once.
    SearchHits->setFixedWidth(300);
    SearchHits->hide();
    // Enter (a scanner ends its digits with it) searches; it must not close the dialog.
    connect(SearchEdit, &QLineEdit::returnPressed, this, [this] { Search(SearchEdit->text()); });
    connect(SearchHits, &QListView::activated, this, [this](const QModelIndex &index) {
        const TSearchHit hit = SearchModel->Hit(index.row());
        if (hit.kundenNr) m_data->JumpTo(hit.kundenNr, hit.prueflingNr);
    });
    connect(SearchHits, &QListView::clicked, SearchHits, &QListView::activated);
    connect(SearchEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.isEmpty()) return;
        SearchHits->hide();
        SearchCount->hide();
        SearchModel->clear();
    });

    auto *panes = new QVBoxLayout;
    panes->addLayout(searchRow);
    panes->addWidget(buildCustomerPane());
    panes->addWidget(buildDevicePane());
    panes->addWidget(buildTestPane(), 1);

    auto *main = new QHBoxLayout(this);
    main->addLayout(panes, 1);
    main->addWidget(SearchHits);
    main->addWidget(buildButtonColumn());

    connect(m_data, &TBrowserData::customerChanged, this, &TDatenanzeigeDlg::refreshCustomer);
    connect(m_data, &TBrowserData::deviceChanged, this, &TDatenanzeigeDlg::refreshDevice);
    connect(m_data, &TBrowserData::testChanged, this, &TDatenanzeigeDlg::refreshTest);
    connect(m_data, &TBrowserData::failed, this, &TDatenanzeigeDlg::fail);
    connect(m_data, &TBrowserData::refused, this, [this](const QString &text) { Prompt().Warn(this, text); });
    connect(m_data->Customers, &TBrowseSet::valuesChanged, this, &TDatenanzeigeDlg::refreshCustomer);
    connect(m_data->Devices, &TBrowseSet::valuesChanged, this, &TDatenanzeigeDlg::refreshDevice);
    connect(m_data->Customers, &TBrowseSet::stateChanged, this, &TDatenanzeigeDlg::refreshCustomer);
    connect(m_data->Devices, &TBrowseSet::stateChanged, this, &TDatenanzeigeDlg::refreshDevice);

    KeepTextFieldsSteady(*this);
    // Room for the measurement rows and the memo; the size is not stored.
    resize(sizeHint().expandedTo(QSize(960, 680)));
    RestorePlacement(*this, m_iniFile, kPlacement);
    refreshCustomer();
    refreshDevice();
    refreshTest();
}

TDatenanzeigeDlg::~TDatenanzeigeDlg()
{
    SavePlacement(*this, m_iniFile, kPlacement);
}

QLineEdit *TDatenanzeigeDlg::bindEdit(QLineEdit *edit, TBrowseSet *set, const QString &field,
                                      bool postOnLeave)
{
    edit->setObjectName(field);
    if (const int w = ColumnWidth(field)) edit->setMaxLength(w);
    connect(edit, &QLineEdit::textEdited, this,
            [set, field](const QString &text) { set->SetValue(field, text); });
    if (postOnLeave) {
        connect(edit, &QLineEdit::editingFinished, this, [this, set] {
            if (set->State() != dsEdit && set->State() != dsInsert) return;
            QString error;
            if (!set->Post(&error)) fail(error);
        });
    }
    return edit;
}

void TDatenanzeigeDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (e->spontaneous() || m_data->IsOpen()) return;
    m_data->setDatabase(m_db.isValid() ? m_db : ProgramDatabase());
    SearchEdit->clear();
    QString error;
    if (!m_data->Open(m_config ? m_config->aktCheckNumber : 0, &error))
        fail(QStringLiteral("Die gespeicherten Daten können nicht gelesen werden.\n") + error);
    m_intervalDevice = -1; // read anew: another window may have changed it
    refreshCustomer();
    refreshDevice();
    refreshTest();
}

void TDatenanzeigeDlg::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    if (e->spontaneous() || !m_data->IsOpen()) return;
    // A barcode still being typed is checked by the post of closing.
    const int current = m_data->Close();
    if (m_config) m_config->aktCheckNumber = current;
}

bool TDatenanzeigeDlg::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == PRstrNotiz && e->type() == QEvent::FocusOut) {
        TBrowseSet *t = m_data->Tests;
        if (t->State() == dsEdit || t->State() == dsInsert) {
            QString error;
            if (!t->Post(&error)) fail(error);
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TDatenanzeigeDlg::refreshEdits(TBrowseSet *set)
{
    const QList<QPair<QLineEdit *, QString>> &edits =
        set == m_data->Customers ? m_customerEdits : (set == m_data->Devices ? m_deviceEdits : m_testEdits);
    const bool hasRow = set->Active() && (set->CurrentKey() != 0 || set->State() == dsInsert);
    for (const auto &[edit, field] : edits) {
        const QString text = hasRow ? set->Text(field) : QString();
        if (edit->text() != text) edit->setText(text);
        // The protocol number follows the test's standard (set just before);
        // switching it off and on again each step would lay out its column anew.
        edit->setEnabled(hasRow && (edit != PRstrProtokollNr || PRstrProtokollNr->isEnabled()));
    }
}

void TDatenanzeigeDlg::refreshCustomer()
{
    TBrowseSet *s = m_data->Customers;
    CustomerPos->setText(positionText(s));
    refreshEdits(s);
    CustomerNavigator->UpdateButtons();
    BtnKunden->setEnabled(s->Active() && s->RecordCount() > 0);
}

void TDatenanzeigeDlg::refreshDevice()
{
    TBrowseSet *s = m_data->Devices;
    DevicePos->setText(positionText(s));
    refreshEdits(s);
    refreshInterval();
    DeviceNavigator->UpdateButtons();
    // A device needs a customer that exists.
    DeviceNavigator->Insert->setEnabled(s->Active() && m_data->Customers->CurrentKey() != 0);
    BtnPrueflinge->setEnabled(s->Active() && s->RecordCount() > 0);
}

void TDatenanzeigeDlg::refreshTest()
{
    TBrowseSet *s = m_data->Tests;
    const TTestDisplay d = m_data->Display();
    m_filling = true;
    TestPos->setText(positionText(s));
    Led0701->setLEDOn(d.led0701);
    Led0702->setLEDOn(d.led0702);
    Led0751->setLEDOn(d.led0751);
    ProtText->setText(d.protText);
    BtnProtokoll1->setEnabled(d.protEnabled);
    BtnProtokoll3->setEnabled(d.protEnabled);
    PRstrProtokollNr->setEnabled(d.protEnabled);
    setRadioIndex({RbErstpruefung, RbWiederholung}, d.erstChecked ? 0 : (d.wiederChecked ? 1 : -1));
    RbErstpruefung->setEnabled(d.protEnabled);
    RbWiederholung->setEnabled(d.protEnabled);
    setRadioIndex({FunktNicht, FunktBestanden}, d.funktIndex);
    FunktPruefung->setEnabled(d.hasTest);
    IsolText->setText(d.isolText);
    KlasseText->setText(d.klasseText);
    SichtText->setText(d.sichtText);
    GesamtText->setText(d.gesamtText);
    SerialText->setText(d.serial);
    DatumText->setText(d.datum);
    ChkAutomatisch->setChecked(d.automatisch);
    ChkManuGrenz->setChecked(d.manuGrenz);
    ChkMitBeruehr->setChecked(d.mitBeruehr);
    LedAbgebrochen->setLEDOn(d.abgebrochen);
    LedGrenzwFehler->setLEDOn(d.grenzwFehler);
    for (size_t i = 0; i < MeasRows.size(); ++i) {
        const TMeasRowDisplay &r = d.rows[i];
        TMeasRowWidgets &w = MeasRows[i];
        w.caption->setEnabled(r.enabled);
        w.unit->setEnabled(r.enabled);
        w.led->setEnabled(r.enabled);
        w.led->setLEDOn(r.led);
        w.value->setText(r.value);
        w.value->setVisible(r.enabled);
        const QString prefix = w.limit->property("prefix").toString();
        w.limit->setText(prefix.isEmpty() || r.limit.isEmpty()
                             ? QString()
                             : prefix + QLatin1Char(' ') + r.limit + QLatin1Char(' ') +
                                   w.limit->property("unit").toString() + QLatin1Char(')'));
        w.limit->setVisible(r.enabled);
    }
    if (PRstrNotiz->toPlainText() != d.notiz) PRstrNotiz->setPlainText(d.notiz);
    PRstrNotiz->setEnabled(d.hasTest);
    refreshEdits(s);
    m_filling = false;
    TestNavigator->UpdateButtons();
    BtnDruck->setEnabled(s->Active() && s->RecordCount() > 0);
    BtnEinzelexp->setEnabled(d.hasTest);
}

void TDatenanzeigeDlg::fail(const QString &text)
{
    Prompt().Error(this, text);
}

void TDatenanzeigeDlg::setMessmodEnabled(bool on)
{
    if (BtnMessmod->isEnabled() != on) BtnMessmod->setEnabled(on);
}

void TDatenanzeigeDlg::deleteRow(int level)
{
    QString question, error;
    if (!m_data->DeleteQuestion(TDeleteLevel(level), question, &error)) {
        if (!error.isEmpty()) fail(QStringLiteral("Der Datensatz kann nicht gelöscht werden.\n") + error);
        return;
    }
    // "Nein" is the default: Return must not delete.
    if (!Prompt().AskYesNo(this, question, /*defaultYes=*/false)) return;
    bool ok = false;
    switch (level) {
    case 0:
        ok = m_data->DeleteCustomer(&error);
        break;
    case 1:
        ok = m_data->DeleteDevice(&error);
        break;
    default:
        ok = m_data->DeleteTest(&error);
        break;
    }
    if (!ok && !error.isEmpty())
        fail(QStringLiteral("Der Datensatz konnte nicht gelöscht werden; es wurde nichts gelöscht.\n") +
             error);
    refreshCustomer();
    refreshDevice();
    refreshTest();
}

void TDatenanzeigeDlg::KundenClick()
{
    TAuswListeDlg own(this);
    TAuswListeDlg *dlg = m_list ? m_list : &own;
    dlg->ExecList(QStringLiteral("Kundenauswahl"), m_data->Customers,
                  {{QStringLiteral("KDstrName1"), QStringLiteral("Name 1"), 100},
                   {QStringLiteral("KDstrName2"), QStringLiteral("Name 2"), 100},
                   {QStringLiteral("KDstrName3"), QStringLiteral("Name 3"), 100},
                   {QStringLiteral("KDstrStrasse"), QStringLiteral("Straße"), 100},
                   {QStringLiteral("KDstrLKZ"), QStringLiteral("LKZ"), 0, Qt::AlignHCenter},
                   {QStringLiteral("KDstrPLZ"), QStringLiteral("PLZ"), 0, Qt::AlignHCenter},
                   {QStringLiteral("KDstrOrt"), QStringLiteral("Ort"), 100},
                   {QStringLiteral("KDstrTelefon"), QStringLiteral("Tel."), 80},
                   {QStringLiteral("KDstrFax"), QStringLiteral("Fax"), 80}},
                  QStringLiteral("Kunden"));
}

void TDatenanzeigeDlg::PrueflingeClick()
{
    TAuswListeDlg own(this);
    TAuswListeDlg *dlg = m_list ? m_list : &own;
    dlg->ExecList(QStringLiteral("Prüflingsauswahl"), m_data->Devices,
                  {{QStringLiteral("PLstrBezeichnung"), QStringLiteral("Bezeichnung"), 140},
                   {QStringLiteral("PLstrTyp"), QStringLiteral("Typ")},
                   {QStringLiteral("PLstrInventarnummer"), QStringLiteral("Inventar-Nr.")},
                   {QStringLiteral("PLstrFabrikationsnummer"), QStringLiteral("Fabrikationsnr.")},
                   {QStringLiteral("PLstrSeriennummer"), QStringLiteral("Seriennr.")},
                   {QStringLiteral("PLstrBarcode"), QStringLiteral("Barcode")}},
                  QStringLiteral("Prueflinge"));
}

void TDatenanzeigeDlg::DruckClick()
{
    TWerteSatz w;
    QString error;
    if (!m_data->FillRecord(w, true, &error)) {
        fail(error);
        return;
    }
    emit protocolRequested(0, w);
}

void TDatenanzeigeDlg::ProtokollEinseitigClick()
{
    m_data->Freeze();
    QString error;
    TWerteSatz w;
    const bool ok = m_data->ResetProtocolType(&error) && m_data->FillRecord(w, false, &error);
    m_data->Thaw();
    refreshTest();
    if (!ok) {
        fail(error);
        return;
    }
    emit protocolRequested(1, w);
}

void TDatenanzeigeDlg::ProtokollDreiseitigClick()
{
    TProtDaten own(this);
    TProtDaten *form = m_protDaten ? m_protDaten : &own;
    QString error;
    EditVisualInspection(
        *m_data, *form, [this](const TWerteSatz &w) { emit protocolRequested(2, w); }, &error);
    if (!error.isEmpty()) fail(error);
    refreshTest();
}

void TDatenanzeigeDlg::exportTo(bool single)
{
    const QString file = m_config ? ChooseExportFile(m_config->ExportFile, m_config->ExportFileName, this)
                                  : ChooseExportFile(0, QString(), this);
    if (file.isEmpty()) return;
    QString error;
    m_data->PostAll();
    const TExportSwitches sw = m_config ? m_config->Export : TExportSwitches();
    const bool xlsx = IsXlsxFileName(file);
    const int test = m_data->Tests->CurrentKey();
    int count = 1;
    const bool ok = single ? (xlsx ? ExportSingleTestXlsx(m_data->Database(), test, file, sw, &error)
                                   : ExportSingleTest(m_data->Database(), test, file, sw, &error))
                           : (xlsx ? ExportAllTestsXlsx(m_data->Database(), file, sw, &error, &count)
                                   : ExportAllTests(m_data->Database(), file, sw, &error, &count));
    if (!ok) {
        fail(error);
        return;
    }
    Prompt().Inform(this, ExportDoneMessage(file, count));
}

QString ExportDoneMessage(const QString &file, int tests)
{
    const QString what = tests == 1 ? QStringLiteral("1 Prüfung")
                                    : QLocale(QLocale::German).toString(tests) + QStringLiteral(" Prüfungen");
    return QStringLiteral("%1 in die Datei „%2“ exportiert.").arg(what, QDir::toNativeSeparators(file));
}

void TDatenanzeigeDlg::EtikettenClick()
{
    const int kunde = m_data->Customers->CurrentKey();
    const int device = m_data->Devices->CurrentKey();
    if (kunde == 0) return;
    TEtikettenDlg choice(this);
    if (device == 0) {
        choice.RbPruefling->setEnabled(false);
        choice.RbKunde->setChecked(true);
    }
    if (m_config) choice.setPrintArea(m_config->Labels);
    if (ChooseLabels ? !ChooseLabels(choice) : choice.exec() != QDialog::Accepted) return;
    if (m_config) m_config->Labels = choice.PrintArea();
    m_data->PostAll();
    TReport report;
    if (BuildLabels(this, m_data->Database(), choice.Selection(kunde, device), choice,
                    m_config ? m_config->ServiceInterv : 365, report))
        emit labelsReady(report);
}

void TDatenanzeigeDlg::EinzelexpClick()
{
    if (m_data->Tests->CurrentKey() == 0) return;
    exportTo(true);
}

void TDatenanzeigeDlg::ExportClick()
{
    exportTo(false);
}

void TDatenanzeigeDlg::MessmodClick()
{
    if (!m_commands || m_data->Tests->CurrentKey() == 0) return;
    TWerteSatz w;
    QString error;
    if (!m_data->FillRecord(w, false, &error)) {
        fail(error);
        return;
    }
    if (!ApplyTestSetup(TModeWriter::ForCommands(m_commands), w))
        Prompt().Warn(
            this, QStringLiteral("Die Einstellungen der Prüfung konnten nicht vollständig zum Gerätetester "
                                 "übertragen werden."));
}

void TDatenanzeigeDlg::PrintProtocol(int form, const TWerteSatz &record)
{
    TProtocolSettings settings = m_config ? ProtocolSettingsOf(*m_config) : TProtocolSettings();
    // Both 0751 buttons always preview; "Druck" follows the setting.
    if (form != 0) settings.Preview = true;
    PrintTestProtocol(record, settings, this);
}

void TDatenanzeigeDlg::Search(const QString &text)
{
    TBrowserSearch search;
    QString error;
    if (!search.Run(m_data->Database(), text, &error)) {
        fail(error);
        return;
    }
    SearchModel->setSearch(search);
    SearchCount->setText(SearchCountText(search));
    SearchCount->show();
    // A scanned barcode or a single hit lands at once.
    if (search.Count() == 1) {
        SearchHits->hide();
        const TSearchHit hit = SearchModel->Hit(0);
        if (hit.kundenNr) m_data->JumpTo(hit.kundenNr, hit.prueflingNr);
        return;
    }
    SearchHits->setVisible(search.Count() > 0);
    SearchHits->scrollToTop();
    KeepOnScreen();
}

void TDatenanzeigeDlg::KeepOnScreen()
{
    if (!isVisible() || !screen()) return;
    layout()->activate(); // the window takes the width of the hit column now
    const QRect room = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int dx = std::max(room.left() - frame.left(), std::min(0, room.right() - frame.right()));
    const int dy = std::max(room.top() - frame.top(), std::min(0, room.bottom() - frame.bottom()));
    if (dx != 0 || dy != 0) move(pos() + QPoint(dx, dy));
}
