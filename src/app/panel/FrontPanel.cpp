#include "app/panel/FrontPanel.h"
#include "app/panel/PrintCurrentValues.h"

#include "app/panel/MessmodusDlg.h"
#include "app/panel/SprachEinstDlg.h"
#include "app/panel/TestControl.h"
#include "app/panel/WarnWindows.h"
#include "controls/Digit.h"
#include "controls/Edits.h"
#include "core/FormatSettings.h"
#include "store/Database.h"
#include "tester/Commands.h"
#include "tester/ConnectionController.h"
#include "tester/ModeApply.h"

#include <QAbstractItemView>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QLabel *label(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    if (!name.isEmpty()) l->setObjectName(name);
    return l;
}

QString displayText(QString s)
{
    // The step texts carry CR LF line breaks.
    return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void setVisibleIfChanged(QWidget *w, bool on)
{
    if (w->isVisibleTo(w->parentWidget()) != on) w->setVisible(on);
}

} // namespace

// ---- TFrontPanel ------------------------------------------------------------------

TFrontPanel::TFrontPanel(QWidget *parent) : QWidget(parent), m_state(std::make_unique<TPanelState>())
{
    setObjectName(QStringLiteral("FrontPanel"));
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(4);
    top->addWidget(buildSettings());
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    bottom->addWidget(buildLimits());
    bottom->addWidget(buildValues(), 1);
    top->addLayout(bottom, 1);

    NetzspgWarnWin = new TNetzspgWarnWin(this);
    SichtpruefungWin = new TSichtpruefungWin(this);
    SpeicherungWin = new TSpeicherungWin(this);

    m_state->KlasseListOpen = [this] { return ClassCombo->view()->isVisible(); };
    m_state->SichtprListOpen = [this] { return VisualCheckCombo->view()->isVisible(); };
    m_state->MesszeitHasFocus = [this] { return MeasuringTimeEdit->hasFocus(); };
    connect(m_state.get(), &TPanelState::changed, this, &TFrontPanel::Sync);
    wireUser();
    m_state->ResetPanel();
    Sync();
}

TFrontPanel::~TFrontPanel()
{
    // The state may still call back while children go away.
    m_state->disconnect(this);
}

QWidget *TFrontPanel::buildSettings()
{
    auto *g = new QGroupBox(QStringLiteral("Gerätetestereinstellung"), this);
    g->setObjectName(QStringLiteral("GroupBox1"));
    auto *l = new QHBoxLayout(g);
    l->setContentsMargins(6, 4, 6, 6);
    l->setSpacing(6);

    DinVdeGroup =
        new TRadioGroup(QStringLiteral("RadioGroup1"), QStringLiteral("DIN/VDE"),
                        {QStringLiteral("070&1"), QStringLiteral("070&2"), QStringLiteral("07&51")}, g);
    SequenceGroup = new TRadioGroup(QStringLiteral("RadioGroup3"), QStringLiteral("Messablauf"),
                                    {QStringLiteral("&einzeln"), QStringLiteral("&automatisch")}, g);
    IsolationGroup = new TRadioGroup(QStringLiteral("RadioGroup2"), QStringLiteral("Isolationsprüfung"),
                                     {QStringLiteral("ohne Isol.-Pr."), QStringLiteral("mit Isol.-Pr."),
                                      QStringLiteral("Isol. und Diff.")},
                                     g);
    TouchCurrentGroup =
        new TRadioGroup(QStringLiteral("RadioGroup5"), QStringLiteral("Berührungsstrom"),
                        {QStringLiteral("ohne Ber.-Str."), QStringLiteral("mit Ber.-Str.")}, g);
    LimitsGroup = new TRadioGroup(QStringLiteral("RadioGroup4"), QStringLiteral("Grenzwerte"),
                                  {QStringLiteral("S&tandard"), QStringLiteral("ma&nuell")}, g);
    l->addWidget(DinVdeGroup);
    l->addWidget(IsolationGroup);
    // The two-item groups share a column so the panel fits the window's design width.
    auto *pair = new QVBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(SequenceGroup);
    pair->addWidget(TouchCurrentGroup);
    l->addLayout(pair);

    l->addLayout(buildClassColumn(g));
    l->addLayout(buildMemoryColumn(g));
    l->addStretch(1);
    return g;
}

// Protection class above the limits mode.
QLayout *TFrontPanel::buildClassColumn(QWidget *g)
{
    auto *col = new QVBoxLayout;
    col->setSpacing(4);
    auto *klasse = new QGroupBox(QStringLiteral("Schutzklasse"), g);
    klasse->setObjectName(QStringLiteral("GroupBox2"));
    auto *kl = new QVBoxLayout(klasse);
    kl->setContentsMargins(6, 2, 6, 4);
    ClassCombo = new QComboBox(klasse);
    ClassCombo->setObjectName(QStringLiteral("ComboBox1"));
    ClassCombo->addItems({QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")});
    ClassCombo->setCurrentIndex(-1);
    kl->addWidget(ClassCombo);
    col->addWidget(klasse);
    col->addWidget(LimitsGroup, 1);
    return col;
}

// Memory, switches, visual inspection and measuring time.
QLayout *TFrontPanel::buildMemoryColumn(QWidget *g)
{
    auto *right = new QGridLayout;
    right->setHorizontalSpacing(6);
    right->setVerticalSpacing(2);
    auto *mem = new QGroupBox(QStringLiteral("Prüfungssätze"), g);
    mem->setObjectName(QStringLiteral("GroupBox3"));
    auto *ml = new QGridLayout(mem);
    ml->setContentsMargins(6, 2, 6, 4);
    ml->setVerticalSpacing(1);
    GespeichertLabel = label(mem, QStringLiteral("Label25"), QStringLiteral("gespeichert:"));
    FreieBytesLabel = label(mem, QStringLiteral("Label27"), QStringLiteral("freie Bytes:"));
    StoredCountValue = label(mem, QStringLiteral("Label26"), QStringLiteral("-"));
    FreeBytesValue = label(mem, QStringLiteral("Label28"), QStringLiteral("-"));
    StoredCountValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FreeBytesValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StoredCountValue->setMinimumWidth(44);
    ml->addWidget(GespeichertLabel, 0, 0);
    ml->addWidget(StoredCountValue, 0, 1);
    ml->addWidget(FreieBytesLabel, 1, 0);
    ml->addWidget(FreeBytesValue, 1, 1);
    right->addWidget(mem, 0, 0, 2, 3);

    ControlBarcodeCheck = new QCheckBox(QStringLiteral("Steuerbarcode"), g);
    ControlBarcodeCheck->setObjectName(QStringLiteral("CheckBox1"));
    SettingsLockCheck = new QCheckBox(QStringLiteral("Einstellsperre"), g);
    SettingsLockCheck->setObjectName(QStringLiteral("CheckBox2"));
    right->addWidget(ControlBarcodeCheck, 2, 0, 1, 3);
    right->addWidget(SettingsLockCheck, 3, 0, 1, 3);

    SichtprLabel = label(g, QStringLiteral("Label29"), QStringLiteral("Sichtpr.best."));
    VisualCheckCombo = new QComboBox(g);
    VisualCheckCombo->setObjectName(QStringLiteral("ComboBox2"));
    VisualCheckCombo->addItems({QStringLiteral("----"), QStringLiteral("nein"), QStringLiteral("ja")});
    VisualCheckCombo->setCurrentIndex(-1);
    SichtprLabel->setBuddy(VisualCheckCombo);
    right->addWidget(SichtprLabel, 4, 0);
    right->addWidget(VisualCheckCombo, 4, 1, 1, 2);

    MesszeitLabel = label(g, QStringLiteral("Label31"), QStringLiteral("Messzeit"));
    MeasuringTimeEdit = new TFloatEdit(g);
    MeasuringTimeEdit->setObjectName(QStringLiteral("FloatEdit1"));
    MeasuringTimeEdit->setMinValue(3.0);
    MeasuringTimeEdit->setMaxValue(25.0);
    MeasuringTimeEdit->setFormatString(QStringLiteral("%1.1f"));
    MeasuringTimeEdit->setValue(3.0);
    MeasuringTimeEdit->setAlignment(taRightJustify);
    // The program's decimal comma, whatever the edits' own default is.
    MeasuringTimeEdit->setDecimalSeparator(FormatSettings().DecimalSeparator);
    MeasuringTimeEdit->setMaximumWidth(56);
    MesszeitUnit = label(g, QStringLiteral("Label32"), QStringLiteral("s"));
    MesszeitLabel->setBuddy(MeasuringTimeEdit);
    right->addWidget(MesszeitLabel, 5, 0);
    right->addWidget(MeasuringTimeEdit, 5, 1);
    right->addWidget(MesszeitUnit, 5, 2);
    right->setRowStretch(6, 1);
    return right;
}

QWidget *TFrontPanel::buildLimits()
{
    auto *g = new QGroupBox(QStringLiteral("Grenzwertanzeige / Einstellung"), this);
    g->setObjectName(QStringLiteral("GroupBox4"));
    auto *l = new QGridLayout(g);
    l->setContentsMargins(8, 4, 8, 6);
    l->setHorizontalSpacing(6);
    l->setVerticalSpacing(2);
    const QString captions[LimitBarCount] = {QStringLiteral("Schutzleiterwiderstand"),
                                             QStringLiteral("Isolationswiderstand"),
                                             QStringLiteral("Ersatz-Geräteableitstrom")};
    const QString units[LimitBarCount] = {QStringLiteral("mOhm"), QStringLiteral("MOhm"),
                                          QStringLiteral("mA")};
    const int maxima[LimitBarCount] = {7, 5, 17};
    for (int k = 0; k < LimitBarCount; ++k) {
        const QString n = QString::number(k + 1);
        LimitCaption[size_t(k)] = label(g, QStringLiteral("LimitCaption") + n, captions[k]);
        QFont f = LimitCaption[size_t(k)]->font();
        f.setBold(true);
        LimitCaption[size_t(k)]->setFont(f);
        LimitDisplay[size_t(k)] = new TDigitDisplay(QStringLiteral("LimitDisplay") + n, g);
        LimitUnit[size_t(k)] = label(g, QStringLiteral("LimitUnit") + n, units[k]);
        auto *bar = new QSlider(Qt::Horizontal, g);
        bar->setObjectName(QStringLiteral("TrackBar") + n);
        bar->setRange(0, maxima[k]);
        bar->setPageStep(1);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(1);
        bar->setMinimumWidth(110);
        TrackBars[size_t(k)] = bar;
        const int row = k * 3;
        l->addWidget(LimitCaption[size_t(k)], row, 0, 1, 3);
        l->addWidget(LimitDisplay[size_t(k)], row + 1, 0);
        l->addWidget(LimitUnit[size_t(k)], row + 1, 1);
        l->addWidget(bar, row + 1, 2);
        l->setRowMinimumHeight(row + 2, 6);
    }
    ProtectiveEarthLimitBar = TrackBars[0];
    InsulationLimitBar = TrackBars[1];
    LeakageLimitBar = TrackBars[2];
    ProtectiveEarthLimitBar->setValue(2);
    l->setColumnStretch(2, 1);
    l->setRowStretch(LimitBarCount * 3, 1);

    // The step box sits under the limits, where the eye goes during a test.
    StepBox = new QLabel(g);
    StepBox->setObjectName(QStringLiteral("Label30"));
    StepBox->setAlignment(Qt::AlignCenter);
    StepBox->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StepBox->setMinimumHeight(44);
    QFont f = StepBox->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    StepBox->setFont(f);
    StepBox->setStyleSheet(QStringLiteral("QLabel { background: #10304a; color: #f0f0f0; }"));
    PhaseLabel = label(g, QStringLiteral("PhaseLabel"), QString());
    PhaseLabel->setAlignment(Qt::AlignCenter);
    PhaseLabel->setWordWrap(true);
    PhaseLabel->setMinimumHeight(2 * PhaseLabel->fontMetrics().lineSpacing());
    l->addWidget(StepBox, LimitBarCount * 3 + 1, 0, 1, 3);
    l->addWidget(PhaseLabel, LimitBarCount * 3 + 2, 0, 1, 3);
    g->setMaximumWidth(280);
    return g;
}

QWidget *TFrontPanel::buildValues()
{
    auto *outer = new QWidget(this);
    auto *ol = new QHBoxLayout(outer);
    ol->setContentsMargins(0, 0, 0, 0);
    ol->setSpacing(6);

    auto *g = new QGroupBox(QStringLiteral("Messwerte"), outer);
    g->setObjectName(QStringLiteral("GroupBox5"));
    auto *l = new QGridLayout(g);
    l->setContentsMargins(8, 4, 8, 6);
    l->setHorizontalSpacing(6);
    l->setVerticalSpacing(1);
    buildValueRows(g, l);
    l->setColumnStretch(3, 1);
    l->addLayout(buildIndicators(g), ValueDisplayCount, 0, 1, 4);

    MainsOnSocketLabel =
        label(g, QStringLiteral("Label21"), QStringLiteral("ACHTUNG! 230 V~ 16A an Prüfdose"));
    MainsOnSocketLabel->setAlignment(Qt::AlignCenter);
    MainsOnSocketLabel->setStyleSheet(
        QStringLiteral("QLabel { background: #d00000; color: #ffffff; font-weight: bold; padding: 2px; }"));
    QSizePolicy sp = MainsOnSocketLabel->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    MainsOnSocketLabel->setSizePolicy(sp);
    MainsOnSocketLabel->hide();
    l->addWidget(MainsOnSocketLabel, ValueDisplayCount + 1, 0, 1, 4);
    l->setRowStretch(ValueDisplayCount + 2, 1);
    ol->addWidget(g, 1);

    TestButtonArea = new QWidget(outer);
    TestButtonArea->setObjectName(QStringLiteral("TestButtonArea"));
    auto *bl = new QVBoxLayout(TestButtonArea);
    bl->setContentsMargins(0, 8, 0, 0);
    bl->setSpacing(6);
    TestButtonArea->setMinimumWidth(108);
    ol->addWidget(TestButtonArea);
    return outer;
}

void TFrontPanel::buildValueRows(QWidget *g, QGridLayout *l)
{
    const QString captions[ValueDisplayCount] = {
        QStringLiteral("Schutzleiterwiderstand"),   QStringLiteral("Isolationswiderstand"),
        QStringLiteral("Ersatz-Geräteableitstrom"), QStringLiteral("Schutzleiterstrom"),
        QStringLiteral("Prüfdose umgepolt"),        QStringLiteral("Berührungsstrom"),
        QStringLiteral("Prüfdose umgepolt")};
    const QString units[ValueDisplayCount] = {
        QStringLiteral("mOhm"), QStringLiteral("MOhm"), QStringLiteral("mA"), QStringLiteral("mA"),
        QStringLiteral("mA"),   QStringLiteral("mA"),   QStringLiteral("mA")};
    for (int k = 0; k < ValueDisplayCount; ++k) {
        const QString n = QString::number(k + 1);
        ValueCaption[size_t(k)] = label(g, QStringLiteral("ValueCaption") + n, captions[k]);
        if (k == 4 || k == 6)
            ValueCaption[size_t(k)]->setIndent(14); // reversed socket belongs to the row above
        ValueDisplay[size_t(k)] = new TDigitDisplay(QStringLiteral("ValueDisplay") + n, g);
        ValueUnit[size_t(k)] = label(g, QStringLiteral("ValueUnit") + n, units[k]);
        ValueRed[size_t(k)] = label(g, QStringLiteral("ValueRed") + n,
                                    k == 1 ? QStringLiteral("Grenzwert unterschritten")
                                           : QStringLiteral("Grenzwert überschritten"));
        ValueRed[size_t(k)]->setStyleSheet(QStringLiteral("QLabel { color: #d00000; font-weight: bold; }"));
        // Two short lines beside the readout keep the window within its design width.
        ValueRed[size_t(k)]->setWordWrap(true);
        ValueRed[size_t(k)]->setMaximumWidth(
            ValueRed[size_t(k)]->fontMetrics().horizontalAdvance(QStringLiteral("unterschritten")) + 16);
        // Keep the row's width when the label comes and goes.
        QSizePolicy sp = ValueRed[size_t(k)]->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        ValueRed[size_t(k)]->setSizePolicy(sp);
        ValueRed[size_t(k)]->hide();
        l->addWidget(ValueCaption[size_t(k)], k, 0);
        l->addWidget(ValueDisplay[size_t(k)], k, 1);
        l->addWidget(ValueUnit[size_t(k)], k, 2);
        l->addWidget(ValueRed[size_t(k)], k, 3);
    }
}

QLayout *TFrontPanel::buildIndicators(QWidget *g)
{
    auto *ind = new QHBoxLayout;
    ind->setSpacing(6);
    // The tester's four status lamps: name, caption, and the lit look.
    static const struct {
        int Index;
        const char *Name, *Caption, *Background, *Text, *Border;
    } looks[] = {
        {inUmschalt, "Umschalt", "Umschalt", "#000000", "#ffe000", "#000000"},
        {inAbbruch, "Abbruch", "Abbruch", "#ff8c00", "#000000", "#a05000"},
        {inGrenzwert, "Grenzwert", "Grenzwert", "#ff8c00", "#000000", "#a05000"},
        {inNotAus, "NotAus", "Not-Aus", "#d00000", "#ffffff", "#800000"},
    };
    for (const auto &look : looks)
        Indicator[size_t(look.Index)] = new TIndicatorLabel(
            QLatin1String(look.Name), QLatin1String(look.Caption),
            QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid %3; "
                           "border-radius: 3px; padding: 1px 6px; }")
                .arg(QLatin1String(look.Background), QLatin1String(look.Text), QLatin1String(look.Border)),
            g);
    for (TIndicatorLabel *i : Indicator)
        ind->addWidget(i);
    ind->addStretch(1);
    return ind;
}

void TFrontPanel::wireUser()
{
    TPanelState &s = *m_state;
    connect(DinVdeGroup, &TRadioGroup::click, this, [&s](int i) { s.UserDinVde(i); });
    connect(SequenceGroup, &TRadioGroup::click, this, [&s](int i) { s.UserMessablauf(i); });
    connect(IsolationGroup, &TRadioGroup::click, this, [&s](int i) { s.UserIsolMode(i); });
    connect(TouchCurrentGroup, &TRadioGroup::click, this, [&s](int i) { s.UserBeruehr(i); });
    connect(LimitsGroup, &TRadioGroup::click, this, [&s](int i) { s.UserGrenzwerte(i); });
    // activated and clicked come from the user only.
    connect(ClassCombo, &QComboBox::activated, this, [&s](int i) { s.UserKlasse(i); });
    connect(VisualCheckCombo, &QComboBox::activated, this, [&s](int i) { s.UserSichtpr(i); });
    connect(ControlBarcodeCheck, &QCheckBox::clicked, this, [&s](bool on) { s.UserSteuerbarcode(on); });
    connect(SettingsLockCheck, &QCheckBox::clicked, this, [&s](bool on) { s.UserEinstellsperre(on); });
    connect(MeasuringTimeEdit, &TValidateEdit::exit, this, [this](QObject *) {
        MeasuringTimeEdit->setModified(false);
        m_state->UserMesszeit(double(MeasuringTimeEdit->Value()));
    });
    MeasuringTimeEdit->OnKeyPress = [this](QObject *, QChar &key) {
        if (key != QLatin1Char('\r')) return;
        key = QChar(); // consumed: no beep, no default button
        MeasuringTimeEdit->setModified(false);
        m_state->UserMesszeit(double(MeasuringTimeEdit->Value()));
    };
    // A typed measuring time whose field never lost the focus.
    connect(m_state.get(), &TPanelState::commitPendingEdits, this, [this] {
        if (!MeasuringTimeEdit->isModified()) return;
        MeasuringTimeEdit->setModified(false);
        m_state->UserMesszeit(double(MeasuringTimeEdit->Value()));
    });
    for (int k = 0; k < LimitBarCount; ++k) {
        // Sync sets the bars with signals blocked, so this is the user's move.
        connect(TrackBars[size_t(k)], &QSlider::valueChanged, this,
                [this, k](int pos) { m_state->UserBarMoved(k, pos); });
    }
}

// The tester repeats its reports several times a second, mostly with nothing
// new: then the controls are left alone. The user can move the value controls
// and close the windows, so those are compared as well.
void TFrontPanel::Sync()
{
    if (m_synced && *m_synced == m_state->View && controlsShow(m_state->View)) return;
    syncControls();
    m_synced = m_state->View;
}

bool TFrontPanel::controlsShow(const TPanelView &v) const
{
    for (int k = 0; k < LimitBarCount; ++k)
        if (TrackBars[size_t(k)]->value() != v.BarPos[size_t(k)]) return false;
    return DinVdeGroup->ItemIndex() == v.DinVde && SequenceGroup->ItemIndex() == v.Messablauf &&
           IsolationGroup->ItemIndex() == v.IsolMode && TouchCurrentGroup->ItemIndex() == v.Beruehr &&
           LimitsGroup->ItemIndex() == v.Grenzwerte && ClassCombo->currentIndex() == v.KlasseIndex &&
           VisualCheckCombo->currentIndex() == v.Sichtpr &&
           ControlBarcodeCheck->isChecked() == v.Steuerbarcode &&
           SettingsLockCheck->isChecked() == v.Einstellsperre &&
           double(MeasuringTimeEdit->StoredValue()) == v.Messzeit &&
           NetzspgWarnWin->isVisible() == v.NetzWarnVisible &&
           SichtpruefungWin->isVisible() == v.SichtWinVisible &&
           SpeicherungWin->isVisible() == v.SpeicherWinVisible;
}

void TFrontPanel::syncControls()
{
    const TPanelView &v = m_state->View;
    const bool on = v.SettingsEnabled;

    DinVdeGroup->setItemIndex(v.DinVde);
    SequenceGroup->setItemIndex(v.Messablauf);
    IsolationGroup->setItemText(2, v.IsolItem3);
    IsolationGroup->setItemIndex(v.IsolMode);
    TouchCurrentGroup->setItemIndex(v.Beruehr);
    LimitsGroup->setItemIndex(v.Grenzwerte);
    for (QWidget *w : {static_cast<QWidget *>(DinVdeGroup), static_cast<QWidget *>(IsolationGroup),
                       static_cast<QWidget *>(SequenceGroup), static_cast<QWidget *>(LimitsGroup),
                       static_cast<QWidget *>(ClassCombo), static_cast<QWidget *>(ControlBarcodeCheck),
                       static_cast<QWidget *>(SettingsLockCheck), static_cast<QWidget *>(MeasuringTimeEdit),
                       static_cast<QWidget *>(GespeichertLabel), static_cast<QWidget *>(FreieBytesLabel),
                       static_cast<QWidget *>(StoredCountValue), static_cast<QWidget *>(FreeBytesValue),
                       static_cast<QWidget *>(MesszeitLabel), static_cast<QWidget *>(MesszeitUnit)})
        w->setEnabled(on);
    TouchCurrentGroup->setEnabled(v.RadioGroup5Enabled());
    VisualCheckCombo->setEnabled(on && v.SichtprEnabled);
    SichtprLabel->setEnabled(on && v.SichtprEnabled);
    {
        const QSignalBlocker b1(ClassCombo);
        if (ClassCombo->currentIndex() != v.KlasseIndex && !ClassCombo->view()->isVisible())
            ClassCombo->setCurrentIndex(v.KlasseIndex);
        const QSignalBlocker b2(VisualCheckCombo);
        if (VisualCheckCombo->currentIndex() != v.Sichtpr && !VisualCheckCombo->view()->isVisible())
            VisualCheckCombo->setCurrentIndex(v.Sichtpr);
        const QSignalBlocker b3(ControlBarcodeCheck);
        ControlBarcodeCheck->setChecked(v.Steuerbarcode);
        const QSignalBlocker b4(SettingsLockCheck);
        SettingsLockCheck->setChecked(v.Einstellsperre);
    }
    // Never under the user's fingers.
    if (!MeasuringTimeEdit->hasFocus() && double(MeasuringTimeEdit->StoredValue()) != v.Messzeit) {
        const QSignalBlocker b(MeasuringTimeEdit);
        MeasuringTimeEdit->setValue(v.Messzeit);
    }
    StoredCountValue->setText(v.Gespeichert);
    FreeBytesValue->setText(v.FreieBytes);

    LimitCaption[lbDritter]->setText(v.ThirdLimitCaption);
    for (int k = 0; k < LimitBarCount; ++k) {
        QSlider *bar = TrackBars[size_t(k)];
        const QSignalBlocker b(bar);
        const int max = k == lbSchutzleiter ? v.Bar1Max : k == lbDritter ? v.Bar3Max : bar->maximum();
        if (bar->maximum() != max) bar->setMaximum(max);
        if (bar->value() != v.BarPos[size_t(k)]) bar->setValue(v.BarPos[size_t(k)]);
        bar->setEnabled(v.BarEnabled(k));
        const bool cap = v.LimitCaptionEnabled[size_t(k)];
        LimitCaption[size_t(k)]->setEnabled(cap);
        LimitUnit[size_t(k)]->setEnabled(cap);
        LimitDisplay[size_t(k)]->setEnabled(cap);
        LimitDisplay[size_t(k)]->setText(v.LimitText[size_t(k)]);
    }

    for (int k = 0; k < ValueDisplayCount; ++k) {
        const bool cap = v.ValueCaptionEnabled[size_t(k)];
        ValueCaption[size_t(k)]->setEnabled(cap);
        ValueUnit[size_t(k)]->setEnabled(cap);
        ValueRed[size_t(k)]->setEnabled(cap);
        ValueDisplay[size_t(k)]->setEnabled(cap);
        ValueDisplay[size_t(k)]->setText(v.ValueText[size_t(k)]);
        setVisibleIfChanged(ValueRed[size_t(k)], v.RedVisible[size_t(k)]);
    }
    for (int i = 0; i < IndicatorCount; ++i)
        Indicator[size_t(i)]->setOn(v.Indicators[size_t(i)]);
    setVisibleIfChanged(MainsOnSocketLabel, v.MainsLabelVisible);
    const QString step = displayText(v.StepCaption);
    if (StepBox->text() != step) StepBox->setText(step);
    if (StepBox->toolTip() != v.StepHint) StepBox->setToolTip(v.StepHint);
    if (PhaseLabel->text() != v.StepHint) PhaseLabel->setText(v.StepHint);
    syncWindows();
}

void TFrontPanel::syncWindows()
{
    const TPanelView &v = m_state->View;
    SichtpruefungWin->setAnswer(v.SichtWinAnswer);
    NetzspgWarnWin->setShown(v.NetzWarnVisible);
    SichtpruefungWin->setShown(v.SichtWinVisible);
    SpeicherungWin->setShown(v.SpeicherWinVisible);
}
