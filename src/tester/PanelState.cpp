#include "tester/PanelState.h"

#include "core/FormatSettings.h"
#include "tester/Commands.h"
#include "tester/Decoders.h"
#include "tester/Mailbox.h"
#include "tester/PanelRules.h"

#include <cfenv>
#include <cmath>

namespace {

const QString kIsolItem3 = QStringLiteral("Isol. und Diff.");
const QString kIsolItem3Diff = QStringLiteral("Diffstr.-Mess.");
const QString kThirdLeakage = QStringLiteral("Ersatz-Geräteableitstrom");
const QString kThirdDiff = QStringLiteral("Differenzstrom");

bool bit(quint8 b, int n)
{
    return (b >> n) & 1;
}

// Value text of measurement step 1..7 in that step's unit.
QString formatStepValue(int step, int v)
{
    switch (step) {
    case 1:
        return FormatResistanceMilliohm(v);
    case 2:
        return FormatInsulationMegohm(v);
    case 3:
        return FormatLeakageMilliampere(v);
    default:
        return FormatCurrentMilliampere(v);
    }
}

// Enable-mask bit of the caption of value display k (step k + 1).
constexpr int kValueMaskBit[ValueDisplayCount] = {
    enSchutzleiterwid, enIsolationswid,       enAbleitstromLive,    enSchutzlStromL1N,
    enSchutzlStromNL1, enBeruehrungsstromL1N, enBeruehrungsstromNL1};
constexpr int kLimitMaskBit[LimitBarCount] = {enSchutzleiterwid, enIsolationswid, enAbleitstrom};

} // namespace

QString NotMeasuredText()
{
    return QStringLiteral(" --- ");
}

int MesszeitTenths(double Seconds)
{
    // Strip binary noise first (3.15 is stored as 3.1499...), so that a true
    // half really rounds to even.
    const double x = std::round(Seconds * 10.0 * 1e6) / 1e6;
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    std::fesetround(old);
    return int(r);
}

TPanelView::TPanelView()
{
    IsolItem3 = kIsolItem3;
    ThirdLimitCaption = kThirdLeakage;
    Gespeichert = FreieBytes = QStringLiteral("-");
    SichtWinAnswer = QStringLiteral("nein");
    for (auto &t : LimitText)
        t = NotMeasuredText();
    for (auto &t : ValueText)
        t = NotMeasuredText();
}

TPanelState::TPanelState(QObject *parent) : QObject(parent)
{
    SettingDelay = &m_delayFallback;
}

void TPanelState::UseCommands(TTesterCommands *c)
{
    WriteSetting = [c](const TSettingChange &ch) { return c->ReadModifyWrite(ch); };
    WriteIsolationMode = [c](int mode) { return c->SetIsolationMode(mode); };
    WriteLimit = [c](TLimitTable t, int i) { return c->LimitWrite(t, i); };
    // Looked up at call time: the connection controller hands over its gate later.
    PausePolling = [c] { return c->PausePolling(); };
}

void TPanelState::notifyChanged()
{
    emit changed();
}

// ---- decoders -----------------------------------------------------------------

void TPanelState::Decode(int Slot, const TProtok &Msg)
{
    const quint8 *d = Msg.Data;
    switch (AutosendSlotCmd(Slot)) {
    case cmdGrenzwerte1:
        Decode31(d);
        break;
    case cmdGrenzwerte2:
        Decode32(d);
        break;
    case cmdDatensatzAnzahl:
        Decode33(d);
        break;
    case cmdFlags:
        Decode34(d);
        break;
    case cmdMesswerte1:
        Decode37(d);
        break;
    case cmdMesswerte2:
        Decode38(d);
        break;
    case cmdRohwert:
        Decode39(d);
        break;
    case cmdMessablauf:
        Decode3A(d);
        break;
    default:
        break;
    }
}

void TPanelState::Decode32(const quint8 *d)
{
    const TGrenzwerte2 g = DecodeGrenzwerte2(d);
    Live.GrwSchutzleiterstrom = g.Schutzleiterstrom;
    Live.GrwBeruehrungsstrom = g.Beruehrungsstrom;
    Live.GrwSchnellabschaltung = g.Schnellabschaltung;
}

void TPanelState::Decode33(const quint8 *d)
{
    const TSpeicherStand s = DecodeSpeicherStand(d);
    View.Gespeichert = QString::number(s.Anzahl);
    // The full flag wins over whatever the free-bytes word says.
    View.FreieBytes = s.Voll ? QStringLiteral("voll") : QString::number(s.FreieBytes);
    notifyChanged();
}

void TPanelState::Decode34(const quint8 *d)
{
    const TEinstellBlock b = TEinstellBlock::FromBytes(d);
    const int klasse = b.SchutzklasseFlags & skKlasseMask;
    Live.Menueflags = b.Menueflags;
    Live.SchutzklasseFlags = b.SchutzklasseFlags;
    Live.Schutzklasse = klasse;
    Live.MessablaufFlags = b.MessablaufFlags;

    View.BeruehrAllowed = !(bit(b.Menueflags, 2) || klasse == 3);

    if (DelayCtr() == 0) {
        if (b.SchutzklasseFlags & skDin0751) {
            Live.DINVDE = 2;
            View.DinVde = 2;
            View.IsolItem3 = kIsolItem3Diff;
        } else {
            View.DinVde = bit(b.Menueflags, 1) ? 1 : 0;
            Live.DINVDE = View.DinVde;
            View.IsolItem3 = kIsolItem3;
        }
        View.Messablauf = bit(b.Menueflags, 0) ? 1 : 0;
        View.IsolMode = bit(b.Menueflags, 6) ? 2 : (bit(b.Menueflags, 2) ? 1 : 0);
        applyThirdLimitMode();
        if (!(KlasseListOpen && KlasseListOpen())) View.KlasseIndex = klasse - 1;
        View.SichtprEnabled = true;
        if (!(SichtprListOpen && SichtprListOpen())) {
            if (b.SchutzklasseFlags & skSichtNichtAbgefragt) {
                View.Sichtpr = 0;
            } else if (b.MessablaufFlags & maSichtBestanden) {
                View.Sichtpr = 2;
                View.SichtWinAnswer = QStringLiteral("ja");
            } else {
                View.Sichtpr = 1;
                View.SichtWinAnswer = QStringLiteral("nein");
            }
        }
        View.Grenzwerte = bit(b.Menueflags, 3) ? 1 : 0;
        View.Beruehr = bit(b.Menueflags, 4) ? 1 : 0;
        View.Steuerbarcode = bit(b.Menueflags, 5);
        View.Einstellsperre = b.Sperrflags & spEinstellsperre;
        if (!(MesszeitHasFocus && MesszeitHasFocus())) View.Messzeit = b.Messzeit / 10.0;
    }

    View.Indicators[inUmschalt] = b.Schaltflags & sfUmschalt;
    View.Indicators[inAbbruch] = b.MessablaufFlags & maAbgebrochen;
    View.Indicators[inGrenzwert] = b.MessablaufFlags & maGrenzwertAktiv;
    View.Indicators[inNotAus] = b.MessablaufFlags & maSchnellabbruch;
    View.NetzWarnVisible = b.Sperrflags & spNetzspannung;
    if (Messschritt >= 1 && Messschritt <= 7)
        View.RedVisible[size_t(Messschritt - 1)] = b.MessablaufFlags & maGrenzwertAktiv;
    View.MainsLabelVisible = Messschritt >= 4 && Messschritt <= 7;

    // Enabling first: the limits shown depend on which captions apply, and a
    // first report would otherwise show dashes until the next one.
    ApplyEnableLogic();
    if (DelayCtr() == 0 && View.Grenzwerte == 0) StandardLimits();
    notifyChanged();
}

void TPanelState::Decode37(const quint8 *d)
{
    const TMesswerte1 m = DecodeMesswerte1(d);
    Live.Schutzleiterwid = m.Schutzleiterwid;
    Live.Isolationswid = m.Isolationswid;
    Live.Ableitstrom = m.Ableitstrom;
    Live.Grenzwertflags = m.Grenzwertflags;
    const int values[3] = {m.Schutzleiterwid, m.Isolationswid, m.Ableitstrom};
    for (int step = 1; step <= 3; ++step) {
        if (step == Messschritt) continue; // the live value ($39) owns the running step
        const size_t k = size_t(step - 1);
        View.ValueText[k] =
            View.ValueCaptionEnabled[k] ? formatStepValue(step, values[k]) : NotMeasuredText();
    }
    for (int step = 1; step <= 7; ++step) {
        if (step == Messschritt) continue;
        View.RedVisible[size_t(step - 1)] = m.Grenzwertflags & GrenzwertBitForStep(step);
    }
    notifyChanged();
}

void TPanelState::Decode38(const quint8 *d)
{
    const TMesswerte2 m = DecodeMesswerte2(d);
    Live.SchutzlStromL1N = m.SchutzlStromL1N;
    Live.SchutzlStromNL1 = m.SchutzlStromNL1;
    Live.BeruehrungsstromL1N = m.BeruehrungsstromL1N;
    Live.BeruehrungsstromNL1 = m.BeruehrungsstromNL1;
    const int values[4] = {m.SchutzlStromL1N, m.SchutzlStromNL1, m.BeruehrungsstromL1N,
                           m.BeruehrungsstromNL1};
    for (int step = 4; step <= 7; ++step) {
        if (step == Messschritt) continue;
        const size_t k = size_t(step - 1);
        View.ValueText[k] =
            View.ValueCaptionEnabled[k] ? FormatCurrentMilliampere(values[step - 4]) : NotMeasuredText();
    }
    notifyChanged();
}

void TPanelState::Decode39(const quint8 *d)
{
    if (Messschritt < 1 || Messschritt > 7) return;
    View.ValueText[size_t(Messschritt - 1)] = formatStepValue(Messschritt, DecodeRohwert(d));
    notifyChanged();
}

void TPanelState::Decode3A(const quint8 *d)
{
    const TMessablauf m = DecodeMessablauf(d);
    Messschritt = m.Messschritt;
    Ablaufphase = m.Ablaufphase;

    emit phase(Ablaufphase);

    if (StepTextKnown(Messschritt)) View.StepCaption = StepText(Messschritt);
    View.StepHint = PhaseHint(Ablaufphase);
    View.SichtWinVisible = Ablaufphase == apSichtpruefung;
    View.SpeicherWinVisible = Ablaufphase == apSpeicherAbfrage;

    const bool diff = DifferentialMode();
    const int reported[LimitBarCount] = {m.LimitIndex[ltSchutzleiterwid], m.LimitIndex[ltIsolationswid],
                                         m.LimitIndex[diff ? ltDifferenzstrom : ltAbleitstrom]};
    std::array<int, LimitBarCount> shown{reported[0], reported[1], reported[2]};
    if (View.Grenzwerte == 1) {
        for (int bar = 0; bar < LimitBarCount; ++bar) {
            if (LimitChanged[size_t(bar)]) {
                LimitChanged[size_t(bar)] = false;
                const int index = BarIndex(bar);
                // Reports decoded while the write waits must not pull the bar back.
                restartSettingDelay();
                if (WriteLimit) {
                    const TPollingPause pause = pausePolling();
                    WriteLimit(BarTable(bar), index);
                }
                restartSettingDelay();
                // This report predates the write: show the value just written.
                shown[size_t(bar)] = index;
            } else if (DelayCtr() == 0) {
                View.BarPos[size_t(bar)] = PositionForIndex(bar, reported[bar]);
            }
        }
    }
    // In standard-limits mode the limits follow the standard ($34); the
    // tester's stored indexes would make the displays flicker between both.
    if (View.Grenzwerte == 1)
        for (int bar = 0; bar < LimitBarCount; ++bar)
            ShowLimit(bar, shown[size_t(bar)]);
    notifyChanged();
}

// ---- reset / enable -------------------------------------------------------------

void TPanelState::ClearValues()
{
    View.Gespeichert = View.FreieBytes = QStringLiteral("-");
    for (auto &t : View.LimitText)
        t = NotMeasuredText();
    for (auto &t : View.ValueText)
        t = NotMeasuredText();
    View.RedVisible.fill(false);
    View.MainsLabelVisible = false;
    View.Indicators.fill(false);
    View.StepCaption.clear();
    View.StepHint.clear();
    View.NetzWarnVisible = View.SichtWinVisible = View.SpeicherWinVisible = false;
    notifyChanged();
}

void TPanelState::ResetPanel()
{
    ClearValues();
    View.SettingsEnabled = false;
    View.SichtprEnabled = false;
    Messschritt = 0;
    Ablaufphase = 0;
    LimitChanged.fill(false);
    Live = TWerteSatz{};
    notifyChanged();
}

void TPanelState::EnablePanel()
{
    View.SettingsEnabled = true;
    View.SichtprEnabled = true;
    notifyChanged();
}

void TPanelState::VersionRequested()
{
    View.Bar1Max = 9;
    notifyChanged();
}

// ---- rules ------------------------------------------------------------------------

bool TPanelState::DifferentialMode() const
{
    return IsDifferentialMode(View.DinVde, View.IsolMode);
}

TLimitTable TPanelState::BarTable(int Bar) const
{
    switch (Bar) {
    case lbSchutzleiter:
        return ltSchutzleiterwid;
    case lbIsolation:
        return ltIsolationswid;
    default:
        return DifferentialMode() ? ltDifferenzstrom : ltAbleitstrom;
    }
}

int TPanelState::BarIndex(int Bar) const
{
    const int pos = View.BarPos[size_t(Bar)];
    return Bar == lbSchutzleiter ? EarthIndexForPosition(pos) : pos;
}

int TPanelState::PositionForIndex(int Bar, int Index) const
{
    return Bar == lbSchutzleiter ? EarthPositionForIndex(Index) : Index;
}

void TPanelState::applyThirdLimitMode()
{
    const bool diff = DifferentialMode();
    View.ThirdLimitCaption = diff ? kThirdDiff : kThirdLeakage;
    View.Bar3Max = diff ? LimitTableSize(ltDifferenzstrom) - 1 : LimitTableSize(ltAbleitstrom) - 1;
    View.BarPos[lbDritter] = std::min(View.BarPos[lbDritter], View.Bar3Max);
}

void TPanelState::ShowLimit(int Bar, int Index)
{
    const TLimitTable t = BarTable(Bar);
    QString &text = View.LimitText[size_t(Bar)];
    if (!LimitIndexValid(t, Index) || !View.LimitCaptionEnabled[size_t(Bar)]) {
        text = NotMeasuredText();
        return;
    }
    text = FormatFixed(LimitDisplayValue(t, Index), t == ltSchutzleiterwid ? 0 : 2);
    const int code = LimitCode(t, Index);
    switch (Bar) {
    case lbSchutzleiter:
        Live.GrwSchutzleiterwid = code;
        break;
    case lbIsolation:
        Live.GrwIsolationswid = code;
        break;
    default:
        Live.GrwAbleitstrom = code;
        break;
    }
}

void TPanelState::StandardLimits()
{
    const TStandardLimitCodes c =
        StandardLimitCodes(View.DinVde, View.KlasseIndex + 1, View.IsolMode, Messschritt);
    const int codes[LimitBarCount] = {c.Schutzleiter, c.Isolation, c.Dritter};
    for (int bar = 0; bar < LimitBarCount; ++bar) {
        const int index = LimitIndexOfCode(BarTable(bar), codes[bar]);
        if (index >= 0) View.BarPos[size_t(bar)] = PositionForIndex(bar, index);
        ShowLimit(bar, index);
    }
}

void TPanelState::ApplyEnableLogic()
{
    const int mask = ComputeEnableMask(View.IsolMode, View.DinVde, View.Beruehr == 1, View.KlasseIndex + 1);
    View.EnableMask = mask;
    for (int k = 0; k < ValueDisplayCount; ++k) {
        const bool on = mask & kValueMaskBit[k];
        View.ValueCaptionEnabled[size_t(k)] = on;
        if (!on) View.ValueText[size_t(k)] = NotMeasuredText();
    }
    for (int bar = 0; bar < LimitBarCount; ++bar) {
        const bool on = mask & kLimitMaskBit[bar];
        View.LimitCaptionEnabled[size_t(bar)] = on;
        if (!on) View.LimitText[size_t(bar)] = NotMeasuredText();
    }
}

// ---- the user's changes -----------------------------------------------------------

void TPanelState::beginUserChange()
{
    // Reports that arrive before the tester has taken the change would undo
    // the user's choice on screen.
    restartSettingDelay();
    ++m_userWrites;
}

void TPanelState::endUserChange()
{
    // A write that needed retries may outlast the delay; the hold-off counts
    // from its end, so reports older than the change cannot undo it.
    --m_userWrites;
    restartSettingDelay();
    notifyChanged();
}

TPollingPause TPanelState::pausePolling() const
{
    return PausePolling ? PausePolling() : TPollingPause();
}

void TPanelState::restartSettingDelay()
{
    if (SettingDelay) SettingDelay->restart();
}

// One change by the user for as long as it lives: reports held off and
// polling paused, both ended whichever way the write returns.
class TPanelState::UserChange {
public:
    explicit UserChange(TPanelState &State) : m_state(State)
    {
        m_state.beginUserChange();
        m_pause = m_state.pausePolling();
    }
    ~UserChange()
    {
        m_pause.Release();
        m_state.endUserChange();
    }
    UserChange(const UserChange &) = delete;
    UserChange &operator=(const UserChange &) = delete;

private:
    TPanelState &m_state;
    TPollingPause m_pause;
};

bool TPanelState::write(const TSettingChange &Change)
{
    return WriteSetting ? WriteSetting(Change) : false;
}

void TPanelState::UserDinVde(int Index)
{
    View.DinVde = Index;
    View.IsolItem3 = Index == 2 ? kIsolItem3Diff : kIsolItem3;
    applyThirdLimitMode();
    const UserChange change(*this);
    write(TSettingChange::DinVde(Index));
}

void TPanelState::UserMessablauf(int Index)
{
    View.Messablauf = Index;
    const UserChange change(*this);
    write(TSettingChange::MenueBit(mfAutomatisch, Index == 1));
}

void TPanelState::UserIsolMode(int Index)
{
    View.IsolMode = Index;
    applyThirdLimitMode();
    const UserChange change(*this);
    if (WriteIsolationMode) WriteIsolationMode(Index);
}

void TPanelState::UserBeruehr(int Index)
{
    View.Beruehr = Index;
    const UserChange change(*this);
    write(TSettingChange::MenueBit(mfBeruehrstrom, Index == 1));
}

void TPanelState::UserGrenzwerte(int Index)
{
    View.Grenzwerte = Index;
    const UserChange change(*this);
    write(TSettingChange::MenueBit(mfManuGrenz, Index == 1));
}

void TPanelState::UserKlasse(int Index)
{
    View.KlasseIndex = Index;
    const UserChange change(*this);
    write(TSettingChange::Schutzklasse(Index + 1));
}

void TPanelState::UserSichtpr(int Index)
{
    if (Index < 0 || Index > 2) return;
    View.Sichtpr = Index;
    const UserChange change(*this);
    // "----" is "not asked"; otherwise asked, and the verdict follows.
    if (write(TSettingChange::SichtNichtAbgefragt(Index == 0)))
        write(TSettingChange::SichtBestanden(Index == 2));
}

void TPanelState::UserSteuerbarcode(bool On)
{
    View.Steuerbarcode = On;
    const UserChange change(*this);
    write(TSettingChange::MenueBit(mfSteuerbarcode, On));
}

void TPanelState::UserEinstellsperre(bool On)
{
    View.Einstellsperre = On;
    const UserChange change(*this);
    write(TSettingChange::Einstellsperre(On));
}

void TPanelState::UserMesszeit(double Seconds)
{
    View.Messzeit = Seconds;
    const UserChange change(*this);
    write(TSettingChange::Messzeit(MesszeitTenths(Seconds)));
}

void TPanelState::UserBarMoved(int Bar, int Position)
{
    if (Bar < 0 || Bar >= LimitBarCount) return;
    View.BarPos[size_t(Bar)] = Position;
    // With standard limits the bars are the tester's, not the user's: nothing to write.
    if (View.Grenzwerte != 1) return;
    LimitChanged[size_t(Bar)] = true;
    ShowLimit(Bar, BarIndex(Bar));
    notifyChanged();
}
