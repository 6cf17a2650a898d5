// SPDX-License-Identifier: MIT
// GoogleTest entry point with a QCoreApplication (Qt's plugins, such as the
// SQL drivers, are found through it), and test paths for QStandardPaths.
#include <QCoreApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
