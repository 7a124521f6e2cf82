#include "app/CliReportApp.h"

#include <cstdio>

std::unique_ptr<QApplication> MakeReportApplication()
{
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "geraetetester";
    static char *argv[] = {arg0, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

int CliFail(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return 1;
}

void CliSay(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
}
