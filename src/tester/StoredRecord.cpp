#include "tester/StoredRecord.h"

#include "tester/Decoders.h"
#include "tester/Limits.h"

#include <cstring>

void TSpeicherSatz::setPiece(int piece, const quint8 *Data)
{
    if (piece < 0 || piece > 4) return;
    std::memcpy(Bytes.data() + 8 * piece, Data, 8);
}

QString DecodeBarcode(const TSpeicherSatz &Satz)
{
    const quint8 *a = Satz.Piece(0);
    const quint8 *e = Satz.Piece(4);
    const int digits = qMin(int(a[0]), MaxBarcodeDigits);
    QString code;
    code.reserve(digits);
    for (int k = 1; k <= digits; ++k) {
        const quint8 byte = e[(k - 1) / 2];
        const quint8 nibble = (k % 2) ? (byte & 0x0F) : (byte >> 4);
        code += QChar(char16_t(nibble + 0x30));
    }
    return code;
}

TUebernahmeWerte DecodeSpeicherSatz(const TSpeicherSatz &Satz)
{
    const quint8 *a = Satz.Piece(0);
    const quint8 *b = Satz.Piece(1);
    const quint8 *c = Satz.Piece(2);
    const quint8 *d = Satz.Piece(3);
    const quint8 a3 = a[3];
    const quint8 a4 = a[4];
    const int klasse = a3 & skKlasseMask;

    // No touch current with class III or with the insulation test.
    quint8 m = a[2];
    if (klasse == 3) m &= quint8(~mfBeruehrstrom);
    if (m & mfIsolation) m &= quint8(~mfBeruehrstrom);

    TUebernahmeWerte w;
    w.UNstrBarcode = DecodeBarcode(Satz);
    w.UNintGrenzwertflags = a[1];
    w.UNintMenueflags = m;
    w.UNintSchutzklasseFlags = klasse;
    w.UNintMessablaufFlags = a4;
    w.UNintSchutzleiterwid = MsgWord(a, 6);
    w.UNintIsolationswid = MsgWord(b, 0);
    w.UNintAbleitstrom = MsgWord(b, 2);
    w.UNintSchutzlStromL1N = MsgWord(b, 4);
    w.UNintSchutzlStromNL1 = MsgWord(b, 6);
    w.UNintBeruehrungsstromL1N = MsgWord(c, 0);
    w.UNintBeruehrungsstromNL1 = MsgWord(c, 2);
    w.UNintGrwSchutzleiterwid = MsgWord(c, 4);
    w.UNintGrwIsolationswid = MsgWord(c, 6);
    w.UNintGrwAbleitstrom = MsgWord(d, 0);
    w.UNintGrwSchutzleiterstrom = MsgWord(d, 2);
    w.UNintGrwBeruehrungsstrom = MsgWord(d, 4);
    w.UNintGrwSchnellabschaltung = MsgWord(d, 6);

    // A quick abort leaves the currents unmeasured whatever the tester stored.
    if (a4 & maSchnellabbruch) {
        w.UNintSchutzlStromL1N = -1;
        w.UNintSchutzlStromNL1 = -1;
        w.UNintBeruehrungsstromL1N = -1;
        w.UNintBeruehrungsstromNL1 = -1;
    }

    w.UNintSichtpruef = (a3 & skSichtNichtAbgefragt) ? -1 : ((a4 & maSichtBestanden) ? 1 : 0);
    w.UNblnPruefungsergebnis = (w.UNintSichtpruef != 0 && (a4 & maFehlerMaske) == 0) ? 1 : 0;
    w.UNintSchutzklasse = klasse;
    w.UNblnAutomatisch = (m & mfAutomatisch) ? 1 : 0;
    w.UNintDINVDE = (a3 & skDin0751) ? 2 : ((m & mfDin0702) ? 1 : 0);
    w.UNblnExternDiffStr = (a3 & skExternDiffStr) ? 1 : 0;
    w.UNblnManuGrenz = (m & mfManuGrenz) ? 1 : 0;
    w.UNintIsolDiff = (m & mfIsolDiff) ? 2 : ((m & mfIsolation) ? 1 : 0);
    w.UNblnMitBeruehr = (m & mfBeruehrstrom) ? 1 : 0;
    w.UNblnAbgebrochen = (a4 & maAbgebrochen) ? 1 : 0;
    w.UNblnSchnellabbruch = (a4 & maSchnellabbruch) ? 1 : 0;
    w.UNblnManuellAbbruch = (a4 & maManuellAbbruch) ? 1 : 0;
    w.UNblnGrenzwFehler = (a4 & maGrenzwFehler) ? 1 : 0;
    return w;
}
