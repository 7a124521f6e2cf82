#include "E2eSupport.h"

#include "app/settings/ComRadio.h"
#include "core/ProgramPaths.h"
#include "serial/PortNames.h"
#include "support/TestSupport.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace gt_e2e;

TEST(Connection, ConnectIdentifiesTheTesterAndStartsAutosendAndDisconnectStopsIt)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--serial"), QStringLiteral("0612345678")}));
    ConnectedFixture f;
    f.configure(sim.path());
    TForm1 *w = f.make();
    int decoded = 0;
    QObject::connect(&w->Connection(), &TConnectionController::decodeSlot, w, [&] { ++decoded; });

    w->Actions().G_Verbinden->trigger();
    EXPECT_TRUE(f.connected());
    EXPECT_EQ(f.panel(0), QStringLiteral("Verbunden"));
    EXPECT_EQ(f.panel(1), QStringLiteral("COM1"));
    EXPECT_EQ(f.panel(2), QStringLiteral("SerNo. 0612345678"));
    EXPECT_EQ(f.panel(3), QStringLiteral("PgmVers. 1.04.02 R1"));
    // The simulator starts in English and the program switches it to German.
    EXPECT_EQ(f.panel(4), QStringLiteral("de"));
    EXPECT_EQ(f.panel(5), QStringLiteral("00"));
    EXPECT_FALSE(w->Actions().G_Schnittstelle->isEnabled());
    EXPECT_TRUE(w->Actions().K_Sprache->isEnabled());
    EXPECT_TRUE(f.messages.isEmpty());

    EXPECT_TRUE(sim.waitForAutosend(0x79c));
    EXPECT_EQ(sim.state().value(QStringLiteral("language")), QStringLiteral("de"));
    // Reports arrive on their own and the idle step decodes them.
    EXPECT_TRUE(waitUntil([&] { return decoded >= 8; }, 5000));
    // The start action is released 0.8 s after connecting.
    EXPECT_TRUE(waitUntil([&] { return w->Connection().StartEnabled(); }, 3000));

    w->Actions().G_Verbinden->trigger();
    EXPECT_FALSE(f.connected());
    EXPECT_EQ(f.panel(0), QStringLiteral("Keine Verbindung"));
    EXPECT_EQ(f.panel(2), QStringLiteral("SerNo."));
    EXPECT_EQ(f.panel(3), QStringLiteral("PgmVers."));
    EXPECT_TRUE(f.panel(4).isEmpty());
    EXPECT_TRUE(w->Actions().G_Schnittstelle->isEnabled());
    EXPECT_FALSE(w->Connection().StartEnabled());
    EXPECT_TRUE(sim.waitForAutosend(0));
    const QStringList log = f.logTexts();
    EXPECT_TRUE(log.contains(QStringLiteral("COM ist verbunden")));
    EXPECT_TRUE(log.contains(QStringLiteral("lfd. Übertragung beenden")));
    EXPECT_TRUE(log.contains(QStringLiteral("Sendung $67: Autosend-Funktionen löschen")));
}

TEST(Connection, OldFirmwareShowsTheMessageAndStaysConnected)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--firmware"), QStringLiteral("1.02.99")}));
    ConnectedFixture f;
    f.configure(sim.path());
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    ASSERT_EQ(f.messages.size(), 1);
    EXPECT_TRUE(f.messages[0].startsWith(
        QStringLiteral("Der angeschlossene Gerätetester mit Firmwareversion 1.02.99")));
    EXPECT_TRUE(f.connected());
    EXPECT_TRUE(f.panel(3).startsWith(QStringLiteral("PgmVers. 1.02.99")));
    EXPECT_TRUE(sim.waitForAutosend(0x79c));
}

TEST(Connection, ClosingWhileConnectedSwitchesAutosendOffAndEndsTheLog)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ConnectedFixture f;
    f.configure(sim.path());
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(sim.waitForAutosend(0x79c));
    f.destroy();
    EXPECT_TRUE(sim.waitForAutosend(0));
    const QStringList log = f.logTexts();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.mid(log.size() - 2), QStringList({"Programmende", "------------"}));
    EXPECT_TRUE(log.contains(QStringLiteral("Sendung $67: Autosend-Funktionen löschen")));
}

// A pause (or RefreshTime 0) zeroes the refresh counter but leaves the tester
// streaming: disconnecting must still switch autosend off.
TEST(Connection, DisconnectSwitchesAutosendOffWheneverItWasOrdered)
{
    for (const char *extra : {"[Timing]\nRefreshTime=0\n", ""}) {
        SCOPED_TRACE(extra);
        gt_test::SimProcess sim;
        ASSERT_TRUE(sim.start());
        ConnectedFixture f;
        f.configure(sim.path(), extra);
        TForm1 *w = f.make();
        w->Actions().G_Verbinden->trigger();
        ASSERT_TRUE(f.connected());
        ASSERT_TRUE(sim.waitForAutosend(0x79c));
        w->Connection().StopPolling();
        EXPECT_EQ(w->Connection().RefreshCtr(), 0);
        w->Actions().G_Verbinden->trigger();
        EXPECT_FALSE(f.connected());
        EXPECT_TRUE(sim.waitForAutosend(0));
        const QStringList log = f.logTexts();
        EXPECT_TRUE(log.contains(QStringLiteral("lfd. Übertragung beenden")));
        EXPECT_TRUE(log.contains(QStringLiteral("COM wird geschlossen")));
    }
}

TEST(Connection, AutoConnectConnectsAtStart)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ConnectedFixture f;
    f.configure(sim.path(), "AutoConnect=1\n");
    f.make();
    EXPECT_TRUE(
        waitUntil([&] { return f.panel(0) == QLatin1String("Verbunden") && f.panel(4) == "de"; }, 15000));
    EXPECT_TRUE(f.connected());
}

TEST(Connection, PortThatCannotOpenLeavesTheButtonUnchecked)
{
    ConnectedFixture f;
    f.configure(f.path(QStringLiteral("kein-geraet")));
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    EXPECT_FALSE(f.connected());
    // The reason stands in the status bar instead of a silent failure.
    EXPECT_EQ(f.panel(0), QStringLiteral("COM1: nicht vorhanden"));
    EXPECT_TRUE(w->Actions().G_Schnittstelle->isEnabled());
    EXPECT_EQ(w->Connection().ActiveCtr(), 0);
}

TEST(Connection, PortHeldByAnotherProgramSaysSo)
{
    gt_test::PtyPair line;
    ASSERT_TRUE(line.ok());
    const int held = ::open(line.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    ConnectedFixture f;
    f.configure(line.slavePath());
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    EXPECT_FALSE(f.connected());
    EXPECT_EQ(f.panel(0), QStringLiteral("COM1: belegt"));
    EXPECT_EQ(PortOpenProblem(line.slavePath()), QStringLiteral("belegt"));
    ::close(held);
    EXPECT_TRUE(PortOpenProblem(line.slavePath()).isEmpty());
}

TEST(Connection, DataRetrievalWithoutConnectionSendsNothing)
{
    ConnectedFixture f;
    gt_test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    f.configure(pty.slavePath());
    TForm1 *w = f.make();
    bool shown = false;
    w->Connection().FetchData([&] { shown = true; });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(pty.read(1, 200).isEmpty());
}

TEST(Connection, DataRetrievalPausesAutosendAndResumesAfterTheDialog)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ConnectedFixture f;
    f.configure(sim.path());
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(sim.waitForAutosend(0x79c));
    bool quietDuringDialog = false;
    w->Connection().FetchData([&] {
        EXPECT_FALSE(w->Connection().Timer2->isActive());
        EXPECT_EQ(w->Connection().ActiveCtr(), 0);
        quietDuringDialog = sim.waitForAutosend(0);
    });
    EXPECT_TRUE(quietDuringDialog);
    EXPECT_TRUE(w->Connection().Timer2->isActive());
    EXPECT_EQ(w->Connection().ActiveCtr(), w->Connection().InActiveTime());
    EXPECT_TRUE(sim.waitForAutosend(0x79c));
    const QStringList log = f.logTexts();
    EXPECT_LT(log.indexOf(QStringLiteral("Timer 2 disabled")),
              log.indexOf(QStringLiteral("Timer 2 enabled")));
    EXPECT_TRUE(f.connected());
}

TEST(Connection, ChosenPortIsShownAndSaved)
{
    gt_test::PtyPair one, two;
    ASSERT_TRUE(one.ok() && two.ok());
    ConnectedFixture f;
    f.withDatabase();
    writeFile(f.iniPath(),
              "[Ports]\nCOM2=" + one.slavePath().toUtf8() + "\nCOM5=" + two.slavePath().toUtf8() + "\n");
    SetProgramIniOverride(f.iniPath());
    TForm1 *w = f.make();
    EXPECT_EQ(f.panel(1), QStringLiteral("COM1"));
    QTimer::singleShot(0, w, [w] {
        TSchnittstelleDlg *dlg = w->SchnittstelleDlg();
        // Preset to the configured port; the mapped ports can be chosen (the
        // machine's own serial devices may fill other numbers).
        EXPECT_EQ(dlg->PortGroup->SelectedPort(), Com1);
        EXPECT_TRUE(dlg->PortGroup->Button(1)->isEnabled());
        EXPECT_TRUE(dlg->PortGroup->Button(4)->isEnabled());
        dlg->PortGroup->Button(4)->click();
        dlg->OkButton->click();
    });
    w->Actions().G_Schnittstelle->trigger();
    EXPECT_EQ(f.panel(1), QStringLiteral("COM5"));
    EXPECT_EQ(w->Connection().Port(), 5);
    f.destroy();
    EXPECT_TRUE(readFile(f.iniPath()).contains("Port=5\n"));
    // The port mapping the user wrote stays as it was.
    EXPECT_TRUE(readFile(f.iniPath()).contains("COM5=" + two.slavePath().toUtf8()));
}
