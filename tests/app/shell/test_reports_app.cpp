// The barcode sheet choice, the current-values printing hook-up and the two
// report commands of the command line.

#include "../AppTestSupport.h"

#include "../../protocols/PdfTools.h"
#include "../../store/StoreTestDb.h"
#include "app/browser/DatenanzeigeDlg.h"
#include "app/cli/CliBarcodeSheet.h"
#include "app/cli/CliProtocolPdf.h"
#include "app/common/ProtocolSettings.h"
#include "app/common/QtTranslations.h"
#include "app/extras/BarcdWahlDlg.h"
#include "app/panel/FrontPanel.h"
#include "app/panel/PrintCurrentValues.h"
#include "app/panel/TestControl.h"
#include "app/shell/AppWindows.h"
#include "app/shell/FrontPanelInstall.h"
#include "app/shell/MainActions.h"
#include "core/IniFile.h"
#include "protocols/DeviceLabels.h"
#include "support/ProgramIniScope.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

// Runs show() and reports what the preview window it opens shows: its page
// count and title (-1 and empty when no preview came up).
std::pair<int, QString> previewOf(const std::function<void()> &show)
{
    int pages = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget *dlg = QApplication::activeModalWidget();
        auto *view = dlg ? dlg->findChild<QPrintPreviewWidget *>() : nullptr;
        if (view) {
            // The preview lays its pages out once the event loop runs.
            waitUntil([&] { return view->pageCount() > 0; });
            pages = view->pageCount();
            title = dlg->windowTitle();
            if (qEnvironmentVariableIsSet("GT_PREVIEW_PNG")) {
                dlg->resize(900, 700);
                waitUntil([] { return false; }, 300);
                dlg->grab().save(qEnvironmentVariable("GT_PREVIEW_PNG"));
            }
        }
        if (dlg) dlg->close();
    });
    show();
    return {pages, title};
}

} // namespace

TEST(BarcdWahlDlg, OkOnlyWithAChoiceAndEveryOpeningStartsWithout)
{
    TBarcdWahlDlg dlg;
    dlg.PreviewOnAccept = false;
    QList<TBarcodeSheet> chosen;
    QObject::connect(&dlg, &TBarcdWahlDlg::sheetChosen, [&](TBarcodeSheet s) { chosen << s; });
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Barcodes drucken"));
    ASSERT_NE(dlg.findChild<QGroupBox *>(QStringLiteral("RadioGroup1")), nullptr);
    EXPECT_EQ(dlg.SheetGroup->title(), QStringLiteral("Barcodeblatt wählen"));
    EXPECT_EQ(dlg.SteuerItem->text(), QStringLiteral("Steuerbarcodes zur Gerätetester-Einstellung"));
    EXPECT_EQ(dlg.LeserItem->text(), QStringLiteral("Konfiguration des Barcodelesers"));

    int round = 0;
    auto run = [&](const std::function<void()> &inside) {
        QTimer::singleShot(0, &dlg, [&] {
            EXPECT_EQ(dlg.ItemIndex(), -1) << "round " << round;
            EXPECT_FALSE(dlg.OkButton->isEnabled()) << "round " << round;
            inside();
        });
        return dlg.exec();
    };
    // Choose the reader sheet, then cancel: nothing is printed.
    EXPECT_EQ(run([&] {
                  dlg.LeserItem->click();
                  EXPECT_TRUE(dlg.OkButton->isEnabled());
                  dlg.CancelButton->click();
              }),
              QDialog::Rejected);
    EXPECT_TRUE(chosen.isEmpty());
    // Opened again: no choice, OK without a choice does nothing.
    ++round;
    EXPECT_EQ(run([&] {
                  dlg.OkButton->click();
                  EXPECT_TRUE(dlg.isVisible());
                  dlg.SteuerItem->click();
                  dlg.OkButton->click();
              }),
              QDialog::Accepted);
    ++round;
    EXPECT_EQ(run([&] {
                  dlg.LeserItem->click();
                  dlg.OkButton->click();
              }),
              QDialog::Accepted);
    EXPECT_EQ(chosen, (QList<TBarcodeSheet>{TBarcodeSheet::Steuerbarcodes, TBarcodeSheet::ConfigBarcodes}));
    if (qEnvironmentVariableIsSet("GT_DIALOG_PNG")) {
        dlg.show();
        dlg.SteuerItem->setChecked(true);
        dlg.grab().save(qEnvironmentVariable("GT_DIALOG_PNG"));
        dlg.hide();
    }
}

TEST(BarcdWahlDlg, MainWindowOpensItFromMenuAndToolBar)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    TBarcdWahlDlg *dlg = w->Windows().BarcdWahl;
    ASSERT_NE(dlg, nullptr);
    dlg->PreviewOnAccept = false;
    QAction *action = w->Actions().D_Barcode;
    EXPECT_EQ(action->text(), QStringLiteral("Barcode..."));
    EXPECT_TRUE(w->Actions().ToolBar->actions().contains(action));
    bool seen = false;
    QTimer::singleShot(0, dlg, [&] {
        seen = QApplication::activeModalWidget() == dlg && !dlg->OkButton->isEnabled();
        dlg->reject();
    });
    action->trigger();
    EXPECT_TRUE(seen);
}

TEST(CurrentValuesPrinting, UsesTheConfiguredProtocolSettings)
{
    TConfiguration c;
    c.TopLine[0] = QStringLiteral("Elektro Kunz");
    c.BottomLine[4] = QStringLiteral("Seite unten");
    c.ServiceInterv = 730;
    c.Preview = true;
    const TProtocolSettings s = ProtocolSettingsOf(c);
    EXPECT_EQ(s.TopLine[0], QStringLiteral("Elektro Kunz"));
    EXPECT_EQ(s.BottomLine[4], QStringLiteral("Seite unten"));
    EXPECT_EQ(s.ServiceInterv, 730);
    EXPECT_TRUE(s.Preview);

    // "&Drucken" of the main window is wired to the protocol.
    FormFixture f;
    f.withDatabase();
    f.make();
    const TFrontPanelParts parts = FrontPanelParts(*f.form);
    ASSERT_NE(parts.Control, nullptr);

    // With "Preview" on, "&Drucken" opens the preview of the current values.
    f.form->Configuration().Preview = true;
    EXPECT_EQ(previewOf([&] { parts.Control->Drucken(); }).first, 1);
}

// The browser only says what the user asked for; in the program its
// protocols and labels reach the preview.
TEST(BrowserPrinting, TheProgramPreviewsTheBrowsersProtocolsAndLabels)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    TDatenanzeigeDlg *browser = w->Windows().Datenanzeige;
    ASSERT_NE(browser, nullptr);
    w->Configuration().Preview = true;
    TWerteSatz record;
    record.Name1 = QStringLiteral("Klinik Nord");
    EXPECT_EQ(previewOf([&] { emit browser->protocolRequested(0, record); }).first, 1);
    TDueEntry device;
    device.Bezeichnung = QStringLiteral("Patientenbett");
    device.Barcode = QStringLiteral("4711");
    EXPECT_EQ(previewOf([&] { emit browser->labelsReady(DeviceLabelsReport({device})); }).first, 1);
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(QLatin1Char('|')).toStdString();
}

TEST(CurrentValuesPrinting, WithoutAPrinterAGermanMessageInsteadOfAPrint)
{
    // Not a missing tool: a machine with a printer cannot reach this path.
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "ein Drucker ist eingerichtet";
    QString text;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            text = box->text();
            box->close();
        }
    });
    EXPECT_FALSE(PrintTestProtocol(TWerteSatz{}, TProtocolSettings{}, nullptr));
    EXPECT_EQ(text, QStringLiteral("Es ist kein Drucker eingerichtet. Der Ausdruck ist nicht möglich."));
}

// The command line reads the program's own INI file beside the test binary;
// one test so no two cases write it at once.
namespace {

void protocolPdfOn(TTestEngine engine)
{
    SCOPED_TRACE(engine == TTestEngine::SQLite ? "SQLite" : "PostgreSQL");
    TTestDb t(engine);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const gt_test::TProgramIniScope iniScope;
    const QString &iniPath = iniScope.path();
    ASSERT_EQ(TIniFile::ProgramIniPath(), iniPath);
    {
        iniScope.useDatabase(t.connectionString());
        TIniFile ini(iniPath);
        ini.WriteString(QStringLiteral("Configuration"), QStringLiteral("TopLine1"),
                        QStringLiteral("Elektro Kunz"));
        ini.WriteInteger(QStringLiteral("Configuration"), QStringLiteral("ServiceInterv"), 0);
    }
    t.addCustomer(1, QStringLiteral("Pflegeheim Am Park"), QStringLiteral("Berlin"));
    t.addDevice(10, 1, QStringLiteral("Pflegebett"), QStringLiteral("4711081500"));
    t.addTest(100, 10, QDateTime(QDate(2026, 3, 4), QTime(10, 0)), QStringLiteral("ohne Befund"));
    t.addTest(101, 10, QDateTime(QDate(2026, 3, 5), QTime(10, 0)), QString(), 1);
    t.addRow(101, 1, 10, 1); // parts of the catalogue
    t.addRow(101, 2, 20, 0);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.pdf"));

    ASSERT_EQ(RunProtocolPdfCommand(
                  {QStringLiteral("prog"), QStringLiteral("--protocol-pdf"), QStringLiteral("100"), file}),
              0);
    QString text = pdf_tools::text(file);
    EXPECT_TRUE(text.contains(QStringLiteral("Sicherheitsprüfung nach DIN VDE 0701/0702")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pflegeheim Am Park")));
    EXPECT_TRUE(text.contains(QStringLiteral("Elektro Kunz")));
    EXPECT_TRUE(text.contains(QStringLiteral("ohne Befund")));
    EXPECT_TRUE(text.contains(QStringLiteral("04.03.2026")));
    EXPECT_FALSE(text.contains(QStringLiteral("Nächste Prüfung")));

    // A 0751 test of protocol type 1 gets the form with its rows.
    ASSERT_EQ(RunProtocolPdfCommand({QStringLiteral("--protocol-pdf"), QStringLiteral("101"), file}), 0);
    EXPECT_EQ(pdf_tools::pageCount(file), 2);
    text = pdf_tools::text(file);
    EXPECT_TRUE(text.contains(QStringLiteral("Seite 2 von 2")));
    EXPECT_TRUE(text.contains(QStringLiteral("Sichtprüfung von Betten")));
    EXPECT_TRUE(text.contains(QStringLiteral("Gebrauchsanweisung")));

    // Failures: exit code 1, the old file stays.
    const QByteArray before = readFile(file);
    EXPECT_EQ(RunProtocolPdfCommand({QStringLiteral("--protocol-pdf"), QStringLiteral("999"), file}), 1);
    EXPECT_EQ(RunProtocolPdfCommand({QStringLiteral("--protocol-pdf"), QStringLiteral("abc"), file}), 1);
    EXPECT_EQ(RunProtocolPdfCommand({QStringLiteral("--protocol-pdf"), QStringLiteral("100")}), 1);
    EXPECT_EQ(RunProtocolPdfCommand({QStringLiteral("--protocol-pdf"), QStringLiteral("100"),
                                     dir.filePath(QStringLiteral("fehlt/p.pdf"))}),
              1);
    EXPECT_EQ(readFile(file), before);
}

} // namespace

TEST(ReportCommands, ProtocolPdfFromTheDatabase)
{
    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    protocolPdfOn(TTestEngine::SQLite);
    if (!TTestDb::Available(TTestEngine::PostgreSQL))
        GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
    protocolPdfOn(TTestEngine::PostgreSQL);
}

TEST(ReportCommands, BarcodeSheetFromTheProgramWithoutADisplay)
{
    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    const QString program = gt_test::buildDir() + QStringLiteral("/src/app/geraetetester");
    QTemporaryDir dir;
    auto run = [&](const QStringList &args, QString *err = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        if (err) *err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const QString steuer = dir.filePath(QStringLiteral("steuer.pdf"));
    const QString leser = dir.filePath(QStringLiteral("leser.pdf"));
    EXPECT_EQ(run({QStringLiteral("--barcode-sheet"), QStringLiteral("steuer"), steuer}), 0);
    EXPECT_EQ(pdf_tools::pageCount(steuer), 3);
    EXPECT_EQ(run({QStringLiteral("--barcode-sheet"), QStringLiteral("leser"), leser}), 0);
    EXPECT_TRUE(pdf_tools::text(leser).contains(QStringLiteral("Barcodeleser-Konfiguration")));

    QString err;
    EXPECT_EQ(run({QStringLiteral("--barcode-sheet"), QStringLiteral("etiketten"), steuer}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("kein Barcodeblatt"))) << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("--barcode-sheet"), QStringLiteral("steuer"),
                   dir.filePath(QStringLiteral("x/y.pdf"))},
                  &err),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("kann nicht angelegt werden"))) << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("--barcode-sheet")}), 2);
}

TEST(ProtocolPreview, ShowsEveryPageOfTheChosenForm)
{
    InstallQtTranslations();
    TWerteSatz w;
    w.DINVDE = 2;
    w.Protokolltyp = 1;
    w.Datum = QDateTime::currentDateTime();
    for (int i = 1; i <= 30; ++i)
        w.Sichtpr << TSichtPr{i, 1, QStringLiteral("Teil"), QStringLiteral("Prüfung")};
    TProtocolSettings s;
    s.Preview = true;
    bool printed = false;
    EXPECT_EQ(previewOf([&] { printed = PrintTestProtocol(w, s, nullptr); }),
              std::make_pair(3, QStringLiteral("Druckvorschau")));
    EXPECT_TRUE(printed);

    // The forced preview ignores the setting; without rows the form has one page.
    s.Preview = false;
    w.Sichtpr.clear();
    EXPECT_EQ(previewOf([&] { PreviewTestProtocol(w, s, nullptr); }).first, 1);
}
