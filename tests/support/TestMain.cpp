#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Every test binary runs with a widget application on the offscreen platform,
// so components that post to the main thread and widgets both work headless.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
