// The window tests run in one QApplication on the offscreen platform: no display, no real dialog.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pictoreel-gui-test"));
    return RUN_ALL_TESTS();
}
