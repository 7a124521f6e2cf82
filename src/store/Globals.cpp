#include "store/Globals.h"

#include "core/FormatSettings.h"

int ComputeEnableMask(int isolDiff, int dinVde, bool mitBeruehr, int schutzklasse)
{
    // Rows: insulation mode 0..2; columns: class I..III.
    static const int k0701[3][3] = {{0xFD, 0x60, 0x00}, {0x87, 0x86, 0x02}, {0x7B, 0x62, 0x02}};
    static const int k0751[3][3] = {{0x85, 0x84, 0x00}, {0x87, 0x86, 0x00}, {0x7D, 0x64, 0x00}};
    if (isolDiff < 0 || isolDiff > 2 || schutzklasse < 1 || schutzklasse > 3) return 0;
    int mask = 0;
    if (dinVde == 0 || dinVde == 1)
        mask = k0701[isolDiff][schutzklasse - 1];
    else if (dinVde == 2)
        mask = k0751[isolDiff][schutzklasse - 1];
    else
        return 0;
    if (!mitBeruehr) mask &= 0x1F;
    return mask;
}

QString FormatYesNo(bool b)
{
    return b ? QStringLiteral("ja") : QStringLiteral("nein");
}

QString FormatDinVde(int dinVde)
{
    static const QString texts[] = {QStringLiteral("0701"), QStringLiteral("0702"), QStringLiteral("0751")};
    return dinVde >= 0 && dinVde < 3 ? texts[dinVde] : QString();
}

QString FormatSchutzklasse(int schutzklasse)
{
    static const QString texts[] = {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")};
    return schutzklasse >= 1 && schutzklasse <= 3 ? texts[schutzklasse - 1] : QString();
}

namespace {
const QString kNotMeasured = QStringLiteral(" --- ");
}

QString FormatResistanceMilliohm(int v)
{
    if (v < 0) return kNotMeasured;
    if (v > 1000) return QStringLiteral(">1000");
    return QString::number(v);
}

QString FormatInsulationMegohm(int v)
{
    if (v < 0) return kNotMeasured;
    if (v < 200) return QStringLiteral("<0.20");
    if (v > 10000) return QStringLiteral(">10.0");
    // Hundredths of a megohm, rounded half up from the integer: through a
    // double 205 kOhm (0.205) would become "0,20" but 1115 kOhm "1,12".
    const int h = (v + 5) / 10;
    return QString::number(h / 100) + FormatSettings().DecimalSeparator +
           QStringLiteral("%1").arg(h % 100, 2, 10, QLatin1Char('0'));
}

QString FormatLeakageMilliampere(int v)
{
    if (v < 0) return kNotMeasured;
    if (v > 2000) return QStringLiteral(">20.0");
    return FormatFixed(v / 100.0, 2);
}

QString FormatCurrentMilliampere(int v)
{
    if (v < 0) return kNotMeasured;
    if (v > 1000) return QStringLiteral(">10.0");
    return FormatFixed(v / 100.0, 2);
}

QString FormatPosition(int n, int m)
{
    if (m == 0 || n <= 0) return QStringLiteral("[-/-]");
    return QStringLiteral("[%1/%2]").arg(n).arg(m);
}

void DeriveFields(TWerteSatz &w, bool fromTester)
{
    if (fromTester) {
        const int sk = w.SchutzklasseFlags;
        const int mf = w.Menueflags;
        const int ab = w.MessablaufFlags;
        w.Schutzklasse = sk & 3;
        w.ExternDiffStr = (sk & 0x10) != 0;
        w.DINVDE = (sk & 0x04) ? 2 : ((mf & 0x02) ? 1 : 0);
        w.Automatisch = (mf & 0x01) != 0;
        w.ManuGrenz = (mf & 0x08) != 0;
        w.MitBeruehr = (mf & 0x10) != 0;
        w.Abgebrochen = (ab & 0x01) != 0;
        w.GrenzwFehler = (ab & 0x02) != 0;
        w.Schnellabbruch = (ab & 0x08) != 0;
        w.ManuellAbbruch = (ab & 0x20) != 0;
        w.IsolDiff = (mf & 0x40) ? 2 : ((mf & 0x04) ? 1 : 0);
        w.Sichtpruef = (sk & 0x08) ? -1 : ((ab & 0x40) ? 1 : 0);
        if (ab & 0x08) {
            w.SchutzlStromL1N = -1;
            w.SchutzlStromNL1 = -1;
            w.BeruehrungsstromL1N = -1;
            w.BeruehrungsstromNL1 = -1;
        }
        if (w.Abgebrochen || w.Schnellabbruch || w.GrenzwFehler || w.ManuellAbbruch)
            w.Pruefungsergebnis = false;
    }
    const int g = w.Grenzwertflags;
    w.SchutzleiterwidLimit = (g & 0x01) != 0;
    w.IsolationswidLimit = (g & 0x02) != 0;
    w.AbleitstromLimit = (g & 0x04) != 0;
    w.SchutzlStromL1NLimit = (g & 0x08) != 0;
    w.SchutzlStromNL1Limit = (g & 0x10) != 0;
    w.BeruehrungsstromL1NLimit = (g & 0x20) != 0;
    w.BeruehrungsstromNL1Limit = (g & 0x40) != 0;
    w.Enables = ComputeEnableMask(w.IsolDiff, w.DINVDE, w.MitBeruehr, w.Schutzklasse);
}

void ComputeDeviceOk(TWerteSatz &w)
{
    if (w.NichtBewertet) {
        w.Gesamtbew = -1;
        return;
    }
    const bool simpleOk = w.Sichtpruef != 0 && w.FunktPruefBest != 0 && w.Pruefungsergebnis;
    if (w.DINVDE == 0 || w.DINVDE == 1) {
        w.Gesamtbew = simpleOk ? 1 : 0;
    } else if (w.DINVDE == 2) {
        if (w.Protokolltyp == 1) {
            bool rowsOk = true;
            for (const TSichtPr &r : w.Sichtpr)
                if (r.Bestanden == 0) rowsOk = false;
            w.Gesamtbew = (rowsOk && w.Pruefungsergebnis && w.FunktPruefBest != 0) ? 1 : 0;
        } else {
            w.Gesamtbew = simpleOk ? 1 : 0;
        }
    } else {
        w.Gesamtbew = 0;
    }
}
