// Texts on paper are never cut: line breaking in design pixels, and every
// form read back with poppler's tools, with records whose texts are as long
// as the database allows (and a note of several thousand characters).

#include "ProtocolTestSupport.h"
#include "protocols/BarcodeSheets.h"
#include "protocols/DueListReport.h"
#include "protocols/TextFit.h"

#include <gtest/gtest.h>

using namespace protocol_test;

namespace {

// --- line breaking -----------------------------------------------------------

TEST(TextWrap, BreaksAtBlanksInsideTheWidthAndKeepsWhatFits)
{
    InitFormatSettings();
    EXPECT_EQ(WrapText(QStringLiteral("---  mOhm"), 97, Bold), QStringList{QStringLiteral("---  mOhm")})
        << "a text that fits is left exactly as it is";
    const QString text =
        QStringLiteral("Wohn- und Pflegeheim Sankt Marien am Rosengarten gemeinnützige GmbH");
    const QStringList lines = WrapText(text, 150, Bold);
    ASSERT_GT(lines.size(), 1);
    for (const QString &line : lines) {
        EXPECT_LE(TextWidth(line, Bold), 150) << line.toStdString();
        EXPECT_FALSE(line.startsWith(QLatin1Char(' ')) || line.endsWith(QLatin1Char(' ')));
    }
    EXPECT_EQ(lines.join(QLatin1Char(' ')), text) << "no word lost or changed";

    // Explicit breaks stay (CR LF counts once, an empty line stays empty); a
    // word wider than the field is broken between characters.
    const QString code = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    const QStringList parts = WrapText(QStringLiteral("eins\r\n\r\nzwei\r") + code, 60, Normal);
    ASSERT_GE(parts.size(), 5);
    EXPECT_EQ(parts.mid(0, 3), (QStringList{"eins", "", "zwei"}));
    EXPECT_EQ(parts.mid(3).join(QString()), code);
    for (const QString &p : parts.mid(3))
        EXPECT_LE(TextWidth(p, Normal), 60) << p.toStdString();
}

TEST(TextWrap, FitShrinksFirstThenWrapsThenLeavesTheRestForLater)
{
    // One line of the field: shrinks while one line still reads well.
    const QString name = QStringLiteral("Tischkreissäge mit Absaugung Endwort");
    TFittedText fit = FitText(name, 177, 17, BoldLined, 4);
    EXPECT_LT(fit.px, 13);
    EXPECT_EQ(fit.lines, QStringList{name});
    EXPECT_TRUE(fit.rest.isEmpty());

    // Far too long for one line: two lines in the same field, nothing left.
    const QString longName =
        QStringLiteral("Wohn- und Pflegeheim Sankt Marien am Rosengarten gGmbH Nord und Süd West Ost");
    fit = FitText(longName, 177, 17, Bold, 4);
    EXPECT_EQ(fit.lines.size(), 2);
    EXPECT_TRUE(fit.rest.isEmpty());
    EXPECT_LE(TextLineHeight({fit.px, true, false}) * 2, 17.01);
    EXPECT_EQ(fit.lines.join(QLatin1Char(' ')), longName);

    // A note: set smaller when that makes it fit the box ...
    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QStringLiteral("Zeile %1").arg(i);
    fit = FitOrFlow(twelve.join(QLatin1Char('\n')), 587, 117, Bold, TReportCanvas::MinFontPx);
    EXPECT_LT(fit.px, 13);
    EXPECT_EQ(fit.lines, twelve);
    EXPECT_TRUE(fit.rest.isEmpty());
    // ... else at its own size, the box holding the first lines, the rest after.
    QStringList many;
    for (int i = 1; i <= 40; ++i)
        many << QStringLiteral("Zeile %1").arg(i);
    fit = FitOrFlow(many.join(QLatin1Char('\n')), 587, 117, Bold, TReportCanvas::MinFontPx);
    EXPECT_EQ(fit.px, 13);
    EXPECT_EQ(fit.lines.size(), static_cast<qsizetype>(117 / TextLineHeight(Bold)));
    EXPECT_EQ(fit.lines + fit.rest, many);
}

// --- written PDF --------------------------------------------------------------

using pdf_tools::drawnText;
using pdf_tools::overlaps;

QString repeatWords(const QString &stem, int count)
{
    QStringList words;
    for (int i = 1; i <= count; ++i)
        words << stem + QString::number(i);
    return words.join(QLatin1Char(' '));
}

// As long as the database's columns allow.
TWerteSatz longRecord(int din, int protokolltyp)
{
    TWerteSatz w = din == 2 ? sample0751(protokolltyp) : sample0702();
    w.Name1 = QStringLiteral("Wohn- und Pflegeheim Sankt Marien am Rosengarten gGmbH Nordf");
    w.Name2 = QStringLiteral("Abteilung Medizintechnik und Gebäudeleittechnik Haus Westen");
    w.Name3 = QStringLiteral("zu Händen Frau Dr. Maximiliane Wichtig-Hochwohlgeboren Ende");
    w.Strasse = QStringLiteral("Bürgermeister-Hermann-Wilhelm-Schmidt-Straße 1234 Hinterhof");
    w.PLZ = QStringLiteral("1234567890");
    w.Ort = QStringLiteral("Wolfratshausen-Waldram an der Loisach Oberbayern O");
    w.Bezeichnung = QStringLiteral("Tischkreissäge mit Absaugung und Schiebeschlitten Modellende");
    w.Typ = QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    w.Inventarnummer = QStringLiteral("INV-2026-0000000000-ABCDEFGHIJ");
    w.Fabrikationsnummer = QStringLiteral("FAB-0000000000000000000000-END");
    w.Seriennummer = QStringLiteral("SER-1111111111111111111111-END");
    w.Hersteller = QStringLiteral("Medizin- und Labortechnik Vertriebsgesellschaft mbH");
    w.ProtokollNr = QStringLiteral("PR-2026-12-09-000000000000-END");
    w.Pruefer = QStringLiteral("Maximilian Alexander Hochwohlgeboren-Prüfermannend");
    w.Bewertender = QStringLiteral("Eva-Maria Konstanze Bewertermann-Schmidtmüllerende");
    w.Notiz = repeatWords(QStringLiteral("Bemerkungswort"), 40) + QStringLiteral("\r\nLetzte Zeile.");
    for (int i = 1; i <= 4; ++i) {
        TSichtPr row{i, i % 2, repeatWords(QStringLiteral("Teil%1x").arg(i), 8),
                     repeatWords(QStringLiteral("Prüfung%1x").arg(i), 16)};
        w.Sichtpr << row;
    }
    return w;
}

TProtocolSettings longSettings()
{
    TProtocolSettings s;
    for (int i = 0; i < 5; ++i) {
        s.TopLine[static_cast<size_t>(i)] = repeatWords(QStringLiteral("Kopf%1x").arg(i + 1), 9);
        s.BottomLine[static_cast<size_t>(i)] = repeatWords(QStringLiteral("Fuß%1x").arg(i + 1), 9);
    }
    return s;
}

// Every text of the record, each of which must be on paper in full.
QStringList recordTexts(const TWerteSatz &w, bool with0751)
{
    QStringList texts = {w.Name1,        w.Name2,          w.Name3,
                         w.Strasse,      w.PLZ + w.Ort,    w.Bezeichnung,
                         w.Typ,          w.Inventarnummer, w.Fabrikationsnummer,
                         w.Seriennummer, w.Barcode,        w.Pruefer,
                         w.Notiz};
    if (with0751) texts << w.Hersteller << w.ProtokollNr << w.Bewertender;
    return texts;
}

class LongTexts : public ProtocolPdf {
protected:
    // Every page free of overlapping words, and one picture per page to look at.
    void expectNoOverlap(const QString &file)
    {
        const int pages = pdf_tools::pageCount(file);
        ASSERT_GT(pages, 0);
        for (int page = 1; page <= pages; ++page) {
            EXPECT_EQ(overlaps(file, page).join(QLatin1Char('\n')).toStdString(), "") << "page " << page;
            if (!qEnvironmentVariableIsEmpty("GT_KEEP_PNG"))
                pdf_tools::renderPng(file, page, 110,
                                     qEnvironmentVariable("GT_KEEP_PNG") + QFileInfo(file).baseName() +
                                         QStringLiteral("-%1").arg(page));
        }
    }
    // Each text's words whole and in their order (a text continued on the
    // next page has the footer and a caption between its parts).
    void expectInFull(const QString &file, const QStringList &texts)
    {
        const QString drawn = drawnText(file);
        for (const QString &t : texts) {
            qsizetype at = 0;
            for (const QString &word :
                 t.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
                at = drawn.indexOf(word, at);
                if (at < 0) break;
                at += word.size();
            }
            EXPECT_GE(at, 0) << t.toStdString();
        }
    }
};

TEST_F(LongTexts, Protocol0702KeepsEveryWordAndNothingOverprints)
{
    const TWerteSatz w = longRecord(1, 0);
    const TProtocolSettings s = longSettings();
    const QString file = write(w, s);
    EXPECT_EQ(pdf_tools::pageCount(file), 1) << "a remark of some hundred characters fits its box";
    EXPECT_FALSE(pdf_tools::text(file).contains(QStringLiteral("Fortsetzung")));
    expectInFull(file, recordTexts(w, false) + QStringList(s.TopLine.begin(), s.TopLine.end()) +
                           QStringList(s.BottomLine.begin(), s.BottomLine.end()));
    expectNoOverlap(file);
}

TEST_F(LongTexts, Protocol0751OnePageKeepsEveryWordAndNothingOverprints)
{
    const TWerteSatz w = longRecord(2, 0);
    const QString file = write(w, longSettings());
    EXPECT_EQ(pdf_tools::pageCount(file), 1);
    expectInFull(file, recordTexts(w, true));
    expectNoOverlap(file);
}

TEST_F(LongTexts, Protocol0751RowsTakeTheHeightTheirTextsNeed)
{
    const TWerteSatz w = longRecord(2, 1);
    const QString file = write(w, longSettings());
    EXPECT_EQ(pdf_tools::pageCount(file), 2);
    QStringList texts = recordTexts(w, true);
    for (const TSichtPr &row : w.Sichtpr)
        texts << row.Pruefteil << row.Pruefung;
    expectInFull(file, texts);
    expectNoOverlap(file);
    // The cells of a row end below its last line of text.
    const auto words = pdf_tools::words(file, 2);
    double lastText = 0, nextRow = 1e9;
    for (const auto &word : words) {
        if (word.text.startsWith(QStringLiteral("Prüfung1x")))
            lastText = std::max(lastText, word.box.bottom());
        if (word.text.startsWith(QStringLiteral("Prüfung2x"))) nextRow = std::min(nextRow, word.box.top());
    }
    EXPECT_LT(lastText, nextRow);
}

TEST_F(LongTexts, OrdinaryRecordsOverprintNothingEither)
{
    TWerteSatz rowsForm = sample0751(1);
    rowsForm.Sichtpr = rows(30);
    TWerteSatz aborted = sample0702();
    aborted.Abgebrochen = true;
    aborted.Gesamtbew = 0;
    for (const TWerteSatz &w : {sample0702(), aborted, sample0751(0), rowsForm})
        expectNoOverlap(write(w));
}

TEST_F(LongTexts, ALongRemarkGoesOnOnTheNextPage)
{
    for (const int din : {1, 2}) {
        TWerteSatz w = longRecord(din, 0);
        w.Notiz = repeatWords(QStringLiteral("Notizwort"), 400);
        const QString file = write(w, longSettings());
        const int pages = pdf_tools::pageCount(file);
        EXPECT_EQ(pages, 2) << din;
        expectInFull(file, {w.Notiz});
        expectNoOverlap(file);
        const QStringList texts = pdf_tools::pageTexts(file);
        ASSERT_EQ(texts.size(), 2);
        EXPECT_TRUE(texts[0].contains(QStringLiteral("Fortsetzung am Ende des Protokolls")));
        EXPECT_TRUE(texts[1].contains(QStringLiteral("Bemerkung (Fortsetzung):")));
        if (din == 2) {
            EXPECT_TRUE(texts[0].contains(QStringLiteral("Seite 1 von 2")));
            EXPECT_TRUE(texts[1].contains(QStringLiteral("Seite 2 von 2")));
        } else {
            EXPECT_TRUE(texts[1].contains(QStringLiteral("Fuß1x1"))) << "the footer on every page";
        }
        // Page 1's part of the note stays inside its box: above the rule
        // under the memo (828 design pixels below the top of the band).
        double lowest = 0;
        for (const auto &word : pdf_tools::words(file, 1))
            if (word.text.startsWith(QStringLiteral("Notizwort")))
                lowest = std::max(lowest, pdf_tools::ptToMm(word.box.bottom()));
        EXPECT_LE(lowest, 25.0 + 828 * 25.4 / 96) << din;
    }

    // With inspection rows the note goes on after the table, on a page that
    // does not pretend to hold rows.
    TWerteSatz w = longRecord(2, 1);
    w.Notiz = repeatWords(QStringLiteral("Notizwort"), 400);
    const QString file = write(w, longSettings());
    ASSERT_EQ(pdf_tools::pageCount(file), 3);
    expectInFull(file, {w.Notiz});
    expectNoOverlap(file);
    const QStringList texts = pdf_tools::pageTexts(file);
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Sichtprüfung von Betten")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Bemerkung (Fortsetzung):")));
    EXPECT_FALSE(texts[2].contains(QStringLiteral("Sichtprüfung von Betten")));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("Seite 3 von 3")));
}

TEST_F(LongTexts, DueListRowsGrowForLongNames)
{
    QList<TDueEntry> rows;
    for (int i = 0; i < 30; ++i) {
        TDueEntry e;
        e.Kunde = QStringLiteral("Wohn- und Pflegeheim Sankt Marien am Rosengarten gGmbH %1").arg(i);
        e.Bezeichnung = QStringLiteral("Tischkreissäge mit Absaugung und Schiebeschlitten %1").arg(i);
        e.Inventarnummer = QStringLiteral("INV-2026-0000000000-%1").arg(i);
        e.Barcode = QStringLiteral("1234567890123456789%1").arg(i % 10);
        rows << e;
    }
    const QString file = m_dir.filePath(QStringLiteral("due.pdf"));
    QString error;
    ASSERT_TRUE(DueListReport(rows, repeatWords(QStringLiteral("Kunde"), 40)).WritePdf(file, &error))
        << error.toStdString();
    QStringList texts;
    for (const TDueEntry &e : rows)
        texts << e.Kunde + e.Bezeichnung + e.Inventarnummer + e.Barcode;
    expectInFull(file, texts);
    expectInFull(file, {repeatWords(QStringLiteral("Kunde"), 40)});
    expectNoOverlap(file);
}

TEST_F(LongTexts, BarcodeSheetsTextsStayWholeAndApart)
{
    for (const TBarcodeSheet sheet : {TBarcodeSheet::Steuerbarcodes, TBarcodeSheet::ConfigBarcodes}) {
        const QString file = m_dir.filePath(QStringLiteral("sheet%1.pdf").arg(static_cast<int>(sheet)));
        ASSERT_TRUE(WriteBarcodeSheetPdf(sheet, file));
        QStringList texts;
        if (sheet == TBarcodeSheet::Steuerbarcodes)
            for (const TCode &code : TSteuerbarcodes::Codes())
                texts << code.Caption;
        else
            for (const TCode &code : TConfigBarcodes::Codes())
                texts << code.Caption;
        expectInFull(file, texts);
        expectNoOverlap(file);
    }
}

} // namespace
