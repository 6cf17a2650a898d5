// SPDX-License-Identifier: MIT
#include "tree/MenuNumbering.h"

#include "TreeFixture.h"
#include "tree/Menu.h"

#include <functional>
#include <map>

namespace {

// Every command of a rendered menu and of the sub-menus below it.
void Commands(const CMenu& menu, std::map<unsigned, std::string>& found) {
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        const CMenu::CMenuItem* item = menu.GetItem(i);
        if (item->m_kind == CMenu::EKind::Command)
            EXPECT_TRUE(found.emplace(item->m_id, item->m_text).second)
                << "id " << item->m_id << " twice";
        else if (item->m_kind == CMenu::EKind::Popup)
            Commands(*item->m_popup, found);
    }
}

// Every entry with a target, by name (the trees below use unique names).
void Entries(const CItem& item, std::map<std::string, std::string>& found) {
    for (int i = 0; i < item.GetCount(); ++i) {
        const CItem* child = item.GetChild(i);
        if (!child->GetTarget().empty())
            found.emplace(child->GetName(), child->GetTarget());
        Entries(*child, found);
    }
}

struct CTreeCase {
    const char* m_what;
    std::function<void(CFolder&)> m_build;
    std::map<unsigned, std::string> m_expected; // id -> target; ids not listed find nothing
};

const CTreeCase TREES[] = {
    {"separator, entry, folder with one entry",
     [](CFolder& top) {
         AddSeparator(top);
         AddEntry(top, "E", "http://e");
         AddEntry(*AddFolder(top, "F"), "G", "http://g");
     },
     {{33002, "http://e"}, {33004, "http://g"}}},
    {"folders, blank entries and separators before the entry",
     [](CFolder& top) {
         CFolder* a = AddFolder(top, "A");
         AddBlank(*a, "A1");
         AddSeparator(*a);
         AddFolder(*AddFolder(*a, "A2"), "A21");
         AddSeparator(top);
         AddBlank(top, "B");
         AddFolder(top, "C");
         AddEntry(*AddFolder(top, "D"), "D1", "/home/u/d1.txt");
         AddEntry(top, "E", "www.e.example");
     },
     // A 33001, A1 33002, sep 33003, A2 33004, A21 33005, sep 33006, B 33007,
     // C 33008, D 33009, D1 33010, E 33011.
     {{33010, "/home/u/d1.txt"}, {33011, "www.e.example"}}},
    {"an entry and an empty folder named Root count like any item",
     [](CFolder& top) {
         AddEntry(top, "Root", "http://root");
         AddFolder(top, "Root");
         AddEntry(top, "E", "http://e");
     },
     {{33001, "http://root"}, {33003, "http://e"}}},
    {"a folder named Root below the top numbers on",
     [](CFolder& top) {
         AddEntry(top, "E", "http://e");
         CFolder* root = AddFolder(top, "Root");
         AddEntry(*root, "A", "http://a");
         AddSeparator(*root);
         AddEntry(*root, "B", "http://b");
         AddEntry(*root, "C", "http://c");
         AddEntry(top, "F", "http://f");
     },
     {{33001, "http://e"},
      {33003, "http://a"},
      {33005, "http://b"},
      {33006, "http://c"},
      {33007, "http://f"}}},
    {"an empty tree", [](CFolder&) {}, {}},
};

class FindTargetTest : public TreeTest, public ::testing::WithParamInterface<CTreeCase> {};

TEST_P(FindTargetTest, findsTheEntryOfEachIdAndNothingElse) {
    const CTreeCase& c = GetParam();
    c.m_build(*m_top);
    for (unsigned id = 32990; id <= 33020; ++id) {
        const auto it = c.m_expected.find(id);
        EXPECT_EQ(FindTargetById(m_top.get(), id), it == c.m_expected.end() ? "" : it->second)
            << "id " << id;
    }
    EXPECT_EQ(FindTargetById(nullptr, 33001), "");
}

TEST_P(FindTargetTest, everyCommandOfTheProjectionLeadsBackToItsEntry) {
    const CTreeCase& c = GetParam();
    c.m_build(*m_top);
    std::map<std::string, std::string> entries;
    Entries(*m_top, entries);
    for (int round = 0; round < 2; ++round) {
        ShowTreeMenus(m_top.get());
        std::map<unsigned, std::string> commands;
        Commands(*m_content, commands);
        commands.erase(ID_CONTENT_RETURNMAIN);
        commands.erase(ID_CONTENT_CLOSE);
        EXPECT_EQ(commands.size(), entries.size());
        for (const auto& [id, name] : commands)
            EXPECT_EQ(FindTargetById(m_top.get(), id), entries[name]) << name << " round " << round;
        HideTreeMenus(m_top.get());
    }
}

INSTANTIATE_TEST_SUITE_P(Trees, FindTargetTest, ::testing::ValuesIn(TREES));

TEST_F(TreeTest, findTargetNumbersASubtreeFromItsOwnTop) {
    CFolder* f = AddFolder(*m_top, "F");
    AddSeparator(*f);
    AddEntry(*f, "G", "http://g");
    EXPECT_EQ(FindTargetById(f, 33002), "http://g");
    EXPECT_EQ(FindTargetById(m_top.get(), 33003), "http://g");
}

} // namespace
