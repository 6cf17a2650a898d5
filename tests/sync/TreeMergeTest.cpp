// SPDX-License-Identifier: MIT
// The three-way merge: the rules for each kind of change as a table, a large
// tree, and the properties every merge must keep.

#include "sync/TreeMerge.h"

#include "PlainText.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace {

using plain::Text;
using plain::Tree;

struct CMergeCase {
    const char* m_name;
    const char* m_base;
    const char* m_mine;
    const char* m_theirs;
    const char* m_merged;
    int m_conflicts; // lines about conflicts in the summary
};

const CMergeCase MERGE_CASES[] = {
    {"OneSideAdds", "a=1 b=2", "a=1 b=2", "a=1 n=9 b=2", "a=1 n=9 b=2", 0},
    {"AddAddBothKept", "a=1", "a=1 x=7", "a=1 y=8", "a=1 x=7 y=8", 0},
    {"SameAddTakenOnce", "a=1", "a=1 x=7", "a=1 x=7", "a=1 x=7", 0},
    {"AddHereDeleteThere", "a=1 b=2", "a=1 b=2 x=7", "a=1", "a=1 x=7", 0},
    {"DeletesOnBothSides", "a=1 b=2 c=3", "b=2 c=3", "a=1 b=2", "b=2", 0},
    {"SameDeleteTakenOnce", "a=1 b=2", "a=1", "a=1", "a=1", 0},
    {"RenameRenameKeepsBoth", "a=1 b=2", "a=1 bee=2", "a=1 bo=2", "a=1 bee=2 bo=2", 1},
    {"SameRenameTakenOnce", "a=1 b=2", "a=1 bee=2", "a=1 bee=2", "a=1 bee=2", 0},
    {"EditThereDeleteHereKeepsEdit", "a=1 b=2", "a=1", "a=1 b=3", "a=1 b=3", 1},
    {"EditHereDeleteThereKeepsEdit", "a=1 b=2", "a=1 b=3", "a=1", "a=1 b=3", 1},
    {"MoveHereEditThere", "F[ a=1 ] G[ ]", "F[ ] G[ a=1 ]", "F[ a=2 ] G[ ]", "F[ a=2 ] G[ a=1 ]",
     1},
    {"MoveBetweenFoldersThere", "F[ a=1 b=2 ] G[ c=3 ]", "F[ a=1 b=2 ] G[ c=3 ]",
     "F[ b=2 ] G[ c=3 a=1 ]", "F[ b=2 ] G[ c=3 a=1 ]", 0},
    {"DeletedFolderKeepsAdditions", "F[ a=1 b=2 ] z=0", "z=0", "F[ a=1 b=2 n=5 ] z=0",
     "F[ n=5 ] z=0", 1},
    {"DeletedThereKeepsAdditionsHere", "F[ a=1 S[ b=2 ] ] z=0", "F[ a=1 S[ b=2 c=4 ] ] z=0", "z=0",
     "F[ S[ c=4 ] ] z=0", 1},
    {"DeletedFolderUntouchedGoes", "F[ a=1 ] z=0", "F[ a=1 ] z=0 y=1", "z=0", "z=0 y=1", 0},
    {"FolderRenamedHereChangedThere", "F[ a=1 b=2 c=3 ] z=0", "G[ a=1 b=2 c=3 ] z=0",
     "F[ a=1 b=2 c=3 n=4 ] z=0", "G[ a=1 b=2 c=3 n=4 ] z=0", 0},
    {"FolderRenamedThereChangedHere", "F[ a=1 b=2 c=3 ] z=0", "F[ b=2 c=3 ] z=0",
     "G[ a=1 b=2 c=3 ] z=0", "G[ b=2 c=3 ] z=0", 0},
    {"FolderRenamedBothWays", "F[ a=1 ]", "G[ a=1 ]", "H[ a=1 ]", "G[ a=1 ] H[ a=1 ]", 0},
    {"NestedChangesBothSides", "F[ G[ a=1 b=2 ] ]", "F[ G[ a=1 b=2 c=3 ] ]", "F[ G[ b=2 ] ]",
     "F[ G[ b=2 c=3 ] ]", 0},
    {"FolderAddedBothSidesUnited", "a=1", "a=1 N[ x=1 ]", "a=1 N[ y=2 ]", "a=1 N[ x=1 y=2 ]", 0},
    {"SeparatorAddedThere", "a=1 b=2", "a=1 b=2 c=3", "a=1 - b=2", "a=1 - b=2 c=3", 0},
    {"SeparatorsPairInOrder", "a=1 - b=2 - c=3", "a=1 - b=2 c=3", "a=1 - b=2 - c=3 d=4",
     "a=1 - b=2 c=3 d=4", 0},
    {"BlankEntries", "a=", "a= b=", "c= a=", "c= a= b=", 0},
    {"OrderOfTheirsWhenOnlyTheyMoved", "a=1 b=2 c=3", "a=1 b=2 c=3 d=4", "c=3 a=1 b=2",
     "c=3 a=1 b=2 d=4", 0},
    {"OrderOfMineWhenBothMoved", "a=1 b=2 c=3", "b=2 a=1 c=3", "c=3 a=1 b=2", "b=2 a=1 c=3", 0},
    {"AdditionsFollowTheirNeighbour", "a=1 b=2 c=3", "a=1 x=0 b=2 c=3", "a=1 b=2 y=9 c=3",
     "a=1 x=0 b=2 y=9 c=3", 0},
    {"AdditionAtTheFront", "a=1", "a=1 m=2", "t=0 a=1", "t=0 a=1 m=2", 0},
    {"NoBaseKeepsBoth", "", "a=1 b=2", "a=1 c=3", "a=1 b=2 c=3", 0},
};

class TreeMergeTableTest : public ::testing::TestWithParam<CMergeCase> {};

TEST_P(TreeMergeTableTest, Merges) {
    const CMergeCase& c = GetParam();
    const CMergeResult result = MergeTrees(Tree(c.m_base), Tree(c.m_mine), Tree(c.m_theirs));
    EXPECT_EQ(Text(result.m_tree), c.m_merged);
    EXPECT_EQ(static_cast<int>(result.m_summary.m_conflicts.size()), c.m_conflicts)
        << result.m_summary.Note();
    // Swapping the sides changes the order at most, never what is kept.
    const CMergeResult swapped = MergeTrees(Tree(c.m_base), Tree(c.m_theirs), Tree(c.m_mine));
    EXPECT_EQ(CountDifferences(swapped.m_tree, result.m_tree), 0u) << Text(swapped.m_tree);
}

INSTANTIATE_TEST_SUITE_P(Table, TreeMergeTableTest, ::testing::ValuesIn(MERGE_CASES),
                         [](const auto& row) { return std::string(row.param.m_name); });

TEST(TreeMerge, SummaryCountsWhatCameIn) {
    const CMergeResult result = MergeTrees(Tree("a=1 b=2 F[ c=3 ]"), Tree("a=1 b=2 F[ c=3 ]"),
                                           Tree("a=1 F[ c=3 d=4 ] N[ e=5 f=6 ]"));
    EXPECT_EQ(result.m_summary.m_added, 2);   // d and N (with what it holds)
    EXPECT_EQ(result.m_summary.m_removed, 1); // b
    EXPECT_NE(result.m_summary.Note().find("2 added, 1 removed"), std::string::npos);
    EXPECT_TRUE(MergeTrees(Tree("a=1"), Tree("a=1 b=2"), Tree("a=1")).m_summary.Note().empty());
}

void CollectNames(const CPlainItem& item, std::set<std::string>* names) {
    names->insert(item.m_name);
    for (const CPlainItem& child : item.m_children)
        CollectNames(child, names);
}

// The names a side holds that base does not: what it added or renamed to.
std::set<std::string> NewNames(const CPlainItem& base, const CPlainItem& side) {
    std::set<std::string> before, after, added;
    CollectNames(base, &before);
    CollectNames(side, &after);
    for (const std::string& name : after)
        if (!before.count(name))
            added.insert(name);
    return added;
}

// A large tree: 100 folders of 100 entries, a hundred changes on each side.
CPlainItem LargeTree() {
    CPlainItem top = EmptyPlainTree();
    for (int f = 0; f < 100; ++f) {
        CPlainItem folder{CPlainItem::EKind::Folder, "Folder " + std::to_string(f), {}, {}};
        for (int e = 0; e < 100; ++e)
            folder.m_children.push_back(CPlainItem{CPlainItem::EKind::Entry,
                                                   "Bookmark " + std::to_string(f * 100 + e),
                                                   "https://example.org/" + std::to_string(e),
                                                   {}});
        top.m_children.push_back(std::move(folder));
    }
    return top;
}

// Changes folder f's entry e: odd seeds rename, even ones delete, and each
// side adds an entry of its own.
void Change(CPlainItem& tree, std::mt19937& random, const std::string& side) {
    for (int i = 0; i < 100; ++i) {
        CPlainItem* holder = &tree.m_children[random() % tree.m_children.size()];
        if (holder->m_kind != CPlainItem::EKind::Folder)
            holder = &tree; // the top
        auto& folder = holder->m_children;
        if (i % 3 == 0) {
            const std::string name = side + " new " + std::to_string(i);
            folder.insert(folder.begin() + static_cast<long>(random() % (folder.size() + 1)),
                          CPlainItem{CPlainItem::EKind::Entry, name, "https://new/", {}});
        } else if (i % 3 == 1 && !folder.empty()) {
            folder.erase(folder.begin() + static_cast<long>(random() % folder.size()));
        } else if (!folder.empty()) {
            auto& entry = folder[random() % folder.size()];
            if (entry.m_kind == CPlainItem::EKind::Entry &&
                entry.m_name.find(" new ") == std::string::npos) {
                entry.m_name += " (" + side + ")";
            }
        }
    }
}

TEST(TreeMerge, LargeTreeKeepsEveryChangeOfBothSides) {
    const CPlainItem base = LargeTree();
    std::mt19937 random(7);
    CPlainItem mine = base, theirs = base;
    Change(mine, random, "mine");
    Change(theirs, random, "theirs");
    std::set<std::string> added = NewNames(base, mine);
    added.merge(NewNames(base, theirs));
    EXPECT_GT(added.size(), 100u);
    const CMergeResult result = MergeTrees(base, mine, theirs);
    std::set<std::string> names;
    CollectNames(result.m_tree, &names);
    for (const std::string& name : added)
        EXPECT_TRUE(names.count(name)) << name << " was lost";
    // What each side deleted or renamed away is gone.
    EXPECT_GT(CountDifferences(base, result.m_tree), 150u);
    EXPECT_EQ(CountDifferences(result.m_tree, MergeTrees(base, theirs, mine).m_tree), 0u);

    // Properties: a merge with itself or with an unchanged side changes nothing.
    EXPECT_EQ(MergeTrees(base, mine, mine).m_tree, mine);
    EXPECT_EQ(MergeTrees(base, mine, base).m_tree, mine);
    EXPECT_EQ(MergeTrees(base, base, theirs).m_tree, theirs);
    EXPECT_EQ(MergeTrees(mine, mine, mine).m_tree, mine);
}

TEST(TreeMerge, RandomMergesLoseNoAddition) {
    // Small trees, many seeds: whatever either side added is in the result.
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        CPlainItem base = Tree("A[ a=1 b=2 - c=3 ] B[ d=4 ] e=5 - f=6");
        CPlainItem mine = base, theirs = base;
        Change(mine, random, "m");
        Change(theirs, random, "t");
        std::set<std::string> added = NewNames(base, mine);
        added.merge(NewNames(base, theirs));
        const CMergeResult result = MergeTrees(base, mine, theirs);
        std::set<std::string> names;
        CollectNames(result.m_tree, &names);
        for (const std::string& name : added)
            ASSERT_TRUE(names.count(name)) << name << " lost, seed " << seed;
    }
}

TEST(TreeMerge, DifferencesCountWholeFolders) {
    EXPECT_EQ(CountDifferences(Tree("a=1 F[ b=2 c=3 ]"), Tree("a=1 F[ b=2 c=3 ]")), 0u);
    EXPECT_EQ(CountDifferences(Tree("a=1 F[ b=2 c=3 ]"), Tree("a=1")), 3u);
    EXPECT_EQ(CountDifferences(Tree("a=1 F[ b=2 ]"), Tree("a=2 F[ b=3 ]")), 4u);
}

} // namespace
