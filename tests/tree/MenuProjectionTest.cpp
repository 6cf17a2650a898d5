// SPDX-License-Identifier: MIT
#include "TreeFixture.h"
#include "tree/Menu.h"
#include "tree/MenuObserver.h"

namespace {

// One menu item in a form that compares and prints well.
struct CShown {
    CMenu::EKind m_kind;
    unsigned m_id;
    std::string m_text;
    bool operator==(const CShown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const CShown& item) {
    return out << static_cast<int>(item.m_kind) << '/' << item.m_id << '/' << item.m_text;
}

std::vector<CShown> Items(const CMenu& menu) {
    std::vector<CShown> items;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        const CMenu::CMenuItem* item = menu.GetItem(i);
        items.push_back({item->m_kind, item->m_id, item->m_text});
    }
    return items;
}

const CShown SEP{CMenu::EKind::Separator, 0, ""};
const CShown RETURN_MAIN{CMenu::EKind::Command, 32780, "&Return Main"};
const CShown CLOSE{CMenu::EKind::Command, 32779, "&Close"};

CShown Cmd(unsigned id, const std::string& text) {
    return {CMenu::EKind::Command, id, text};
}
CShown Sub(const std::string& text) {
    return {CMenu::EKind::Popup, 0, text};
}

CMenu* MenuOf(const CItem* item) {
    auto* sw = dynamic_cast<CObserverSwitch*>(item->GetObserver());
    return sw ? sw->GetMenuObserver()->GetMenu() : nullptr;
}

class MenuTest : public TreeTest {
protected:
    void Open() { ShowTreeMenus(m_top.get()); }
    void Close() { HideTreeMenus(m_top.get()); }
};

TEST_F(MenuTest, emptyTreeKeepsContentsOwnItems) {
    Open();
    EXPECT_EQ(Items(*m_content), (std::vector<CShown>{SEP, RETURN_MAIN, CLOSE}));
    Close();
    EXPECT_EQ(Items(*m_content), (std::vector<CShown>{SEP, RETURN_MAIN, CLOSE}));
}

TEST_F(MenuTest, numbersItemsInPreOrderTwiceAlike) {
    AddSeparator(*m_top);
    AddEntry(*m_top, "E", "http://e");
    CFolder* f = AddFolder(*m_top, "F");
    AddEntry(*f, "G", "http://g");

    for (int round = 0; round < 2; ++round) {
        Open();
        EXPECT_EQ(Items(*m_content),
                  (std::vector<CShown>{SEP, Cmd(33002, "E"), Sub("F"), SEP, RETURN_MAIN, CLOSE}))
            << "round " << round;
        EXPECT_EQ(m_content->GetItem(2)->m_popup, MenuOf(f));
        EXPECT_EQ(Items(*MenuOf(f)), (std::vector<CShown>{Cmd(33004, "G")}));
        EXPECT_EQ(g_nNextMenuId, 33004);
        Close();
        EXPECT_EQ(Items(*m_content), (std::vector<CShown>{SEP, RETURN_MAIN, CLOSE}));
        EXPECT_EQ(MenuOf(f)->GetMenuItemCount(), 0);
    }
}

TEST_F(MenuTest, blankEntryIsEmptySubMenuAndDrawsNumber) {
    CEntry* blank = AddBlank(*m_top, "B");
    AddEntry(*m_top, "E", "http://e");
    Open();
    EXPECT_EQ(Items(*m_content),
              (std::vector<CShown>{Sub("B"), Cmd(33002, "E"), SEP, RETURN_MAIN, CLOSE}));
    EXPECT_EQ(MenuOf(blank)->GetMenuItemCount(), 0);
    Close();
}

TEST_F(MenuTest, containerWithoutMenuIsLeftOutKeepingNumbers) {
    CFolder* f = AddFolder(*m_top, "F");
    AddEntry(*f, "G", "http://g");
    AddEntry(*m_top, "E", "http://e");
    MenuOf(f)->DestroyMenu();
    Open();
    EXPECT_EQ(Items(*m_content), (std::vector<CShown>{Cmd(33003, "E"), SEP, RETURN_MAIN, CLOSE}));
    Close();
    EXPECT_EQ(Items(*m_content), (std::vector<CShown>{SEP, RETURN_MAIN, CLOSE}));
}

TEST_F(MenuTest, separatorIsRecognisedByNameOnly) {
    AddEntry(*m_top, SEPARATOR_TEXT, "http://kept");
    Open();
    EXPECT_EQ(Items(*m_content), (std::vector<CShown>{SEP, SEP, RETURN_MAIN, CLOSE}));
    Close();
    EXPECT_EQ(m_top->GetChild(0)->GetTarget(), "http://kept");
}

TEST_F(MenuTest, columnsKeepWhatTheyShowedWhileMenusAreOpen) {
    CFolder* f = AddFolder(*m_top, "F");
    CEntry* g = AddEntry(*f, "G", "http://g");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    m_middle.Click(0);
    Open();
    Close();
    EXPECT_EQ(m_left.Rows(), (Names{"F"}));
    EXPECT_EQ(m_middle.Rows(), (Names{"G"}));
    EXPECT_EQ(m_middle.GetFirstSelectedRow(), 0);
    EXPECT_EQ(m_address.m_current, g);
    EXPECT_EQ(m_address.m_text, "http://g");
    EXPECT_EQ(Level(1)->GetSubject(), f);
}

TEST(MenuTopFolder, ownsEmptyMenuWithoutContentMenu) {
    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    AddEntry(*top, "E", "http://e");
    CMenu* menu = MenuOf(top.get());
    ASSERT_NE(menu, nullptr);
    ShowTreeMenus(top.get());
    EXPECT_EQ(Items(*menu), (std::vector<CShown>{Cmd(33001, "E")}));
    HideTreeMenus(top.get());
    EXPECT_EQ(menu->GetMenuItemCount(), 0);
    EndTree(std::move(top));
    ResetTreeState();
}

// ---------------------------------------------------------------- the model

TEST(MenuModel, withoutHandleRefusesEverything) {
    CMenu menu;
    CMenu sub;
    sub.CreateMenu();
    EXPECT_FALSE(menu.IsMenu());
    EXPECT_EQ(menu.GetMenuItemCount(), -1);
    EXPECT_FALSE(menu.AppendSeparator());
    EXPECT_FALSE(menu.AppendCommand(1, "x"));
    EXPECT_FALSE(menu.AppendPopup(&sub, "x"));
    EXPECT_FALSE(menu.RemoveMenu(0));
    EXPECT_FALSE(menu.DestroyMenu());
    EXPECT_TRUE(menu.CreateMenu());
    EXPECT_FALSE(menu.CreateMenu());
    EXPECT_EQ(menu.GetMenuItemCount(), 0);
}

TEST(MenuModel, insertsByPositionAndRemovesByPosition) {
    CMenu menu;
    CMenu sub;
    CMenu noHandle;
    menu.CreateMenu();
    sub.CreateMenu();
    EXPECT_TRUE(menu.InsertCommand(0, 7, "b"));
    EXPECT_TRUE(menu.InsertCommand(0, 6, "a"));
    EXPECT_TRUE(menu.InsertSeparator(99)); // past the end appends
    EXPECT_TRUE(menu.InsertPopup(1, &sub, "s"));
    EXPECT_FALSE(menu.InsertPopup(0, &noHandle, "n"));
    EXPECT_FALSE(menu.InsertPopup(0, nullptr, "n"));
    EXPECT_EQ(Items(menu), (std::vector<CShown>{Cmd(6, "a"), Sub("s"), Cmd(7, "b"), SEP}));
    EXPECT_FALSE(menu.RemoveMenu(4));
    EXPECT_FALSE(menu.RemoveMenu(-1));
    EXPECT_TRUE(menu.RemoveMenu(1)); // detaches only
    EXPECT_TRUE(sub.IsMenu());
    EXPECT_EQ(Items(menu), (std::vector<CShown>{Cmd(6, "a"), Cmd(7, "b"), SEP}));
    EXPECT_EQ(menu.GetItem(3), nullptr);
}

TEST(MenuModel, editAndContentMenus) {
    const std::unique_ptr<CMenu> op = MakeEditMenu();
    EXPECT_EQ(Items(*op),
              (std::vector<CShown>{Cmd(32770, "&Insert"), Cmd(32771, "Insert &Separetor"),
                                   Cmd(32772, "&Delete"), Cmd(32775, "&Rename"), SEP,
                                   Cmd(32773, "&Up"), Cmd(32774, "D&own")}));
    EXPECT_EQ(Items(*MakeContentMenu()), (std::vector<CShown>{SEP, RETURN_MAIN, CLOSE}));
}

} // namespace
