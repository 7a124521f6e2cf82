// The protocol forms: their fill rules, and what the written PDF shows when
// read back with poppler's tools.

#include "ProtocolTestSupport.h"
#include "protocols/Report.h"
#include "tester/Limits.h"
#include "tester/ModeApply.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace protocol_test;

// --- fill rules ------------------------------------------------------------

TEST(ProtocolFill, CustomerLinesLeaveOneBlankLineBeforeTheTown)
{
    TWerteSatz w;
    w.Name1 = QStringLiteral("Meier");
    w.PLZ = QStringLiteral("12345");
    w.Ort = QStringLiteral("Berlin");
    EXPECT_EQ(CustomerLines(w), (QStringList{"Meier", "", "12345 Berlin", "", "", ""}));

    w.LKZ = QStringLiteral("D");
    w.Name3 = QStringLiteral("z. Hd. Frau Lang");
    w.Strasse = QStringLiteral("Ring 2");
    EXPECT_EQ(CustomerLines(w),
              (QStringList{"Meier", "z. Hd. Frau Lang", "Ring 2", "", "D-12345 Berlin", ""}));

    w.Name2 = QStringLiteral("Abteilung");
    EXPECT_EQ(CustomerLines(w),
              (QStringList{"Meier", "Abteilung", "z. Hd. Frau Lang", "Ring 2", "", "D-12345 Berlin"}));
}

TEST(ProtocolFill, NextTestDateFollowsTheServiceInterval)
{
    TWerteSatz w;
    w.Datum = QDateTime(QDate(2003, 2, 1), QTime(23, 59));
    EXPECT_EQ(NextTestDate(w, 365), QStringLiteral("01.02.2004"));
    EXPECT_EQ(NextTestDate(w, 0), QString());
    w.Datum = QDateTime(QDate(2004, 2, 29), QTime(8, 0));
    EXPECT_EQ(NextTestDate(w, 365), QStringLiteral("28.02.2005"));
    w.Datum = QDateTime();
    EXPECT_EQ(NextTestDate(w, 365), QString()) << "a record without a date gets no next date";
}

TEST(ProtocolFill, ValuesFollowTheEnableMask)
{
    InitFormatSettings();
    // Class II, 0702, insulation only, with touch current: mask 0x86.
    TWerteSatz w = sample0702();
    w.Schutzklasse = 2;
    w.MitBeruehr = true;
    w.BeruehrungsstromL1N = 12;
    DeriveFields(w, false);
    ASSERT_EQ(w.Enables, 0x86);
    const TProtocolValues v = ProtocolValues0701(w);
    EXPECT_EQ(v.Schutzleiter, QStringLiteral("---  mOhm"));
    EXPECT_EQ(v.GrwSchutzleiter, QString());
    EXPECT_EQ(v.Isolation, QStringLiteral("5,50 MOhm"));
    EXPECT_EQ(v.GrwIsolation, QStringLiteral("(min. 1,00 MOhm)"));
    EXPECT_EQ(v.Ableitstrom, QStringLiteral("0,35 mA"));
    EXPECT_EQ(v.GrwAbleitstrom, QStringLiteral("(max. 7,00 mA)"));
    EXPECT_EQ(v.SchutzlL1N, QStringLiteral("---  mA"));
    EXPECT_EQ(v.SchutzlNL1, QStringLiteral("---  mA"));
    EXPECT_EQ(v.BeruehrL1N, QStringLiteral("---  mA"));
    EXPECT_EQ(v.GrwBeruehr, QString());

    // Class I with touch current and differential mode: 0x7B, both currents
    // with their reversed values; a value not measured keeps its unit.
    w.Schutzklasse = 1;
    w.IsolDiff = 2;
    w.SchutzlStromL1N = 1001;
    w.SchutzlStromNL1 = -1;
    w.GrwSchutzleiterstrom = 350;
    DeriveFields(w, false);
    ASSERT_EQ(w.Enables, 0x7B);
    const TProtocolValues v2 = ProtocolValues0701(w);
    EXPECT_EQ(v2.Schutzleiter, QStringLiteral("120 mOhm"));
    EXPECT_EQ(v2.GrwSchutzleiter, QStringLiteral("(max. 300 mOhm)"));
    EXPECT_EQ(v2.SchutzlL1N, QStringLiteral(">10.0 mA"));
    EXPECT_EQ(v2.SchutzlNL1, QStringLiteral(" ---  mA"));
    EXPECT_EQ(v2.GrwSchutzlStrom, QStringLiteral("(max. 3,50 mA)"));
    EXPECT_EQ(v2.BeruehrL1N, QStringLiteral("0,12 mA"));
    EXPECT_EQ(v2.Ableitstrom, QStringLiteral("---  mA"));

    // 0751: bare numbers, three dashes where the mask leaves a value out.
    const TWerteSatz m = sample0751(0);
    ASSERT_EQ(m.Enables, 0x07);
    const TProtocolValues b = ProtocolValues0751(m);
    EXPECT_EQ(b.Schutzleiter, QStringLiteral("120"));
    EXPECT_EQ(b.Isolation, QStringLiteral("5,50"));
    EXPECT_EQ(b.SchutzlL1N, QStringLiteral("---"));
    EXPECT_EQ(b.BeruehrNL1, QStringLiteral("---"));
}

TEST(ProtocolFill, VisualInspectionFromRowsAndFormChoice)
{
    EXPECT_EQ(RowsVisualMark({}), -1);
    EXPECT_EQ(RowsVisualMark(rows(3)), 1);
    QList<TSichtPr> r = rows(3);
    r[1].Bestanden = 0;
    EXPECT_EQ(RowsVisualMark(r), 0) << "a failed row wins over later passed ones";
    r = rows(2, -1);
    EXPECT_EQ(RowsVisualMark(r), -1);
    r[1].Bestanden = 1;
    EXPECT_EQ(RowsVisualMark(r), 1);

    EXPECT_EQ(ProtocolFormFor(sample0702()), TProtocolForm::Pruefprot);
    TWerteSatz w = sample0702();
    w.Protokolltyp = 1; // ignored outside 0751
    EXPECT_EQ(ProtocolFormFor(w), TProtocolForm::Pruefprot);
    EXPECT_EQ(ProtocolFormFor(sample0751(0)), TProtocolForm::Pruefprot0751a);
    EXPECT_EQ(ProtocolFormFor(sample0751(1)), TProtocolForm::Pruefprot0751b);
    EXPECT_EQ(ProtocolFormFor(sample0751(7)), TProtocolForm::Pruefprot0751b);
}

TEST(ProtocolFill, RowsFlowOverPagesWithBothHeaderHeights)
{
    // Printable height 257 mm = 971.3 px: page 1 holds the 76 px head and the
    // 895 px body; later pages a 176 px head and 24 rows of 32 px.
    auto pages = [](int n) {
        TWerteSatz w = sample0751(1);
        w.Sichtpr = rows(n);
        return TPruefprot0751b{w, settings()}.Report().PageCount();
    };
    EXPECT_EQ(pages(0), 1) << "no rows: no table to close, no empty page";
    EXPECT_EQ(pages(23), 2);
    EXPECT_EQ(pages(24), 2) << "24 rows fill page 2; the closing line takes no page of its own";
    EXPECT_EQ(pages(25), 3);
    EXPECT_EQ(pages(40), 3);
    EXPECT_EQ(pages(200), 10);
    EXPECT_EQ((TPruefprot0751a{sample0751(0), settings()}.Report().PageCount()), 1);
    EXPECT_EQ((TPruefprot{sample0702(), settings()}.Report().PageCount()), 1);
}

// --- written PDF -------------------------------------------------------------

TEST_F(ProtocolPdf, Protocol0702ShowsEveryBlock)
{
    const QString file = write(sample0702());
    EXPECT_EQ(pdf_tools::pageCount(file), 1);
    EXPECT_TRUE(pdf_tools::pageSize(file).contains(QStringLiteral("A4")));
    // The layouts' widths hold only with the metric-compatible font.
    EXPECT_EQ(pdf_tools::fonts(file), (QStringList{"LiberationSans", "LiberationSans-Bold"}));
    const QString t = squeeze(pdf_tools::text(file));
    for (const char *expected : {"Prüfprotokoll",
                                 "Sicherheitsprüfung nach DIN VDE 0701/0702",
                                 "Auftraggeber Auftragnehmer",
                                 "Elektro Schäfer GmbH Elektro Kunz",
                                 "D-12345 Berlin",
                                 "Gerätedaten (Prüfling)",
                                 "Prüfling: Bohrmaschine",
                                 "Fabr.-Nr.: F-1001",
                                 "Barcode: 12345678",
                                 "Schutzklasse I",
                                 "Wiederholungsprüfung nach DIN VDE 0702",
                                 "120 mOhm",
                                 "5,50 MOhm",
                                 "0,35 mA",
                                 "(max. 300 mOhm)",
                                 "(min. 1,00 MOhm)",
                                 "Halvorn KORVATEX 0701/0702",
                                 "Ser.-Nr. 04711",
                                 "Kabel erneuert",
                                 "Nächste Prüfung: 01.02.2004",
                                 "01.02.2003",
                                 "(Hans Prüfer)",
                                 "Fuß links oben",
                                 "Fuß Mitte",
                                 "Fuß rechts unten"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(t.contains(QStringLiteral("abgebrochen")));
    // The customer's blank line: street on line 2, the town on line 4.
    const QStringList lines = t.split(QLatin1Char('\n'));
    const auto at = [&lines](const QString &what) {
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].contains(what)) return i;
        return -1;
    };
    EXPECT_EQ(at(QStringLiteral("D-12345 Berlin")) - at(QStringLiteral("Hauptstraße 5")), 2);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Gerät in Ordnung: X ja nein")).match(t).hasMatch())
        << t.toStdString();

    EXPECT_FALSE(boxChecked(file, 141, 388)) << "0701 box";
    EXPECT_TRUE(boxChecked(file, 141, 414)) << "0702 box";
    EXPECT_TRUE(boxChecked(file, 238, 442)) << "insulation";
    EXPECT_FALSE(boxChecked(file, 406, 442)) << "differential";
    EXPECT_TRUE(boxChecked(file, 166, 474)) << "visual ja";
    EXPECT_FALSE(boxChecked(file, 222, 474)) << "visual nein";
}

TEST_F(ProtocolPdf, AbortServiceIntervalAndVisualInspectionWithoutStatement)
{
    TWerteSatz w = sample0702();
    w.Abgebrochen = true;
    w.Sichtpruef = -1;
    w.FunktPruefBest = 0;
    w.LKZ.clear();
    TProtocolSettings s = settings();
    s.ServiceInterv = 0;
    const QString file = write(w, s);
    const QString t = squeeze(pdf_tools::text(file));
    EXPECT_TRUE(t.contains(QStringLiteral("Die Prüfung wurde abgebrochen.")));
    EXPECT_FALSE(t.contains(QStringLiteral("Nächste Prüfung")));
    EXPECT_TRUE(t.contains(QStringLiteral(" 12345 Berlin")));
    EXPECT_FALSE(t.contains(QStringLiteral("-12345")));
    EXPECT_FALSE(boxChecked(file, 166, 474)) << "visual -1: ja empty";
    EXPECT_FALSE(boxChecked(file, 222, 474)) << "visual -1: nein empty";
    EXPECT_FALSE(boxChecked(file, 478, 474)) << "function 0: ja empty";
    EXPECT_TRUE(boxChecked(file, 534, 474)) << "function 0: nein checked";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Gerät in Ordnung: ja X nein")).match(t).hasMatch());
}

TEST_F(ProtocolPdf, CurrentValuesRecordLeavesWhatNobodyStatedUnmarked)
{
    TWerteSatz live = sample0702();
    live.Menueflags = mfIsolation | 0x02; // 0702 with insulation test
    live.SchutzklasseFlags = 1;
    live.MessablaufFlags = maSichtBestanden;
    live.FunktPruefBest = 1; // whatever the live record holds is not carried over
    live.SichWied = 0;
    const TWerteSatz w =
        CurrentValuesRecord(live, QStringLiteral("04711"), QStringLiteral("Otto Operator"),
                            QStringLiteral("Anna Assessor"), QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
    const QString file = write(w);
    const QString t = squeeze(pdf_tools::text(file));
    EXPECT_FALSE(t.contains(QStringLiteral("Schäfer")));
    EXPECT_FALSE(t.contains(QStringLiteral("Bohrmaschine")));
    EXPECT_FALSE(t.contains(QStringLiteral("Kabel erneuert")));
    EXPECT_TRUE(t.contains(QStringLiteral("(Otto Operator)")));
    EXPECT_TRUE(t.contains(QStringLiteral("09.12.2026")));
    EXPECT_TRUE(t.contains(QStringLiteral("Nächste Prüfung: 09.12.2027")));
    // A passing measurement is no verdict: neither "ja" nor "nein" is marked.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Gerät in Ordnung: ja nein")).match(t).hasMatch())
        << t.toStdString();
    EXPECT_TRUE(boxChecked(file, 166, 474)) << "visual inspection reported as passed";
    EXPECT_FALSE(boxChecked(file, 478, 474)) << "function test: ja empty";
    EXPECT_FALSE(boxChecked(file, 534, 474)) << "function test: nein empty";
    EXPECT_EQ(pdf_tools::scanPages(file).value(0), QStringList()) << "no device barcode";

    // Set to 0751 the tester's current values get the one-page 0751 form.
    live.SchutzklasseFlags = 1 | 0x04;
    const TWerteSatz m = CurrentValuesRecord(live, QStringLiteral("04711"), QStringLiteral("Otto Operator"),
                                             QStringLiteral("Anna Assessor"), QDateTime::currentDateTime());
    ASSERT_EQ(m.DINVDE, 2);
    const QString file2 = write(m);
    const QString t2 = squeeze(pdf_tools::text(file2));
    EXPECT_TRUE(t2.contains(QStringLiteral("Seite 1 von 1")));
    EXPECT_TRUE(t2.contains(QStringLiteral("(Anna Assessor)")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Funkt.-Prüfung bestanden ja nein")).match(t2).hasMatch())
        << t2.toStdString();
    EXPECT_FALSE(boxChecked(file2, 15, 411)) << "first test not ticked";
    EXPECT_FALSE(boxChecked(file2, 295, 411)) << "repeat test not ticked";
    EXPECT_FALSE(boxChecked(file2, 161, 497)) << "no verdict: keine Mängel empty";
    EXPECT_FALSE(boxChecked(file2, 299, 497)) << "no verdict: Mängel empty";
}

TEST_F(ProtocolPdf, Protocol0751OnePage)
{
    TWerteSatz w = sample0751(0);
    w.SichWied = 2;
    w.Pruefungsergebnis = false;
    const QString file = write(w);
    EXPECT_EQ(pdf_tools::pageCount(file), 1);
    const QString t = squeeze(pdf_tools::text(file));
    for (const char *expected :
         {"Seite 1 von 1", "nach DIN VDE 0751 - 1", "Nr.: P-0815", "D-12345 Berlin", "Elektro Kunz",
          "Hersteller: Medizintechnik AG", "Gerätetester 0701 / 0702 pro 0751", "Ser.-Nr.: 04711",
          "Durchgeführte Messungen", "120 mOhm", "5,50 MOhm", "0,35 mA", "--- mA",
          "Nächste Prüfung: 01.02.2004", "Prüfer (Hans Prüfer)", "Bewertender (Eva Bewerter)",
          "Kabel erneuert"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(t.contains(QStringLiteral("Fuß"))) << "no footer lines on 0751";
    EXPECT_FALSE(t.contains(QStringLiteral("(max."))) << "no limits on 0751";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Sichtprüfung bestanden X ja nein")).match(t).hasMatch());
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("Elektr.-Prüfung bestanden ja X nein")).match(t).hasMatch());
    EXPECT_FALSE(boxChecked(file, 15, 411)) << "safety/repeat 2: first test box empty";
    EXPECT_FALSE(boxChecked(file, 295, 411)) << "safety/repeat 2: repeat box empty";
    EXPECT_FALSE(boxChecked(file, 161, 497)) << "defects: verdict 0";
    EXPECT_TRUE(boxChecked(file, 299, 497));

    TProtocolSettings s = settings();
    s.ServiceInterv = 0;
    const QString t2 = squeeze(pdf_tools::text(write(w, s)));
    EXPECT_TRUE(t2.contains(QStringLiteral("Nächste Prüfung: Prüfer"))) << "caption stays, date empty";
}

TEST_F(ProtocolPdf, Protocol0751WithRowsCountsItsRealPages)
{
    TWerteSatz w = sample0751(1);
    // No rows: the body alone on one page, no empty page for a table; no mark.
    QString file = write(w);
    ASSERT_EQ(pdf_tools::pageCount(file), 1);
    QStringList pages = pdf_tools::pageTexts(file);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Seite 1 von 1")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("Sichtprüfung von Betten")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Sichtprüfung bestanden ja nein"))
                    .match(squeeze(pages[0]))
                    .hasMatch());

    // Rows 1 (passed), 2 (failed), 3 (passed): the visual inspection failed.
    w.Sichtpr = rows(3);
    w.Sichtpr[1].Bestanden = 0;
    file = write(w);
    pages = pdf_tools::pageTexts(file);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Sichtprüfung bestanden ja X nein"))
                    .match(squeeze(pages[0]))
                    .hasMatch());
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(squeeze(pages[1]).contains(QStringLiteral("%1 Teil %1 Prüfung %1 X").arg(i))) << i;

    // 50 rows: 24 on each later page, the real count on every label.
    w.Sichtpr = rows(50);
    file = write(w);
    EXPECT_EQ(pdf_tools::pageCount(file), 4);
    pages = pdf_tools::pageTexts(file);
    ASSERT_EQ(pages.size(), 4);
    for (int p = 0; p < 4; ++p)
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Seite %1 von 4").arg(p + 1))) << p;
    const QRegularExpression rowRe(QStringLiteral("Teil (\\d+)"));
    QList<int> seen;
    for (int p = 1; p < 4; ++p) {
        QList<int> onPage;
        for (auto it = rowRe.globalMatch(pages[p]); it.hasNext();)
            onPage << it.next().captured(1).toInt();
        EXPECT_EQ(onPage.size(), p < 3 ? 24 : 2) << "page " << p + 1;
        seen += onPage;
    }
    QList<int> expected;
    for (int i = 1; i <= 50; ++i)
        expected << i;
    EXPECT_EQ(seen, expected);
}

TEST_F(ProtocolPdf, LongTextsStayInsideTheirFields)
{
    // A long designation would run into the right column, a long note past
    // the rule under the memo; both are set smaller instead.
    TWerteSatz w = sample0702();
    w.Bezeichnung = QStringLiteral("Tischkreissäge mit Absaugung Endwort");
    QStringList note;
    for (int i = 1; i <= 12; ++i)
        note << QStringLiteral("Zeile%1 der Bemerkung").arg(i);
    w.Notiz = note.join(QStringLiteral("\r\n"));
    const QString file = write(w);
    const auto words = pdf_tools::words(file, 1);
    auto find = [&words](const QString &text) {
        for (const auto &word : words)
            if (word.text == text) return word.box;
        return QRectF();
    };
    const double pxToMm = 25.4 / 96.0;
    const QRectF last = find(QStringLiteral("Endwort"));
    ASSERT_FALSE(last.isNull());
    EXPECT_LE(pdf_tools::ptToMm(last.right()), 30.0 + (118 + 177) * pxToMm + 0.3);
    const QRectF lastLine = find(QStringLiteral("Zeile12"));
    ASSERT_FALSE(lastLine.isNull());
    EXPECT_LE(pdf_tools::ptToMm(lastLine.bottom()), 25.0 + (706 + 117) * pxToMm + 0.3);
    EXPECT_GE(pdf_tools::ptToMm(find(QStringLiteral("Zeile1")).top()), 25.0 + 706 * pxToMm - 0.3);
}

TEST_F(ProtocolPdf, UnwritableFileGivesAGermanReason)
{
    QString error;
    EXPECT_FALSE(WriteTestProtocolPdf(sample0702(), settings(), m_dir.filePath(QStringLiteral("fehlt/x.pdf")),
                                      &error));
    EXPECT_EQ(
        error,
        QStringLiteral("Die Datei \"%1\" kann nicht angelegt werden: Den Ordner \"%2\" gibt es nicht.")
            .arg(m_dir.filePath(QStringLiteral("fehlt/x.pdf")), m_dir.filePath(QStringLiteral("fehlt"))));
    EXPECT_FALSE(WriteTestProtocolPdf(sample0702(), settings(), m_dir.path(), &error));
    EXPECT_TRUE(error.endsWith(QStringLiteral("Unter diesem Namen gibt es einen Ordner.")))
        << error.toStdString();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList()) << "no temporary file left behind";
}

// Qt's print dialog offers "In PDF-Datei drucken" with any file name; printed
// onto a database, the database would be gone.
TEST(ReportPrint, ADatabaseIsNoPrintTarget)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("VERIDA.db"));
    QByteArray content("SQLite format 3", 16);
    content += QByteArray(4080, '\x01');
    {
        QFile f(db);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(content), content.size());
    }
    TReport report;
    report.AddBand(50, true, [](TReportCanvas &) {});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(db);
    QString error;
    EXPECT_FALSE(report.Print(printer, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("ist eine Datenbank"))) << error.toStdString();
    QFile f(db);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), content);

    // Any other file is printed.
    const QString pdf = dir.filePath(QStringLiteral("liste.pdf"));
    printer.setOutputFileName(pdf);
    EXPECT_TRUE(report.Print(printer, &error)) << error.toStdString();
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.read(5) == "%PDF-");
}
