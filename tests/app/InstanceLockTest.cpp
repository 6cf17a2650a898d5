// The marker of a running copy: a second copy sees it, a dead copy's marker
// does not block, and a folder where no marker can be made lets the program run.

#include "app/InstanceLock.h"

#include "app/Platform.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(InstanceLock, SecondHolderIsToldAnotherCopyRuns) {
    QTemporaryDir dir;
    CFileInstanceLock first(dir.path());
    CFileInstanceLock second(dir.path());
    EXPECT_TRUE(first.FileName().endsWith(QStringLiteral("/QuillboxV1.1_001_19760122.lock")));
    ASSERT_EQ(first.TryAcquire(), IInstanceLock::acquired);
    EXPECT_EQ(second.TryAcquire(), IInstanceLock::heldElsewhere);
    first.Release();
    EXPECT_EQ(second.TryAcquire(), IInstanceLock::acquired);
}

TEST(InstanceLock, MarkerOfADeadCopyDoesNotBlock) {
    QTemporaryDir dir;
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForFinished());
    const qint64 deadPid = gone.processId() ? gone.processId() : 999999;
    CFileInstanceLock lock(dir.path());
    QFile marker(lock.FileName());
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write(QByteArray::number(deadPid) + '\n' + QCoreApplication::applicationName().toUtf8() +
                 '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
    marker.close();
    EXPECT_EQ(lock.TryAcquire(), IInstanceLock::acquired);
}

TEST(InstanceLock, MissingFolderLetsTheProgramRun) {
    CFileInstanceLock lock(QStringLiteral("/nonexistent-folder-for-quillbox/x"));
    EXPECT_EQ(lock.TryAcquire(), IInstanceLock::unavailable);
}

struct PlatformCase {
    bool wayland, display, platformChosen, expectX11;
};
void PrintTo(const PlatformCase& c, std::ostream* os) {
    *os << "wayland " << c.wayland << " display " << c.display << " chosen " << c.platformChosen;
}

class PreferX11Test : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(PreferX11Test, OnlyOnWaylandWithAnXServerAndNoChoiceMade) {
    const PlatformCase& c = GetParam();
    EXPECT_EQ(ShouldPreferX11(c.wayland, c.display, c.platformChosen), c.expectX11);
}

const PlatformCase kPlatformCases[] = {
    {true, true, false, true},   {true, true, true, false},    {true, false, false, false},
    {false, true, false, false}, {false, false, false, false},
};
INSTANTIATE_TEST_SUITE_P(Sessions, PreferX11Test, ::testing::ValuesIn(kPlatformCases));

TEST(PreferX11, LeavesAChosenPlatformAlone) {
    const QByteArray savedPlatform = qgetenv("QT_QPA_PLATFORM");
    const bool hadDisplay = qEnvironmentVariableIsSet("DISPLAY");
    const QByteArray savedDisplay = qgetenv("DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("DISPLAY", ":0");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_FALSE(PreferX11OnWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("offscreen"));
    qunsetenv("QT_QPA_PLATFORM");
    EXPECT_TRUE(PreferX11OnWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", savedPlatform);
    if (hadDisplay)
        qputenv("DISPLAY", savedDisplay);
    else
        qunsetenv("DISPLAY");
}

} // namespace
