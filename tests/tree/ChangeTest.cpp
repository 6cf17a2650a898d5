// SPDX-License-Identifier: MIT
// What counts as a change of the tree: every edit is announced once it is
// done, and nothing that only shows, selects or refuses is.

#include "TreeFixture.h"

#include <functional>

namespace {

struct CChangeCase {
    const char* m_what;
    std::function<void(CFolder& top, CEntry& entry, CEntry& blank)> m_act;
    bool m_changes;
};

// The top folder holds entry E, folder F (entry G) and blank entry B.
const CChangeCase CHANGES[] = {
    {"insert an entry",
     [](CFolder& top, CEntry&, CEntry&) { top.Insert(0, std::make_unique<CEntry>("N", "", &top)); },
     true},
    {"insert a separator",
     [](CFolder& top, CEntry&, CEntry&) {
         top.Insert(-1, std::make_unique<CItem>(SEPARATOR_TEXT));
     },
     true},
    {"remove", [](CFolder& top, CEntry&, CEntry&) { top.Remove(1); }, true},
    {"rename", [](CFolder& top, CEntry&, CEntry&) { top.Rename(0, "New"); }, true},
    {"move up", [](CFolder& top, CEntry&, CEntry&) { top.MoveUp(2); }, true},
    {"move down", [](CFolder& top, CEntry&, CEntry&) { top.MoveDown(0); }, true},
    {"set a target", [](CFolder&, CEntry& e, CEntry&) { e.SetTarget("http://other"); }, true},
    {"give a blank entry its first target",
     [](CFolder&, CEntry&, CEntry& b) { b.SetTarget("http://b"); }, true},
    {"insert into a blank entry",
     [](CFolder&, CEntry&, CEntry& b) { b.Insert(0, std::make_unique<CItem>("C")); }, true},

    {"rename to the same name", [](CFolder& top, CEntry&, CEntry&) { top.Rename(0, " E "); },
     false},
    {"rename to spaces", [](CFolder& top, CEntry&, CEntry&) { top.Rename(0, "  "); }, false},
    {"remove past the end", [](CFolder& top, CEntry&, CEntry&) { top.Remove(3); }, false},
    {"move the first up", [](CFolder& top, CEntry&, CEntry&) { top.MoveUp(0); }, false},
    {"set the same target", [](CFolder&, CEntry& e, CEntry&) { e.SetTarget(" http://e "); }, false},
    {"set an empty target", [](CFolder&, CEntry& e, CEntry&) { e.SetTarget(" "); }, false},
    {"insert into an entry",
     [](CFolder&, CEntry& e, CEntry&) { e.Insert(0, std::make_unique<CItem>("C")); }, false},
    {"select", [](CFolder& top, CEntry&, CEntry&) { top.Select(1); }, false},
    {"open and close the menus",
     [](CFolder& top, CEntry&, CEntry&) {
         ShowTreeMenus(&top);
         HideTreeMenus(&top);
     },
     false},
    {"append as reading does",
     [](CFolder& top, CEntry&, CEntry&) { AddFolder(*AddFolder(top, "R"), "S"); }, false},
};

class ChangeTest : public TreeTest, public ::testing::WithParamInterface<CChangeCase> {};

TEST_P(ChangeTest, isAnnouncedOnlyForAnEdit) {
    const CChangeCase& c = GetParam();
    CEntry* entry = AddEntry(*m_top, "E", "http://e");
    AddEntry(*AddFolder(*m_top, "F"), "G", "http://g");
    CEntry* blank = AddBlank(*m_top, "B");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(1);
    m_middle.Click(0);

    int calls = 0;
    g_onTreeChange = [&calls] { ++calls; };
    const unsigned long long before = g_nTreeChanges;
    c.m_act(*m_top, *entry, *blank);
    EXPECT_EQ(g_nTreeChanges - before > 0, c.m_changes) << c.m_what;
    EXPECT_EQ(static_cast<unsigned long long>(calls), g_nTreeChanges - before) << c.m_what;
}

INSTANTIATE_TEST_SUITE_P(Operations, ChangeTest, ::testing::ValuesIn(CHANGES));

} // namespace
