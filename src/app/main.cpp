#include "app/AppWindows.h"
#include "app/CliExportCsv.h"
#include "app/MainWindow.h"
#include "app/SignalBridge.h"
#include "app/Splash.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    {
        // The CSV export from the command line needs no window, nor a display.
        QStringList args;
        for (int i = 0; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        if (IsCsvExportCommand(args)) {
            QCoreApplication core(argc, argv);
            return RunCsvExportCommand(args);
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gerätetester"));
    QApplication::setApplicationDisplayName(QStringLiteral("Gerätetester"));
    QApplication::setApplicationVersion(QStringLiteral(GT_VERSION));

    auto *splash = new TSplashScreen;
    QPointer<TSplashScreen> splashGuard(splash);
    splash->show();
    QApplication::processEvents();

    TForm1 form;
    form.setSplash(splash);
    TAppWindows::CreateAll(&form);

    // SIGTERM and SIGINT end the program the same way as "Beenden".
    TSignalBridge sigBridge;
    sigBridge.OnSignal = [&form](int) { form.RequestClose(); };

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
    if (qEnvironmentVariableIsSet("GT_SCREENSHOT")) {
        // Picture of the running window for documentation, then an ordinary end.
        const int delay = qEnvironmentVariableIntValue("GT_SCREENSHOT_DELAY");
        QTimer::singleShot(delay > 0 ? delay : 3000, &form, [&form] {
            form.grab().save(qEnvironmentVariable("GT_SCREENSHOT"));
            form.RequestClose();
        });
    }
    const int rc = app.exec();
    form.FormDestroy();
    // A very short run ends before Timer1 has freed the splash screen.
    delete splashGuard.data();
    return rc;
}
