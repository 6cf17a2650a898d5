// SPDX-License-Identifier: MIT
#include "TreeFixture.h"

namespace {

TEST(ItemKinds, answerByKind) {
    CFolder holder("H");
    CItem separator(SEPARATOR_TEXT);
    CEntry entry("E", "http://e", nullptr);
    CEntry blank("B", "", &holder);
    CFolder folder("F");

    EXPECT_EQ(SEPARATOR_TEXT, std::string(71, '-'));
    for (CItem* leaf : {static_cast<CItem*>(&separator), static_cast<CItem*>(&entry),
                        static_cast<CItem*>(&blank)}) {
        EXPECT_EQ(leaf->GetChild(0), nullptr);
        EXPECT_EQ(leaf->GetCount(), -1);
    }
    EXPECT_FALSE(separator.IsContainer());
    EXPECT_FALSE(entry.IsContainer());
    EXPECT_TRUE(blank.IsContainer());
    EXPECT_TRUE(folder.IsContainer());
    EXPECT_EQ(folder.GetCount(), 0);
    EXPECT_EQ(folder.GetCurrent(), -1);
    EXPECT_EQ(entry.GetTarget(), "http://e");
    EXPECT_EQ(folder.GetTarget(), "");

    // ExactKind answers as dynamic_cast does, the plain item of a separator
    // and null included.
    for (const CItem* item :
         {static_cast<const CItem*>(&separator), static_cast<const CItem*>(&entry),
          static_cast<const CItem*>(&blank), static_cast<const CItem*>(&folder),
          static_cast<const CItem*>(nullptr)}) {
        EXPECT_EQ(ExactKind<CEntry>(item), dynamic_cast<const CEntry*>(item));
        EXPECT_EQ(ExactKind<CFolder>(item), dynamic_cast<const CFolder*>(item));
    }
}

// ---------------------------------------------------------------- moves

struct CNoMoveCase {
    const char* m_what;
    int m_count;
    bool m_up;
    int m_index;
};

class NoMoveTest : public TreeTest, public ::testing::WithParamInterface<CNoMoveCase> {};

TEST_P(NoMoveTest, leavesFolderAlone) {
    const CNoMoveCase& c = GetParam();
    for (int i = 0; i < c.m_count; ++i)
        AddEntry(*m_top, std::string(1, static_cast<char>('A' + i)), "t");
    ASSERT_EQ(Bind(), 1);
    const Names before = ChildNames(*m_top);
    const int notifications = m_left.Notifications();
    if (c.m_up)
        m_top->MoveUp(c.m_index);
    else
        m_top->MoveDown(c.m_index);
    EXPECT_EQ(ChildNames(*m_top), before) << c.m_what;
    EXPECT_EQ(m_left.Notifications(), notifications) << c.m_what;
    EXPECT_EQ(m_top->GetCurrent(), -1) << c.m_what;
}

INSTANTIATE_TEST_SUITE_P(Edges, NoMoveTest,
                         ::testing::ValuesIn(std::vector<CNoMoveCase>{
                             {"up first", 3, true, 0},
                             {"up none", 3, true, -1},
                             {"up past end", 3, true, 3},
                             {"down last", 3, false, 2},
                             {"down none", 3, false, -1},
                             {"single up", 1, true, 0},
                             {"single down", 1, false, 0},
                         }));

// The selected folder keeps its selection across a move and its children are
// listed once, whatever it changes places with.
struct CMoveCase {
    EKind m_neighbour;
    bool m_up;
};

class MoveSelectedTest : public TreeTest, public ::testing::WithParamInterface<CMoveCase> {};

TEST_P(MoveSelectedTest, staysSelectedAndListsChildrenOnce) {
    const CMoveCase& c = GetParam();
    CFolder* moved = nullptr;
    if (c.m_up) {
        AddKind(*m_top, c.m_neighbour, "N");
        moved = AddFolder(*m_top, "F");
    } else {
        moved = AddFolder(*m_top, "F");
        AddKind(*m_top, c.m_neighbour, "N");
    }
    AddEntry(*moved, "a", "http://a");
    AddEntry(*moved, "b", "http://b");
    ASSERT_EQ(Bind(), 1);
    const int from = c.m_up ? 1 : 0;
    const int to = c.m_up ? 0 : 1;
    m_left.Click(from);
    ASSERT_EQ(m_middle.Rows(), (Names{"a", "b"}));

    if (c.m_up)
        m_top->MoveUp(from);
    else
        m_top->MoveDown(from);

    EXPECT_EQ(m_top->GetChild(to), moved);
    EXPECT_EQ(m_top->GetCurrent(), to);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), to);
    EXPECT_EQ(m_left.GetRowCount(), 2);
    EXPECT_EQ(m_left.GetRowText(to), "F");
    EXPECT_EQ(m_middle.Rows(), (Names{"a", "b"}));
    EXPECT_EQ(m_middle.GetShownItem(), moved);
}

INSTANTIATE_TEST_SUITE_P(Neighbours, MoveSelectedTest,
                         ::testing::ValuesIn(std::vector<CMoveCase>{
                             {EKind::Entry, true},
                             {EKind::Folder, true},
                             {EKind::Separator, true},
                             {EKind::Blank, true},
                             {EKind::Entry, false},
                             {EKind::Folder, false},
                             {EKind::Separator, false},
                             {EKind::Blank, false},
                         }));

// ---------------------------------------------------------------- remove

struct CRemoveCase {
    int m_count;
    int m_selected; // clicked first, -1 none
    int m_index;
    Names m_after;
    int m_current;
};

class RemoveTest : public TreeTest, public ::testing::WithParamInterface<CRemoveCase> {};

TEST_P(RemoveTest, selectsNeighbour) {
    const CRemoveCase& c = GetParam();
    for (int i = 0; i < c.m_count; ++i)
        AddEntry(*m_top, std::string(1, static_cast<char>('A' + i)), "t");
    ASSERT_EQ(Bind(), 1);
    if (c.m_selected >= 0)
        m_left.Click(c.m_selected);
    m_top->Remove(c.m_index);
    EXPECT_EQ(ChildNames(*m_top), c.m_after);
    EXPECT_EQ(m_left.Rows(), c.m_after);
    EXPECT_EQ(m_top->GetCurrent(), c.m_current);
    if (c.m_current < static_cast<int>(c.m_after.size())) {
        EXPECT_EQ(m_left.GetFirstSelectedRow(), c.m_current);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveTest,
                         ::testing::ValuesIn(std::vector<CRemoveCase>{
                             {1, 0, 0, {}, 0},
                             {3, 0, 0, {"B", "C"}, 0},
                             {3, 2, 2, {"A", "B"}, 1},
                             {3, -1, 1, {"A", "C"}, 0},
                             {3, 1, -1, {"A", "B", "C"}, 1},
                             {3, 1, 3, {"A", "B", "C"}, 1},
                         }));

TEST_F(TreeTest, removeFolderDestroysSubtreeAndEmptiesColumns) {
    CFolder* f = AddFolder(*m_top, "F");
    CFolder* g = AddFolder(*f, "G");
    AddEntry(*g, "x", "http://x");
    AddEntry(*m_top, "E", "http://e");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    m_middle.Click(0);
    ASSERT_EQ(m_right.Rows(), (Names{"x"}));
    m_top->Remove(0);
    EXPECT_EQ(ChildNames(*m_top), (Names{"E"}));
    EXPECT_TRUE(m_middle.Rows().empty());
    EXPECT_TRUE(m_right.Rows().empty());
    EXPECT_EQ(m_address.m_text, "http://e");
}

// ---------------------------------------------------------------- insert

TEST_F(TreeTest, insertIntoEmptyFolderSelectsNewItem) {
    ASSERT_EQ(Bind(), 1);
    m_top->Insert(-1, std::make_unique<CEntry>("New", "", m_top.get()));
    EXPECT_EQ(ChildNames(*m_top), (Names{"New"}));
    EXPECT_EQ(m_top->GetCurrent(), 0);
    EXPECT_EQ(m_left.Rows(), (Names{"New"}));
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(m_middle.GetShownItem(), m_top->GetChild(0));
    EXPECT_TRUE(m_address.m_enabled);
}

TEST_F(TreeTest, insertBeforeSelectedWithdrawsWhatItShowed) {
    AddEntry(*m_top, "A", "http://a");
    CFolder* b = AddFolder(*m_top, "B");
    AddEntry(*b, "b1", "http://b1");
    AddEntry(*m_top, "C", "http://c");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(1);
    ASSERT_EQ(m_middle.Rows(), (Names{"b1"}));

    m_top->Insert(1, std::make_unique<CItem>("X"));
    EXPECT_EQ(ChildNames(*m_top), (Names{"A", "X", "B", "C"}));
    EXPECT_EQ(m_top->GetCurrent(), 1);
    EXPECT_EQ(m_left.Rows(), (Names{"A", "X", "B", "C"}));
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 1);
    EXPECT_TRUE(m_middle.Rows().empty());
}

TEST_F(TreeTest, insertAtCountAppendsAndSelects) {
    AddEntry(*m_top, "A", "http://a");
    ASSERT_EQ(Bind(), 1);
    m_top->Insert(1, std::make_unique<CItem>(SEPARATOR_TEXT));
    EXPECT_EQ(ChildNames(*m_top), (Names{"A", SEPARATOR_TEXT}));
    EXPECT_EQ(m_top->GetCurrent(), 1);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 1);
}

TEST_F(TreeTest, insertIntoLeafIsIgnored) {
    CEntry* e = AddEntry(*m_top, "E", "http://e");
    CItem* s = AddSeparator(*m_top);
    e->Insert(0, std::make_unique<CItem>("X"));
    s->Insert(0, std::make_unique<CItem>("X"));
    EXPECT_EQ(ChildNames(*m_top), (Names{"E", SEPARATOR_TEXT}));
    EXPECT_EQ(m_top->GetChild(0), e);
}

// A blank entry that gets something inserted turns into a folder of its name
// at its place, holding a blank entry named after the inserted item.
struct CConversionCase {
    const char* m_what;
    std::string m_inserted; // name of the inserted item
    bool m_separator;
};

class BlankConversionTest : public TreeTest,
                            public ::testing::WithParamInterface<CConversionCase> {};

TEST_P(BlankConversionTest, blankAtIndexThreeBecomesFolder) {
    const CConversionCase& c = GetParam();
    AddEntry(*m_top, "a", "http://a");
    AddFolder(*m_top, "b");
    AddSeparator(*m_top);
    AddBlank(*m_top, "N");
    AddEntry(*m_top, "d", "http://d");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(3);
    CItem* shown = m_middle.GetShownItem();
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(shown->IsContainer());

    std::unique_ptr<CItem> item = c.m_separator ? std::make_unique<CItem>(SEPARATOR_TEXT)
                                                : std::make_unique<CItem>(c.m_inserted);
    shown->Insert(0, std::move(item)); // destroys the blank entry

    EXPECT_EQ(ChildNames(*m_top), (Names{"a", "b", SEPARATOR_TEXT, "N", "d"}));
    auto* folder = dynamic_cast<CFolder*>(m_top->GetChild(3));
    ASSERT_NE(folder, nullptr) << c.m_what;
    EXPECT_EQ(m_top->GetCurrent(), 3);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 3);
    ASSERT_EQ(folder->GetCount(), 1);
    auto* child = dynamic_cast<CEntry*>(folder->GetChild(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetName(), c.m_separator ? SEPARATOR_TEXT : c.m_inserted);
    EXPECT_TRUE(child->IsBlank());
    EXPECT_EQ(folder->GetCurrent(), 0);
    EXPECT_EQ(m_middle.GetShownItem(), folder);
    EXPECT_EQ(m_middle.Rows(), (Names{child->GetName()}));
    EXPECT_EQ(m_middle.GetFirstSelectedRow(), 0);
    EXPECT_EQ(m_right.GetShownItem(), child);
    EXPECT_EQ(m_address.m_current, child);

    // The new blank entry turns into a folder in its turn.
    m_right.GetShownItem()->Insert(0, std::make_unique<CItem>("deeper"));
    EXPECT_NE(dynamic_cast<CFolder*>(folder->GetChild(0)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Inserted, BlankConversionTest,
                         ::testing::ValuesIn(std::vector<CConversionCase>{
                             {"named item", "Inner", false},
                             {"separator", "", true},
                         }));

TEST_F(TreeTest, blankNotFoundInHolderIsNotConverted) {
    CFolder* other = AddFolder(*m_top, "Other");
    auto stray = std::make_unique<CEntry>("S", "", other); // holder never takes it
    AddEntry(*m_top, "E", "t");
    stray->Insert(0, std::make_unique<CItem>("X"));
    EXPECT_EQ(other->GetCount(), 0);
    EXPECT_TRUE(stray->IsBlank());
}

// ---------------------------------------------------------------- rename

struct CRenameCase {
    const char* m_typed;
    int m_index;
    Names m_after;
};

class RenameTest : public TreeTest, public ::testing::WithParamInterface<CRenameCase> {};

TEST_P(RenameTest, trimsAndIgnoresEmpty) {
    const CRenameCase& c = GetParam();
    AddEntry(*m_top, "A", "http://a");
    AddEntry(*m_top, "B", "http://b");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    m_top->Rename(c.m_index, c.m_typed);
    EXPECT_EQ(ChildNames(*m_top), c.m_after);
    EXPECT_EQ(m_left.Rows(), c.m_after);
}

INSTANTIATE_TEST_SUITE_P(Typed, RenameTest,
                         ::testing::ValuesIn(std::vector<CRenameCase>{
                             {"  New \t", 1, {"A", "New"}},
                             {"\r\n\v\f", 1, {"A", "B"}},
                             {"   ", 0, {"A", "B"}},
                             {"X", -1, {"A", "B"}},
                             {"X", 2, {"A", "B"}},
                         }));

TEST_F(TreeTest, renameSelectsRenamedRow) {
    AddEntry(*m_top, "A", "http://a");
    AddEntry(*m_top, "B", "http://b");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    m_top->Rename(1, "Z");
    EXPECT_EQ(m_top->GetCurrent(), 1);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 1);
    EXPECT_EQ(m_address.m_text, "http://b");
}

// ---------------------------------------------------------------- target

struct CTargetStep {
    const char* m_typed;
    std::string m_target;
    bool m_blank;
};

TEST(EntryTarget, firstTargetEndsBlanknessAndNeverEmpties) {
    CFolder holder("H");
    CEntry entry("E", "", &holder);
    const CTargetStep steps[] = {
        {"   ", "", true},         {"  http://a  ", "http://a", false},
        {"", "http://a", false},   {" \thttp://a\n", "http://a", false},
        {"C:\\b", "C:\\b", false},
    };
    for (const CTargetStep& step : steps) {
        entry.SetTarget(step.m_typed);
        EXPECT_EQ(entry.GetTarget(), step.m_target) << '"' << step.m_typed << '"';
        EXPECT_EQ(entry.IsContainer(), step.m_blank) << '"' << step.m_typed << '"';
    }
}

TEST(EntryTarget, othersIgnoreTargets) {
    CFolder folder("F");
    CItem separator(SEPARATOR_TEXT);
    folder.SetTarget("x");
    separator.SetTarget("x");
    EXPECT_EQ(folder.GetTarget(), "");
    EXPECT_EQ(separator.GetTarget(), "");
}

} // namespace
