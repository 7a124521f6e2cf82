#include "app/shell/Screenshot.h"

#include "app/shell/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

namespace {

QWidget *windowInFront(TForm1 &form)
{
    if (QWidget *modal = QApplication::activeModalWidget()) return modal;
    if (QWidget *active = QApplication::activeWindow()) return active;
    return &form;
}

// One step of GT_SCREENSHOT_STEPS in the window in front. A click runs from
// the timer, so a dialog it opens runs its own loop and later steps and the
// picture still come.
void RunStep(TForm1 &form, const QString &step)
{
    QWidget *front = windowInFront(form);
    if (auto *files = qobject_cast<QFileDialog *>(front)) {
        // Typed into the name field, as a user would: selectFile() leaves a
        // focused field alone.
        if (auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(step);
        else
            files->selectFile(step);
        // QFileDialog hides accept(); through QDialog it still takes the chosen file.
        static_cast<QDialog *>(files)->accept();
        return;
    }
    const auto buttons = front->findChildren<QAbstractButton *>();
    for (QAbstractButton *b : buttons) {
        if (b->objectName() == step || b->text().remove(QLatin1Char('&')) == step) {
            b->click();
            return;
        }
    }
    std::fprintf(stderr, "GT_SCREENSHOT_STEPS: kein Knopf „%s“ in „%s“\n", qPrintable(step),
                 qPrintable(front->windowTitle()));
}

} // namespace

void ScheduleScreenshot(TForm1 &form)
{
    if (!qEnvironmentVariableIsSet("GT_SCREENSHOT")) return;
    const int delay = qEnvironmentVariableIntValue("GT_SCREENSHOT_DELAY");
    const int at = delay > 0 ? delay : 3000;
    const QString actionName = qEnvironmentVariable("GT_SCREENSHOT_ACTION");
    const QString stepList = qEnvironmentVariable("GT_SCREENSHOT_STEPS");
    const QStringList steps = stepList.isEmpty() ? QStringList() : stepList.split(QLatin1Char('|'));
    // The action a second before the first step, each step a second before the next or the picture.
    int when = qMax(0, at - 1000 * int(steps.size() + 1));
    if (!actionName.isEmpty()) {
        QTimer::singleShot(when, &form, [&form, actionName] {
            auto *action = form.findChild<QAction *>(actionName);
            if (!action) {
                std::fprintf(stderr, "GT_SCREENSHOT_ACTION: keine Aktion „%s“\n", qPrintable(actionName));
                return;
            }
            // A modal dialog runs its own loop; triggering it from a queued
            // call lets the picture timer below fire inside that loop.
            action->trigger();
        });
    }
    for (const QString &step : steps) {
        when += 1000;
        if (!step.isEmpty()) QTimer::singleShot(when, &form, [&form, step] { RunStep(form, step); });
    }
    QTimer::singleShot(at, &form, [&form] {
        QWidget *shown = QApplication::activeModalWidget();
        if (!shown) shown = &form;
        if (!shown->grab().save(qEnvironmentVariable("GT_SCREENSHOT")))
            std::fprintf(stderr, "GT_SCREENSHOT: Bild nicht gespeichert\n");
        form.RequestClose();
    });
}
