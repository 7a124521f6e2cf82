#include "app/DatenanzeigeDlg.h"
#include "app/EtikettenDlg.h"
#include "app/ExportFileChooser.h"

#include "app/AuswListeDlg.h"
#include "app/Configuration.h"
#include "app/PrintCurrentValues.h"
#include "app/ProtDaten.h"
#include "app/WindowPlacement.h"
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
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const TPlacementKeys kPlacement{QStringLiteral("Position"), QStringLiteral("StoreData")};

QLabel *textField(QWidget *parent, const QString &name, int minWidth = 0)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setTextFormat(Qt::PlainText);
    if (minWidth) l->setMinimumWidth(minWidth);
    return l;
}

TLEDPaint *led(QWidget *parent, const QString &name, const QColor &on)
{
    auto *l = new TLEDPaint(parent);
    l->setObjectName(name);
    l->setLEDType(ltRound);
    l->setLEDColor(on);
    l->setFixedSize(15, 15);
    return l;
}

// Radio buttons of one group with none checked for an index outside them.
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

// ---------------------------------------------------------------------------

TBrowseNavigator::TBrowseNavigator(TBrowseSet *set, bool withInsert, QWidget *parent)
    : QWidget(parent), m_set(set)
{
    auto *l = new QHBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(1);
    auto make = [&](const char *name, const QString &text, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(hint);
        b->setFixedSize(26, 22);
        l->addWidget(b);
        return b;
    };
    First = make("First", QStringLiteral("|◀"), QStringLiteral("Erster Datensatz"));
    Prior = make("Prior", QStringLiteral("◀"), QStringLiteral("Vorheriger Datensatz"));
    Next = make("Next", QStringLiteral("▶"), QStringLiteral("Nächster Datensatz"));
    Last = make("Last", QStringLiteral("▶|"), QStringLiteral("Letzter Datensatz"));
    Insert = make("Insert", QStringLiteral("+"), QStringLiteral("Datensatz einfügen"));
    Delete = make("Delete", QStringLiteral("−"), QStringLiteral("Datensatz löschen"));
    Insert->setVisible(withInsert);
    l->addStretch(1);
    connect(First, &QToolButton::clicked, this, [this] { m_set->First(); });
    connect(Prior, &QToolButton::clicked, this, [this] { m_set->Prior(); });
    connect(Next, &QToolButton::clicked, this, [this] { m_set->Next(); });
    connect(Last, &QToolButton::clicked, this, [this] { m_set->Last(); });
}

void TBrowseNavigator::UpdateButtons()
{
    const bool active = m_set->Active();
    const int n = m_set->RecNo(), count = m_set->RecordCount();
    const bool inserting = m_set->State() == dsInsert;
    First->setEnabled(active && (n > 1 || inserting));
    Prior->setEnabled(active && (n > 1 || inserting));
    Next->setEnabled(active && n < count && !inserting);
    Last->setEnabled(active && (n < count || inserting));
    Insert->setEnabled(active);
    Delete->setEnabled(active && (count > 0 || inserting));
}

// ---------------------------------------------------------------------------

TDatenanzeigeDlg::TDatenanzeigeDlg(QWidget *parent, const QString &iniFile)
    : QDialog(parent), m_iniFile(iniFile), m_data(new TBrowserData(this))
{
    setObjectName(QStringLiteral("DatenanzeigeDlg"));
    setWindowTitle(QStringLiteral("Gespeicherte Daten"));

    ShowMessage = [this](QMessageBox::Icon icon, const QString &text) {
        QMessageBox box(icon, QStringLiteral("Gerätetester"), text, QMessageBox::Ok, this);
        box.exec();
    };
    Ask = [this](const QString &question) {
        // "Nein" is the default: Return must not delete.
        return QMessageBox::question(this, QStringLiteral("Gerätetester"), question,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    ChooseFile = [this] {
        return m_config ? ChooseExportFile(m_config->ExportFile, m_config->ExportFileName, this)
                        : ChooseExportFile(0, QString(), this);
    };
    Report = [this](int form, const TWerteSatz &record) { report(form, record); };

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
    SearchHits = new QListWidget(this);
    SearchHits->setObjectName(QStringLiteral("SearchHits"));
    SearchHits->setMaximumHeight(110);
    SearchHits->hide();
    // Enter (a scanner ends its digits with it) searches; it must not close the dialog.
    connect(SearchEdit, &QLineEdit::returnPressed, this, [this] { Search(SearchEdit->text()); });
    connect(SearchHits, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const int kd = item->data(Qt::UserRole).toInt();
        const int pl = item->data(Qt::UserRole + 1).toInt();
        if (kd) m_data->JumpTo(kd, pl);
    });
    connect(SearchHits, &QListWidget::itemClicked, SearchHits, &QListWidget::itemActivated);
    connect(SearchEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty()) SearchHits->hide();
    });

    auto *panes = new QVBoxLayout;
    panes->addLayout(searchRow);
    panes->addWidget(SearchHits);
    panes->addWidget(buildCustomerPane());
    panes->addWidget(buildDevicePane());
    panes->addWidget(buildTestPane(), 1);

    auto *main = new QHBoxLayout(this);
    main->addLayout(panes, 1);
    main->addWidget(buildButtonColumn());

    connect(m_data, &TBrowserData::customerChanged, this, &TDatenanzeigeDlg::refreshCustomer);
    connect(m_data, &TBrowserData::deviceChanged, this, &TDatenanzeigeDlg::refreshDevice);
    connect(m_data, &TBrowserData::testChanged, this, &TDatenanzeigeDlg::refreshTest);
    connect(m_data, &TBrowserData::failed, this, &TDatenanzeigeDlg::fail);
    connect(m_data->Customers, &TBrowseSet::valuesChanged, this, &TDatenanzeigeDlg::refreshCustomer);
    connect(m_data->Devices, &TBrowseSet::valuesChanged, this, &TDatenanzeigeDlg::refreshDevice);
    connect(m_data->Customers, &TBrowseSet::stateChanged, this, &TDatenanzeigeDlg::refreshCustomer);
    connect(m_data->Devices, &TBrowseSet::stateChanged, this, &TDatenanzeigeDlg::refreshDevice);

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

QWidget *TDatenanzeigeDlg::buildCustomerPane()
{
    TBrowseSet *s = m_data->Customers;
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("CustomerPane"));
    auto *g = new QGridLayout(box);
    g->setVerticalSpacing(2);
    auto *head = new QLabel(QStringLiteral("Kunde:"), box);
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    CustomerPos = new QLabel(box);
    CustomerPos->setObjectName(QStringLiteral("CustomerPos"));
    CustomerPos->setMinimumWidth(
        CustomerPos->fontMetrics().horizontalAdvance(QStringLiteral("[99999/99999]")));
    CustomerPos->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->addWidget(head, 0, 0);
    g->addWidget(CustomerPos, 0, 1, 1, 5, Qt::AlignRight);
    auto edit = [&](const char *field) { return bindEdit(new QLineEdit(box), s, QLatin1String(field)); };
    KDstrName1 = edit("KDstrName1");
    KDstrName2 = edit("KDstrName2");
    KDstrName3 = edit("KDstrName3");
    KDstrStrasse = edit("KDstrStrasse");
    KDstrLKZ = edit("KDstrLKZ");
    KDstrPLZ = edit("KDstrPLZ");
    KDstrOrt = edit("KDstrOrt");
    KDstrTelefon = edit("KDstrTelefon");
    KDstrFax = edit("KDstrFax");
    KDstrLKZ->setMaximumWidth(40);
    KDstrPLZ->setMaximumWidth(70);
    g->addWidget(new QLabel(QStringLiteral("Name:"), box), 1, 0);
    g->addWidget(KDstrName1, 1, 1, 1, 5);
    g->addWidget(KDstrName2, 2, 1, 1, 5);
    g->addWidget(KDstrName3, 3, 1, 1, 5);
    g->addWidget(new QLabel(QStringLiteral("Straße:"), box), 4, 0);
    g->addWidget(KDstrStrasse, 4, 1, 1, 5);
    g->addWidget(new QLabel(QStringLiteral("PLZ, Ort:"), box), 5, 0);
    auto *ort = new QHBoxLayout;
    ort->addWidget(KDstrLKZ);
    ort->addWidget(new QLabel(QStringLiteral("-"), box));
    ort->addWidget(KDstrPLZ);
    ort->addWidget(KDstrOrt, 1);
    g->addLayout(ort, 5, 1, 1, 5);
    auto *tel = new QHBoxLayout;
    tel->addWidget(KDstrTelefon, 1);
    tel->addWidget(new QLabel(QStringLiteral("Fax"), box));
    tel->addWidget(KDstrFax, 1);
    g->addWidget(new QLabel(QStringLiteral("Tel."), box), 6, 0);
    g->addLayout(tel, 6, 1, 1, 5);
    CustomerNavigator = new TBrowseNavigator(s, true, box);
    CustomerNavigator->setObjectName(QStringLiteral("CustomerNavigator"));
    connect(CustomerNavigator->Insert, &QToolButton::clicked, this, [this] {
        QString error;
        if (!m_data->InsertCustomer(&error)) {
            if (!error.isEmpty()) fail(error);
            return;
        }
        KDstrName1->setFocus();
    });
    connect(CustomerNavigator->Delete, &QToolButton::clicked, this, [this] { deleteRow(0); });
    g->addWidget(CustomerNavigator, 7, 0, 1, 6);
    m_customerEdits = {
        {KDstrName1, QStringLiteral("KDstrName1")}, {KDstrName2, QStringLiteral("KDstrName2")},
        {KDstrName3, QStringLiteral("KDstrName3")}, {KDstrStrasse, QStringLiteral("KDstrStrasse")},
        {KDstrLKZ, QStringLiteral("KDstrLKZ")},     {KDstrPLZ, QStringLiteral("KDstrPLZ")},
        {KDstrOrt, QStringLiteral("KDstrOrt")},     {KDstrTelefon, QStringLiteral("KDstrTelefon")},
        {KDstrFax, QStringLiteral("KDstrFax")}};
    return box;
}

QWidget *TDatenanzeigeDlg::buildDevicePane()
{
    TBrowseSet *s = m_data->Devices;
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("DevicePane"));
    auto *g = new QGridLayout(box);
    g->setVerticalSpacing(2);
    auto *head = new QLabel(QStringLiteral("Prüfling:"), box);
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    DevicePos = new QLabel(box);
    DevicePos->setObjectName(QStringLiteral("DevicePos"));
    DevicePos->setMinimumWidth(DevicePos->fontMetrics().horizontalAdvance(QStringLiteral("[99999/99999]")));
    DevicePos->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->addWidget(head, 0, 0);
    g->addWidget(DevicePos, 0, 1, 1, 3, Qt::AlignRight);
    auto edit = [&](const char *field) { return bindEdit(new QLineEdit(box), s, QLatin1String(field)); };
    PLstrBezeichnung = edit("PLstrBezeichnung");
    PLstrTyp = edit("PLstrTyp");
    PLstrFabrikationsnummer = edit("PLstrFabrikationsnummer");
    PLstrSeriennummer = edit("PLstrSeriennummer");
    PLstrInventarnummer = edit("PLstrInventarnummer");
    // The barcode is checked for uniqueness when the field is left.
    PLstrBarcode = bindEdit(new QLineEdit(box), s, QStringLiteral("PLstrBarcode"), false);
    connect(PLstrBarcode, &QLineEdit::editingFinished, this, [this] {
        QString error;
        switch (m_data->PostBarcode(PLstrBarcode->text(), &error)) {
        case TBarcodeCheck::Unique:
            break;
        case TBarcodeCheck::Duplicate:
            ShowMessage(QMessageBox::Warning, DuplicateBarcodeMessage());
            break;
        case TBarcodeCheck::Failed:
            fail(error);
            break;
        }
    });
    g->addWidget(new QLabel(QStringLiteral("Bezeichnung:"), box), 1, 0);
    g->addWidget(PLstrBezeichnung, 1, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Typ:"), box), 2, 0);
    g->addWidget(PLstrTyp, 2, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Fabrikationsnummer:"), box), 3, 0);
    g->addWidget(PLstrFabrikationsnummer, 3, 1);
    g->addWidget(new QLabel(QStringLiteral("Seriennummer:"), box), 3, 2);
    g->addWidget(PLstrSeriennummer, 3, 3);
    g->addWidget(new QLabel(QStringLiteral("Inventarnummer:"), box), 4, 0);
    g->addWidget(PLstrInventarnummer, 4, 1);
    g->addWidget(new QLabel(QStringLiteral("Barcode/Prüflingsnummer:"), box), 4, 2);
    g->addWidget(PLstrBarcode, 4, 3);
    DeviceNavigator = new TBrowseNavigator(s, true, box);
    DeviceNavigator->setObjectName(QStringLiteral("DeviceNavigator"));
    connect(DeviceNavigator->Insert, &QToolButton::clicked, this, [this] {
        QString error;
        if (!m_data->InsertDevice(&error)) {
            if (!error.isEmpty()) fail(error);
            return;
        }
        PLstrBezeichnung->setFocus();
    });
    connect(DeviceNavigator->Delete, &QToolButton::clicked, this, [this] { deleteRow(1); });
    g->addWidget(DeviceNavigator, 5, 0, 1, 4);
    m_deviceEdits = {{PLstrBezeichnung, QStringLiteral("PLstrBezeichnung")},
                     {PLstrTyp, QStringLiteral("PLstrTyp")},
                     {PLstrFabrikationsnummer, QStringLiteral("PLstrFabrikationsnummer")},
                     {PLstrSeriennummer, QStringLiteral("PLstrSeriennummer")},
                     {PLstrInventarnummer, QStringLiteral("PLstrInventarnummer")},
                     {PLstrBarcode, QStringLiteral("PLstrBarcode")}};
    return box;
}

QWidget *TDatenanzeigeDlg::buildTestPane()
{
    TBrowseSet *s = m_data->Tests;
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("TestPane"));
    auto *v = new QVBoxLayout(box);
    v->setSpacing(3);

    auto *top = new QHBoxLayout;
    auto *head = new QLabel(QStringLiteral("Durchgeführte Prüfung"), box);
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    top->addWidget(head);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("mit Gerätetester Serien-Nr."), box));
    SerialText = textField(box, QStringLiteral("PRstrGTSeriennummer"), 70);
    top->addWidget(SerialText);
    top->addSpacing(8);
    top->addWidget(new QLabel(QStringLiteral("Datum:"), box));
    DatumText = textField(box, QStringLiteral("PRdtmUebernahme"), 120);
    top->addWidget(DatumText);
    top->addStretch(1);
    TestPos = new QLabel(box);
    TestPos->setObjectName(QStringLiteral("TestPos"));
    TestPos->setMinimumWidth(TestPos->fontMetrics().horizontalAdvance(QStringLiteral("[99999/99999]")));
    TestPos->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top->addWidget(TestPos);
    v->addLayout(top);

    auto *middle = new QHBoxLayout;
    // Left: the set-up of the test.
    auto *left = new QGridLayout;
    left->setVerticalSpacing(2);
    int r = 0;
    left->addWidget(new QLabel(QStringLiteral("Schutzklasse"), box), r, 0, 1, 2);
    KlasseText = textField(box, QStringLiteral("KlasseText"), 36);
    left->addWidget(KlasseText, r++, 2);
    Led0701 = led(box, QStringLiteral("Led0701"), Qt::green);
    Led0702 = led(box, QStringLiteral("Led0702"), Qt::green);
    Led0751 = led(box, QStringLiteral("Led0751"), Qt::green);
    auto *din = new QHBoxLayout;
    din->addWidget(Led0701);
    din->addWidget(new QLabel(QStringLiteral("DIN/VDE 0701"), box));
    din->addWidget(Led0702);
    din->addWidget(new QLabel(QStringLiteral("0702"), box));
    din->addWidget(Led0751);
    din->addWidget(new QLabel(QStringLiteral("0751"), box));
    din->addStretch(1);
    left->addLayout(din, r++, 0, 1, 3);
    ChkAutomatisch = new TCheckDisp(QStringLiteral("Messablauf automatisch"), box);
    ChkAutomatisch->setObjectName(QStringLiteral("PRblnAutomatisch"));
    ChkManuGrenz = new TCheckDisp(QStringLiteral("Grenzwerte manuell"), box);
    ChkManuGrenz->setObjectName(QStringLiteral("PRblnManuGrenz"));
    ChkMitBeruehr = new TCheckDisp(QStringLiteral("mit Berührungsstrom"), box);
    ChkMitBeruehr->setObjectName(QStringLiteral("PRblnMitBeruehr"));
    left->addWidget(ChkAutomatisch, r++, 0, 1, 3);
    left->addWidget(ChkManuGrenz, r++, 0, 1, 3);
    left->addWidget(ChkMitBeruehr, r++, 0, 1, 3);
    left->addWidget(new QLabel(QStringLiteral("Isol./Diff"), box), r, 0, 1, 2);
    IsolText = textField(box, QStringLiteral("IsolText"), 100);
    left->addWidget(IsolText, r++, 2);
    LedAbgebrochen = led(box, QStringLiteral("PRblnAbgebrochen"), Qt::red);
    LedGrenzwFehler = led(box, QStringLiteral("PRblnGrenzwFehler"), Qt::red);
    left->addWidget(LedAbgebrochen, r, 0);
    left->addWidget(new QLabel(QStringLiteral("Messablauf abgebrochen"), box), r++, 1, 1, 2);
    left->addWidget(LedGrenzwFehler, r, 0);
    left->addWidget(new QLabel(QStringLiteral("Grenzwertüberschreitung"), box), r++, 1, 1, 2);
    left->addWidget(new QLabel(QStringLiteral("Sichtprüfung best.:"), box), r, 0, 1, 2);
    SichtText = textField(box, QStringLiteral("SichtText"), 36);
    left->addWidget(SichtText, r++, 2);
    left->setRowStretch(r, 1);
    middle->addLayout(left);
    middle->addSpacing(12);

    // Right: the measurement rows.
    auto *meas = new QGridLayout;
    meas->setVerticalSpacing(2);
    const struct {
        const char *caption, *unit, *limitPrefix;
    } rows[8] = {{"Schutzleiterwiderstand:", "mOhm", "(max."},
                 {"Isolationswiderstand:", "MOhm", "(min."},
                 {"Ersatzableitstrom:", "mA", "(max."},
                 {"Schutzleiterstrom:", "mA", "(max."},
                 {"umgepolt:", "mA", nullptr},
                 {"Berührungsstrom:", "mA", "(max."},
                 {"umgepolt:", "mA", nullptr},
                 {"Grenzwert für Netztrennung:", "mA", nullptr}};
    for (int i = 0; i < 8; ++i) {
        TMeasRowWidgets &w = MeasRows[size_t(i)];
        w.caption = new QLabel(QString::fromUtf8(rows[i].caption), box);
        w.caption->setObjectName(QStringLiteral("MeasCaption%1").arg(i + 1));
        w.value = textField(box, QStringLiteral("MeasValue%1").arg(i + 1), 52);
        w.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        w.unit = new QLabel(QString::fromUtf8(rows[i].unit), box);
        w.limit = new QLabel(box);
        w.limit->setObjectName(QStringLiteral("MeasLimit%1").arg(i + 1));
        w.limit->setProperty("prefix",
                             rows[i].limitPrefix ? QString::fromUtf8(rows[i].limitPrefix) : QString());
        w.limit->setProperty("unit", QString::fromUtf8(rows[i].unit));
        w.led = led(box, QStringLiteral("MeasLed%1").arg(i + 1), Qt::red);
        meas->addWidget(w.caption, i, 0);
        meas->addWidget(w.value, i, 1);
        meas->addWidget(w.unit, i, 2);
        meas->addWidget(w.limit, i, 3);
        meas->addWidget(w.led, i, 4);
    }
    meas->setColumnMinimumWidth(3, 110);
    meas->setRowStretch(8, 1);
    middle->addLayout(meas, 1);
    v->addLayout(middle);

    auto *bottom = new QGridLayout;
    bottom->setVerticalSpacing(2);
    bottom->addWidget(new QLabel(QStringLiteral("Bem.:"), box), 0, 0, Qt::AlignTop);
    PRstrNotiz = new QPlainTextEdit(box);
    PRstrNotiz->setObjectName(QStringLiteral("PRstrNotiz"));
    PRstrNotiz->setTabChangesFocus(true);
    PRstrNotiz->setMaximumHeight(48);
    PRstrNotiz->installEventFilter(this);
    connect(PRstrNotiz, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling) m_data->Tests->SetValue(QStringLiteral("PRstrNotiz"), PRstrNotiz->toPlainText());
    });
    bottom->addWidget(PRstrNotiz, 0, 1, 1, 5);
    PRstrPruefer = bindEdit(new QLineEdit(box), s, QStringLiteral("PRstrPruefer"));
    PRstrBewertender = bindEdit(new QLineEdit(box), s, QStringLiteral("PRstrBewertender"));
    bottom->addWidget(new QLabel(QStringLiteral("Prüfer:"), box), 1, 0);
    bottom->addWidget(PRstrPruefer, 1, 1);
    bottom->addWidget(new QLabel(QStringLiteral("Bewertender:"), box), 1, 2);
    bottom->addWidget(PRstrBewertender, 1, 3);
    bottom->addWidget(new QLabel(QStringLiteral("Gerät in Ordnung:"), box), 1, 4);
    GesamtText = textField(box, QStringLiteral("GesamtText"), 50);
    GesamtText->setAlignment(Qt::AlignCenter);
    GesamtText->setAutoFillBackground(true);
    QPalette pal = GesamtText->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0x80));
    GesamtText->setPalette(pal);
    QFont gf = GesamtText->font();
    gf.setBold(true);
    GesamtText->setFont(gf);
    bottom->addWidget(GesamtText, 1, 5);
    v->addLayout(bottom);
    TestNavigator = new TBrowseNavigator(s, false, box);
    TestNavigator->setObjectName(QStringLiteral("TestNavigator"));
    connect(TestNavigator->Delete, &QToolButton::clicked, this, [this] { deleteRow(2); });
    v->addWidget(TestNavigator);
    m_testEdits = {{PRstrPruefer, QStringLiteral("PRstrPruefer")},
                   {PRstrBewertender, QStringLiteral("PRstrBewertender")}};
    return box;
}

QWidget *TDatenanzeigeDlg::buildButtonColumn()
{
    auto *col = new QWidget(this);
    col->setObjectName(QStringLiteral("ButtonColumn"));
    auto *v = new QVBoxLayout(col);
    v->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const char *name, const QString &text, const QString &hint = QString()) {
        auto *b = new QPushButton(text, col);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        if (!hint.isEmpty()) b->setToolTip(hint);
        return b;
    };
    BtnKunden =
        button("BtnKunden", QStringLiteral("Kunden"), QStringLiteral("Kunden aus einer Liste wählen"));
    BtnPrueflinge = button("BtnPrueflinge", QStringLiteral("Prüflinge"),
                           QStringLiteral("Prüfling des Kunden aus einer Liste wählen"));
    v->addWidget(BtnKunden);
    v->addWidget(BtnPrueflinge);

    FunktPruefung = new QGroupBox(QStringLiteral("Funkt.Prüfung"), col);
    FunktPruefung->setObjectName(QStringLiteral("FunktPruefung"));
    auto *fv = new QVBoxLayout(FunktPruefung);
    FunktNicht = new QRadioButton(QStringLiteral("nicht best."), FunktPruefung);
    FunktBestanden = new QRadioButton(QStringLiteral("bestanden"), FunktPruefung);
    fv->addWidget(FunktNicht);
    fv->addWidget(FunktBestanden);
    v->addWidget(FunktPruefung);
    auto funkt = [this](int index) {
        QString error;
        if (!m_data->SetFunktPruef(index, &error) && !error.isEmpty()) fail(error);
        refreshTest();
    };
    connect(FunktNicht, &QRadioButton::clicked, this, [funkt] { funkt(0); });
    connect(FunktBestanden, &QRadioButton::clicked, this, [funkt] { funkt(1); });

    v->addWidget(new QLabel(QStringLiteral("Prot.-Nr.:"), col));
    // Written when the test changes or the window closes, not on leaving.
    PRstrProtokollNr = bindEdit(new QLineEdit(col), m_data->Tests, QStringLiteral("PRstrProtokollNr"), false);
    v->addWidget(PRstrProtokollNr);
    m_testEdits.append({PRstrProtokollNr, QStringLiteral("PRstrProtokollNr")});

    auto *sw = new QWidget(col);
    auto *swl = new QVBoxLayout(sw);
    swl->setContentsMargins(0, 0, 0, 0);
    RbErstpruefung = new QRadioButton(QStringLiteral("Erstprüfung"), sw);
    RbErstpruefung->setObjectName(QStringLiteral("RbErstpruefung"));
    RbWiederholung = new QRadioButton(QStringLiteral("Wiederh.-Pr."), sw);
    RbWiederholung->setObjectName(QStringLiteral("RbWiederholung"));
    swl->addWidget(RbErstpruefung);
    swl->addWidget(RbWiederholung);
    v->addWidget(sw);
    auto sichWied = [this](int value) {
        QString error;
        if (!m_data->SetSichWied(value, &error) && !error.isEmpty()) fail(error);
    };
    connect(RbErstpruefung, &QRadioButton::clicked, this, [sichWied] { sichWied(0); });
    connect(RbWiederholung, &QRadioButton::clicked, this, [sichWied] { sichWied(1); });

    BtnProtokoll1 = button("BtnProtokoll1", QStringLiteral("Protokoll"),
                           QStringLiteral("einseitiges Protokoll nach DIN VDE 0751"));
    BtnProtokoll3 = button("BtnProtokoll3", QStringLiteral("Protokoll"),
                           QStringLiteral("dreiseitiges Protokoll nach DIN VDE 0751 mit Sichtprüfung"));
    ProtText = new QLabel(col);
    ProtText->setObjectName(QStringLiteral("ProtText"));
    BtnMessmod = button("BtnMessmod", QStringLiteral("Messmod."),
                        QStringLiteral("Einstellungen dieser Prüfung zum Gerätetester übertragen"));
    BtnMessmod->setEnabled(false);
    BtnExport = button("BtnExport", QStringLiteral("Export"),
                       QStringLiteral("alle Prüfungen als CSV-Datei exportieren"));
    BtnEinzelexp = button("BtnEinzelexp", QStringLiteral("Einzelexp."),
                          QStringLiteral("diese Prüfung als CSV-Datei exportieren"));
    BtnDruck = button("BtnDruck", QStringLiteral("Druck"), QStringLiteral("Prüfprotokoll drucken"));
    BtnEtiketten = button("BtnEtiketten", QStringLiteral("Etiketten..."),
                          QStringLiteral("Etiketten für diesen Prüfling oder alle Prüflinge des Kunden"));
    BtnOK = button("BtnOK", QStringLiteral("OK"));
    for (QWidget *w : {static_cast<QWidget *>(BtnProtokoll1), static_cast<QWidget *>(BtnProtokoll3),
                       static_cast<QWidget *>(ProtText), static_cast<QWidget *>(BtnMessmod),
                       static_cast<QWidget *>(BtnExport), static_cast<QWidget *>(BtnEinzelexp),
                       static_cast<QWidget *>(BtnDruck), static_cast<QWidget *>(BtnEtiketten)})
        v->addWidget(w);
    v->addStretch(1);
    v->addWidget(BtnOK);

    connect(BtnKunden, &QPushButton::clicked, this, &TDatenanzeigeDlg::KundenClick);
    connect(BtnPrueflinge, &QPushButton::clicked, this, &TDatenanzeigeDlg::PrueflingeClick);
    connect(BtnProtokoll1, &QPushButton::clicked, this, &TDatenanzeigeDlg::ProtokollEinseitigClick);
    connect(BtnProtokoll3, &QPushButton::clicked, this, &TDatenanzeigeDlg::ProtokollDreiseitigClick);
    connect(BtnMessmod, &QPushButton::clicked, this, &TDatenanzeigeDlg::MessmodClick);
    connect(BtnExport, &QPushButton::clicked, this, &TDatenanzeigeDlg::ExportClick);
    connect(BtnEinzelexp, &QPushButton::clicked, this, &TDatenanzeigeDlg::EinzelexpClick);
    connect(BtnDruck, &QPushButton::clicked, this, &TDatenanzeigeDlg::DruckClick);
    connect(BtnEtiketten, &QPushButton::clicked, this, &TDatenanzeigeDlg::EtikettenClick);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    return col;
}

void TDatenanzeigeDlg::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (e->spontaneous() || m_data->IsOpen()) return;
    m_data->setDatabase(m_db.isValid() ? m_db : ProgramDatabase());
    SearchEdit->clear();
    SearchHits->hide();
    QString error;
    if (!m_data->Open(m_config ? m_config->aktCheckNumber : 0, &error))
        fail(QStringLiteral("Die gespeicherten Daten können nicht gelesen werden.\n") + error);
    refreshCustomer();
    refreshDevice();
    refreshTest();
}

void TDatenanzeigeDlg::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    if (e->spontaneous() || !m_data->IsOpen()) return;
    // A barcode still being typed is checked like on leaving its field.
    if (m_data->Devices->State() != dsBrowse && PLstrBarcode->hasFocus()) {
        QString error;
        if (m_data->PostBarcode(PLstrBarcode->text(), &error) == TBarcodeCheck::Duplicate)
            ShowMessage(QMessageBox::Warning, DuplicateBarcodeMessage());
    }
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
        edit->setEnabled(hasRow);
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
    PRstrProtokollNr->setEnabled(d.protEnabled);
    m_filling = false;
    TestNavigator->UpdateButtons();
    BtnDruck->setEnabled(s->Active() && s->RecordCount() > 0);
    BtnEinzelexp->setEnabled(d.hasTest);
}

void TDatenanzeigeDlg::fail(const QString &text)
{
    if (ShowMessage) ShowMessage(QMessageBox::Critical, text);
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
    if (!Ask(question)) return;
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
                   {QStringLiteral("KDstrFax"), QStringLiteral("Fax"), 80}});
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
                   {QStringLiteral("PLstrBarcode"), QStringLiteral("Barcode")}});
}

void TDatenanzeigeDlg::DruckClick()
{
    TWerteSatz w;
    QString error;
    if (!m_data->FillRecord(w, true, &error)) {
        fail(error);
        return;
    }
    if (Report) Report(0, w);
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
    if (Report) Report(1, w);
}

void TDatenanzeigeDlg::ProtokollDreiseitigClick()
{
    TProtDaten own(this);
    TProtDaten *form = m_protDaten ? m_protDaten : &own;
    QString error;
    EditVisualInspection(
        *m_data, *form,
        [this](const TWerteSatz &w) {
            if (Report) Report(2, w);
        },
        &error);
    if (!error.isEmpty()) fail(error);
    refreshTest();
}

void TDatenanzeigeDlg::exportTo(bool single)
{
    const QString file = ChooseFile ? ChooseFile() : QString();
    if (file.isEmpty()) return;
    QString error;
    m_data->PostAll();
    const TExportSwitches sw = m_config ? m_config->Export : TExportSwitches();
    const bool xlsx = IsXlsxFileName(file);
    const int test = m_data->Tests->CurrentKey();
    const bool ok = single ? (xlsx ? ExportSingleTestXlsx(m_data->Database(), test, file, sw, &error)
                                   : ExportSingleTest(m_data->Database(), test, file, sw, &error))
                           : (xlsx ? ExportAllTestsXlsx(m_data->Database(), file, sw, &error)
                                   : ExportAllTests(m_data->Database(), file, sw, &error));
    if (!ok) fail(error);
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
    if (ChooseLabels ? !ChooseLabels(choice) : choice.exec() != QDialog::Accepted) return;
    m_data->PostAll();
    QList<TDueEntry> devices;
    QString error;
    const bool all = choice.AllOfCustomer();
    if (!LoadLabelDevices(m_data->Database(), all ? kunde : 0, all ? 0 : device,
                          m_config ? m_config->ServiceInterv : 365, devices, &error)) {
        fail(error);
        return;
    }
    if (devices.isEmpty()) return;
    const TReport report = DeviceLabelsReport(devices, choice.FirstPosition());
    if (ShowLabels)
        ShowLabels(report);
    else
        report.Preview(this);
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
        ShowMessage(QMessageBox::Warning,
                    QStringLiteral("Die Einstellungen der Prüfung konnten nicht vollständig zum Gerätetester "
                                   "übertragen werden."));
}

void TDatenanzeigeDlg::report(int form, const TWerteSatz &record)
{
    TProtocolSettings settings = m_config ? ProtocolSettingsOf(*m_config) : TProtocolSettings();
    // Both 0751 buttons always preview; "Druck" follows the setting.
    if (form != 0) settings.Preview = true;
    PrintTestProtocol(record, settings, this);
}

void TDatenanzeigeDlg::Search(const QString &text)
{
    SearchHits->clear();
    QString error;
    const QList<TSearchHit> hits = m_data->Search(text, 100, &error);
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    if (hits.isEmpty()) {
        SearchHits->addItem(QStringLiteral("Nichts gefunden."));
        SearchHits->item(0)->setFlags(Qt::NoItemFlags);
        SearchHits->show();
        return;
    }
    // A scanned barcode or a single hit lands at once.
    if (hits.first().exact || hits.size() == 1) {
        SearchHits->hide();
        m_data->JumpTo(hits.first().kundenNr, hits.first().prueflingNr);
        return;
    }
    for (const TSearchHit &h : hits) {
        auto *item = new QListWidgetItem(h.text, SearchHits);
        item->setData(Qt::UserRole, h.kundenNr);
        item->setData(Qt::UserRole + 1, h.prueflingNr);
    }
    SearchHits->show();
}
