// SPDX-License-Identifier: MIT
// The marker of a running copy: a second copy sees it, a dead copy's marker
// does not block, and a folder where no marker can be made lets the program run.

#include "app/InstanceLock.h"

#include "app/Platform.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(InstanceLock, SecondHolderIsToldAnotherCopyRuns) {
    QTemporaryDir dir;
    CFileInstanceLock first(dir.path());
    CFileInstanceLock second(dir.path());
    EXPECT_TRUE(first.FileName().endsWith(QStringLiteral("/QuillboxV1.1_001_19760122.lock")));
    ASSERT_EQ(first.TryAcquire(), IInstanceLock::Acquired);
    EXPECT_EQ(second.TryAcquire(), IInstanceLock::HeldElsewhere);
    first.Release();
    EXPECT_EQ(second.TryAcquire(), IInstanceLock::Acquired);
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
    EXPECT_EQ(lock.TryAcquire(), IInstanceLock::Acquired);
}

TEST(InstanceLock, MissingFolderLetsTheProgramRun) {
    CFileInstanceLock lock(QStringLiteral("/nonexistent-folder-for-quillbox/x"));
    EXPECT_EQ(lock.TryAcquire(), IInstanceLock::Unavailable);
}

// Without a runtime folder of the user's own, the lock and the socket go to a
// private folder of the user's: another user who made one of that name first
// (or a link, or a folder others may enter) is passed over, never used.
TEST(InstanceLock, RuntimeFolderIsAlwaysTheUsersOwnAndPrivate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString temp = dir.filePath(QStringLiteral("tmp"));
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QString runtime = dir.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(temp) && QDir().mkpath(runtime));
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    const QString own = QDir(temp).filePath(QStringLiteral("quillbox-%1").arg(::geteuid()));
    const QString fallback = QDir(cache).filePath(QStringLiteral("Quillbox/run"));
    const auto folder = [&](const QString& runtimeDir) {
        return CFileInstanceLock::PrivateRuntimeFolder(runtimeDir, temp, cache);
    };

    EXPECT_EQ(folder(runtime), runtime);
    EXPECT_EQ(folder(QString()), own) << "no runtime folder: made for this user";
    EXPECT_EQ(Mode(own), 0700u);
    EXPECT_EQ(folder(QString()), own) << "and taken again";

    const auto squatted = [&](const char* how) {
        SCOPED_TRACE(how);
        EXPECT_EQ(folder(QString()), fallback);
        EXPECT_EQ(Mode(fallback), 0700u);
        ASSERT_TRUE(QDir(own).removeRecursively() || QFile::remove(own));
    };
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0777), 0);
    squatted("a folder others may enter");
    ASSERT_TRUE(QFile::link(runtime, own));
    squatted("a link to a folder");
    if (::geteuid() == 0) { // only root can hand a folder to another user
        ASSERT_EQ(::mkdir(QFile::encodeName(own).constData(), 0700), 0);
        ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
        squatted("another user's folder");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0755), 0);
    EXPECT_NE(folder(runtime), runtime) << "a runtime folder others may enter";
}

struct CPlatformCase {
    bool m_wayland, m_display, m_platformChosen, m_expectX11;
};
void PrintTo(const CPlatformCase& c, std::ostream* os) {
    *os << "wayland " << c.m_wayland << " display " << c.m_display << " chosen "
        << c.m_platformChosen;
}

class PreferX11Test : public ::testing::TestWithParam<CPlatformCase> {};

TEST_P(PreferX11Test, OnlyOnWaylandWithAnXServerAndNoChoiceMade) {
    const CPlatformCase& c = GetParam();
    EXPECT_EQ(ShouldPreferX11(c.m_wayland, c.m_display, c.m_platformChosen), c.m_expectX11);
}

const CPlatformCase PLATFORM_CASES[] = {
    {true, true, false, true},   {true, true, true, false},    {true, false, false, false},
    {false, true, false, false}, {false, false, false, false},
};
INSTANTIATE_TEST_SUITE_P(Sessions, PreferX11Test, ::testing::ValuesIn(PLATFORM_CASES));

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
