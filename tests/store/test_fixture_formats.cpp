// What the hand-written stored records show once transferred: the value
// texts and the CSV line, from the staging values worked out in the
// fixtures (a transferred test carries the staging columns unchanged).

#include "fixtures/CsvTexts.h"
#include "fixtures/StoredRecords.h"

#include "store/CsvExport.h"
#include "store/Globals.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// The test as the browser and the export load it after the transfer. The
// record holds no date, tester serial number or names: the date is the fetch
// moment, the serial number the one read at connect, the names come from the
// configuration and the device the row was assigned to.
TWerteSatz Transferred(const TRecordFixture &r, int funktPruefBest = 0)
{
    const TUebernahmeWerte &u = r.staged;
    TWerteSatz w;
    w.Name1 = QStringLiteral("Praxis Dr. Berg");
    w.Bezeichnung = QStringLiteral("Bohrmaschine");
    w.Barcode = u.UNstrBarcode;
    w.Datum = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
    w.GTSeriennummer = QStringLiteral("1234567890");
    w.Grenzwertflags = u.UNintGrenzwertflags;
    w.Menueflags = u.UNintMenueflags;
    w.SchutzklasseFlags = u.UNintSchutzklasseFlags;
    w.MessablaufFlags = u.UNintMessablaufFlags;
    w.Schutzleiterwid = u.UNintSchutzleiterwid;
    w.Isolationswid = u.UNintIsolationswid;
    w.Ableitstrom = u.UNintAbleitstrom;
    w.SchutzlStromL1N = u.UNintSchutzlStromL1N;
    w.SchutzlStromNL1 = u.UNintSchutzlStromNL1;
    w.BeruehrungsstromL1N = u.UNintBeruehrungsstromL1N;
    w.BeruehrungsstromNL1 = u.UNintBeruehrungsstromNL1;
    w.GrwSchutzleiterwid = u.UNintGrwSchutzleiterwid;
    w.GrwIsolationswid = u.UNintGrwIsolationswid;
    w.GrwAbleitstrom = u.UNintGrwAbleitstrom;
    w.GrwSchutzleiterstrom = u.UNintGrwSchutzleiterstrom;
    w.GrwBeruehrungsstrom = u.UNintGrwBeruehrungsstrom;
    w.GrwSchnellabschaltung = u.UNintGrwSchnellabschaltung;
    w.Schutzklasse = u.UNintSchutzklasse;
    w.Automatisch = u.UNblnAutomatisch;
    w.DINVDE = u.UNintDINVDE;
    w.ExternDiffStr = u.UNblnExternDiffStr;
    w.ManuGrenz = u.UNblnManuGrenz;
    w.IsolDiff = u.UNintIsolDiff;
    w.MitBeruehr = u.UNblnMitBeruehr;
    w.Abgebrochen = u.UNblnAbgebrochen;
    w.Schnellabbruch = u.UNblnSchnellabbruch;
    w.ManuellAbbruch = u.UNblnManuellAbbruch;
    w.GrenzwFehler = u.UNblnGrenzwFehler;
    w.Sichtpruef = u.UNintSichtpruef;
    w.Pruefungsergebnis = u.UNblnPruefungsergebnis;
    w.Pruefer = QStringLiteral("Meier");
    w.Bewertender = QStringLiteral("Schulz");
    w.SichWied = -1;
    w.FunktPruefBest = funktPruefBest;
    DeriveFields(w, false);
    ComputeDeviceOk(w);
    return w;
}

// The texts of one record that follow from its flags, worked out by hand.
struct TShown {
    const TRecordFixture *record;
    const char *sicht, *ergebnis, *din, *mitIsol, *manuGrenz, *mitBeruehr, *abgebrochen, *schnell;
    const char *limits[7]; // limit-exceeded booleans, Grenzwertflags bits 0..6
    int enables;           // enable mask of the set-up
    int deviceOkWithFunctionTest;
};

// Enables: record 1 mode 1, 0702, class I = 87, no touch current: 87 AND 1F = 07;
// record 2 mode 2, 0751, class II = 64 with touch current; record 3 mode 0,
// 0701, class I = FD with touch current (253).
// Device OK with the function test stated: 1 when the inspection is not
// "failed" and the result is good; record 3 failed.
const TShown kShown[] = {
    {&Record0702,
     "ja",
     "ja",
     "0702",
     "1",
     "nein",
     "nein",
     "nein",
     "nein",
     {"nein", "nein", "nein", "nein", "nein", "nein", "nein"},
     0x07,
     1},
    {&Record0751,
     "---",
     "ja",
     "0751",
     "2",
     "ja",
     "ja",
     "nein",
     "nein",
     {"nein", "nein", "nein", "nein", "nein", "nein", "nein"},
     0x64,
     1},
    {&Record0701Failed,
     "ja",
     "nein",
     "0701",
     "0",
     "nein",
     "ja",
     "ja",
     "ja",
     {"ja", "nein", "ja", "nein", "nein", "nein", "nein"},
     0xFD,
     0},
};

} // namespace

TEST(RecordFixtureTexts, ValuesLimitsAndFlagsShowAsWorkedOut)
{
    for (const TShown &s : kShown) {
        const TRecordFixture &r = *s.record;
        SCOPED_TRACE(r.name);
        const TWerteSatz w = Transferred(r);
        const QString shown[13] = {
            FormatResistanceMilliohm(w.Schutzleiterwid),      FormatInsulationMegohm(w.Isolationswid),
            FormatLeakageMilliampere(w.Ableitstrom),          FormatCurrentMilliampere(w.SchutzlStromL1N),
            FormatCurrentMilliampere(w.SchutzlStromNL1),      FormatCurrentMilliampere(w.BeruehrungsstromL1N),
            FormatCurrentMilliampere(w.BeruehrungsstromNL1),  FormatResistanceMilliohm(w.GrwSchutzleiterwid),
            FormatInsulationMegohm(w.GrwIsolationswid),       FormatLeakageMilliampere(w.GrwAbleitstrom),
            FormatCurrentMilliampere(w.GrwSchutzleiterstrom), FormatCurrentMilliampere(w.GrwBeruehrungsstrom),
            FormatCurrentMilliampere(w.GrwSchnellabschaltung)};
        for (int i = 0; i < 13; ++i) {
            EXPECT_EQ(shown[i], QString::fromUtf8(r.texts[size_t(i)])) << "value " << i;
            // The export writes the same text for the column.
            EXPECT_EQ(ExportColumnText(w, TExportColumn(ecSchutzleiterwid + i)),
                      QString::fromUtf8(r.texts[size_t(i)]))
                << "column " << i;
        }
        EXPECT_EQ(ExportColumnText(w, ecSichtpruefung), QString::fromUtf8(s.sicht));
        EXPECT_EQ(ExportColumnText(w, ecPruefungsergebnis), QString::fromUtf8(s.ergebnis));
        EXPECT_EQ(ExportColumnText(w, ecDINVDE), QString::fromUtf8(s.din));
        EXPECT_EQ(ExportColumnText(w, ecMitIsol), QString::fromUtf8(s.mitIsol));
        EXPECT_EQ(ExportColumnText(w, ecManuGrenz), QString::fromUtf8(s.manuGrenz));
        EXPECT_EQ(ExportColumnText(w, ecMitBeruehr), QString::fromUtf8(s.mitBeruehr));
        EXPECT_EQ(ExportColumnText(w, ecAbgebrochen), QString::fromUtf8(s.abgebrochen));
        EXPECT_EQ(ExportColumnText(w, ecSchnellabschaltung), QString::fromUtf8(s.schnell));
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(ExportColumnText(w, TExportColumn(ecSchutzleiterwidLimit + k)),
                      QString::fromUtf8(s.limits[k]))
                << "limit flag " << k;
        EXPECT_EQ(w.Enables, s.enables);
        EXPECT_EQ(ExportColumnText(w, ecEnables), QString::number(s.enables));
        EXPECT_EQ(ExportColumnText(w, ecSchutzklasse), QString::number(r.staged.UNintSchutzklasse));
        EXPECT_EQ(ExportColumnText(w, ecBarcode), r.staged.UNstrBarcode);
        EXPECT_EQ(ExportColumnText(w, ecDatum), QStringLiteral("14.03.2026"));
        EXPECT_EQ(ExportColumnText(w, ecGTSeriennummer), QStringLiteral("1234567890"));
        // A transferred test has no function test stated: not OK until it is.
        EXPECT_EQ(w.Gesamtbew, 0);
        EXPECT_EQ(Transferred(r, 1).Gesamtbew, s.deviceOkWithFunctionTest);
    }
}

// Header and lines with the default column switches, written out in full.
TEST(RecordFixtureTexts, CsvLinesWithTheDefaultColumns)
{
    const TExportSwitches sw;
    EXPECT_EQ(BuildCsvHeader(Transferred(Record0702), sw), QString::fromUtf8(CsvDefaultHeader));
    EXPECT_EQ(BuildCsvLine(Transferred(Record0702), sw),
              QString::fromUtf8(CsvLine0702)
                  .arg(QStringLiteral("14.03.2026"), QStringLiteral("Meier"), QStringLiteral("Schulz")));
    EXPECT_EQ(BuildCsvLine(Transferred(Record0701Failed), sw),
              QStringLiteral(
                  "\"Praxis Dr. Berg\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"Bohrmaschine\";\"\";\"\";"
                  "\"\";\"\";\"\";\"14.03.2026\";\"1234567890\";\"1\";\"ja\";\">1000\";\"10,00\";"
                  "\"20,00\";\" --- \";\" --- \";\" --- \";\" --- \";\"300\";\"1,00\";\"3,50\";\"3,50\";"
                  "\"0,50\";\"10,00\";\"nein\";\"\";\"Meier\";\"Schulz\";\"ja\";\"nein\";\"ja\";\"nein\";"
                  "\"nein\";\"nein\";\"nein\";\"ja\";\"0701\";\"0\";\"nein\";\"ja\";\"ja\""));
}
