#include "../AppTestSupport.h"

#include "controls/LEDPaint.h"

#include "app/settings/ComRadio.h"
#include "app/shell/HelpWindow.h"
#include "app/shell/MainActions.h"
#include "app/shell/MainStatusBar.h"
#include "core/IniFile.h"
#include "store/Database.h"
#include "tester/ConnectionController.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QMenuBar>
#include <QPointer>
#include <QSqlQuery>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

QStringList toolBarNames(QToolBar *bar)
{
    QStringList names;
    for (QAction *a : bar->actions()) {
        if (a->isSeparator())
            names << QStringLiteral("|");
        else if (!a->objectName().isEmpty())
            names << a->objectName();
    }
    return names;
}

} // namespace

TEST(MainWindow, FrameMenusAndToolBarCarryTheirNamesCaptionsAndHints)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Gerätetester"));
    EXPECT_EQ(w->size(), QSize(800, 572));
    EXPECT_EQ(w->pos(), QPoint(192, 107));

    QStringList menus;
    for (QAction *a : w->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"&Gerätetester", "&Daten", "Konfiguration", "Messmodus", "&Hilfe"}));

    const QList<std::pair<const char *, const char *>> captions = {
        {"G_Schnittstelle", "Schnittstelle wählen..."},
        {"G_Verbinden", "mit Gerätetester verbinden"},
        {"G_Abrufen", "Daten abrufen..."},
        {"G_Beenden", "Beenden"},
        {"D_Oeffnen", "Öffnen..."},
        {"D_Barcode", "Barcode..."},
        {"K_Einstellungen", "Einstellungen..."},
        {"K_Hinweise", "Hinweise"},
        {"K_Sprache", "Sprache..."},
        {"M_Einstellen", "einstellen..."},
        {"H_Index", "Index"},
        {"H_Benutzen", "Hilfe benutzen"},
        {"H_Info", "Info..."}};
    for (const auto &[name, caption] : captions) {
        auto *a = w->findChild<QAction *>(QLatin1String(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_TRUE(w->findChild<QAction *>(QStringLiteral("G_Verbinden"))->isCheckable());
    EXPECT_EQ(w->findChild<QAction *>(QStringLiteral("G_Abrufen"))->toolTip(),
              QStringLiteral("Datenabruf vom Gerätetester"));
    EXPECT_EQ(w->findChild<QAction *>(QStringLiteral("K_Sprache"))->toolTip(),
              QStringLiteral("Gerätetestersprache einstellen"));
    EXPECT_FALSE(w->Actions().D_ListenDrucken->isVisible());
    EXPECT_FALSE(w->Actions().D_ListenDrucken->isEnabled());

    EXPECT_EQ(toolBarNames(w->Actions().ToolBar),
              QStringList({"G_Schnittstelle", "G_Verbinden", "G_Abrufen", "|", "D_Oeffnen", "D_Barcode", "|",
                           "K_Einstellungen", "K_Hinweise", "K_Sprache", "|", "M_Einstellen", "|", "H_Info",
                           "G_Beenden"}));
    EXPECT_EQ(w->Actions().SafetyButton->toolTip(), QStringLiteral("Sicherheitshinweise"));
    // Disconnected at start: only the tester's own functions wait for a connection.
    EXPECT_FALSE(w->Actions().K_Sprache->isEnabled());
    EXPECT_TRUE(w->Actions().G_Schnittstelle->isEnabled());
    EXPECT_NE(w->findChild<QObject *>(QStringLiteral("Timer1")), nullptr);
    EXPECT_NE(w->findChild<QObject *>(QStringLiteral("Timer2")), nullptr);
}

TEST(MainWindow, StatusBarStartsDisconnectedOnTheConfiguredPort)
{
    FormFixture f;
    f.withDatabase();
    writeFile(f.iniPath(), "[Interface]\nPort=3\n[Position]\nLeft=20\nTop=30\n");
    TForm1 *w = f.make();
    auto *bar = w->findChild<TMainStatusBar *>(QStringLiteral("StatusBar1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->PanelText(0), QStringLiteral("Keine Verbindung"));
    EXPECT_EQ(bar->PanelText(1), QStringLiteral("COM3"));
    EXPECT_EQ(bar->PanelText(2), QStringLiteral("SerNo."));
    EXPECT_EQ(bar->PanelText(3), QStringLiteral("PgmVers."));
    EXPECT_EQ(bar->PanelText(4), QString());
    EXPECT_EQ(bar->PanelText(5), QString());
    EXPECT_GE(bar->Panel(0)->minimumWidth(), 150);
    EXPECT_GE(bar->Panel(3)->minimumWidth(), 120);
    auto *tx = w->findChild<TLEDPaint *>(QStringLiteral("LEDPaint1"));
    auto *rx = w->findChild<TLEDPaint *>(QStringLiteral("LEDPaint2"));
    ASSERT_NE(tx, nullptr);
    ASSERT_NE(rx, nullptr);
    EXPECT_EQ(tx->size(), QSize(8, 6));
    EXPECT_EQ(tx->LEDType(), ltUp);
    EXPECT_EQ(rx->LEDType(), ltDown);
    EXPECT_EQ(rx->TotalBevelWidth(), 0);
    EXPECT_EQ(w->pos(), QPoint(20, 30));
}

// The lamps blink with every report: a blink repaints the lamp, never the bar
// and its panels underneath (that doubled the idle CPU while connected).
TEST(MainWindow, BlinkingLampRepaintsOnlyItself)
{
    TMainStatusBar bar;
    bar.resize(900, 24);
    bar.show();
    ASSERT_TRUE(waitUntil([&] { return bar.isVisible() && bar.SendLed->isVisible(); }));
    struct PaintCounter : QObject {
        QMap<QObject *, int> paints;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Paint) ++paints[o];
            return false;
        }
    } counter;
    QList<QWidget *> watched{&bar, bar.SendLed->parentWidget(), bar.Panel(0), bar.Panel(6)};
    watched << bar.SendLed << bar.ReceiveLed;
    for (QWidget *w : watched)
        w->installEventFilter(&counter);
    // The first showing paints everything.
    ASSERT_TRUE(waitUntil([&] { return counter.paints.size() == watched.size(); }));
    for (bool on : {true, false}) {
        counter.paints.clear();
        bar.ReceiveLed->setLEDOn(on);
        ASSERT_TRUE(waitUntil([&] { return counter.paints.value(bar.ReceiveLed) > 0; }));
        EXPECT_EQ(counter.paints.size(), 1) << "lamp " << on << ": more than the lamp repainted";
    }
    // Around its arrow the lamp shows the bar's own background.
    const QImage lamp = bar.ReceiveLed->grab().toImage();
    EXPECT_EQ(lamp.pixelColor(0, 0), bar.palette().color(QPalette::Window));
    EXPECT_EQ(lamp.pixelColor(lamp.width() - 1, lamp.height() - 1), bar.palette().color(QPalette::Window));
}

TEST(MainWindow, DatabaseOpensAfterTheLoopRunsAndSqlTxtIsGone)
{
    FormFixture f;
    f.withDatabase();
    // The start clears the program's own "SQL.txt"; one in the folder it was started from is the user's.
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(f.dir.path());
    writeFile(f.path(QStringLiteral("SQL.txt")), "meine Notizen");
    ASSERT_TRUE(FailedSqlPath().startsWith(data.path())) << FailedSqlPath().toStdString();
    ASSERT_TRUE(SaveFailedSql(QStringLiteral("SELECT kaputt")));
    TForm1 *w = f.make();
    EXPECT_FALSE(QFile::exists(FailedSqlPath()));
    EXPECT_TRUE(QFile::exists(f.path(QStringLiteral("SQL.txt"))));
    qputenv("XDG_DATA_HOME", oldData);
    // Not yet: the database is opened by the posted message.
    EXPECT_TRUE(w->StatusBar1().PanelText(6).isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbankverbindung ok."));
    EXPECT_EQ(DatabaseKind(ProgramDatabase()), 0); // SQLite is "other"
    EXPECT_TRUE(ProgramDatabase().isOpen());
    EXPECT_TRUE(f.messages.isEmpty());
    w->FormDestroy();
    EXPECT_FALSE(ProgramDatabase().isOpen());
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbank getrennt."));
    f.destroy();
    QDir::setCurrent(oldCwd);
}

TEST(MainWindow, MissingDatabaseIsOfferedOnceAndNothingIsMadeWithoutYes)
{
    FormFixture f;
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Keine Datenbank!"));
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.questions[0].startsWith(QStringLiteral(
        "Die für den Betrieb dieses Programms erforderliche Datenbank wurde nicht gefunden.\n\n")));
    EXPECT_TRUE(f.questions[0].contains(QDir::toNativeSeparators(f.path(QStringLiteral("VERIDA.db")))));
    EXPECT_TRUE(f.messages.isEmpty());
    EXPECT_EQ(DatabaseKind(ProgramDatabase()), 0);
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("VERIDA.db"))));
    EXPECT_TRUE(w->Actions().G_Verbinden->isEnabled());
}

TEST(MainWindow, YesToTheOfferMakesAReadyDatabaseAndConnects)
{
    FormFixture f;
    f.answerYes = true;
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbankverbindung ok."));
    EXPECT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'|').toStdString();
    ASSERT_TRUE(ProgramDatabase().isOpen());
    EXPECT_TRUE(MissingTables(ProgramDatabase()).isEmpty());
    QSqlQuery q(ProgramDatabase());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM tblSichtTeil")) && q.next());
    EXPECT_GT(q.value(0).toInt(), 0);
}

TEST(MainWindow, ADatabaseWithoutTablesIsCompletedOnlyWithYesAndKeepsItsData)
{
    FormFixture f;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("half"));
        db.setDatabaseName(f.path(QStringLiteral("VERIDA.db")));
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE eigene (x INTEGER)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("half"));
    f.answerYes = true;
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.questions[0].contains(QStringLiteral("fehlen Tabellen")));
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbankverbindung ok."));
    EXPECT_TRUE(QSqlQuery(ProgramDatabase()).exec(QStringLiteral("SELECT x FROM eigene")));
}

TEST(MainWindow, AnUnwritableIniIsReportedAtStartAndInTheLog)
{
    FormFixture f;
    f.withDatabase();
    // A folder that cannot be made, even for root: its parent is a file.
    writeFile(f.path(QStringLiteral("datei")), "x");
    TForm1Setup setup;
    setup.IniFile = f.path(QStringLiteral("datei/geraetetester.ini"));
    setup.ProgramDir = f.dir.path();
    f.form = std::make_unique<TForm1>(setup);
    TForm1 *w = f.form.get();
    auto *warning = w->StatusBar1().findChild<QLabel *>(QStringLiteral("IniWarning"));
    ASSERT_NE(warning, nullptr);
    EXPECT_FALSE(warning->text().isEmpty());
    EXPECT_TRUE(warning->toolTip().contains(QStringLiteral("datei")));

    // A writable file gives no warning.
    FormFixture ok;
    ok.withDatabase();
    EXPECT_EQ(ok.make()->StatusBar1().findChild<QLabel *>(QStringLiteral("IniWarning")), nullptr);
}

TEST(MainWindow, StartWithoutIniWritesEveryKeyAtTheEnd)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    EXPECT_FALSE(QFile::exists(f.iniPath()));
    w->Actions().K_Hinweise->trigger(); // hints off, to be saved
    w->move(55, 66);
    f.destroy();
    const TIniFile ini(f.iniPath());
    // Dialogs keep their own positions in the same section.
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Position")).mid(0, 2), QStringList({"Left", "Top"}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Interface")).size(), 5);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Configuration")).size(), 18);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Timing")).size(), 8);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Export")).size(), 58);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("DataBase")).size(), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Interface"), QStringLiteral("Port"), 0), 1);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Configuration"), QStringLiteral("ShowHints"), {}),
              QStringLiteral("0"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Position"), QStringLiteral("Left"), 0), 55);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Position"), QStringLiteral("Top"), 0), 66);
}

TEST(MainWindow, ProgramLogRunsFromStartToEnd)
{
    FormFixture f;
    f.withDatabase();
    const QString log = f.path(QStringLiteral("pgm.log"));
    writeFile(log, "alter Inhalt\r\n");
    writeFile(f.iniPath(), QStringLiteral("[Interface]\nPgmLog=%1\n").arg(log).toUtf8());
    f.make();
    f.destroy();
    QStringList texts;
    for (const QString &l : readLines(log))
        texts << logText(l);
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts.first(), QStringLiteral("Programmstart"));
    EXPECT_EQ(texts.mid(texts.size() - 2), QStringList({"Programmende", "------------"}));
    EXPECT_FALSE(texts.contains(QStringLiteral("alter Inhalt")));
}

TEST(MainWindow, UncreatableProgramLogIsSwitchedOffForTheRun)
{
    FormFixture f;
    f.withDatabase();
    writeFile(f.iniPath(),
              QStringLiteral("[Interface]\nPgmLog=%1/fehlt/pgm.log\n").arg(f.dir.path()).toUtf8());
    TForm1 *w = f.make();
    EXPECT_FALSE(w->ProgramLog().IsOpen());
    f.destroy();
    // Off for this run only: the configured name survives for the next start.
    EXPECT_EQ(TIniFile(f.iniPath()).ReadString(QStringLiteral("Interface"), QStringLiteral("PgmLog"), {}),
              f.dir.path() + QStringLiteral("/fehlt/pgm.log"));
}

TEST(MainWindow, SafetyPictureShowsTheNotes)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    w->Actions().SafetyButton->click();
    ASSERT_EQ(f.messages.size(), 1);
    EXPECT_TRUE(f.messages[0].startsWith(
        QStringLiteral("Bitte beachten Sie die Bedienungsanleitung zum Gerätetester.\n\nDie Prüfungen")));
    EXPECT_TRUE(f.messages[0].endsWith(QStringLiteral("unterwiesenen Person durchgeführt werden.")));
}

TEST(MainWindow, IdleStepRunsWhenTheQueueEmptiesAndNotOnATimer)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    int passes = 0;
    QObject::connect(&w->Connection(), &TConnectionController::idle, w, [&](bool open) {
        EXPECT_FALSE(open);
        ++passes;
    });
    waitUntil([] { return false; }, 300);
    // At least one pass per blocking wait, but no spinning: the 100 ms timer and
    // the 5 ms waits above allow well under a hundred passes in 300 ms.
    EXPECT_GT(passes, 0);
    EXPECT_LT(passes, 150);
    // Reports that arrive while disconnected are forgotten by the idle step.
    w->Connection().Mailbox().AutosendPending = 0x10;
    waitUntil([&] { return w->Connection().Mailbox().AutosendPending == 0; }, 1000);
    EXPECT_EQ(w->Connection().Mailbox().AutosendPending, 0);
}

TEST(MainWindow, HelpOpensIndexAndUsingHelpAndSearchFilters)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    w->Actions().H_Benutzen->trigger();
    EXPECT_EQ(w->HelpWindow()->CurrentPage(), QStringLiteral("hilfe.html"));
    w->Actions().H_Index->trigger();
    EXPECT_EQ(w->HelpWindow()->CurrentPage(), QStringLiteral("index.html"));
    EXPECT_TRUE(w->HelpWindow()->isVisible());

    const QStringList hits = THelpWindow::Search(QStringLiteral("autoconnect"));
    EXPECT_EQ(hits, QStringList({"verbinden.html", "einstellungen.html"}));
    EXPECT_EQ(THelpWindow::Search(QString()).size(), THelpWindow::Pages().size());
    EXPECT_TRUE(THelpWindow::Search(QStringLiteral("Barcodeleser Laserdrucker")).contains("barcodes.html"));
    EXPECT_TRUE(THelpWindow::Search(QStringLiteral("gibtesnicht")).isEmpty());
}

// The splash screen stands eight ticks of Timer1; it keeps the timer ticking
// only while it stands, after that the idle window lets it sleep again.
TEST(MainWindow, SplashScreenGoesAfterEightTicksAndLetsTimer1Sleep)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    auto *splash = new QWidget;
    splash->show();
    QPointer<QWidget> guard(splash);
    QElapsedTimer t;
    t.start();
    w->setSplash(splash);
    ASSERT_TRUE(waitUntil([&] { return guard.isNull(); }, 5000));
    EXPECT_GE(t.elapsed(), 700); // the first of the eight may come at once
    waitUntil([&] { return w->Connection().Timer1->remainingTime() > 1000; }, 1000);
    EXPECT_GT(w->Connection().Timer1->remainingTime(), 1000);
}
