#include "app/cli/CommandLine.h"
#include "app/common/PrinterChoice.h"
#include "app/common/QtTranslations.h"
#include "app/common/SignalBridge.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Screenshot.h"
#include "app/shell/Splash.h"

#include <QApplication>
#include <QPointer>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Help, version, a wrong call and every command end here, without a window.
    if (const int rc = RunCommandLine(argc, argv); rc >= 0) return rc;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gerätetester"));
    QApplication::setApplicationDisplayName(QStringLiteral("Gerätetester"));
    QApplication::setApplicationVersion(QStringLiteral(GT_VERSION));
    InstallQtTranslations();
    UseRememberedPrinter();
    // Lets the desktop match the window to its menu entry (name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("geraetetester"));

    auto *splash = new TSplashScreen;
    QPointer<TSplashScreen> splashGuard(splash);
    splash->show();
    QApplication::processEvents();

    TForm1 form;
    form.setSplash(splash);
    form.Windows();

    // SIGTERM and SIGINT end the program the same way as "Beenden".
    TSignalBridge sigBridge;
    QObject::connect(&sigBridge, &TSignalBridge::received, &form, [&form](int) { form.RequestClose(); });

    form.show();
    if (qEnvironmentVariableIsSet("GT_STARTUP_REPORT")) {
        // For benchmarks and end-to-end tests: the window is up and the loop runs.
        QMetaObject::invokeMethod(
            &form,
            [] {
                std::fputs("bereit\n", stdout);
                std::fflush(stdout);
            },
            Qt::QueuedConnection);
    }
    ScheduleScreenshot(form);
    const int rc = app.exec();
    form.FormDestroy();
    // A very short run ends before Timer1 has freed the splash screen.
    delete splashGuard.data();
    return rc;
}
