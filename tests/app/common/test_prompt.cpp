// The real prompt's boxes (caption, icon, which button Return presses) and
// the seam that lets a test answer in its place.

#include "../AppTestSupport.h"
#include "../FakePrompt.h"
#include "app/common/ExportFileChooser.h"
#include "app/common/Prompt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

struct TSeenBox {
    bool shown = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool yesIsDefault = false, noIsDefault = false;
};

// Looks at the next message box once it stands and presses Return in it.
void returnInNextBox(TSeenBox &seen)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        seen = {true,
                box->windowTitle(),
                box->text(),
                box->icon(),
                box->defaultButton() == box->button(QMessageBox::Yes),
                box->defaultButton() == box->button(QMessageBox::No)};
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    });
    timer->start();
}

TEST(BoxPrompt, ReturnAnswersTheDefaultTheCallerChose)
{
    TBoxPrompt boxes;
    TSeenBox seen;
    returnInNextBox(seen);
    EXPECT_FALSE(
        boxes.AskYesNo(nullptr, QStringLiteral("Löschen?"), /*defaultYes=*/false, QMessageBox::Warning));
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, QStringLiteral("Gerätetester"));
    EXPECT_EQ(seen.text, QStringLiteral("Löschen?"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_TRUE(seen.noIsDefault);

    seen = {};
    returnInNextBox(seen);
    EXPECT_TRUE(boxes.AskYesNo(nullptr, QStringLiteral("Anlegen?"), /*defaultYes=*/true));
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_TRUE(seen.yesIsDefault);
}

TEST(BoxPrompt, MessagesCarryTheirIconAndTitle)
{
    TBoxPrompt boxes;
    const struct {
        void (TPrompt::*tell)(QWidget *, const QString &, const QString &);
        QMessageBox::Icon icon;
    } cases[] = {{&TPrompt::Inform, QMessageBox::Information},
                 {&TPrompt::Warn, QMessageBox::Warning},
                 {&TPrompt::Error, QMessageBox::Critical}};
    for (const auto &c : cases) {
        TSeenBox seen;
        returnInNextBox(seen);
        (boxes.*c.tell)(nullptr, QStringLiteral("Text"), QStringLiteral("Importieren"));
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.title, QStringLiteral("Importieren"));
        EXPECT_EQ(seen.text, QStringLiteral("Text"));
    }
}

// While a fake lives, nothing modal comes up; afterwards the one before is back.
TEST(PromptSeam, AFakeAnswersInsteadOfBoxesAndScopesNest)
{
    TPrompt *before = &Prompt();
    {
        TFakePrompt outer;
        EXPECT_EQ(&Prompt(), &outer);
        {
            TFakePrompt inner;
            inner.answers << true;
            inner.files << QStringLiteral("/tmp/a.xlsx");
            EXPECT_TRUE(Prompt().AskYesNo(nullptr, QStringLiteral("Frage?"), false));
            EXPECT_FALSE(Prompt().AskYesNo(nullptr, QStringLiteral("Noch eine?"), true));
            EXPECT_EQ(ChooseExportFile(0, QStringLiteral("alt.csv")), QStringLiteral("/tmp/a.xlsx"));
            EXPECT_TRUE(ChooseExportFile(0, QString()).isEmpty()) << "no file queued: cancelled";
            Prompt().Warn(nullptr, QStringLiteral("Achtung"));
            ASSERT_EQ(inner.calls.size(), 5);
            EXPECT_EQ(inner.questions, (QStringList{QStringLiteral("Frage?"), QStringLiteral("Noch eine?")}));
            EXPECT_EQ(inner.calls[2].kind, TFakePrompt::TKind::ExportFile);
            EXPECT_EQ(inner.calls[2].text, QStringLiteral("alt.csv"));
            EXPECT_EQ(inner.told(QMessageBox::Warning), QStringList{QStringLiteral("Achtung")});
            EXPECT_EQ(inner.calls[4].title, QStringLiteral("Gerätetester"));
        }
        EXPECT_EQ(&Prompt(), &outer);
        EXPECT_TRUE(outer.calls.isEmpty());
    }
    EXPECT_EQ(&Prompt(), before);
}

} // namespace
