// SPDX-License-Identifier: MIT
#include "TreeFixture.h"

namespace {

struct CDisplayModeCase {
    int m_start;
    int m_requested;
    int m_answer;
    int m_modeAfter;
};

class DisplayModeTest : public ::testing::TestWithParam<CDisplayModeCase> {
protected:
    void SetUp() override { ResetTreeState(); }
    void TearDown() override { ResetTreeState(); }
};

TEST_P(DisplayModeTest, answersPreviousModeOrRefuses) {
    const CDisplayModeCase& c = GetParam();
    g_nDisplayMode = c.m_start;
    EXPECT_EQ(SetDisplayMode(c.m_requested), c.m_answer);
    EXPECT_EQ(g_nDisplayMode, c.m_modeAfter);
}

INSTANTIATE_TEST_SUITE_P(Modes, DisplayModeTest,
                         ::testing::ValuesIn(std::vector<CDisplayModeCase>{
                             {0, 1, 0, 1},
                             {1, 0, 1, 0},
                             {0, 0, 0, 0},
                             {0, 2, -1, 0},
                             {1, -1, -1, 1},
                         }));

// A top folder holding W (with entry M) and entry N, walked as the user does.
TEST_F(TreeTest, workedSequenceFollowsTheClicks) {
    CFolder* w = AddFolder(*m_top, "W");
    CEntry* m = AddEntry(*w, "M", "http://m.example");
    CEntry* n = AddEntry(*m_top, "N", "C:\\n.txt");
    m_address.m_enabled = true;
    m_address.m_text = "stale";

    ASSERT_EQ(Bind(), 1);
    EXPECT_EQ(m_left.Rows(), (Names{"W", "N"}));
    EXPECT_EQ(m_left.GetFirstSelectedRow(), -1);
    EXPECT_TRUE(m_middle.Rows().empty());
    EXPECT_TRUE(m_right.Rows().empty());
    EXPECT_FALSE(m_address.m_enabled);
    EXPECT_EQ(m_address.m_text, "");

    m_left.Click(0);
    EXPECT_EQ(m_middle.Rows(), (Names{"M"}));
    EXPECT_EQ(m_middle.GetShownItem(), w);

    m_middle.Click(0);
    EXPECT_TRUE(m_right.Rows().empty());
    EXPECT_TRUE(m_address.m_enabled);
    EXPECT_EQ(m_address.m_text, "http://m.example");
    EXPECT_EQ(m_address.m_current, m);

    m_left.Click(1);
    EXPECT_TRUE(m_middle.Rows().empty());
    EXPECT_TRUE(m_address.m_enabled);
    EXPECT_EQ(m_address.m_text, "C:\\n.txt");
    EXPECT_EQ(m_address.m_current, n);
    EXPECT_EQ(m_top->GetCurrent(), 1);
}

TEST_F(TreeTest, bindFirstLevelIsNeverRefused) {
    EXPECT_EQ(Bind(), 1);
    EXPECT_TRUE(m_left.Rows().empty());
    EXPECT_EQ(m_left.GetShownItem(), m_top.get());
    EXPECT_EQ(m_middle.GetObserver(), Level(1));
    EXPECT_EQ(m_right.GetObserver(), Level(2));
}

TEST_F(TreeTest, bindRelistsSelectedPathOnce) {
    CFolder* a = AddFolder(*m_top, "A");
    AddEntry(*a, "x", "http://x");
    AddEntry(*a, "y", "http://y");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    ASSERT_EQ(Bind(), 1);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(m_middle.Rows(), (Names{"x", "y"}));
}

// ">" : shifting the columns one depth down needs the rightmost column's
// selected row to be a container.
struct CShiftCase {
    const char* m_what;
    EKind m_selected; // kind of the row selected in the right column
    bool m_selectNothing;
    int m_answer;
};

class BindShiftTest : public TreeTest, public ::testing::WithParamInterface<CShiftCase> {};

TEST_P(BindShiftTest, acceptsOnlyWhenRightColumnShowsContainer) {
    const CShiftCase& c = GetParam();
    CFolder* f1 = AddFolder(*m_top, "F1");
    CFolder* f2 = AddFolder(*f1, "F2");
    CItem* picked = AddKind(*f2, c.m_selected, "K");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    m_middle.Click(0);
    if (!c.m_selectNothing)
        m_right.Click(0);

    EXPECT_EQ(Bind(Level(1)), c.m_answer) << c.m_what;
    if (c.m_answer == 1) {
        EXPECT_EQ(m_left.GetObserver(), Level(1));
        EXPECT_EQ(m_left.Rows(), (Names{"F2"}));
        EXPECT_EQ(m_middle.Rows(), (Names{"K"}));
        EXPECT_EQ(m_right.GetShownItem(), picked);
    } else {
        EXPECT_EQ(m_left.GetObserver(), Level(0));
        EXPECT_EQ(m_right.Rows(), (Names{picked->GetName()}));
    }
}

INSTANTIATE_TEST_SUITE_P(RightRow, BindShiftTest,
                         ::testing::ValuesIn(std::vector<CShiftCase>{
                             {"entry", EKind::Entry, false, 0},
                             {"separator", EKind::Separator, false, 0},
                             {"nothing", EKind::Entry, true, 0},
                             {"folder", EKind::Folder, false, 1},
                             {"blank entry", EKind::Blank, false, 1},
                         }));

TEST_F(TreeTest, clearOnUnboundLevelResetsAddressItem) {
    CEntry* e = AddEntry(*m_top, "E", "http://e");
    Level(3)->SetSubject(e);
    EXPECT_EQ(m_address.m_current, e);
    Level(3)->Clear();
    EXPECT_EQ(m_address.m_current, nullptr);
    EXPECT_EQ(Level(3)->GetSubject(), nullptr);
}

TEST_F(TreeTest, selectRowOfSelectedRowSendsNothing) {
    AddEntry(*m_top, "A", "http://a");
    AddEntry(*m_top, "B", "http://b");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(1);
    const int before = m_left.Notifications();
    g_pFirstLevel->SelectRow(1);
    EXPECT_EQ(m_left.Notifications(), before);
    g_pFirstLevel->SelectRow(0);
    EXPECT_EQ(m_left.Notifications(), before + 1);
    EXPECT_EQ(m_top->GetCurrent(), 0);
}

TEST_F(TreeTest, itemsInsertedInMenuDisplayGetTheirDepth) {
    CFolder* f = AddFolder(*m_top, "F");
    ASSERT_EQ(SetDisplayMode(1), 0);
    f->Insert(-1, std::make_unique<CEntry>("E", "", f));
    SetDisplayMode(0);
    auto* sw = dynamic_cast<CObserverSwitch*>(f->GetChild(0)->GetObserver());
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->GetLevel(), Level(2));
}

TEST_F(TreeTest, deeperLevelsAreMadeOnDemand) {
    CFolder* f = m_top.get();
    for (int depth = 0; depth < 6; ++depth)
        f = AddFolder(*f, "D" + std::to_string(depth));
    EXPECT_NE(Level(6), nullptr);
    EXPECT_EQ(Level(7), nullptr);
}

// Removing an entry that a deeper column still remembers must not leave that
// column pointing at freed memory.
TEST_F(TreeTest, removedItemIsForgottenByLevelsAndAddressBox) {
    CFolder* f = AddFolder(*m_top, "F");
    AddEntry(*f, "E", "http://e");
    AddSeparator(*f);
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    m_middle.Click(0); // level 2 shows E
    m_middle.Click(1); // a separator shows nothing: level 2 still remembers E
    f->Remove(0);
    EXPECT_EQ(Level(2)->GetSubject(), nullptr);
    EXPECT_EQ(Bind(Level(1)), 0);
    f->Remove(0);
    EXPECT_EQ(m_address.m_current, f);
}

// The tree selects a row itself and the list reports it back: the folder
// selected after the last row is removed is listed once, not twice.
TEST_F(TreeTest, removingTheLastRowListsTheFolderBeforeItOnce) {
    CFolder* f = AddFolder(*m_top, "F");
    AddEntry(*f, "E", "http://e");
    AddEntry(*m_top, "N", "http://n");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(1);
    m_top->Remove(1);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(m_middle.Rows(), (Names{"E"}));
}

} // namespace
