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
}

// ---------------------------------------------------------------- moves

struct NoMoveCase {
    const char* what;
    int count;
    bool up;
    int index;
};

class NoMoveTest : public TreeTest, public ::testing::WithParamInterface<NoMoveCase> {};

TEST_P(NoMoveTest, leavesFolderAlone) {
    const NoMoveCase& c = GetParam();
    for (int i = 0; i < c.count; ++i)
        AddEntry(*top, std::string(1, static_cast<char>('A' + i)), "t");
    ASSERT_EQ(Bind(), 1);
    const Names before = ChildNames(*top);
    const int notifications = left.Notifications();
    if (c.up)
        top->MoveUp(c.index);
    else
        top->MoveDown(c.index);
    EXPECT_EQ(ChildNames(*top), before) << c.what;
    EXPECT_EQ(left.Notifications(), notifications) << c.what;
    EXPECT_EQ(top->GetCurrent(), -1) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Edges, NoMoveTest,
                         ::testing::ValuesIn(std::vector<NoMoveCase>{
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
struct MoveCase {
    Kind neighbour;
    bool up;
};

class MoveSelectedTest : public TreeTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveSelectedTest, staysSelectedAndListsChildrenOnce) {
    const MoveCase& c = GetParam();
    CFolder* moved = nullptr;
    if (c.up) {
        AddKind(*top, c.neighbour, "N");
        moved = AddFolder(*top, "F");
    } else {
        moved = AddFolder(*top, "F");
        AddKind(*top, c.neighbour, "N");
    }
    AddEntry(*moved, "a", "http://a");
    AddEntry(*moved, "b", "http://b");
    ASSERT_EQ(Bind(), 1);
    const int from = c.up ? 1 : 0;
    const int to = c.up ? 0 : 1;
    left.Click(from);
    ASSERT_EQ(middle.Rows(), (Names{"a", "b"}));

    if (c.up)
        top->MoveUp(from);
    else
        top->MoveDown(from);

    EXPECT_EQ(top->GetChild(to), moved);
    EXPECT_EQ(top->GetCurrent(), to);
    EXPECT_EQ(left.GetFirstSelectedRow(), to);
    EXPECT_EQ(left.GetRowCount(), 2);
    EXPECT_EQ(left.GetRowText(to), "F");
    EXPECT_EQ(middle.Rows(), (Names{"a", "b"}));
    EXPECT_EQ(middle.GetShownItem(), moved);
}

INSTANTIATE_TEST_SUITE_P(Neighbours, MoveSelectedTest,
                         ::testing::ValuesIn(std::vector<MoveCase>{
                             {Kind::Entry, true},
                             {Kind::Folder, true},
                             {Kind::Separator, true},
                             {Kind::Blank, true},
                             {Kind::Entry, false},
                             {Kind::Folder, false},
                             {Kind::Separator, false},
                             {Kind::Blank, false},
                         }));

// ---------------------------------------------------------------- remove

struct RemoveCase {
    int count;
    int selected; // clicked first, -1 none
    int index;
    Names after;
    int current;
};

class RemoveTest : public TreeTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveTest, selectsNeighbour) {
    const RemoveCase& c = GetParam();
    for (int i = 0; i < c.count; ++i)
        AddEntry(*top, std::string(1, static_cast<char>('A' + i)), "t");
    ASSERT_EQ(Bind(), 1);
    if (c.selected >= 0)
        left.Click(c.selected);
    top->Remove(c.index);
    EXPECT_EQ(ChildNames(*top), c.after);
    EXPECT_EQ(left.Rows(), c.after);
    EXPECT_EQ(top->GetCurrent(), c.current);
    if (c.current < static_cast<int>(c.after.size())) {
        EXPECT_EQ(left.GetFirstSelectedRow(), c.current);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveTest,
                         ::testing::ValuesIn(std::vector<RemoveCase>{
                             {1, 0, 0, {}, 0},
                             {3, 0, 0, {"B", "C"}, 0},
                             {3, 2, 2, {"A", "B"}, 1},
                             {3, -1, 1, {"A", "C"}, 0},
                             {3, 1, -1, {"A", "B", "C"}, 1},
                             {3, 1, 3, {"A", "B", "C"}, 1},
                         }));

TEST_F(TreeTest, removeFolderDestroysSubtreeAndEmptiesColumns) {
    CFolder* f = AddFolder(*top, "F");
    CFolder* g = AddFolder(*f, "G");
    AddEntry(*g, "x", "http://x");
    AddEntry(*top, "E", "http://e");
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    middle.Click(0);
    ASSERT_EQ(right.Rows(), (Names{"x"}));
    top->Remove(0);
    EXPECT_EQ(ChildNames(*top), (Names{"E"}));
    EXPECT_TRUE(middle.Rows().empty());
    EXPECT_TRUE(right.Rows().empty());
    EXPECT_EQ(address.text, "http://e");
}

// ---------------------------------------------------------------- insert

TEST_F(TreeTest, insertIntoEmptyFolderSelectsNewItem) {
    ASSERT_EQ(Bind(), 1);
    top->Insert(-1, std::make_unique<CEntry>("New", "", top.get()));
    EXPECT_EQ(ChildNames(*top), (Names{"New"}));
    EXPECT_EQ(top->GetCurrent(), 0);
    EXPECT_EQ(left.Rows(), (Names{"New"}));
    EXPECT_EQ(left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(middle.GetShownItem(), top->GetChild(0));
    EXPECT_TRUE(address.enabled);
}

TEST_F(TreeTest, insertBeforeSelectedWithdrawsWhatItShowed) {
    AddEntry(*top, "A", "http://a");
    CFolder* b = AddFolder(*top, "B");
    AddEntry(*b, "b1", "http://b1");
    AddEntry(*top, "C", "http://c");
    ASSERT_EQ(Bind(), 1);
    left.Click(1);
    ASSERT_EQ(middle.Rows(), (Names{"b1"}));

    top->Insert(1, std::make_unique<CItem>("X"));
    EXPECT_EQ(ChildNames(*top), (Names{"A", "X", "B", "C"}));
    EXPECT_EQ(top->GetCurrent(), 1);
    EXPECT_EQ(left.Rows(), (Names{"A", "X", "B", "C"}));
    EXPECT_EQ(left.GetFirstSelectedRow(), 1);
    EXPECT_TRUE(middle.Rows().empty());
}

TEST_F(TreeTest, insertAtCountAppendsAndSelects) {
    AddEntry(*top, "A", "http://a");
    ASSERT_EQ(Bind(), 1);
    top->Insert(1, std::make_unique<CItem>(SEPARATOR_TEXT));
    EXPECT_EQ(ChildNames(*top), (Names{"A", SEPARATOR_TEXT}));
    EXPECT_EQ(top->GetCurrent(), 1);
    EXPECT_EQ(left.GetFirstSelectedRow(), 1);
}

TEST_F(TreeTest, insertIntoLeafIsIgnored) {
    CEntry* e = AddEntry(*top, "E", "http://e");
    CItem* s = AddSeparator(*top);
    e->Insert(0, std::make_unique<CItem>("X"));
    s->Insert(0, std::make_unique<CItem>("X"));
    EXPECT_EQ(ChildNames(*top), (Names{"E", SEPARATOR_TEXT}));
    EXPECT_EQ(top->GetChild(0), e);
}

// A blank entry that gets something inserted turns into a folder of its name
// at its place, holding a blank entry named after the inserted item.
struct ConversionCase {
    const char* what;
    std::string inserted; // name of the inserted item
    bool separator;
};

class BlankConversionTest : public TreeTest,
                            public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(BlankConversionTest, blankAtIndexThreeBecomesFolder) {
    const ConversionCase& c = GetParam();
    AddEntry(*top, "a", "http://a");
    AddFolder(*top, "b");
    AddSeparator(*top);
    AddBlank(*top, "N");
    AddEntry(*top, "d", "http://d");
    ASSERT_EQ(Bind(), 1);
    left.Click(3);
    CItem* shown = middle.GetShownItem();
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(shown->IsContainer());

    std::unique_ptr<CItem> item =
        c.separator ? std::make_unique<CItem>(SEPARATOR_TEXT) : std::make_unique<CItem>(c.inserted);
    shown->Insert(0, std::move(item)); // destroys the blank entry

    EXPECT_EQ(ChildNames(*top), (Names{"a", "b", SEPARATOR_TEXT, "N", "d"}));
    auto* folder = dynamic_cast<CFolder*>(top->GetChild(3));
    ASSERT_NE(folder, nullptr) << c.what;
    EXPECT_EQ(top->GetCurrent(), 3);
    EXPECT_EQ(left.GetFirstSelectedRow(), 3);
    ASSERT_EQ(folder->GetCount(), 1);
    auto* child = dynamic_cast<CEntry*>(folder->GetChild(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetName(), c.separator ? SEPARATOR_TEXT : c.inserted);
    EXPECT_TRUE(child->IsBlank());
    EXPECT_EQ(folder->GetCurrent(), 0);
    EXPECT_EQ(middle.GetShownItem(), folder);
    EXPECT_EQ(middle.Rows(), (Names{child->GetName()}));
    EXPECT_EQ(middle.GetFirstSelectedRow(), 0);
    EXPECT_EQ(right.GetShownItem(), child);
    EXPECT_EQ(address.current, child);

    // The new blank entry turns into a folder in its turn.
    right.GetShownItem()->Insert(0, std::make_unique<CItem>("deeper"));
    EXPECT_NE(dynamic_cast<CFolder*>(folder->GetChild(0)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Inserted, BlankConversionTest,
                         ::testing::ValuesIn(std::vector<ConversionCase>{
                             {"named item", "Inner", false},
                             {"separator", "", true},
                         }));

TEST_F(TreeTest, blankNotFoundInHolderIsNotConverted) {
    CFolder* other = AddFolder(*top, "Other");
    auto stray = std::make_unique<CEntry>("S", "", other); // holder never takes it
    AddEntry(*top, "E", "t");
    stray->Insert(0, std::make_unique<CItem>("X"));
    EXPECT_EQ(other->GetCount(), 0);
    EXPECT_TRUE(stray->IsBlank());
}

// ---------------------------------------------------------------- rename

struct RenameCase {
    const char* typed;
    int index;
    Names after;
};

class RenameTest : public TreeTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(RenameTest, trimsAndIgnoresEmpty) {
    const RenameCase& c = GetParam();
    AddEntry(*top, "A", "http://a");
    AddEntry(*top, "B", "http://b");
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    top->Rename(c.index, c.typed);
    EXPECT_EQ(ChildNames(*top), c.after);
    EXPECT_EQ(left.Rows(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Typed, RenameTest,
                         ::testing::ValuesIn(std::vector<RenameCase>{
                             {"  New \t", 1, {"A", "New"}},
                             {"\r\n\v\f", 1, {"A", "B"}},
                             {"   ", 0, {"A", "B"}},
                             {"X", -1, {"A", "B"}},
                             {"X", 2, {"A", "B"}},
                         }));

TEST_F(TreeTest, renameSelectsRenamedRow) {
    AddEntry(*top, "A", "http://a");
    AddEntry(*top, "B", "http://b");
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    top->Rename(1, "Z");
    EXPECT_EQ(top->GetCurrent(), 1);
    EXPECT_EQ(left.GetFirstSelectedRow(), 1);
    EXPECT_EQ(address.text, "http://b");
}

// ---------------------------------------------------------------- target

struct TargetStep {
    const char* typed;
    std::string target;
    bool blank;
};

TEST(EntryTarget, firstTargetEndsBlanknessAndNeverEmpties) {
    CFolder holder("H");
    CEntry entry("E", "", &holder);
    const TargetStep steps[] = {
        {"   ", "", true},         {"  http://a  ", "http://a", false},
        {"", "http://a", false},   {" \thttp://a\n", "http://a", false},
        {"C:\\b", "C:\\b", false},
    };
    for (const TargetStep& step : steps) {
        entry.SetTarget(step.typed);
        EXPECT_EQ(entry.GetTarget(), step.target) << '"' << step.typed << '"';
        EXPECT_EQ(entry.IsContainer(), step.blank) << '"' << step.typed << '"';
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
