#include "core/FormatSettings.h"
#include "core/IniFile.h"
#include "store/CsvExport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, LatinOneAndTheHighTable)
{
    EXPECT_EQ(EncodeWindows1252(u"Prüfgerät ÄÖÜß"), QByteArray("Pr\xFC"
                                                               "fger\xE4t \xC4\xD6\xDC\xDF"));
    EXPECT_EQ(
        EncodeWindows1252(u"€ „x“ ‚y‘ – — … ™ Œœ Šš Žž Ÿ ƒ"),
        QByteArray("\x80 \x84x\x93 \x82y\x91 \x96 \x97 \x85 \x99 \x8C\x9C \x8A\x9A \x8E\x9E \x9F \x83"));
    EXPECT_EQ(EncodeWindows1252(u"\u00A0\u00FF"), QByteArray("\xA0\xFF"));
}

TEST(Windows1252, UnmappableBecomesOneQuestionMarkEach)
{
    EXPECT_EQ(EncodeWindows1252(u"Ω"), QByteArray("?"));
    EXPECT_EQ(EncodeWindows1252(u"a\u4E2Db"), QByteArray("a?b"));
    // A character outside the basic plane is one character: one "?".
    EXPECT_EQ(EncodeWindows1252(QString::fromUtf8("x\xF0\x9F\x94\x8Ay")), QByteArray("x?y"));
    // C1 controls are not Windows-1252 characters even where the byte is unassigned.
    EXPECT_EQ(EncodeWindows1252(u"\u0081\u0090"), QByteArray("??"));
    EXPECT_EQ(DecodeWindows1252(EncodeWindows1252(u"Größe € “ok”")), QStringLiteral("Größe € “ok”"));
}

TEST(CsvLine, QuotingAndSeparators)
{
    EXPECT_EQ(JoinCsvValues({QStringLiteral("a"), QString(), QStringLiteral("b;c")}), "\"a\";\"\";\"b;c\"");
    EXPECT_EQ(JoinCsvValues({QStringLiteral("18\" Monitor"), QStringLiteral("x\r\ny")}),
              "\"18' Monitor\";\"x\r\ny\"");
    EXPECT_EQ(JoinCsvValues({}), "");
}

TEST(CsvLine, DefaultHeaderHasTheSwitchedOnColumnsInOrder)
{
    const TExportSwitches sw;
    const QString h = BuildCsvHeader(TWerteSatz{}, sw);
    EXPECT_TRUE(h.startsWith(QStringLiteral("\"Name1\";\"Name2\";\"Name3\";\"KdStr\";")));
    EXPECT_TRUE(
        h.contains(QStringLiteral("\"Schutzklasse\";\"SichtpruefungBestanden\";\"Schutzleiterwid\"")));
    EXPECT_TRUE(h.endsWith(QStringLiteral("\"manuGrenz\";\"mitBeruehr\";\"abgebrochen\"")));
    EXPECT_FALSE(h.contains(QStringLiteral("KundenNr")));
    EXPECT_FALSE(h.contains(QStringLiteral("Enables")));
    EXPECT_FALSE(h.contains(QStringLiteral("automatisch")));
    // 56 switches, of which 7 are off by default; Enables off too.
    EXPECT_EQ(h.count(QLatin1Char(';')) + 1, 49);

    TExportSwitches all;
    all.Column.fill(true);
    const QString ha = BuildCsvHeader(TWerteSatz{}, all);
    EXPECT_EQ(ha.count(QLatin1Char(';')) + 1, 57);
    EXPECT_TRUE(ha.startsWith(QStringLiteral("\"KundenNr\";\"PrueflingNr\";\"PruefungsNr\";\"Name1\"")));
    EXPECT_TRUE(ha.endsWith(QStringLiteral("\"abgebrochen\";\"Enables\"")));
}

TWerteSatz sample()
{
    TWerteSatz w;
    w.KundenNr = 12;
    w.PrueflingNr = 34;
    w.PruefungsNr = 56;
    w.Name1 = QStringLiteral("Klinik \"Am See\"");
    w.Notiz = QStringLiteral("Zeile 1\r\nZeile 2; mit Semikolon");
    w.Datum = QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12));
    w.Schutzklasse = 1;
    w.DINVDE = 2;
    w.IsolDiff = 2;
    w.MitBeruehr = true;
    w.Sichtpruef = -1;
    w.Schutzleiterwid = 1001;
    w.Isolationswid = 199;
    w.Ableitstrom = -1;
    w.SchutzlStromL1N = 1000;
    w.Grenzwertflags = 0x01;
    w.MessablaufFlags = 0x08;
    w.Schnellabbruch = true;
    DeriveFields(w, false);
    return w;
}

TEST(CsvLine, ValuesOfARecord)
{
    InitFormatSettings();
    TExportSwitches sw;
    sw.Column.fill(false);
    for (TExportColumn c : {ecKundenNr, ecName1, ecDatum, ecSichtpruefung, ecMessablauf, ecSchutzleiterwid,
                            ecIsolationswid, ecAbleitstrom, ecSchutzlStromL1N, ecNotiz,
                            ecSchutzleiterwidLimit, ecSchnellabschaltung, ecDINVDE, ecMitIsol, ecEnables})
        sw.set(c, true);
    const QString line = BuildCsvLine(sample(), sw);
    EXPECT_EQ(line, "\"12\";\"Klinik 'Am See'\";\"04.03.2026\";\"---\";\"8\";\">1000\";\"<0.20\";\" --- \";"
                    "\"10,00\";\"Zeile 1\r\nZeile 2; mit Semikolon\";\"ja\";\"ja\";\"0751\";\"2\";\"125\"");

    TWerteSatz other = sample();
    other.DINVDE = 7;
    other.Sichtpruef = 0;
    sw.Column.fill(false);
    sw.set(ecDINVDE, true);
    sw.set(ecSichtpruefung, true);
    EXPECT_EQ(BuildCsvLine(other, sw), "\"nein\";\"\"");
}

TEST(CsvLine, InspectionRowColumnsOnlyWhenSwitchedOnAndPresent)
{
    TExportSwitches sw;
    sw.Column.fill(false);
    sw.set(ecPruefungsNr, true);
    TWerteSatz w = sample();
    w.Sichtpr = {{1, 1, {}, {}}, {2, 0, {}, {}}, {3, -1, {}, {}}};
    EXPECT_EQ(BuildCsvHeader(w, sw), "\"PruefungsNr\"");
    sw.SichtprZeilen = true;
    EXPECT_EQ(BuildCsvHeader(w, sw), "\"PruefungsNr\";\"SichtprZl01\";\"SichtprZl02\";\"SichtprZl03\"");
    EXPECT_EQ(BuildCsvLine(w, sw), "\"56\";\"ja\";\"nein\";\"---\"");
    EXPECT_EQ(BuildCsvHeader(TWerteSatz{}, sw), "\"PruefungsNr\"");
}

TEST(ExportSwitches, FileOrderDefaultsAndRoundTrip)
{
    ASSERT_EQ(kExportColumns.size(), 57u);
    EXPECT_STREQ(kExportColumns[ecSichtpruefung].key, "Sichtpruefung");
    EXPECT_STREQ(kExportColumns[ecSichtpruefung].header, "SichtpruefungBestanden");
    EXPECT_STREQ(kExportColumns[ecBewertender].key, "Bewertender");
    EXPECT_STREQ(kExportColumns[ecEnables].key, "Enables");
    int off = 0;
    for (const auto &c : kExportColumns)
        off += c.def ? 0 : 1;
    EXPECT_EQ(off, 8); // 7 column switches and Enables

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gt.ini"));
    {
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("Export"), QStringLiteral("Name1"), QStringLiteral("kaputt"));
        ini.WriteBool(QStringLiteral("Export"), QStringLiteral("KundenNr"), true);
        TExportSwitches sw;
        sw.Read(ini);
        EXPECT_TRUE(sw.on(ecName1)); // unreadable -> default
        EXPECT_TRUE(sw.on(ecKundenNr));
        EXPECT_FALSE(sw.SichtprZeilen);
        sw.set(ecBewertender, false);
        sw.SichtprZeilen = true;
        sw.Write(ini);
    }
    TIniFile ini(path);
    const QStringList keys = ini.ReadSection(QStringLiteral("Export"));
    ASSERT_EQ(keys.size(), 58);
    EXPECT_EQ(keys.first(), "Name1"); // existing key keeps its place
    EXPECT_EQ(keys.last(), "SichtprZeilen");
    TExportSwitches back;
    back.Read(ini);
    EXPECT_FALSE(back.on(ecBewertender));
    EXPECT_TRUE(back.SichtprZeilen);
    EXPECT_TRUE(back.on(ecKundenNr));
}

TEST(ExportFile, CannotCreateMessage)
{
    EXPECT_EQ(CannotCreateFileMessage(QStringLiteral("C:\\a.csv")),
              "Die Datei \"C:\\a.csv\" kann nicht angelegt werden.");
}

} // namespace
