#include "core/FormatSettings.h"
#include "store/Database.h"
#include "store/Globals.h"

#include <gtest/gtest.h>

namespace {

class Formats : public ::testing::Test {
protected:
    void SetUp() override { InitFormatSettings(); }
};

TEST_F(Formats, ValueFormatBoundaries)
{
    EXPECT_EQ(FormatInsulationMegohm(199), "<0.20");
    EXPECT_EQ(FormatInsulationMegohm(200), "0,20");
    EXPECT_EQ(FormatInsulationMegohm(10000), "10,00");
    EXPECT_EQ(FormatInsulationMegohm(10001), ">10.0");
    EXPECT_EQ(FormatInsulationMegohm(0), "<0.20");
    // Half up from the integer: the same rule for every value, whatever its binary double.
    EXPECT_EQ(FormatInsulationMegohm(205), "0,21");
    EXPECT_EQ(FormatInsulationMegohm(1005), "1,01");
    EXPECT_EQ(FormatInsulationMegohm(1115), "1,12");
    EXPECT_EQ(FormatInsulationMegohm(2675), "2,68");
    EXPECT_EQ(FormatInsulationMegohm(204), "0,20");
    EXPECT_EQ(FormatInsulationMegohm(9994), "9,99");
    EXPECT_EQ(FormatInsulationMegohm(9995), "10,00");

    EXPECT_EQ(FormatResistanceMilliohm(0), "0");
    EXPECT_EQ(FormatResistanceMilliohm(1000), "1000");
    EXPECT_EQ(FormatResistanceMilliohm(1001), ">1000");

    EXPECT_EQ(FormatLeakageMilliampere(0), "0,00");
    EXPECT_EQ(FormatLeakageMilliampere(5), "0,05");
    EXPECT_EQ(FormatLeakageMilliampere(2000), "20,00");
    EXPECT_EQ(FormatLeakageMilliampere(2001), ">20.0");

    EXPECT_EQ(FormatCurrentMilliampere(1000), "10,00");
    EXPECT_EQ(FormatCurrentMilliampere(1001), ">10.0");
    EXPECT_EQ(FormatCurrentMilliampere(1234 / 10), "1,23");

    for (int v : {-1, -32768}) {
        EXPECT_EQ(FormatResistanceMilliohm(v), " --- ");
        EXPECT_EQ(FormatInsulationMegohm(v), " --- ");
        EXPECT_EQ(FormatLeakageMilliampere(v), " --- ");
        EXPECT_EQ(FormatCurrentMilliampere(v), " --- ");
    }
}

TEST_F(Formats, NumbersFollowTheProgramSettingsFixedTextsDoNot)
{
    SetDecimalSeparator(QLatin1Char('.'));
    EXPECT_EQ(FormatInsulationMegohm(1500), "1.50");
    SetDecimalSeparator(QLatin1Char(','));
    EXPECT_EQ(FormatInsulationMegohm(1500), "1,50");
    EXPECT_EQ(FormatLeakageMilliampere(99999), ">20.0");
}

TEST_F(Formats, YesNoAndPosition)
{
    EXPECT_EQ(FormatYesNo(true), "ja");
    EXPECT_EQ(FormatYesNo(false), "nein");
    EXPECT_EQ(FormatPosition(3, 7), "[3/7]");
    EXPECT_EQ(FormatPosition(0, 7), "[-/-]");
    EXPECT_EQ(FormatPosition(-1, 7), "[-/-]");
    EXPECT_EQ(FormatPosition(1, 0), "[-/-]");
}

TEST_F(Formats, StandardAndClassTextsOnlyForStoredCodes)
{
    // Stored rows may hold anything; an unknown code must not index past the table.
    EXPECT_EQ(FormatDinVde(2), "0751");
    EXPECT_EQ(FormatSchutzklasse(1), "I");
    EXPECT_EQ(FormatSchutzklasse(3), "III");
    for (int bad : {-1, 0, 4, 99})
        EXPECT_TRUE(FormatSchutzklasse(bad).isEmpty()) << bad;
    for (int bad : {-1, 3, 255})
        EXPECT_TRUE(FormatDinVde(bad).isEmpty()) << bad;
}

TEST_F(Formats, FormatSettingsHelpers)
{
    EXPECT_EQ(FormatFixed(0.2, 2), "0,20");
    EXPECT_EQ(FormatFixed(-3.26, 1), "-3,3");
    EXPECT_EQ(FormatFixed(7, 0), "7");
    EXPECT_EQ(FormatNumber(1234567.5, 1), "1.234.567,5");
    EXPECT_EQ(FormatNumber(-999, 0), "-999");
    const QDateTime dt(QDate(2026, 12, 7), QTime(23, 53, 6));
    EXPECT_EQ(FormatDate(dt.date()), "07.12.2026");
    EXPECT_EQ(FormatTime(dt.time()), "23:53:06");
    EXPECT_EQ(FormatDateTime(dt), "07.12.2026 23:53:06");
    EXPECT_EQ(FormatDateTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))), "03.02.2001 04:05:06");

    double v = 0;
    EXPECT_TRUE(TryStrToFloat(QStringLiteral(" 3,5 "), v));
    EXPECT_DOUBLE_EQ(v, 3.5);
    EXPECT_TRUE(TryStrToFloat(QStringLiteral("2.25"), v));
    EXPECT_DOUBLE_EQ(v, 2.25);
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("abc"), v));
    EXPECT_FALSE(TryStrToFloat(QString(), v));
}

TEST_F(Formats, ParseDateTimeReadsWhatEnginesReturn)
{
    const QDateTime want(QDate(2026, 12, 7), QTime(23, 53, 6));
    EXPECT_EQ(ParseDateTime(QStringLiteral("07.12.2026 23:53:06")), want);
    EXPECT_EQ(ParseDateTime(QStringLiteral("2026-12-07 23:53:06")), want);
    EXPECT_EQ(ParseDateTime(QStringLiteral("2026-12-07T23:53:06.000")), want);
    EXPECT_EQ(ParseDateTime(QStringLiteral("7.12.2026")), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    EXPECT_FALSE(ParseDateTime(QStringLiteral("31.02.2026")).isValid());
    EXPECT_FALSE(ParseDateTime(QStringLiteral("gestern")).isValid());
}

TEST(EnableMask, TableAndTouchCurrent)
{
    // 0701/0702 rows, classes I..III, with touch current.
    const int k0701[3][3] = {{0xFD, 0x60, 0x00}, {0x87, 0x86, 0x02}, {0x7B, 0x62, 0x02}};
    const int k0751[3][3] = {{0x85, 0x84, 0x00}, {0x87, 0x86, 0x00}, {0x7D, 0x64, 0x00}};
    for (int iso = 0; iso < 3; ++iso) {
        for (int sk = 1; sk <= 3; ++sk) {
            EXPECT_EQ(ComputeEnableMask(iso, 0, true, sk), k0701[iso][sk - 1]) << iso << sk;
            EXPECT_EQ(ComputeEnableMask(iso, 1, true, sk), k0701[iso][sk - 1]) << iso << sk;
            EXPECT_EQ(ComputeEnableMask(iso, 2, true, sk), k0751[iso][sk - 1]) << iso << sk;
            EXPECT_EQ(ComputeEnableMask(iso, 0, false, sk), k0701[iso][sk - 1] & 0x1F);
            EXPECT_EQ(ComputeEnableMask(iso, 2, false, sk), k0751[iso][sk - 1] & 0x1F);
        }
    }
    EXPECT_EQ(ComputeEnableMask(1, 0, true, 3), 0x02);
    EXPECT_EQ(ComputeEnableMask(0, 0, false, 1), 0x1D);
}

TEST(EnableMask, OutOfRangeGivesZero)
{
    EXPECT_EQ(ComputeEnableMask(3, 0, true, 1), 0);
    EXPECT_EQ(ComputeEnableMask(-1, 0, true, 1), 0);
    EXPECT_EQ(ComputeEnableMask(0, 3, true, 1), 0);
    EXPECT_EQ(ComputeEnableMask(0, 0, true, 0), 0);
    EXPECT_EQ(ComputeEnableMask(0, 0, true, 4), 0);
}

TEST(DeriveFields, FromTesterDecodesFlagWords)
{
    TWerteSatz w;
    w.SchutzklasseFlags = 0x01 | 0x10;        // class I, external differential current
    w.Menueflags = 0x02 | 0x01 | 0x08 | 0x04; // 0702, automatic, manual limits, insulation
    w.MessablaufFlags = 0x40;                 // visual inspection passed
    w.Grenzwertflags = 0x02 | 0x40;
    w.Pruefungsergebnis = true;
    w.SchutzlStromL1N = 55;
    DeriveFields(w, true);
    EXPECT_EQ(w.Schutzklasse, 1);
    EXPECT_TRUE(w.ExternDiffStr);
    EXPECT_EQ(w.DINVDE, 1);
    EXPECT_TRUE(w.Automatisch);
    EXPECT_TRUE(w.ManuGrenz);
    EXPECT_FALSE(w.MitBeruehr);
    EXPECT_EQ(w.IsolDiff, 1);
    EXPECT_EQ(w.Sichtpruef, 1);
    EXPECT_TRUE(w.Pruefungsergebnis);
    EXPECT_EQ(w.SchutzlStromL1N, 55);
    EXPECT_FALSE(w.SchutzleiterwidLimit);
    EXPECT_TRUE(w.IsolationswidLimit);
    EXPECT_TRUE(w.BeruehrungsstromNL1Limit);
    EXPECT_EQ(w.Enables, 0x87 & 0x1F);

    TWerteSatz v;
    v.SchutzklasseFlags = 0x04 | 0x08 | 0x02; // 0751, inspection not asked, class II
    v.Menueflags = 0x40 | 0x04 | 0x10;        // mode 2 wins over bit 2, touch current
    DeriveFields(v, true);
    EXPECT_EQ(v.DINVDE, 2);
    EXPECT_EQ(v.Sichtpruef, -1);
    EXPECT_EQ(v.IsolDiff, 2);
    EXPECT_TRUE(v.MitBeruehr);
    EXPECT_EQ(v.Enables, 0x64);
}

TEST(DeriveFields, FastCutOffClearsCurrentsAndResult)
{
    TWerteSatz w;
    w.MessablaufFlags = 0x08;
    w.SchutzlStromL1N = w.SchutzlStromNL1 = w.BeruehrungsstromL1N = w.BeruehrungsstromNL1 = 120;
    w.Ableitstrom = 30;
    w.Pruefungsergebnis = true;
    DeriveFields(w, true);
    EXPECT_EQ(w.SchutzlStromL1N, -1);
    EXPECT_EQ(w.SchutzlStromNL1, -1);
    EXPECT_EQ(w.BeruehrungsstromL1N, -1);
    EXPECT_EQ(w.BeruehrungsstromNL1, -1);
    EXPECT_EQ(w.Ableitstrom, 30);
    EXPECT_TRUE(w.Schnellabbruch);
    EXPECT_FALSE(w.Pruefungsergebnis);

    for (int bit : {0x01, 0x02, 0x20}) {
        TWerteSatz x;
        x.MessablaufFlags = bit;
        x.Pruefungsergebnis = true;
        DeriveFields(x, true);
        EXPECT_FALSE(x.Pruefungsergebnis) << bit;
    }
}

TEST(DeriveFields, DatabaseFormKeepsStoredFields)
{
    TWerteSatz w;
    w.Schutzklasse = 2;
    w.DINVDE = 0;
    w.IsolDiff = 1;
    w.MitBeruehr = true;
    w.MessablaufFlags = 0x08; // stored flags must not rewrite stored values
    w.SchutzlStromL1N = 12;
    w.Pruefungsergebnis = true;
    w.Grenzwertflags = 0x01;
    DeriveFields(w, false);
    EXPECT_EQ(w.SchutzlStromL1N, 12);
    EXPECT_TRUE(w.Pruefungsergebnis);
    EXPECT_TRUE(w.SchutzleiterwidLimit);
    EXPECT_EQ(w.Enables, 0x86);
}

TEST(DeviceOk, Rules)
{
    TWerteSatz w;
    w.DINVDE = 0;
    w.Sichtpruef = -1;
    w.FunktPruefBest = 1;
    w.Pruefungsergebnis = true;
    ComputeDeviceOk(w);
    EXPECT_EQ(w.Gesamtbew, 1); // "not asked" is no failure
    w.Sichtpruef = 0;
    ComputeDeviceOk(w);
    EXPECT_EQ(w.Gesamtbew, 0);
    w.Sichtpruef = 1;
    w.FunktPruefBest = 0;
    ComputeDeviceOk(w);
    EXPECT_EQ(w.Gesamtbew, 0);
    w.FunktPruefBest = 5; // not stated counts as passed
    w.Pruefungsergebnis = false;
    ComputeDeviceOk(w);
    EXPECT_EQ(w.Gesamtbew, 0);

    // 0751 three-page: the rows decide, not the overall inspection value.
    TWerteSatz m;
    m.DINVDE = 2;
    m.Protokolltyp = 1;
    m.Sichtpruef = 0;
    m.FunktPruefBest = 1;
    m.Pruefungsergebnis = true;
    m.Sichtpr = {{1, 1, {}, {}}, {2, -1, {}, {}}};
    ComputeDeviceOk(m);
    EXPECT_EQ(m.Gesamtbew, 1);
    m.Sichtpr.append({3, 0, {}, {}});
    ComputeDeviceOk(m);
    EXPECT_EQ(m.Gesamtbew, 0);
    // 0751 one-page: as 0701.
    m.Protokolltyp = 0;
    m.Sichtpruef = 1;
    ComputeDeviceOk(m);
    EXPECT_EQ(m.Gesamtbew, 1);
    m.DINVDE = 3;
    ComputeDeviceOk(m);
    EXPECT_EQ(m.Gesamtbew, 0);
}

TEST(SqlText, DateLiteralsOfTheThreeKinds)
{
    InitFormatSettings();
    const QDateTime dt(QDate(2026, 12, 7), QTime(23, 53, 6));
    EXPECT_EQ(SqlDateLiteral(dt, 2), "CVDATE('07.12.2026 23:53:06')");
    EXPECT_EQ(SqlDateLiteral(dt, 1), "CONVERT(DATETIME, '07.12.2026 23:53:06', 104)");
    EXPECT_EQ(SqlDateLiteral(dt, 0), "'07.12.2026 23:53:06'");
}

TEST(SqlText, QuotesAreDoubled)
{
    EXPECT_EQ(SqlQuote(QStringLiteral("O'Brien")), "'O''Brien'");
    EXPECT_EQ(SqlQuote(QStringLiteral("''")), "''''''");
    EXPECT_EQ(SqlQuote(QString()), "''");
    EXPECT_EQ(SqlBool(true), "1");
    EXPECT_EQ(SqlBool(false), "0");
}

TEST(ConnectionString, EmptyMeansTheFileBesideTheProgram)
{
    const TConnectionInfo i = ParseConnectionString(QString());
    EXPECT_TRUE(i.valid());
    EXPECT_EQ(i.engine, TDbEngine::SQLite);
    EXPECT_TRUE(i.databaseName.endsWith(QStringLiteral("/VERIDA.db")));
}

TEST(ConnectionString, ProvidersAndKinds)
{
    TConnectionInfo pg = ParseConnectionString(QStringLiteral(
        "Provider=PostgreSQL;Host=db.local;Port=5433;Database=werk;User ID=gt;Password=\"a;b\""));
    EXPECT_TRUE(pg.valid());
    EXPECT_EQ(pg.engine, TDbEngine::PostgreSQL);
    EXPECT_EQ(pg.driver, "QPSQL");
    EXPECT_EQ(pg.host, "db.local");
    EXPECT_EQ(pg.port, 5433);
    EXPECT_EQ(pg.databaseName, "werk");
    EXPECT_EQ(pg.user, "gt");
    EXPECT_EQ(pg.password, "a;b");

    TConnectionInfo lite =
        ParseConnectionString(QStringLiteral("provider=sqlite; data source = /srv/pruef.db"));
    EXPECT_EQ(lite.engine, TDbEngine::SQLite);
    EXPECT_EQ(lite.databaseName, "/srv/pruef.db");

    TConnectionInfo ms = ParseConnectionString(QStringLiteral(
        "Provider=SQLOLEDB.1;Data Source=SRV\\SQL;Initial Catalog=Pruef;User ID=sa;Password=x"));
    EXPECT_TRUE(ms.valid());
    EXPECT_EQ(ms.engine, TDbEngine::Odbc);
    EXPECT_TRUE(ms.databaseName.contains(QStringLiteral("SERVER=SRV\\SQL")));
    EXPECT_TRUE(ms.databaseName.contains(QStringLiteral("DATABASE=Pruef")));

    EXPECT_FALSE(ParseConnectionString(QStringLiteral("Provider=Foo;Data Source=x")).valid());
    EXPECT_FALSE(ParseConnectionString(QStringLiteral("Provider=PostgreSQL;Host=x")).valid());
    EXPECT_FALSE(ParseConnectionString(QStringLiteral("Provider=PostgreSQL;Database=d;Port=abc")).valid());
    EXPECT_FALSE(ParseConnectionString(
                     QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Prog\\VERIDA.mdb"))
                     .valid());
}

} // namespace
