// SPDX-License-Identifier: MIT
// Noticing the data file replaced on disk: a rename over it (as sync engines
// do), a poll where events are missing, and "have I seen those bytes".

#include "sync/DataFileWatch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class DataFileWatchTest : public ::testing::Test {
protected:
    void SetUp() override { Write(m_path, "first bytes"); }
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath("Quillbox.dat");
};

TEST_F(DataFileWatchTest, RenameOverIsNoticedWithinTwoSeconds) {
    CDataFileWatch watch(m_path);
    watch.MarkSeen();
    QSignalSpy changed(&watch, &CDataFileWatch::FileChanged);
    QTest::qWait(100);
    EXPECT_TRUE(watch.IsSeen());

    Write(m_dir.filePath(".syncthing.Quillbox.dat.tmp"), "bytes from the other machine");
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(QFile::rename(m_dir.filePath(".syncthing.Quillbox.dat.tmp"), m_path) ||
                (QFile::remove(m_path) &&
                 QFile::rename(m_dir.filePath(".syncthing.Quillbox.dat.tmp"), m_path)));
    EXPECT_FALSE(watch.IsSeen()) << "a save would replace bytes it has not seen";
    ASSERT_TRUE(changed.wait(2000));
    EXPECT_LT(timer.elapsed(), 2000);
    QTest::qWait(1200);
    EXPECT_EQ(changed.count(), 1) << "the same bytes were reported twice";

    watch.MarkSeen(); // loaded
    EXPECT_TRUE(watch.IsSeen());
    Write(m_path, "third"); // the file's own watch was renewed after the rename
    EXPECT_TRUE(changed.wait(2000));
}

TEST_F(DataFileWatchTest, PollFindsChangesWithoutEventsAndWaitsForCalm) {
    CDataFileWatch watch(m_path);
    watch.MarkSeen();
    watch.SetPollInterval(200);
    watch.SetSettleTime(300);
    QSignalSpy changed(&watch, &CDataFileWatch::FileChanged);
    // Written in pieces, as a slow copy does: reported once it stays put.
    for (int i = 0; i < 4; ++i) {
        Write(m_path, QByteArray("growing ").repeated(i + 1));
        QTest::qWait(100);
    }
    EXPECT_EQ(changed.count(), 0) << "reported while still being written";
    ASSERT_TRUE(changed.wait(2000));
    // The app could not use those bytes: asked again later.
    watch.RetryLater();
    EXPECT_TRUE(changed.wait(2500));
    // Same size, same time, other bytes: the hash tells.
    watch.MarkSeen();
    Write(m_path, QByteArray("growing ").repeated(4).replace('g', 'G'));
    EXPECT_FALSE(watch.IsSeen());
}

TEST_F(DataFileWatchTest, ConflictCopyAppearing) {
    CDataFileWatch watch(m_path);
    QSignalSpy copies(&watch, &CDataFileWatch::ConflictCopiesChanged);
    Write(m_dir.filePath("Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat"), "theirs");
    ASSERT_TRUE(copies.wait(2000));
    EXPECT_EQ(watch.ConflictCopies().size(), 1);
}

} // namespace
