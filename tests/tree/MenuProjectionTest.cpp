#include "TreeFixture.h"
#include "tree/Menu.h"
#include "tree/MenuObserver.h"

namespace {

// One menu item in a form that compares and prints well.
struct Shown {
    CMenu::Kind kind;
    unsigned id;
    std::string text;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& item) {
    return out << static_cast<int>(item.kind) << '/' << item.id << '/' << item.text;
}

std::vector<Shown> Items(const CMenu& menu) {
    std::vector<Shown> items;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        const CMenu::Item* item = menu.GetItem(i);
        items.push_back({item->kind, item->id, item->text});
    }
    return items;
}

const Shown SEP{CMenu::Kind::Separator, 0, ""};
const Shown RETURN_MAIN{CMenu::Kind::Command, 32780, "&Return Main"};
const Shown CLOSE{CMenu::Kind::Command, 32779, "&Close"};

Shown Cmd(unsigned id, const std::string& text) {
    return {CMenu::Kind::Command, id, text};
}
Shown Sub(const std::string& text) {
    return {CMenu::Kind::Popup, 0, text};
}

CMenu* MenuOf(const CItem* item) {
    auto* sw = dynamic_cast<CObserverSwitch*>(item->GetObserver());
    return sw ? sw->GetMenuObserver()->GetMenu() : nullptr;
}

class MenuTest : public TreeTest {
protected:
    void Open() { ShowTreeMenus(top.get()); }
    void Close() { HideTreeMenus(top.get()); }
};

TEST_F(MenuTest, emptyTreeKeepsContentsOwnItems) {
    Open();
    EXPECT_EQ(Items(*content), (std::vector<Shown>{SEP, RETURN_MAIN, CLOSE}));
    Close();
    EXPECT_EQ(Items(*content), (std::vector<Shown>{SEP, RETURN_MAIN, CLOSE}));
}

TEST_F(MenuTest, numbersItemsInPreOrderTwiceAlike) {
    AddSeparator(*top);
    AddEntry(*top, "E", "http://e");
    CFolder* f = AddFolder(*top, "F");
    AddEntry(*f, "G", "http://g");

    for (int round = 0; round < 2; ++round) {
        Open();
        EXPECT_EQ(Items(*content),
                  (std::vector<Shown>{SEP, Cmd(33002, "E"), Sub("F"), SEP, RETURN_MAIN, CLOSE}))
            << "round " << round;
        EXPECT_EQ(content->GetItem(2)->popup, MenuOf(f));
        EXPECT_EQ(Items(*MenuOf(f)), (std::vector<Shown>{Cmd(33004, "G")}));
        EXPECT_EQ(g_nNextMenuId, 33004);
        Close();
        EXPECT_EQ(Items(*content), (std::vector<Shown>{SEP, RETURN_MAIN, CLOSE}));
        EXPECT_EQ(MenuOf(f)->GetMenuItemCount(), 0);
    }
}

TEST_F(MenuTest, blankEntryIsEmptySubMenuAndDrawsNumber) {
    CEntry* blank = AddBlank(*top, "B");
    AddEntry(*top, "E", "http://e");
    Open();
    EXPECT_EQ(Items(*content),
              (std::vector<Shown>{Sub("B"), Cmd(33002, "E"), SEP, RETURN_MAIN, CLOSE}));
    EXPECT_EQ(MenuOf(blank)->GetMenuItemCount(), 0);
    Close();
}

TEST_F(MenuTest, containerWithoutMenuIsLeftOutKeepingNumbers) {
    CFolder* f = AddFolder(*top, "F");
    AddEntry(*f, "G", "http://g");
    AddEntry(*top, "E", "http://e");
    MenuOf(f)->DestroyMenu();
    Open();
    EXPECT_EQ(Items(*content), (std::vector<Shown>{Cmd(33003, "E"), SEP, RETURN_MAIN, CLOSE}));
    Close();
    EXPECT_EQ(Items(*content), (std::vector<Shown>{SEP, RETURN_MAIN, CLOSE}));
}

TEST_F(MenuTest, separatorIsRecognisedByNameOnly) {
    AddEntry(*top, SEPARATOR_TEXT, "http://kept");
    Open();
    EXPECT_EQ(Items(*content), (std::vector<Shown>{SEP, SEP, RETURN_MAIN, CLOSE}));
    Close();
    EXPECT_EQ(top->GetChild(0)->GetTarget(), "http://kept");
}

TEST_F(MenuTest, columnsKeepWhatTheyShowedWhileMenusAreOpen) {
    CFolder* f = AddFolder(*top, "F");
    CEntry* g = AddEntry(*f, "G", "http://g");
    ASSERT_EQ(Bind(), 1);
    left.Click(0);
    middle.Click(0);
    Open();
    Close();
    EXPECT_EQ(left.Rows(), (Names{"F"}));
    EXPECT_EQ(middle.Rows(), (Names{"G"}));
    EXPECT_EQ(middle.GetFirstSelectedRow(), 0);
    EXPECT_EQ(address.current, g);
    EXPECT_EQ(address.text, "http://g");
    EXPECT_EQ(Level(1)->GetSubject(), f);
}

TEST(MenuTopFolder, ownsEmptyMenuWithoutContentMenu) {
    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    AddEntry(*top, "E", "http://e");
    CMenu* menu = MenuOf(top.get());
    ASSERT_NE(menu, nullptr);
    ShowTreeMenus(top.get());
    EXPECT_EQ(Items(*menu), (std::vector<Shown>{Cmd(33001, "E")}));
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
    EXPECT_EQ(Items(menu), (std::vector<Shown>{Cmd(6, "a"), Sub("s"), Cmd(7, "b"), SEP}));
    EXPECT_FALSE(menu.RemoveMenu(4));
    EXPECT_FALSE(menu.RemoveMenu(-1));
    EXPECT_TRUE(menu.RemoveMenu(1)); // detaches only
    EXPECT_TRUE(sub.IsMenu());
    EXPECT_EQ(Items(menu), (std::vector<Shown>{Cmd(6, "a"), Cmd(7, "b"), SEP}));
    EXPECT_EQ(menu.GetItem(3), nullptr);
}

TEST(MenuModel, editAndContentMenus) {
    const std::unique_ptr<CMenu> op = MakeEditMenu();
    EXPECT_EQ(Items(*op),
              (std::vector<Shown>{Cmd(32770, "&Insert"), Cmd(32771, "Insert &Separetor"),
                                  Cmd(32772, "&Delete"), Cmd(32775, "&Rename"), SEP,
                                  Cmd(32773, "&Up"), Cmd(32774, "D&own")}));
    EXPECT_EQ(Items(*MakeContentMenu()), (std::vector<Shown>{SEP, RETURN_MAIN, CLOSE}));
}

} // namespace
