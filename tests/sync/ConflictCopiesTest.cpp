// SPDX-License-Identifier: MIT
// The sync engines' conflict copies: which names are one, and marking one merged.

#include "sync/ConflictCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct CNameCase {
    const char* m_name;
    bool m_copy;
};

const CNameCase NAME_CASES[] = {
    {"Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat", true},
    {"Quillbox (conflicted copy 2026-12-10 120000).dat", true},
    {"Quillbox (Ann's conflicted copy 2026-12-10).dat", true},
    {"Quillbox (Ann's conflicted copy 2026-12-10 (1)).dat", true},
    {"Quillbox.dat", false},
    {"Quillbox.dat.bak", false},
    {"Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat.merged", false},
    {"Quillbox.sync-conflict-2026121-120000-ABCDEFG.dat", false},
    {"Quillbox.sync-conflict-20261210-120000-ABCDEFG.org", false},
    {"Other.sync-conflict-20261210-120000-ABCDEFG.dat", false},
    {".syncthing.Quillbox.dat.tmp", false},
    {"Quillbox (conflicted copy 2026-12-10).dat", false},
};

TEST(ConflictCopies, Names) {
    for (const CNameCase& c : NAME_CASES)
        EXPECT_EQ(IsConflictCopyName(QString::fromUtf8(c.m_name), "Quillbox.dat"), c.m_copy)
            << c.m_name;
}

TEST(ConflictCopies, FoundAndMarkedMergedOnlyWhenRegularFiles) {
    QTemporaryDir dir;
    const auto touch = [&dir](const char* name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    };
    touch("Quillbox.dat");
    touch("Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat");
    touch("Quillbox (conflicted copy 2026-12-10 120000).dat");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Quillbox (Ann's conflicted copy 2026-12-10).dat"));
    ASSERT_TRUE(QFile::link(dir.filePath("Quillbox.dat"),
                            dir.filePath("Quillbox.sync-conflict-20261211-120000-ABCDEFG.dat")));
    // A pipe would hang whoever reads it.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("Quillbox.sync-conflict-20261212-120000-"
                                                      "ABCDEFG.dat"))
                           .constData(),
                       0600),
              0);
    const QStringList copies = FindConflictCopies(dir.path(), "Quillbox.dat");
    ASSERT_EQ(copies.size(), 2) << copies.join(", ").toStdString();

    QString error;
    ASSERT_TRUE(MarkConflictCopyMerged(copies[1], &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(copies[1] + ".merged"));
    touch("Quillbox (conflicted copy 2026-12-10 120000).dat.merged");
    ASSERT_TRUE(MarkConflictCopyMerged(copies[0], &error));
    EXPECT_TRUE(QFileInfo::exists(copies[0] + ".merged2")) << "an older .merged was kept";
    EXPECT_TRUE(FindConflictCopies(dir.path(), "Quillbox.dat").isEmpty());

    EXPECT_FALSE(MarkConflictCopyMerged(
        dir.filePath("Quillbox.sync-conflict-20261211-120000-ABCDEFG.dat"), &error));
    EXPECT_TRUE(error.contains("not a regular file"));
    EXPECT_TRUE(
        QFileInfo(dir.filePath("Quillbox.sync-conflict-20261211-120000-ABCDEFG.dat")).isSymLink());
}

} // namespace
