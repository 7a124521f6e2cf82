// The export read back by a real spreadsheet program: LibreOffice Calc's CSV
// import (semicolon, double quote, Windows-1252, German) must yield no formula.
#include "StoreTestDb.h"
#include "core/FormatSettings.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "support/RequireTool.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The content.xml of a flat ODF file: formula cells carry table:formula.
QString convertWithCalc(const QTemporaryDir &dir, const QString &csv, QString *log)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path()); // a profile of its own, never the user's
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    // Filter options: separator ';' (59), text delimiter '"' (34), Windows-1252 (1),
    // from line 1, standard cell format, language German (1031).
    p.start(QStringLiteral("soffice"),
            {QStringLiteral("--headless"), QStringLiteral("--norestore"),
             QStringLiteral("--infilter=CSV:59,34,1,1,,1031"), QStringLiteral("--convert-to"),
             QStringLiteral("fods"), QStringLiteral("--outdir"), dir.path(), csv});
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
    }
    *log = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    QFile f(dir.filePath(QFileInfo(csv).completeBaseName() + QStringLiteral(".fods")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

TEST(CsvInCalc, NoCellOfTheExportIsAFormula)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GT_SKIP_WITHOUT_TOOL("LibreOffice (soffice) nicht installiert");
    InitFormatSettings();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // Typed into customer and device fields, as the dialogs and the scanner would.
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.exec(QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1, KDstrName2, KDstrName3, "
                          "KDstrStrasse, KDstrOrt, KDstrTelefon) VALUES (1, %1, %2, %3, %4, %5, %6)")
               .arg(SqlQuote(QStringLiteral("=1+2")), SqlQuote(QStringLiteral("+3*4")),
                    SqlQuote(QStringLiteral("-5+6")), SqlQuote(QStringLiteral("@SUM(1;2)")),
                    SqlQuote(QStringLiteral("=WEBSERVICE(\"http://127.0.0.1:9/x\")")),
                    SqlQuote(QStringLiteral("\t=7+8"))));
    t.exec(QStringLiteral("INSERT INTO tblPruefling (PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, "
                          "PLstrTyp, PLstrBarcode) VALUES (2, 1, %1, %2, %3)")
               .arg(SqlQuote(QStringLiteral("\r=9+1")),
                    SqlQuote(QStringLiteral("=HYPERLINK(\"http://x\";\"k\")")),
                    SqlQuote(QStringLiteral("=2*3"))));
    t.addTest(3, 2, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)), QStringLiteral("=A1"));
    t.exec(QStringLiteral("UPDATE tblPruefung SET PRintIsolationswid = 1115, PRstrPruefer = 'Müller'"));

    TExportSwitches all;
    all.Column.fill(true);
    const QString csv = dir.filePath(QStringLiteral("export.csv"));
    QString err;
    ASSERT_TRUE(ExportAllTests(t.db(), csv, all, &err)) << err.toStdString();
    QString log;
    const QString xml = convertWithCalc(dir, csv, &log);
    ASSERT_FALSE(xml.isEmpty()) << log.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("table:formula="))) << xml.toStdString();
    // The texts arrive as text, readable.
    EXPECT_TRUE(xml.contains(QStringLiteral("=WEBSERVICE(")));
    EXPECT_TRUE(xml.contains(QStringLiteral("&apos;=1+2")));
    EXPECT_TRUE(xml.contains(QStringLiteral("Müller")));
    EXPECT_TRUE(xml.contains(QStringLiteral("office:value=\"1.12\""))); // numbers stay numbers

    // The control: the same file without the neutralising apostrophes shows
    // live formulas, so the import above could have found one.
    const QString bare = dir.filePath(QStringLiteral("bare.csv"));
    {
        QFile in(csv), out(bare);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        QByteArray bytes = in.readAll();
        const qsizetype before = bytes.size();
        static const QRegularExpression neutralised(QStringLiteral("(^|;)\"'([=+\\-@\t\r])"),
                                                    QRegularExpression::MultilineOption);
        bytes = QString::fromLatin1(bytes).replace(neutralised, QStringLiteral("\\1\"\\2")).toLatin1();
        ASSERT_LT(bytes.size(), before) << "no neutralised value in the export";
        out.write(bytes);
    }
    const QString live = convertWithCalc(dir, bare, &log);
    ASSERT_FALSE(live.isEmpty()) << log.toStdString();
    EXPECT_TRUE(live.contains(QStringLiteral("table:formula=\"of:=1+2\""))) << live.toStdString();
}

} // namespace
