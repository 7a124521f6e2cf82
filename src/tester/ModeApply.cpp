#include "tester/ModeApply.h"

#include "store/Globals.h"
#include "tester/Commands.h"
#include "tester/Limits.h"

#include <QVariant>

TModeWriter TModeWriter::ForCommands(TTesterCommands *c)
{
    TModeWriter w;
    w.Schutzklasse = [c](int k) { return c->SetSchutzklasse(k); };
    w.MenueBit = [c](quint8 bit, bool on) { return c->SetMenueBit(bit, on); };
    w.DinVde = [c](int i) { return c->SetDinVde(i); };
    w.Limit = [c](int t, int i) { return c->LimitWrite(TLimitTable(t), i); };
    w.PausePolling = [c] { return c->PausePolling(); };
    return w;
}

namespace {
TPollingPause pause(const TModeWriter &w)
{
    return w.PausePolling ? w.PausePolling() : TPollingPause();
}
} // namespace

bool ApplyModeSettings(const TModeWriter &w, const TModeSettings &m)
{
    const TPollingPause p = pause(w);
    // The standard first: written after the class, 0751's rule would already
    // have turned a class III into class II.
    return w.DinVde(m.DinVde) && w.Schutzklasse(m.Schutzklasse) && w.MenueBit(mfIsolDiff, m.Differenz != 0) &&
           w.MenueBit(mfIsolation, m.Isolation != 0) && w.MenueBit(mfBeruehrstrom, m.Beruehrstrom != 0) &&
           w.MenueBit(mfAutomatisch, m.Automatik != 0);
}

bool ApplyStoredSetup(const TModeWriter &w, const TStoredSetup &s)
{
    const TPollingPause p = pause(w);
    const quint8 g = quint8(s.Menueflags & 0xFF);
    const int din = s.DinVde >= 0 && s.DinVde <= 2 ? s.DinVde : ((g & mfDin0702) ? 1 : 0);
    const bool ok = w.DinVde(din) && w.Schutzklasse(s.Schutzklasse) &&
                    w.MenueBit(mfIsolDiff, g & mfIsolDiff) && w.MenueBit(mfIsolation, g & mfIsolation) &&
                    w.MenueBit(mfBeruehrstrom, g & mfBeruehrstrom) &&
                    w.MenueBit(mfAutomatisch, g & mfAutomatisch) && w.MenueBit(mfManuGrenz, g & mfManuGrenz);
    if (!ok || !(g & mfManuGrenz)) return ok;
    // A stored limit that is not in its table is skipped; the others still go.
    struct TStoredLimit {
        TLimitTable table;
        int code;
    };
    const TStoredLimit limits[] = {{ltSchutzleiterwid, s.GrwSchutzleiterwid},
                                   {ltIsolationswid, s.GrwIsolationswid},
                                   din == 2 ? TStoredLimit{ltDifferenzstrom, s.GrwDifferenzstrom}
                                            : TStoredLimit{ltAbleitstrom, s.GrwAbleitstrom}};
    for (const auto &l : limits) {
        const int index = LimitIndexOfCode(l.table, l.code);
        if (index >= 0) w.Limit(l.table, index);
    }
    return ok;
}

TWerteSatz CurrentValuesRecord(const TWerteSatz &Live, const QString &TesterSerial, const QString &Operator,
                               const QString &Assessor, const QDateTime &Now)
{
    TWerteSatz w = Live;
    w.KundenNr = 0;
    w.Name1.clear();
    w.Name2.clear();
    w.Name3.clear();
    w.Strasse.clear();
    w.LKZ.clear();
    w.PLZ.clear();
    w.Ort.clear();
    w.Telefon.clear();
    w.Fax.clear();
    w.PrueflingNr = 0;
    w.Bezeichnung.clear();
    w.Typ.clear();
    w.Inventarnummer.clear();
    w.Hersteller.clear();
    w.Fabrikationsnummer.clear();
    w.Seriennummer.clear();
    w.Barcode.clear();
    w.PruefungsNr = 0;
    w.Notiz.clear();
    w.Protokolltyp = 0;
    w.ProtokollNr.clear();
    // Not established by anyone: printed unmarked rather than as "nein".
    w.SichWied = -1;
    w.FunktPruefBest = -1;
    w.Gesamtbew = -1;
    w.NichtBewertet = true;
    w.Datum = Now;
    w.GTSeriennummer = TesterSerial;
    w.Pruefungsergebnis = (w.MessablaufFlags & maFehlerMaske) == 0;
    w.Pruefer = Operator;
    w.Bewertender = Assessor;
    DeriveFields(w, true);
    return w;
}

bool ApplyTestSetup(const TModeWriter &w, const TWerteSatz &t)
{
    const TPollingPause p = pause(w);
    // The standard first, as for the mode table: written after the class,
    // 0751's rule would already have turned a class III into class II.
    if (!(w.DinVde(t.DINVDE) && w.Schutzklasse(t.Schutzklasse) && w.MenueBit(mfIsolation, t.IsolDiff > 0) &&
          w.MenueBit(mfIsolDiff, t.IsolDiff > 1) && w.MenueBit(mfBeruehrstrom, t.MitBeruehr) &&
          w.MenueBit(mfAutomatisch, t.Automatisch) && w.MenueBit(mfManuGrenz, t.ManuGrenz)))
        return false;
    if (!t.ManuGrenz) return true;
    const TLimitTable third = t.DINVDE == 2 ? ltDifferenzstrom : ltAbleitstrom;
    const struct {
        TLimitTable table;
        int code;
    } limits[] = {{ltSchutzleiterwid, t.GrwSchutzleiterwid},
                  {ltIsolationswid, t.GrwIsolationswid},
                  {third, t.GrwAbleitstrom}};
    for (const auto &l : limits) {
        const int index = LimitIndexOfCode(l.table, l.code);
        if (index >= 0 && !w.Limit(l.table, index)) return false;
    }
    return true;
}
