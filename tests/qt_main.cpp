// GoogleTest entry point for tests that need a QApplication (widgets, pixmaps,
// fonts). The platform is chosen by QT_QPA_PLATFORM, "offscreen" under CTest.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
