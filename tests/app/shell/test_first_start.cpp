// The status bar's texts whole and true, and a start without a database that
// later tells the user how to get one instead of a driver's message.

#include "../AppTestSupport.h"

#include "app/common/WindowPlacement.h"
#include "app/shell/FirstStart.h"
#include "app/shell/MainActions.h"
#include "app/shell/MainStatusBar.h"
#include "app/shell/PortStatus.h"
#include "serial/PortAccess.h"
#include "store/Database.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

using namespace gt_app_test;

namespace {

// Rejects the next modal window once it stands; records its name.
void closeNextModal(QString *name)
{
    auto *t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, t, [t, name] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        *name = w->objectName();
        t->stop();
        t->deleteLater();
        w->close();
    });
    t->start();
}

TPortAccess access(const char *group, bool now = false, bool later = false)
{
    TPortAccess a;
    a.device = QStringLiteral("/dev/ttyS0");
    a.group = QLatin1String(group);
    a.user = QStringLiteral("elektro");
    a.inGroupNow = now;
    a.inGroupLater = later;
    return a;
}

} // namespace

TEST(StatusBar, PanelsShowTheirLongestTextsWholeInTheSmallestWindow)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    TMainStatusBar &bar = w->StatusBar1();
    const QString denied = PortDeniedStatus(1, access("root"), EACCES, false);
    const QList<std::pair<int, QString>> texts{
        {0, QStringLiteral("Keine Verbindung")},         {0, denied},
        {2, QStringLiteral("SerNo. 0612345678")},        {3, QStringLiteral("PgmVers. 1.03.00")},
        {6, QStringLiteral(" Datenbankverbindung ok.")}, {6, QStringLiteral(" Keine Datenbank!")}};
    w->show();
    for (const auto &[panel, text] : texts) {
        bar.setPanelText(panel, text);
        w->resize(w->minimumSizeHint().width(), w->height());
        QApplication::processEvents();
        const QLabel *l = bar.Panel(panel);
        EXPECT_GE(l->contentsRect().width(), l->fontMetrics().horizontalAdvance(text)) << text.toStdString();
        EXPECT_EQ(l->toolTip(), text.trimmed());
    }
    bar.setPanelText(0, denied);
    // A picture to look at.
    EXPECT_TRUE(w->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/hauptfenster-status.png")));
    // The design widths stay the least.
    EXPECT_GE(bar.Panel(0)->minimumWidth(), 150);
    EXPECT_GE(bar.Panel(3)->minimumWidth(), 120);
}

TEST(StatusBar, ADeviceOnlyRootMayUseIsNotBlamedOnTheGroup)
{
    const QString root = PortDeniedStatus(1, access("root"), EACCES, false);
    EXPECT_EQ(root, QStringLiteral("COM1: nur für root freigegeben"));
    EXPECT_TRUE(PortGroupLockedHint(access("root"), EACCES, false).isEmpty())
        << "the root hint is the library's";
    // The group's members may not use it either: joining the group is no remedy.
    EXPECT_EQ(PortDeniedStatus(2, access("dialout"), EACCES, false),
              QStringLiteral("COM2: für Gruppe „dialout“ gesperrt"));
    EXPECT_TRUE(
        PortGroupLockedHint(access("dialout"), EPERM, false).contains(QStringLiteral("hilft deshalb nicht")));
    EXPECT_EQ(PortDeniedStatus(1, access("dialout"), EACCES, true),
              QStringLiteral("COM1: nicht in Gruppe „dialout“"));
    EXPECT_TRUE(PortGroupLockedHint(access("dialout"), EACCES, true).isEmpty());
    EXPECT_TRUE(PortDeniedStatus(1, access("dialout", false, true), EACCES, true)
                    .contains(QStringLiteral("neu anmelden")));
    EXPECT_TRUE(
        PortDeniedStatus(1, access("dialout", true), EACCES, true).contains(QStringLiteral("Rechte prüfen")));
    EXPECT_TRUE(PortDeniedStatus(1, access("root"), EBUSY, false).isEmpty());

    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyS9"));
    writeFile(device, "");
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0600), 0);
    EXPECT_FALSE(PortGroupMayUse(device));
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0660), 0);
    EXPECT_TRUE(PortGroupMayUse(device));
    EXPECT_FALSE(PortGroupMayUse(dir.filePath(QStringLiteral("fehlt"))));
}

TEST(FirstStart, AfterNoTheDataWindowsOfferTheDatabaseInsteadOfADriverError)
{
    FormFixture f;
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Keine Datenbank!"));
    EXPECT_TRUE(w->StatusBar1().Panel(6)->toolTip().contains(QStringLiteral("„Daten“")));

    QString modal;
    for (QAction *a : {w->Actions().D_Oeffnen, w->Actions().D_Prueffristen, w->Actions().D_Import,
                       w->Actions().G_Abrufen}) {
        a->trigger();
        ASSERT_EQ(f.questions.size(), 2) << a->objectName().toStdString();
        EXPECT_TRUE(f.questions.takeLast().startsWith(QStringLiteral("Es ist keine Datenbank geöffnet")));
        EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'|').toStdString();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("VERIDA.db"))));

    // Yes makes it, and the window the user asked for opens on it.
    f.answerYes = true;
    closeNextModal(&modal);
    w->Actions().D_Oeffnen->trigger();
    EXPECT_EQ(modal, QStringLiteral("DatenanzeigeDlg"));
    EXPECT_TRUE(ProgramDatabase().isOpen());
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbankverbindung ok."));
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'|').toStdString();
}

TEST(FirstStart, AServerThatCannotBeReachedIsNamedWithItsReason)
{
    FormFixture f;
    // Nothing listens on port 1 of this machine.
    writeFile(f.iniPath(),
              "[DataBase]\nConnectionString=Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=werk;"
              "User ID=gt\n");
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    f.messages.clear();
    w->Actions().D_Oeffnen->trigger();
    ASSERT_EQ(f.messages.size(), 1);
    EXPECT_TRUE(f.messages[0].startsWith(QStringLiteral("Es ist keine Datenbank geöffnet")));
    EXPECT_TRUE(f.messages[0].contains(QStringLiteral("„werk“"))) << f.messages[0].toStdString();
    EXPECT_FALSE(f.messages[0].contains(QStringLiteral("Driver not loaded")));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(FirstStart, AMainWindowPlaceOffEveryScreenIsIgnored)
{
    FormFixture f;
    f.withDatabase();
    writeFile(f.iniPath(), "[Position]\nLeft=5000\nTop=3000\n");
    TForm1 *w = f.make();
    EXPECT_NE(w->pos(), QPoint(5000, 3000));
    EXPECT_TRUE(PlacementOnScreen(w->geometry()));
}
