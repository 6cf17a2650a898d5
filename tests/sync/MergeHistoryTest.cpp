// SPDX-License-Identifier: MIT
// The per-machine history: kept for the owner only and never in the clear,
// and the base it offers when both machines saved after they last agreed.

#include "sync/MergeHistory.h"

#include "PlainText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using plain::Text;
using plain::Tree;

unsigned Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777u : 0u;
}

class MergeHistoryTest : public ::testing::Test {
protected:
    QTemporaryDir m_state;
    CMergeHistory m_history{m_state.filePath("Quillbox"), QStringLiteral("/data/Quillbox.dat"), 4};
};

TEST_F(MergeHistoryTest, KeepsTheNewestForTheOwnerUnderTheKey) {
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(m_history.Record(Tree("a=" + std::to_string(i)), ClassicCodec("secret")));
    ASSERT_TRUE(m_history.Record(Tree("a=5"), ClassicCodec("secret"))); // the same again: not added
    const std::vector<CPlainItem> trees = m_history.Trees(ClassicCodec("secret"));
    ASSERT_EQ(trees.size(), 4u);
    EXPECT_EQ(Text(trees.front()), "a=5");
    EXPECT_EQ(Text(trees.back()), "a=2");

    EXPECT_EQ(Mode(m_state.filePath("Quillbox")), 0700u);
    EXPECT_EQ(Mode(m_history.Folder()), 0700u);
    const QStringList files = QDir(m_history.Folder()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 4);
    for (const QString& name : files) {
        const QString path = QDir(m_history.Folder()).filePath(name);
        EXPECT_EQ(Mode(path), 0600u) << name.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("example")) << "a tree in the clear";
    }
    // Another key opens none of them; another data file has a history of its own.
    EXPECT_TRUE(m_history.Trees(ClassicCodec("other")).empty());
    EXPECT_TRUE(CMergeHistory(m_state.filePath("Quillbox"), "/elsewhere/Quillbox.dat")
                    .Trees(ClassicCodec("secret"))
                    .empty());
}

TEST_F(MergeHistoryTest, EveryKindOfItemComesBackAsItWasSaved) {
    // Blank entries, separators, nesting, empty folders and names that need
    // more than one byte go through the data file's records unchanged.
    const CPlainItem tree =
        Tree("A[ b= - c=https://x/ E[ ] D[ F[ g=1 ] ] ] - d=\xc3\xa9t\xc3\xa9 h=");
    ASSERT_TRUE(m_history.Record(tree, ClassicCodec("k")));
    const std::vector<CPlainItem> trees = m_history.Trees(ClassicCodec("k"));
    ASSERT_EQ(trees.size(), 1u);
    EXPECT_EQ(Text(trees.front()), Text(tree));
    EXPECT_EQ(trees.front(), tree);
}

TEST_F(MergeHistoryTest, BaseIsTheTreeBothSidesStartedFrom) {
    // Both machines agreed on "agreed"; this one then saved twice, the other
    // once, and the other's version arrives.
    const CPlainItem agreed = Tree("F[ a=https://example.org/a b=2 c=3 ] d=4 e=5");
    ASSERT_TRUE(m_history.Record(Tree("old=1"), ClassicCodec("")));
    ASSERT_TRUE(m_history.Record(agreed, ClassicCodec("")));
    ASSERT_TRUE(
        m_history.Record(Tree("F[ a=https://example.org/a b=2 c=3 ] d=4"), ClassicCodec("")));
    const CPlainItem mine = Tree("F[ a=https://example.org/a c=3 ] d=4");
    ASSERT_TRUE(m_history.Record(mine, ClassicCodec("")));
    const CPlainItem arriving = Tree("F[ a=https://example.org/a b=2 c=3 ] d=4 e=5 x=9");

    const CPlainItem base = m_history.ChooseBase(arriving, ClassicCodec(""));
    EXPECT_EQ(base, agreed);
    // With that base, both sides' deletions and the other's addition count.
    EXPECT_EQ(Text(MergeTrees(base, mine, arriving).m_tree),
              "F[ a=https://example.org/a c=3 ] d=4 x=9");
}

TEST_F(MergeHistoryTest, NoHistoryOrADamagedOneMergesTwoWays) {
    EXPECT_EQ(m_history.ChooseBase(Tree("a=1"), ClassicCodec("")), EmptyPlainTree());
    ASSERT_TRUE(m_history.Record(Tree("a=1 b=2"), ClassicCodec("")));
    for (const QString& name : QDir(m_history.Folder()).entryList(QDir::Files)) {
        QFile file(QDir(m_history.Folder()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.resize(file.size() / 2); // cut short
    }
    const CPlainItem base = m_history.ChooseBase(Tree("a=1"), ClassicCodec(""));
    EXPECT_EQ(base, EmptyPlainTree());
    EXPECT_EQ(Text(MergeTrees(base, Tree("a=1 b=2"), Tree("a=1 c=3")).m_tree), "a=1 b=2 c=3");
}

} // namespace
