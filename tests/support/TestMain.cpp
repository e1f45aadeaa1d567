#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <clocale>

// Every test program runs with a private settings folder and runtime folder,
// so that nothing a test stores leaks into the user's configuration or into
// another test. Programs that need a QApplication create their own.
int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "C");
    QTemporaryDir dirConfig;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dirConfig.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dirConfig.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
