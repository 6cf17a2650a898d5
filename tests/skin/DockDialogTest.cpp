// SPDX-License-Identifier: MIT
#include "skin/DockDialog.h"

#include "tree/Item.h"
#include "tree/Menu.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------ the position

struct CPositionCase {
    const char* m_what;
    QList<QRect> m_screens;
    int m_x, m_y;
    QPoint m_expected;
};

const QList<QRect> ONE_SCREEN{QRect(0, 0, 1920, 1080)};
const QPoint RESET(CDockDialog::DEFAULT_X, CDockDialog::DEFAULT_Y);

const CPositionCase POSITIONS[] = {
    {"the settings' default when nothing is stored", ONE_SCREEN, 100, 100, QPoint(100, 100)},
    {"on the screen", ONE_SCREEN, 300, 200, QPoint(300, 200)},
    {"the top-left corner", ONE_SCREEN, 0, 0, QPoint(0, 0)},
    {"x equal to the right edge", ONE_SCREEN, 1920, 5, QPoint(1920, 5)},
    {"y equal to the bottom edge", ONE_SCREEN, 5, 1080, QPoint(5, 1080)},
    {"x beyond the right edge resets both", ONE_SCREEN, 1921, 5, RESET},
    {"y beyond the bottom edge resets both", ONE_SCREEN, 5, 1081, RESET},
    {"negative x (dragged off the left edge)", ONE_SCREEN, -1, 50, RESET},
    {"negative y (dragged off the top edge)", ONE_SCREEN, 50, -40, RESET},
    // -1, -2 packed into "Pos" read back as 16-bit unsigned values.
    {"negative, after passing through the store", ONE_SCREEN, 65535, 65534, RESET},
    {"extreme values", ONE_SCREEN, INT_MIN, INT_MAX, RESET},
    {"on a second screen to the right",
     {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1080)},
     2500,
     300,
     QPoint(2500, 300)},
    {"on a second screen below",
     {QRect(0, 0, 1920, 1080), QRect(0, 1080, 1920, 1080)},
     300,
     1500,
     QPoint(300, 1500)},
    {"on a second screen to the left",
     {QRect(0, 0, 1920, 1080), QRect(-1280, 0, 1280, 1024)},
     -600,
     300,
     QPoint(-600, 300)},
    {"off the left edge of the leftmost screen",
     {QRect(0, 0, 1920, 1080), QRect(-1280, 0, 1280, 1024)},
     -1281,
     300,
     RESET},
    {"in a corner of the desktop no screen covers",
     {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720)},
     2500,
     900,
     RESET},
};

class DockPositionTest : public ::testing::TestWithParam<CPositionCase> {};

TEST_P(DockPositionTest, isKeptOnTheDesktopAndResetBeyondIt) {
    const CPositionCase& c = GetParam();
    EXPECT_EQ(CDockDialog::CheckedPosition(c.m_x, c.m_y, c.m_screens), c.m_expected) << c.m_what;
}

INSTANTIATE_TEST_SUITE_P(Positions, DockPositionTest, ::testing::ValuesIn(POSITIONS));

// ------------------------------------------------------- the dock window

CItem* Add(CFolder& parent, std::unique_ptr<CItem> item) {
    CItem* added = item.get();
    parent.Append(std::move(item));
    return added;
}

// Every command of a menu and of its sub-menus, id -> text.
void Commands(const CMenu& menu, std::map<unsigned, std::string>& found) {
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        const CMenu::CMenuItem* item = menu.GetItem(i);
        if (item->m_kind == CMenu::EKind::Command)
            found.emplace(item->m_id, item->m_text);
        else if (item->m_kind == CMenu::EKind::Popup)
            Commands(*item->m_popup, found);
    }
}

// Sends a mouse event straight to the window, as the platform would.
void SendMouse(QWidget& w, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(local), w.mapToGlobal(QPointF(local)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// Types keys into whichever pop-up menu is open at the time, one by one.
void TypeIntoMenus(const std::vector<Qt::Key>& keys) {
    for (std::size_t i = 0; i < keys.size(); ++i)
        QTimer::singleShot(static_cast<int>(30 * (i + 1)), [key = keys[i]] {
            if (QWidget* popup = QApplication::activePopupWidget())
                QTest::keyClick(popup, key);
        });
}

// A tree in the main window's "Content" pop-up: a separator, an entry, a
// folder with a separator and an entry, a blank entry. The pre-order numbers
// are 33001 to 33006; the entries carry 33002 and 33005.
class DockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTreeState();
        m_top = StartTree(m_content.get());
        Add(*m_top, std::make_unique<CItem>(SEPARATOR_TEXT));
        Add(*m_top, std::make_unique<CEntry>("&Example", "http://example.org/", nullptr));
        auto* folder = static_cast<CFolder*>(Add(*m_top, std::make_unique<CFolder>("&Folder")));
        Add(*folder, std::make_unique<CItem>(SEPARATOR_TEXT));
        Add(*folder, std::make_unique<CEntry>("&Goal", "/home/user/goal.txt", nullptr));
        Add(*m_top, std::make_unique<CEntry>("&Blank", "", m_top.get()));
    }
    void TearDown() override {
        EndTree(std::move(m_top));
        ResetTreeState();
    }

    std::unique_ptr<CDockDialog> MakeDock(int x = 150, int y = 120) {
        return std::make_unique<CDockDialog>(
            m_top.get(), m_content.get(),
            [this](const std::string& target) { m_opened.push_back(target); }, x, y);
    }

    std::map<unsigned, std::string> ContentCommands() const {
        std::map<unsigned, std::string> found;
        Commands(*m_content, found);
        return found;
    }

    std::unique_ptr<CMenu> m_content = MakeContentMenu();
    std::unique_ptr<CFolder> m_top;
    std::vector<std::string> m_opened;
};

TEST_F(DockTest, opensAsA40By40TopmostWindowWithTheTreeInTheMenus) {
    auto dock = MakeDock();
    dock->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dock.get()));
    EXPECT_EQ(dock->size(), QSize(40, 40));
    EXPECT_TRUE(dock->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dock->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dock->windowFlags() & Qt::WindowType_Mask, Qt::Tool); // no taskbar button
    EXPECT_TRUE(dock->isModal());
    EXPECT_EQ(dock->pos(), QPoint(150, 120));
    EXPECT_EQ(g_nDisplayMode, 1);
    const std::map<unsigned, std::string> expected = {{33002, "&Example"},
                                                      {33005, "&Goal"},
                                                      {ID_CONTENT_CLOSE, "&Close"},
                                                      {ID_CONTENT_RETURNMAIN, "&Return Main"}};
    EXPECT_EQ(ContentCommands(), expected);
    EXPECT_EQ(m_content->GetMenuItemCount(), 4 + CONTENT_OWN_ITEMS);
}

TEST_F(DockTest, closingEmptiesTheMenusAndOpeningAgainGivesTheSameIds) {
    std::map<unsigned, std::string> first;
    for (int round = 0; round < 2; ++round) {
        auto dock = MakeDock();
        dock->show();
        const std::map<unsigned, std::string> ids = ContentCommands();
        if (round == 0)
            first = ids;
        else
            EXPECT_EQ(ids, first);
        dock->OnOK();
        EXPECT_EQ(dock->result(), CDockDialog::RESULT_RETURN);
        EXPECT_FALSE(dock->isVisible());
        EXPECT_EQ(g_nDisplayMode, 0);
        ASSERT_EQ(m_content->GetMenuItemCount(), CONTENT_OWN_ITEMS);
        EXPECT_EQ(m_content->GetItem(0)->m_kind, CMenu::EKind::Separator);
        EXPECT_EQ(m_content->GetItem(1)->m_id, ID_CONTENT_RETURNMAIN);
        EXPECT_EQ(m_content->GetItem(2)->m_id, ID_CONTENT_CLOSE);
    }
}

TEST_F(DockTest, aDockDestroyedWhileOpenTakesItsMenusDown) {
    MakeDock()->show();
    EXPECT_EQ(g_nDisplayMode, 0);
    EXPECT_EQ(m_content->GetMenuItemCount(), CONTENT_OWN_ITEMS);
}

TEST_F(DockTest, commandsOpenOnlyEntriesAndKeepTheDockOpen) {
    auto dock = MakeDock();
    dock->show();
    struct CCase {
        unsigned m_id;
        std::vector<std::string> m_opened;
    };
    const CCase cases[] = {
        {33002, {"http://example.org/"}},
        {33005, {"/home/user/goal.txt"}},
        {33001, {}}, // separator
        {33003, {}}, // folder
        {33006, {}}, // blank entry
        {33007, {}}, // past the last item
        {33000, {}}, // the top folder
    };
    for (const CCase& c : cases) {
        m_opened.clear();
        dock->OnCmdMsg(c.m_id);
        QCoreApplication::processEvents();
        EXPECT_EQ(m_opened, c.m_opened) << c.m_id;
        EXPECT_TRUE(dock->isVisible()) << c.m_id;
    }
}

TEST_F(DockTest, aRightPressShowsTheMenuAndTheChosenEntryOpens) {
    auto dock = MakeDock();
    dock->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dock.get()));
    struct CCase {
        const char* m_what;
        std::vector<Qt::Key> m_keys;
        std::vector<std::string> m_opened;
    };
    const CCase cases[] = {
        {"entry at the top", {Qt::Key_E}, {"http://example.org/"}},
        {"entry in a sub-menu", {Qt::Key_F, Qt::Key_G}, {"/home/user/goal.txt"}},
        {"blank entry shows an empty sub-menu", {Qt::Key_B, Qt::Key_Escape, Qt::Key_Escape}, {}},
        {"dismissed", {Qt::Key_Escape}, {}},
    };
    for (const CCase& c : cases) {
        m_opened.clear();
        TypeIntoMenus(c.m_keys);
        SendMouse(*dock, QEvent::MouseButtonPress, QPoint(20, 20), Qt::RightButton,
                  Qt::RightButton);
        SendMouse(*dock, QEvent::MouseButtonRelease, QPoint(20, 20), Qt::RightButton, Qt::NoButton);
        QTest::qWait(50); // the posted command
        EXPECT_EQ(m_opened, c.m_opened) << c.m_what;
        EXPECT_TRUE(dock->isVisible()) << c.m_what;
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << c.m_what;
    }
}

TEST_F(DockTest, escapeAndTheCloseRequestLeaveItOpen) {
    auto dock = MakeDock();
    dock->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dock.get()));
    QTest::keyClick(dock.get(), Qt::Key_Escape);
    QTest::keyClick(dock.get(), Qt::Key_Return);
    dock->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dock->isVisible());
    EXPECT_EQ(g_nDisplayMode, 1);
}

struct CEndCase {
    const char* m_what;
    std::function<void(CDockDialog&)> m_act;
    int m_result;
};

const CEndCase ENDS[] = {
    {"\"&Return Main\"",
     [](CDockDialog& dock) {
         TypeIntoMenus({Qt::Key_R});
         SendMouse(dock, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
     },
     CDockDialog::RESULT_RETURN},
    {"\"&Close\"",
     [](CDockDialog& dock) {
         TypeIntoMenus({Qt::Key_C});
         SendMouse(dock, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
     },
     CDockDialog::RESULT_CLOSE},
    {"a double click",
     [](CDockDialog& dock) {
         SendMouse(dock, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
         SendMouse(dock, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, Qt::NoButton);
         SendMouse(dock, QEvent::MouseButtonDblClick, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
         SendMouse(dock, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, Qt::NoButton);
     },
     CDockDialog::RESULT_RETURN},
};

class DockEndTest : public DockTest, public ::testing::WithParamInterface<CEndCase> {};

TEST_P(DockEndTest, endsTheModalRunWithItsResult) {
    const CEndCase& c = GetParam();
    auto dock = MakeDock();
    CDockDialog* d = dock.get();
    QTimer::singleShot(0, d, [d, &c] { c.m_act(*d); });
    EXPECT_EQ(dock->exec(), c.m_result) << c.m_what;
    EXPECT_EQ(g_nDisplayMode, 0);
    EXPECT_EQ(m_content->GetMenuItemCount(), CONTENT_OWN_ITEMS);
    EXPECT_TRUE(m_opened.empty());
}

INSTANTIATE_TEST_SUITE_P(Ends, DockEndTest, ::testing::ValuesIn(ENDS));

TEST_F(DockTest, aDraggedDockOpensWhereItWasLeft) {
    auto dock = MakeDock(150, 120);
    dock->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dock.get()));
    SendMouse(*dock, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    SendMouse(*dock, QEvent::MouseMove, QPoint(40, 25), Qt::LeftButton, Qt::LeftButton);
    SendMouse(*dock, QEvent::MouseButtonRelease, QPoint(40, 25), Qt::LeftButton, Qt::NoButton);
    dock->OnOK();
    EXPECT_EQ(QPoint(dock->GetDockX(), dock->GetDockY()), QPoint(180, 135));

    auto again = MakeDock(dock->GetDockX(), dock->GetDockY());
    again->show();
    EXPECT_EQ(again->pos(), QPoint(180, 135));
    again->OnOK();
}

TEST_F(DockTest, aPositionOffTheScreenOpensAt100By100) {
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    auto dock = MakeDock(desktop.x() + desktop.width() + 1, 10);
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    dock->show();
    EXPECT_EQ(dock->pos(), QPoint(100, 100));
    EXPECT_EQ(QPoint(dock->GetDockX(), dock->GetDockY()), QPoint(100, 100));
    dock->OnOK();
}

} // namespace
