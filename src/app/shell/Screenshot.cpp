#include "app/shell/Screenshot.h"

#include "app/shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <cstdio>

void ScheduleScreenshot(TForm1 &form)
{
    if (!qEnvironmentVariableIsSet("GT_SCREENSHOT")) return;
    const int delay = qEnvironmentVariableIntValue("GT_SCREENSHOT_DELAY");
    const int at = delay > 0 ? delay : 3000;
    const QString actionName = qEnvironmentVariable("GT_SCREENSHOT_ACTION");
    if (!actionName.isEmpty()) {
        QTimer::singleShot(qMax(0, at - 1000), &form, [&form, actionName] {
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
    QTimer::singleShot(at, &form, [&form] {
        QWidget *shown = QApplication::activeModalWidget();
        if (!shown) shown = &form;
        if (!shown->grab().save(qEnvironmentVariable("GT_SCREENSHOT")))
            std::fprintf(stderr, "GT_SCREENSHOT: Bild nicht gespeichert\n");
        form.RequestClose();
    });
}
