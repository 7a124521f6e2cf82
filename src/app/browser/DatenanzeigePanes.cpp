#include "app/browser/DatenanzeigeDlg.h"
#include "app/browser/EtikettenDlg.h"
#include "app/common/ExportFileChooser.h"

#include "app/browser/AuswListeDlg.h"
#include "app/browser/ProtDaten.h"
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

// A button of the right-hand column; Return stays with the edits.
QPushButton *columnButton(QWidget *col, const char *name, const QString &text,
                          const QString &hint = QString())
{
    auto *b = new QPushButton(text, col);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

} // namespace

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
            Prompt().Warn(this, DuplicateBarcodeMessage());
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
    buildIntervalField(g, box, 5);
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
    g->addWidget(DeviceNavigator, 6, 0, 1, 4);
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
    v->addLayout(buildTestHeader(box));
    auto *middle = new QHBoxLayout;
    middle->addLayout(buildTestSetup(box));
    middle->addSpacing(12);
    middle->addLayout(buildMeasurementRows(box), 1);
    v->addLayout(middle);
    v->addLayout(buildTestFooter(box));
    TestNavigator = new TBrowseNavigator(s, false, box);
    TestNavigator->setObjectName(QStringLiteral("TestNavigator"));
    connect(TestNavigator->Delete, &QToolButton::clicked, this, [this] { deleteRow(2); });
    v->addWidget(TestNavigator);
    m_testEdits = {{PRstrPruefer, QStringLiteral("PRstrPruefer")},
                   {PRstrBewertender, QStringLiteral("PRstrBewertender")}};
    return box;
}

// Heading, tester serial number, date and position.
QLayout *TDatenanzeigeDlg::buildTestHeader(QWidget *box)
{
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
    return top;
}

// Left: the set-up of the test.
QLayout *TDatenanzeigeDlg::buildTestSetup(QWidget *box)
{
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
    return left;
}

// Right: the measurement rows.
QLayout *TDatenanzeigeDlg::buildMeasurementRows(QWidget *box)
{
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
    return meas;
}

// Remark, tester, assessor and the overall result.
QLayout *TDatenanzeigeDlg::buildTestFooter(QWidget *box)
{
    TBrowseSet *s = m_data->Tests;
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
    return bottom;
}

QWidget *TDatenanzeigeDlg::buildButtonColumn()
{
    auto *col = new QWidget(this);
    col->setObjectName(QStringLiteral("ButtonColumn"));
    auto *v = new QVBoxLayout(col);
    v->setContentsMargins(0, 0, 0, 0);
    BtnKunden = columnButton(col, "BtnKunden", QStringLiteral("Kunden"),
                             QStringLiteral("Kunden aus einer Liste wählen"));
    BtnPrueflinge = columnButton(col, "BtnPrueflinge", QStringLiteral("Prüflinge"),
                                 QStringLiteral("Prüfling des Kunden aus einer Liste wählen"));
    v->addWidget(BtnKunden);
    v->addWidget(BtnPrueflinge);
    v->addWidget(buildFunktPruefung(col));

    v->addWidget(new QLabel(QStringLiteral("Prot.-Nr.:"), col));
    // Written when the test changes or the window closes, not on leaving.
    PRstrProtokollNr = bindEdit(new QLineEdit(col), m_data->Tests, QStringLiteral("PRstrProtokollNr"), false);
    v->addWidget(PRstrProtokollNr);
    m_testEdits.append({PRstrProtokollNr, QStringLiteral("PRstrProtokollNr")});
    v->addWidget(buildSichtWied(col));
    buildActionButtons(col, v);

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

QGroupBox *TDatenanzeigeDlg::buildFunktPruefung(QWidget *col)
{
    FunktPruefung = new QGroupBox(QStringLiteral("Funkt.Prüfung"), col);
    FunktPruefung->setObjectName(QStringLiteral("FunktPruefung"));
    auto *fv = new QVBoxLayout(FunktPruefung);
    FunktNicht = new QRadioButton(QStringLiteral("nicht best."), FunktPruefung);
    FunktBestanden = new QRadioButton(QStringLiteral("bestanden"), FunktPruefung);
    fv->addWidget(FunktNicht);
    fv->addWidget(FunktBestanden);
    auto funkt = [this](int index) {
        QString error;
        if (!m_data->SetFunktPruef(index, &error) && !error.isEmpty()) fail(error);
        refreshTest();
    };
    connect(FunktNicht, &QRadioButton::clicked, this, [funkt] { funkt(0); });
    connect(FunktBestanden, &QRadioButton::clicked, this, [funkt] { funkt(1); });
    return FunktPruefung;
}

// First test or a repeated one.
QWidget *TDatenanzeigeDlg::buildSichtWied(QWidget *col)
{
    auto *sw = new QWidget(col);
    auto *swl = new QVBoxLayout(sw);
    swl->setContentsMargins(0, 0, 0, 0);
    RbErstpruefung = new QRadioButton(QStringLiteral("Erstprüfung"), sw);
    RbErstpruefung->setObjectName(QStringLiteral("RbErstpruefung"));
    RbWiederholung = new QRadioButton(QStringLiteral("Wiederh.-Pr."), sw);
    RbWiederholung->setObjectName(QStringLiteral("RbWiederholung"));
    swl->addWidget(RbErstpruefung);
    swl->addWidget(RbWiederholung);
    auto sichWied = [this](int value) {
        QString error;
        if (!m_data->SetSichWied(value, &error) && !error.isEmpty()) fail(error);
    };
    connect(RbErstpruefung, &QRadioButton::clicked, this, [sichWied] { sichWied(0); });
    connect(RbWiederholung, &QRadioButton::clicked, this, [sichWied] { sichWied(1); });
    return sw;
}

// Protocols, measuring mode, export, print and labels; OK at the bottom.
void TDatenanzeigeDlg::buildActionButtons(QWidget *col, QVBoxLayout *v)
{
    BtnProtokoll1 = columnButton(col, "BtnProtokoll1", QStringLiteral("Protokoll"),
                                 QStringLiteral("einseitiges Protokoll nach DIN VDE 0751"));
    BtnProtokoll3 = columnButton(col, "BtnProtokoll3", QStringLiteral("Protokoll"),
                                 QStringLiteral("dreiseitiges Protokoll nach DIN VDE 0751 mit Sichtprüfung"));
    ProtText = new QLabel(col);
    ProtText->setObjectName(QStringLiteral("ProtText"));
    BtnMessmod = columnButton(col, "BtnMessmod", QStringLiteral("Messmod."),
                              QStringLiteral("Einstellungen dieser Prüfung zum Gerätetester übertragen"));
    BtnMessmod->setEnabled(false);
    BtnExport = columnButton(col, "BtnExport", QStringLiteral("Export"),
                             QStringLiteral("alle Prüfungen als CSV-Datei exportieren"));
    BtnEinzelexp = columnButton(col, "BtnEinzelexp", QStringLiteral("Einzelexp."),
                                QStringLiteral("diese Prüfung als CSV-Datei exportieren"));
    BtnDruck =
        columnButton(col, "BtnDruck", QStringLiteral("Druck"), QStringLiteral("Prüfprotokoll drucken"));
    BtnEtiketten =
        columnButton(col, "BtnEtiketten", QStringLiteral("Etiketten..."),
                     QStringLiteral("Etiketten für diesen Prüfling oder alle Prüflinge des Kunden"));
    BtnOK = columnButton(col, "BtnOK", QStringLiteral("OK"));
    for (QWidget *w : {static_cast<QWidget *>(BtnProtokoll1), static_cast<QWidget *>(BtnProtokoll3),
                       static_cast<QWidget *>(ProtText), static_cast<QWidget *>(BtnMessmod),
                       static_cast<QWidget *>(BtnExport), static_cast<QWidget *>(BtnEinzelexp),
                       static_cast<QWidget *>(BtnDruck), static_cast<QWidget *>(BtnEtiketten)})
        v->addWidget(w);
    v->addStretch(1);
    v->addWidget(BtnOK);
}
