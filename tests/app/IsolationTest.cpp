// SPDX-License-Identifier: MIT
// The test programs run away from the user's files: CTest starts each one in
// a fresh temporary folder that holds its HOME and XDG folders, and the main
// switches QStandardPaths to its test folders.

#include <QDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

TEST(TestIsolation, RunsUnderATemporaryHomeConfigAndWorkingFolder) {
    const QString work = QDir::currentPath();
    ASSERT_TRUE(work.endsWith(QStringLiteral("/work"))) << work.toStdString();
    const QString top = work.chopped(5);
    EXPECT_TRUE(top.startsWith(QDir::tempPath())) << top.toStdString();
    EXPECT_EQ(QDir::homePath(), top + QStringLiteral("/home"));
    EXPECT_EQ(qEnvironmentVariable("XDG_CONFIG_HOME"), top + QStringLiteral("/config"));
    // Test mode puts Qt's own folders under HOME, in .qttest.
    EXPECT_TRUE(QStandardPaths::isTestModeEnabled());
    EXPECT_TRUE(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                    .startsWith(top + QStringLiteral("/home/")));
}

} // namespace
