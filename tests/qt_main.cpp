// SPDX-License-Identifier: MIT
// GoogleTest entry point for tests that need a QApplication (widgets, pixmaps,
// fonts). The platform is chosen by QT_QPA_PLATFORM; without it (as when CTest
// lists the tests before running them) the tests run offscreen. QStandardPaths
// answers with its test folders.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
