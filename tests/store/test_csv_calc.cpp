// The export read back by a real spreadsheet program: LibreOffice Calc's CSV
// import (semicolon, double quote, Windows-1252, German) must yield no formula.
#include "store/CsvExport.h"
#include "core/FormatSettings.h"

#include <QFile>
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
    QFile f(dir.filePath(QStringLiteral("export.fods")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

TEST(CsvInCalc, NoCellOfTheExportIsAFormula)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) nicht installiert";
    InitFormatSettings();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    TWerteSatz w;
    w.Name1 = QStringLiteral("=1+2");
    w.Ort = QStringLiteral("=WEBSERVICE(\"http://127.0.0.1:9/x\")");
    w.Name2 = QStringLiteral("+3*4");
    w.Name3 = QStringLiteral("-5+6");
    w.Strasse = QStringLiteral("@SUM(1;2)");
    w.Bezeichnung = QStringLiteral("\t=7+8");
    w.Typ = QStringLiteral("\r=9+1");
    w.Notiz = QStringLiteral("=HYPERLINK(\"http://x\";\"klick\")");
    w.Barcode = QStringLiteral("=2*3");
    w.Pruefer = QStringLiteral("Müller");
    w.Schutzleiterwid = 120;
    w.Isolationswid = 1115;
    w.Ableitstrom = -1;
    TExportSwitches all;
    all.Column.fill(true);
    const QString csv = dir.filePath(QStringLiteral("export.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(EncodeWindows1252(BuildCsvHeader(w, all) + QStringLiteral("\r\n") + BuildCsvLine(w, all) +
                                  QStringLiteral("\r\n")));
    }
    QString log;
    const QString xml = convertWithCalc(dir, csv, &log);
    ASSERT_FALSE(xml.isEmpty()) << log.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("table:formula="))) << xml.toStdString();
    // The texts arrive as text, readable.
    EXPECT_TRUE(xml.contains(QStringLiteral("=WEBSERVICE(")));
    EXPECT_TRUE(xml.contains(QStringLiteral("&apos;=1+2")));
    EXPECT_TRUE(xml.contains(QStringLiteral("Müller")));
    EXPECT_TRUE(xml.contains(QStringLiteral("office:value=\"1.12\""))); // numbers stay numbers
}

} // namespace
