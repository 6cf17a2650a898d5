#include "TreeFixture.h"

namespace {

struct DisplayModeCase {
    int start;
    int requested;
    int answer;
    int modeAfter;
};

class DisplayModeTest : public ::testing::TestWithParam<DisplayModeCase> {
protected:
    void SetUp() override { ResetTreeState(); }
    void TearDown() override { ResetTreeState(); }
};

TEST_P(DisplayModeTest, answersPreviousModeOrRefuses) {
    const DisplayModeCase& c = GetParam();
    g_nDisplayMode = c.start;
    EXPECT_EQ(SetDisplayMode(c.requested), c.answer);
    EXPECT_EQ(g_nDisplayMode, c.modeAfter);
}

INSTANTIATE_TEST_SUITE_P(Modes, DisplayModeTest,
                         ::testing::ValuesIn(std::vector<DisplayModeCase>{
                             {0, 1, 0, 1},
                             {1, 0, 1, 0},
                             {0, 0, 0, 0},
                             {0, 2, -1, 0},
                             {1, -1, -1, 1},
                         }));

// A top folder holding W (with entry M) and entry N, walked as the user does.
TEST_F(TreeTest, workedSequenceFollowsTheClicks) {
    CFolder* w = AddFolder(*top, "W");
    CEntry* m = AddEntry(*w, "M", "http://m.example");
    CEntry* n = AddEntry(*top, "N", "C:\\n.txt");
    address.enabled = true;
    address.text = "stale";

    ASSERT_EQ(Bind(), 1);
    EXPECT_EQ(left.Rows(), (Names{"W", "N"}));
    EXPECT_EQ(left.GetFirstSelectedRow(), -1);
    EXPECT_TRUE(middle.Rows().empty());
    EXPECT_TRUE(right.Rows().empty());
    EXPECT_FALSE(address.enabled);
    EXPECT_EQ(address.text, "");

    left.Click(0);
    EXPECT_EQ(middle.Rows(), (Names{"M"}));
    EXPECT_EQ(middle.GetShownItem(), w);

    middle.Click(0);
    EXPECT_TRUE(right.Rows().empty());
    EXPECT_TRUE(address.enabled);
    EXPECT_EQ(address.text, "http://m.example");
    EXPECT_EQ(address.current, m);

    left.Click(1);
    EXPECT_TRUE(middle.Rows().empty());
    EXPECT_TRUE(address.enabled);
    EXPECT_EQ(address.text, "C:\\n.txt");
    EXPECT_EQ(address.current, n);
    EXPECT_EQ(top->GetCurrent(), 1);
}

TEST_F(TreeTest, bindFirstLevelIsNeverRefused) {
    EXPECT_EQ(Bind(), 1);
    EXPECT_TRUE(left.Rows().empty());
    EXPECT_EQ(left.GetShownItem(), top.get());
    EXPECT_EQ(middle.GetObserver(), Level(1));
    EXPECT_EQ(right.GetObserver(), Level(2));
}

TEST_F(TreeTest, bindRelistsSelectedPathOnce) {
    CFolder* a = AddFolder(*top, "A");
    AddEntry(*a, "x", "http://x");
    AddEntry(*a, "y", "http://y");
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    ASSERT_EQ(Bind(), 1);
    EXPECT_EQ(left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(middle.Rows(), (Names{"x", "y"}));
}

// ">" : shifting the columns one depth down needs the rightmost column's
// selected row to be a container.
struct ShiftCase {
    const char* what;
    Kind selected; // kind of the row selected in the right column
    bool selectNothing;
    int answer;
};

class BindShiftTest : public TreeTest, public ::testing::WithParamInterface<ShiftCase> {};

TEST_P(BindShiftTest, acceptsOnlyWhenRightColumnShowsContainer) {
    const ShiftCase& c = GetParam();
    CFolder* f1 = AddFolder(*top, "F1");
    CFolder* f2 = AddFolder(*f1, "F2");
    CItem* picked = AddKind(*f2, c.selected, "K");
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    middle.Click(0);
    if (!c.selectNothing)
        right.Click(0);

    EXPECT_EQ(Bind(Level(1)), c.answer) << c.what;
    if (c.answer == 1) {
        EXPECT_EQ(left.GetObserver(), Level(1));
        EXPECT_EQ(left.Rows(), (Names{"F2"}));
        EXPECT_EQ(middle.Rows(), (Names{"K"}));
        EXPECT_EQ(right.GetShownItem(), picked);
    } else {
        EXPECT_EQ(left.GetObserver(), Level(0));
        EXPECT_EQ(right.Rows(), (Names{picked->GetName()}));
    }
}

INSTANTIATE_TEST_SUITE_P(RightRow, BindShiftTest,
                         ::testing::ValuesIn(std::vector<ShiftCase>{
                             {"entry", Kind::Entry, false, 0},
                             {"separator", Kind::Separator, false, 0},
                             {"nothing", Kind::Entry, true, 0},
                             {"folder", Kind::Folder, false, 1},
                             {"blank entry", Kind::Blank, false, 1},
                         }));

TEST_F(TreeTest, clearOnUnboundLevelResetsAddressItem) {
    CEntry* e = AddEntry(*top, "E", "http://e");
    Level(3)->SetSubject(e);
    EXPECT_EQ(address.current, e);
    Level(3)->Clear();
    EXPECT_EQ(address.current, nullptr);
    EXPECT_EQ(Level(3)->GetSubject(), nullptr);
}

TEST_F(TreeTest, selectRowOfSelectedRowSendsNothing) {
    AddEntry(*top, "A", "http://a");
    AddEntry(*top, "B", "http://b");
    ASSERT_EQ(Bind(), 1);
    left.Click(1);
    const int before = left.Notifications();
    g_pFirstLevel->SelectRow(1);
    EXPECT_EQ(left.Notifications(), before);
    g_pFirstLevel->SelectRow(0);
    EXPECT_EQ(left.Notifications(), before + 1);
    EXPECT_EQ(top->GetCurrent(), 0);
}

TEST_F(TreeTest, itemsInsertedInMenuDisplayGetTheirDepth) {
    CFolder* f = AddFolder(*top, "F");
    ASSERT_EQ(SetDisplayMode(1), 0);
    f->Insert(-1, std::make_unique<CEntry>("E", "", f));
    SetDisplayMode(0);
    auto* sw = dynamic_cast<CObserverSwitch*>(f->GetChild(0)->GetObserver());
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->GetLevel(), Level(2));
}

TEST_F(TreeTest, deeperLevelsAreMadeOnDemand) {
    CFolder* f = top.get();
    for (int depth = 0; depth < 6; ++depth)
        f = AddFolder(*f, "D" + std::to_string(depth));
    EXPECT_NE(Level(6), nullptr);
    EXPECT_EQ(Level(7), nullptr);
}

// Removing an entry that a deeper column still remembers must not leave that
// column pointing at freed memory.
TEST_F(TreeTest, removedItemIsForgottenByLevelsAndAddressBox) {
    CFolder* f = AddFolder(*top, "F");
    AddEntry(*f, "E", "http://e");
    AddSeparator(*f);
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    middle.Click(0); // level 2 shows E
    middle.Click(1); // a separator shows nothing: level 2 still remembers E
    f->Remove(0);
    EXPECT_EQ(Level(2)->GetSubject(), nullptr);
    EXPECT_EQ(Bind(Level(1)), 0);
    f->Remove(0);
    EXPECT_EQ(address.current, f);
}

// The tree selects a row itself and the list reports it back: the folder
// selected after the last row is removed is listed once, not twice.
TEST_F(TreeTest, removingTheLastRowListsTheFolderBeforeItOnce) {
    CFolder* f = AddFolder(*top, "F");
    AddEntry(*f, "E", "http://e");
    AddEntry(*top, "N", "http://n");
    ASSERT_EQ(Bind(), 1);
    left.Click(1);
    top->Remove(1);
    EXPECT_EQ(left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(middle.Rows(), (Names{"E"}));
}

} // namespace
