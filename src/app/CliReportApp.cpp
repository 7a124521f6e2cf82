#include "app/CliReportApp.h"

std::unique_ptr<QGuiApplication> MakeReportApplication()
{
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "geraetetester";
    static char *argv[] = {arg0, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
