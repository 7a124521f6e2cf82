#include "protocols/ProtocolForms.h"

#include "core/FormatSettings.h"
#include "protocols/InspectionRows.h"
#include "protocols/TextFit.h"

#include <limits>
#include <memory>

namespace {

constexpr TReportFont Title24{24, true, false};
constexpr TReportFont Heading19{19, true, false};
constexpr TReportFont Heading21{21, true, false};

QString dateText(const TWerteSatz &w)
{
    return w.Datum.isValid() ? FormatDate(w.Datum.date()) : QString();
}

QString markText(bool on)
{
    return on ? QStringLiteral("X") : QString();
}

// The remarks box: 587 px wide on every form, 117 px high on the 0701/0702
// form and 138 px on the 0751 forms.
constexpr double NoteWidth = 587;
constexpr double Note0701Height = 117;
constexpr double Note0751Height = 138;

// The part of the note that its box cannot hold.
QStringList noteRest(const QString &note, double boxHeight)
{
    return FitOrFlow(note, NoteWidth, boxHeight, Bold, TReportCanvas::MinFontPx).rest;
}

// A note too long for its box says so beside its caption; the rest follows
// at the end of the protocol.
void markNoteContinued(TReportCanvas &c, double captionY, const QString &note, double boxHeight)
{
    if (!noteRest(note, boxHeight).isEmpty())
        c.LabelRightEnd(591, captionY, QStringLiteral("Fortsetzung am Ende des Protokolls"), Small);
}

void addNoteRest(TReport &r, const QString &note, double boxHeight)
{
    AddContinuation(r, QStringLiteral("Bemerkung (Fortsetzung):"), noteRest(note, boxHeight), 14, NoteWidth,
                    Bold);
}

} // namespace

QStringList CustomerLines(const TWerteSatz &w)
{
    QStringList lines(6);
    int n = 0;
    for (const QString &s : {w.Name1, w.Name2, w.Name3, w.Strasse})
        if (!s.isEmpty()) lines[n++] = s;
    ++n; // the blank line before the town
    QString town = w.PLZ + QLatin1Char(' ') + w.Ort;
    if (!w.LKZ.isEmpty()) town = w.LKZ + QLatin1Char('-') + town;
    lines[n] = town;
    return lines;
}

QString NextTestDate(const TWerteSatz &w, int serviceInterv)
{
    if (serviceInterv == 0 || !w.Datum.isValid()) return QString();
    return FormatDate(w.Datum.date().addDays(serviceInterv));
}

int RowsVisualMark(const QList<TSichtPr> &rows)
{
    int mark = -1;
    for (const TSichtPr &r : rows) {
        if (r.Bestanden == 0) return 0;
        if (r.Bestanden == 1) mark = 1;
    }
    return mark;
}

TProtocolValues ProtocolValues0701(const TWerteSatz &w)
{
    TProtocolValues v;
    const int en = w.Enables;
    const QString mOhm = QStringLiteral(" mOhm"), MOhm = QStringLiteral(" MOhm"), mA = QStringLiteral(" mA");
    const QString none = QStringLiteral("---  ");
    auto limit = [](const char *word, const QString &value, const QString &unit) {
        return QStringLiteral("(") + QLatin1String(word) + QLatin1Char(' ') + value + unit + QLatin1Char(')');
    };
    if (en & enSchutzleiterwid) {
        v.Schutzleiter = FormatResistanceMilliohm(w.Schutzleiterwid) + mOhm;
        v.GrwSchutzleiter = limit("max.", FormatResistanceMilliohm(w.GrwSchutzleiterwid), mOhm);
    } else {
        v.Schutzleiter = none + QStringLiteral("mOhm");
    }
    if (en & enIsolationswid) {
        v.Isolation = FormatInsulationMegohm(w.Isolationswid) + MOhm;
        v.GrwIsolation = limit("min.", FormatInsulationMegohm(w.GrwIsolationswid), MOhm);
    } else {
        v.Isolation = none + QStringLiteral("MOhm");
    }
    if (en & enAbleitstrom) {
        v.Ableitstrom = FormatLeakageMilliampere(w.Ableitstrom) + mA;
        v.GrwAbleitstrom = limit("max.", FormatLeakageMilliampere(w.GrwAbleitstrom), mA);
    } else {
        v.Ableitstrom = none + QStringLiteral("mA");
    }
    if (en & (enSchutzlStromL1N | enSchutzlStromNL1)) {
        v.SchutzlL1N = FormatCurrentMilliampere(w.SchutzlStromL1N) + mA;
        v.SchutzlNL1 = FormatCurrentMilliampere(w.SchutzlStromNL1) + mA;
        v.GrwSchutzlStrom = limit("max.", FormatCurrentMilliampere(w.GrwSchutzleiterstrom), mA);
    } else {
        v.SchutzlL1N = v.SchutzlNL1 = none + QStringLiteral("mA");
    }
    if (en & (enBeruehrungsstromL1N | enBeruehrungsstromNL1)) {
        v.BeruehrL1N = FormatCurrentMilliampere(w.BeruehrungsstromL1N) + mA;
        v.BeruehrNL1 = FormatCurrentMilliampere(w.BeruehrungsstromNL1) + mA;
        v.GrwBeruehr = limit("max.", FormatCurrentMilliampere(w.GrwBeruehrungsstrom), mA);
    } else {
        v.BeruehrL1N = v.BeruehrNL1 = none + QStringLiteral("mA");
    }
    return v;
}

TProtocolValues ProtocolValues0751(const TWerteSatz &w)
{
    TProtocolValues v;
    const int en = w.Enables;
    const QString none = QStringLiteral("---");
    v.Schutzleiter = (en & enSchutzleiterwid) ? FormatResistanceMilliohm(w.Schutzleiterwid) : none;
    v.Isolation = (en & enIsolationswid) ? FormatInsulationMegohm(w.Isolationswid) : none;
    v.Ableitstrom = (en & enAbleitstrom) ? FormatLeakageMilliampere(w.Ableitstrom) : none;
    const bool pe = en & (enSchutzlStromL1N | enSchutzlStromNL1);
    v.SchutzlL1N = pe ? FormatCurrentMilliampere(w.SchutzlStromL1N) : none;
    v.SchutzlNL1 = pe ? FormatCurrentMilliampere(w.SchutzlStromNL1) : none;
    const bool touch = en & (enBeruehrungsstromL1N | enBeruehrungsstromNL1);
    v.BeruehrL1N = touch ? FormatCurrentMilliampere(w.BeruehrungsstromL1N) : none;
    v.BeruehrNL1 = touch ? FormatCurrentMilliampere(w.BeruehrungsstromNL1) : none;
    return v;
}

// ---------------------------------------------------------------------------
// DIN VDE 0701/0702

namespace {

// The title and the parties.
void paint0701Parties(TReportCanvas &c, const TWerteSatz &w, const TProtocolSettings &s)
{
    // Title
    c.Centred(16, QStringLiteral("Prüfprotokoll"), Title24);
    c.Centred(48, QStringLiteral("Sicherheitsprüfung nach DIN VDE 0701/0702"));
    c.Rule(76);

    // Parties
    c.Label(14, 88, QStringLiteral("Auftraggeber"), Small);
    c.Label(318, 88, QStringLiteral("Auftragnehmer"), Small);
    const QStringList customer = CustomerLines(w);
    for (int i = 0; i < 6; ++i) {
        const double y = 104 + 17 * i;
        c.LabelIn(14, y, 281, Qt::AlignLeft, customer[i], Bold);
        c.HLine(14, y + 16, 281);
    }
    for (int i = 0; i < 5; ++i)
        c.LabelIn(318, 104 + 17 * i, 281, Qt::AlignLeft, s.TopLine[static_cast<size_t>(i)]);
    c.VLine(306, 78, 137);
    c.Rule(214);
}

// The device with its barcode.
void paint0701Device(TReportCanvas &c, const TWerteSatz &w)
{
    // Device
    c.Centred(225, QStringLiteral("Gerätedaten (Prüfling)"), Heading19);
    c.Label(14, 264, QStringLiteral("Prüfling:"));
    c.Label(14, 281, QStringLiteral("Typ:"));
    c.Label(14, 298, QStringLiteral("Inventarnummer:"));
    c.Label(14, 315, QStringLiteral("Schutzklasse"));
    c.LabelIn(118, 264, 177, Qt::AlignLeft, w.Bezeichnung, BoldLined);
    c.LabelIn(118, 281, 177, Qt::AlignLeft, w.Typ, BoldLined);
    c.LabelIn(118, 298, 177, Qt::AlignLeft, w.Inventarnummer, BoldLined);
    c.LabelIn(118, 315, 33, Qt::AlignHCenter, FormatSchutzklasse(w.Schutzklasse), BoldLined);
    c.Label(310, 264, QStringLiteral("Fabr.-Nr.:"));
    c.Label(310, 281, QStringLiteral("Seriennummer:"));
    c.Label(310, 298, QStringLiteral("Barcode:"));
    c.LabelIn(406, 264, 177, Qt::AlignLeft, w.Fabrikationsnummer, BoldLined);
    c.LabelIn(406, 281, 177, Qt::AlignLeft, w.Seriennummer, BoldLined);
    c.LabelIn(406, 298, 177, Qt::AlignLeft, w.Barcode, BoldLined);
    c.DeviceBarcode(406, 320, 193, 23, w.Barcode);
    c.Rule(348);
}

// What was tested.
void paint0701Test(TReportCanvas &c, const TWerteSatz &w)
{
    // Test
    c.Centred(359, QStringLiteral("Prüfungsergebnisse"), Heading19);
    c.CheckBox(141, 388, w.DINVDE == 0);
    c.Label(160, 387, QStringLiteral("Sicherheitsprüfung nach DIN VDE 0701-1/9.2000"));
    c.CheckBox(141, 414, w.DINVDE == 1);
    c.Label(160, 413, QStringLiteral("Wiederholungsprüfung nach DIN VDE 0702"));
    c.Label(142, 441, QStringLiteral("Messung mit"));
    c.CheckBox(238, 442, w.IsolDiff > 0);
    c.Label(262, 441, QStringLiteral("Isolationswiderstand"));
    c.CheckBox(406, 442, w.IsolDiff > 1);
    c.Label(430, 441, QStringLiteral("Differenzstrom"));
    // -1 (no statement) leaves both boxes empty.
    auto yesNoBoxes = [&c](double capX, const QString &caption, double jaX, double neinX, int value) {
        c.Label(capX, 473, caption);
        c.CheckBox(jaX, 474, value == 1);
        c.Label(jaX + 16, 473, QStringLiteral("ja"));
        c.CheckBox(neinX, 474, value == 0);
        c.Label(neinX + 16, 473, QStringLiteral("nein"));
    };
    yesNoBoxes(14, QStringLiteral("Sichtprüfung bestanden"), 166, 222, w.Sichtpruef);
    yesNoBoxes(302, QStringLiteral("Funktionsprüfung bestanden"), 478, 534, w.FunktPruefBest);
}

// The measured values with their limits, and the verdict.
void paint0701Values(TReportCanvas &c, const TWerteSatz &w)
{
    // Values
    const TProtocolValues v = ProtocolValues0701(w);
    const double cols[5] = {14, 126, 238, 350, 462};
    const QString heads[5] = {QStringLiteral("Schutzleiter"), QStringLiteral("Isolationswiderstand"),
                              QStringLiteral("Ersatz-Ableitstrom"), QStringLiteral("Schutzleiterstrom"),
                              QStringLiteral("Berührungsstrom")};
    const QString values[5] = {v.Schutzleiter, v.Isolation, v.Ableitstrom, v.SchutzlL1N, v.BeruehrL1N};
    const QString limits[5] = {v.GrwSchutzleiter, v.GrwIsolation, v.GrwAbleitstrom, v.GrwSchutzlStrom,
                               v.GrwBeruehr};
    for (int i = 0; i < 5; ++i) {
        c.Label(cols[i], 520, heads[i], Small);
        c.LabelIn(cols[i], 537, 97, Qt::AlignRight, values[i], BoldLined);
        c.LabelIn(cols[i], 554, 97, Qt::AlignRight, limits[i], Small);
    }
    c.LabelIn(14, 591, 268, Qt::AlignRight,
              w.Abgebrochen ? QStringLiteral("Die Prüfung wurde abgebrochen.") : QString(), Bold);
    c.Label(350, 599, QStringLiteral("Netzstecker umgepolt"), Small);
    c.Label(462, 599, QStringLiteral("Netzstecker umgepolt"), Small);
    c.LabelIn(350, 616, 97, Qt::AlignRight, v.SchutzlNL1, BoldLined);
    c.LabelIn(462, 616, 97, Qt::AlignRight, v.BeruehrNL1, BoldLined);

    // Verdict: 1 marks "ja", 0 marks "nein", anything else neither.
    c.Label(14, 616, QStringLiteral("Gerät in Ordnung:"));
    c.LabelIn(126, 616, 97, Qt::AlignRight, QStringLiteral("ja"), {13, false, true});
    c.LabelIn(238, 616, 97, Qt::AlignRight, QStringLiteral("nein"), {13, false, true});
    c.Label(158, 616, markText(w.Gesamtbew == 1), Bold);
    c.Label(270, 616, markText(w.Gesamtbew == 0), Bold);
    c.Rule(644);
}

// Tester, remarks, next test and signature.
void paint0701Closing(TReportCanvas &c, const TWerteSatz &w, const TProtocolSettings &s)
{
    // Tester
    c.Label(14, 658, QStringLiteral("Verwendetes Prüfgerät:"));
    c.Label(158, 658, QStringLiteral("Halvorn KORVATEX 0701/0702"), Bold);
    c.LabelRightEnd(592, 658, QStringLiteral("Ser.-Nr. ") + w.GTSeriennummer);
    c.Rule(684);

    // Remarks
    c.Label(14, 690, QStringLiteral("Bemerkung:"), Small);
    c.Memo(14, 706, NoteWidth, Note0701Height, w.Notiz, Bold);
    markNoteContinued(c, 690, w.Notiz, Note0701Height);
    c.Rule(828);

    // Next test and signature
    const QString next = NextTestDate(w, s.ServiceInterv);
    if (!next.isEmpty()) c.Label(14, 834, QStringLiteral("Nächste Prüfung: ") + next);
    c.LabelRightEnd(273, 898, dateText(w));
    c.HLine(13, 912, 265);
    c.HLine(293, 912, 297);
    c.Label(13, 914, QStringLiteral("Ort"), Small);
    c.Label(293, 914, QStringLiteral("Unterschrift"), Small);
    c.FieldIn(357, 914, 244, 24, Qt::AlignLeft, QStringLiteral("(") + w.Pruefer + QStringLiteral(")"), Small);
}

} // namespace

TReport TPruefprot::Report() const
{
    TReport r;
    r.Title = QStringLiteral("Prüfprotokoll");
    const TWerteSatz w = Record;
    const TProtocolSettings s = Settings;

    r.AddBand(940, true, [w, s](TReportCanvas &c) {
        paint0701Parties(c, w, s);
        paint0701Device(c, w);
        paint0701Test(c, w);
        paint0701Values(c, w);
        paint0701Closing(c, w, s);
    });

    r.PageFooterHeight = 31;
    r.PageFooter = [s](TReportCanvas &c, int, int) {
        const auto &b = s.BottomLine;
        PaintLeftCentreRight(c, 0, 14, b[0], b[2], b[3], Small);
        PaintLeftCentreRight(c, 14, 17, b[1], QString(), b[4], Small);
    };
    // A note longer than its box goes on on the next page.
    addNoteRest(r, w.Notiz, Note0701Height);
    return r;
}

// ---------------------------------------------------------------------------
// DIN VDE 0751

namespace {

// The head of both 0751 forms: page label, title, number box and the rule.
void paint0751Head(TReportCanvas &c, const TWerteSatz &w, const QString &pageLabel, double boxX, double boxY)
{
    c.LabelRightEnd(591, 10, pageLabel);
    c.Centred(16, QStringLiteral("Prüfprotokoll"), Title24);
    c.Centred(49, QStringLiteral("nach DIN VDE 0751 - 1"));
    c.Rect(boxX, boxY, 169, 25);
    c.Label(boxX + 5, boxY + 5, QStringLiteral("Nr.:"), Bold);
    c.LabelIn(boxX + 29, boxY + 5, 138, Qt::AlignLeft, w.ProtokollNr, Bold);
}

// The parties and the device.
void paint0751Parties(TReportCanvas &c, const TWerteSatz &w, const TProtocolSettings &s, double dy)
{
    auto y = [dy](double v) { return v + dy; };

    // Parties
    c.Label(14, y(82), QStringLiteral("Auftraggeber"), Small);
    c.Label(320, y(82), QStringLiteral("Auftragnehmer"), Small);
    const QStringList customer = CustomerLines(w);
    for (int i = 0; i < 6; ++i)
        c.LabelIn(14, y(96 + 17 * i), 281, Qt::AlignLeft, customer[i], Bold);
    for (int i = 0; i < 5; ++i)
        c.LabelIn(320, y(96 + 17 * i), 281, Qt::AlignLeft, s.TopLine[static_cast<size_t>(i)]);
    c.VLine(306, y(76), 123);
    c.Rule(y(198));

    // Device
    c.Centred(y(209), QStringLiteral("Gerätedaten (Prüfling)"), Heading19);
    const double rows[5] = {240, 257, 272, 290, 307};
    const QString caps[5] = {QStringLiteral("Prüfling:"), QStringLiteral("Typ:"),
                             QStringLiteral("Inventar-Nr.:"), QStringLiteral("Serien-Nr.:"),
                             QStringLiteral("Hersteller:")};
    const QString vals[5] = {w.Bezeichnung, w.Typ, w.Inventarnummer, w.Seriennummer, w.Hersteller};
    for (int i = 0; i < 5; ++i) {
        c.Label(14, y(rows[i]), caps[i]);
        // A long value wraps in its own row, which is 15 px high below "Typ:".
        const double high = i < 4 ? rows[i + 1] - rows[i] : 17;
        c.FieldIn(94, y(rows[i]), 195, high, Qt::AlignLeft, vals[i], i == 4 ? Bold : BoldLined);
    }
    c.Label(310, y(240), QStringLiteral("Schutzkl.:"));
    c.Label(310, y(257), QStringLiteral("Fabr.-Nr.:"));
    c.Label(310, y(276), QStringLiteral("Barcode:"));
    c.LabelIn(383, y(240), 33, Qt::AlignHCenter, FormatSchutzklasse(w.Schutzklasse), BoldLined);
    c.LabelIn(383, y(258), 206, Qt::AlignLeft, w.Fabrikationsnummer, BoldLined);
    c.LabelIn(383, y(275), 206, Qt::AlignLeft, w.Barcode, BoldLined);
    c.DeviceBarcode(382, y(305), 211, 23, w.Barcode);
    c.Rule(y(341));
}

// The tester and the verdicts.
void paint0751Results(TReportCanvas &c, const TWerteSatz &w, int visualMark, double dy)
{
    auto y = [dy](double v) { return v + dy; };

    // Tester
    c.Label(14, y(349), QStringLiteral("Verwendetes Prüfgerät:"));
    c.Label(164, y(349), QStringLiteral("Gerätetester 0701 / 0702 pro 0751"), Bold);
    c.Label(426, y(349), QStringLiteral("Ser.-Nr.:"));
    c.LabelIn(486, y(349), 115, Qt::AlignLeft, w.GTSeriennummer, Normal);
    c.Rule(y(374));

    // Results
    c.Centred(y(381), QStringLiteral("Prüfungsergebnisse"), Heading19);
    c.CheckBox(15, y(411), w.SichWied == 0);
    c.Label(34, y(409), QStringLiteral("Sicherheitsprüfung (Erstprüfung)"));
    c.CheckBox(295, y(411), w.SichWied == 1);
    c.Label(314, y(409), QStringLiteral("Wiederholungsprüfung"));
    const double passY[3] = {434, 451, 469};
    const QString passCaps[3] = {QStringLiteral("Sichtprüfung bestanden"),
                                 QStringLiteral("Elektr.-Prüfung bestanden"),
                                 QStringLiteral("Funkt.-Prüfung bestanden")};
    const int marks[3] = {visualMark, w.Pruefungsergebnis ? 1 : 0,
                          w.FunktPruefBest == 1 ? 1 : (w.FunktPruefBest == 0 ? 0 : -1)};
    for (int i = 0; i < 3; ++i) {
        c.Label(14, y(passY[i]), passCaps[i]);
        c.LabelRightEnd(223, y(passY[i]), QStringLiteral("ja"));
        c.LabelRightEnd(311, y(passY[i]), QStringLiteral("nein"));
        c.LabelIn(174, y(passY[i]), 29, Qt::AlignHCenter, markText(marks[i] == 1), BoldLined);
        c.LabelIn(246, y(passY[i]), 29, Qt::AlignHCenter, markText(marks[i] == 0), BoldLined);
    }
    c.Label(14, y(496), QStringLiteral("Gesamtbewertung:"));
    c.CheckBox(161, y(497), w.Gesamtbew == 1);
    c.Label(179, y(496), QStringLiteral("keine Mängel"));
    c.CheckBox(299, y(497), w.Gesamtbew == 0);
    c.Label(320, y(496), QStringLiteral("Mängel"));
}

// The measured values.
void paint0751Values(TReportCanvas &c, const TWerteSatz &w, double dy)
{
    auto y = [dy](double v) { return v + dy; };

    // Values: bare numbers beside fixed units; no limits on this form.
    c.Centred(y(525), QStringLiteral("Durchgeführte Messungen"), Bold);
    const double cols[4] = {14, 158, 302, 446};
    const QString head1[4] = {QStringLiteral("Schutzleiter-"), QStringLiteral("Ersatz-"),
                              QStringLiteral("Geräteableitstrom"), QStringLiteral("Geräteableitstrom")};
    const QString head2[4] = {QStringLiteral("Widerstand"), QStringLiteral("Geräteableitstr."),
                              QStringLiteral("Diff.-Str.-Verfahren"), QStringLiteral("Berührbare Teile")};
    const TProtocolValues v = ProtocolValues0751(w);
    const QString values[4] = {v.Schutzleiter, v.Ableitstrom, v.SchutzlL1N, v.BeruehrL1N};
    const QString units[4] = {QStringLiteral("mOhm"), QStringLiteral("mA"), QStringLiteral("mA"),
                              QStringLiteral("mA")};
    for (int i = 0; i < 4; ++i) {
        c.Label(cols[i], y(546), head1[i], Small);
        c.Label(cols[i], y(560), head2[i], Small);
        c.LabelIn(cols[i], y(577), 67, Qt::AlignRight, values[i], BoldLined);
        c.Label(cols[i] + 72, y(577), units[i], Bold);
    }
    c.Label(302, y(615), QStringLiteral("Netzstecker umgepolt"), Small);
    c.Label(446, y(615), QStringLiteral("Netzstecker umgepolt"), Small);
    c.LabelIn(302, y(632), 67, Qt::AlignRight, v.SchutzlNL1, BoldLined);
    c.LabelIn(446, y(632), 67, Qt::AlignRight, v.BeruehrNL1, BoldLined);
    c.Label(374, y(633), QStringLiteral("mA"), Bold);
    c.Label(518, y(633), QStringLiteral("mA"), Bold);
    c.Label(14, y(624), QStringLiteral("Isolationswiderstand"), Small);
    c.LabelIn(14, y(641), 67, Qt::AlignRight, v.Isolation, BoldLined);
    c.Label(86, y(641), QStringLiteral("MOhm"), Bold);
    c.Rule(y(668));
}

// Remarks, next test and signatures.
void paint0751Closing(TReportCanvas &c, const TWerteSatz &w, const TProtocolSettings &s, double dy)
{
    auto y = [dy](double v) { return v + dy; };

    // Remarks
    c.Label(14, y(674), QStringLiteral("Bemerkung:"), Small);
    c.Memo(14, y(688), NoteWidth, Note0751Height, w.Notiz, Bold);
    markNoteContinued(c, y(674), w.Notiz, Note0751Height);
    c.Rule(y(828));

    // Next test, tester, signature
    c.Label(14, y(834), QStringLiteral("Nächste Prüfung:"));
    c.Label(127, y(834), NextTestDate(w, s.ServiceInterv));
    c.Label(292, y(834), QStringLiteral("Prüfer"));
    c.FieldIn(333, y(834), 268, 17, Qt::AlignLeft, QStringLiteral("(") + w.Pruefer + QStringLiteral(")"));
    c.LabelRightEnd(272, y(929), dateText(w));
    c.HLine(13, y(944), 265);
    c.HLine(293, y(944), 297);
    c.Label(13, y(946), QStringLiteral("Ort"), Small);
    c.Label(205, y(946), QStringLiteral("Datum"), Small);
    c.Label(292, y(946), QStringLiteral("Bewertender"), Small);
    c.FieldIn(365, y(946), 236, 22, Qt::AlignLeft, QStringLiteral("(") + w.Bewertender + QStringLiteral(")"),
              Small);
}

// The body from the parties down to the signature; dy shifts it up into the
// title band of the form with the rows.
void paint0751Body(TReportCanvas &c, const TWerteSatz &w, const TProtocolSettings &s, int visualMark,
                   double dy)
{
    paint0751Parties(c, w, s, dy);
    paint0751Results(c, w, visualMark, dy);
    paint0751Values(c, w, dy);
    paint0751Closing(c, w, s, dy);
}

int recordVisualMark(int sichtpruef)
{
    return sichtpruef == 1 ? 1 : (sichtpruef == 0 ? 0 : -1);
}

} // namespace

TReport TPruefprot0751a::Report() const
{
    TReport r;
    r.Title = QStringLiteral("Prüfprotokoll DIN VDE 0751");
    const TWerteSatz w = Record;
    const TProtocolSettings s = Settings;
    r.AddBand(970, true, {});
    // A note longer than its box goes on on further pages, each with its label.
    addNoteRest(r, w.Notiz, Note0751Height);
    r.PageHeaderHeight = [](int page) { return page == 1 ? 0.0 : 30.0; };
    r.PageHeader = [](TReportCanvas &c, int page, int pageCount) {
        if (page > 1) c.LabelRightEnd(591, 10, QStringLiteral("Seite %1 von %2").arg(page).arg(pageCount));
    };
    r.Bands.front().paint = [w, s, pages = r.PageCount()](TReportCanvas &c) {
        paint0751Head(c, w, QStringLiteral("Seite 1 von %1").arg(pages), 435, 51);
        c.Rule(76);
        paint0751Body(c, w, s, recordVisualMark(w.Sichtpruef), 0);
    };
    return r;
}

TReport TPruefprot0751b::Report() const
{
    TReport r;
    r.Title = QStringLiteral("Prüfprotokoll DIN VDE 0751");
    const TWerteSatz w = Record;
    const TProtocolSettings s = Settings;

    // Pages 2 .. *tablePages hold the rows under the table's heading; pages
    // after them only the rest of a long note.
    const auto tablePages = std::make_shared<int>(std::numeric_limits<int>::max());
    r.PageHeaderHeight = [tablePages](int page) { return page == 1 || page > *tablePages ? 76.0 : 176.0; };
    r.PageHeaderFramed = true;
    r.PageHeader = [w, tablePages](TReportCanvas &c, int page, int pageCount) {
        // The real page count: rows may need any number of pages.
        paint0751Head(c, w, QStringLiteral("Seite %1 von %2").arg(page).arg(pageCount), 433, 48);
        if (page == 1 || page > *tablePages) return;
        c.Rule(76);
        c.Label(96, 96, QStringLiteral("Prüfergebnisse - Sichtprüfung von Betten"), Heading21);
        c.LabelIn(0, 152, 49, Qt::AlignHCenter, QStringLiteral("Nr.:"));
        c.LabelIn(56, 152, 177, Qt::AlignHCenter, QStringLiteral("Prüfteil"));
        c.LabelIn(248, 152, 281, Qt::AlignHCenter, QStringLiteral("Prüfung"));
        c.LabelIn(537, 144, 65, Qt::AlignHCenter, QStringLiteral("bestanden"));
        c.Label(544, 160, QStringLiteral("ja"));
        c.Label(576, 160, QStringLiteral("nein"));
        c.VLine(565, 160, 16);
    };

    r.AddBand(895, true,
              [w, s](TReportCanvas &c) { paint0751Body(c, w, s, RowsVisualMark(w.Sichtpr), -76); });

    // Without rows there is no table to close, and no page for it.
    for (const TSichtPr &row : w.Sichtpr)
        AddInspectionRow(r, row);
    if (!w.Sichtpr.isEmpty()) AddTableClosing(r);
    const int lastTableBand = static_cast<int>(r.Bands.size()) - 1;
    addNoteRest(r, w.Notiz, Note0751Height);
    // The pages up to the table's end do not depend on the later ones' heads.
    const auto pages = r.Layout();
    for (int p = 0; p < static_cast<int>(pages.size()); ++p)
        for (const TReport::Placed &placed : pages[static_cast<size_t>(p)])
            if (placed.band == lastTableBand) *tablePages = p + 1;
    return r;
}

TProtocolForm ProtocolFormFor(const TWerteSatz &record)
{
    if (record.DINVDE != 2) return TProtocolForm::Pruefprot;
    return record.Protokolltyp != 0 ? TProtocolForm::Pruefprot0751b : TProtocolForm::Pruefprot0751a;
}

TReport ProtocolReport(const TWerteSatz &record, const TProtocolSettings &settings)
{
    TWerteSatz w = record;
    ComputeDeviceOk(w);
    switch (ProtocolFormFor(w)) {
    case TProtocolForm::Pruefprot0751a:
        return TPruefprot0751a{w, settings}.Report();
    case TProtocolForm::Pruefprot0751b:
        return TPruefprot0751b{w, settings}.Report();
    case TProtocolForm::Pruefprot:
        break;
    }
    return TPruefprot{w, settings}.Report();
}
