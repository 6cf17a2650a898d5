// SPDX-License-Identifier: MIT
#include "store/PrivateFolder.h"

#include "store/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The umask the program may be started with, for one test.
class CUmask {
public:
    explicit CUmask(mode_t mask) : m_saved(::umask(mask)) {}
    ~CUmask() { ::umask(m_saved); }
    CUmask(const CUmask&) = delete;
    CUmask& operator=(const CUmask&) = delete;

private:
    mode_t m_saved;
};

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

class PrivateFolderTest : public ::testing::Test {
protected:
    QString At(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
    CUmask m_umask{0};
};

TEST_F(PrivateFolderTest, MakesEveryMissingFolderTheOwnersAlone) {
    ASSERT_TRUE(MakePrivateFolder(At("a/b/c")));
    for (const char* folder : {"a", "a/b", "a/b/c"})
        EXPECT_EQ(Mode(At(folder)), 0700u) << folder;
    EXPECT_EQ(Mode(m_dir.path()), 0700u) << "a folder above that existed is left alone";
}

TEST_F(PrivateFolderTest, NarrowsAFolderOfOursMadeWiderBefore) {
    ASSERT_TRUE(QDir().mkpath(At("wide")));
    ASSERT_EQ(::chmod(QFile::encodeName(At("wide")).constData(), 0777), 0);
    ASSERT_TRUE(MakePrivateFolder(At("wide")));
    EXPECT_EQ(Mode(At("wide")), 0700u);
}

TEST_F(PrivateFolderTest, RefusesWhatIsNoFolder) {
    QFile file(At("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir().mkpath(At("real")));
    ASSERT_TRUE(QFile::link(At("real"), At("link")));
    EXPECT_FALSE(MakePrivateFolder(At("file")));
    EXPECT_FALSE(MakePrivateFolder(At("link")));
}

// Under umask 000 the settings folder was left writable by everyone, so
// anybody could put other settings in its place.
TEST_F(PrivateFolderTest, SettingsFolderIsTheOwnersAloneWhateverTheUmask) {
    const QString ini = At("config/Quillbox/Quillbox.conf");
    CQSettingsStore store(ini);
    ASSERT_TRUE(store.Open());
    store.Write("Pos", 1);
    store.Close();
    EXPECT_EQ(Mode(At("config")), 0700u);
    EXPECT_EQ(Mode(At("config/Quillbox")), 0700u);
    EXPECT_EQ(Mode(ini) & 077, 0u);
}

} // namespace
