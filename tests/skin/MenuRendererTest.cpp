// SPDX-License-Identifier: MIT
#include "skin/MenuRenderer.h"

#include "tree/Menu.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A model with a separator, two commands and a sub-menu of one command.
struct CModel {
    CModel() {
        m_top.CreateMenu();
        m_sub.CreateMenu();
        m_top.AppendCommand(7, "&Alpha");
        m_top.AppendSeparator();
        m_top.AppendPopup(&m_sub, "&Sub");
        m_top.AppendCommand(8, "Caf\xc3\xa9");
        m_sub.AppendCommand(9, "&Inner");
    }
    CMenu m_top;
    CMenu m_sub;
};

TEST(MenuRenderer, rendersItemsAndBuildsSubMenusWhenTheyOpen) {
    CModel model;
    CMenuView view(&model.m_top);
    view.Rebuild();
    const QList<QAction*> actions = view.actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(CMenuView::CommandId(actions[0]), 7u);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&Alpha"));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[3]->text(), QString::fromUtf8("Caf\xc3\xa9"));
    auto* sub = qobject_cast<CMenuView*>(actions[2]->menu());
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->title(), QStringLiteral("&Sub"));
    EXPECT_EQ(sub->GetModel(), &model.m_sub);
    EXPECT_TRUE(sub->actions().isEmpty()); // not opened yet
    emit sub->aboutToShow();
    ASSERT_EQ(sub->actions().size(), 1);
    EXPECT_EQ(CMenuView::CommandId(sub->actions()[0]), 9u);

    // Showing again reads the model again, without piling up sub-menus.
    model.m_top.RemoveMenu(0);
    view.Rebuild();
    EXPECT_EQ(view.actions().size(), 3);
    EXPECT_EQ(view.findChildren<CMenuView*>().size(), 1);
}

TEST(MenuRenderer, drawsEverySeparatorEvenAtTheTopOrSideBySide) {
    CMenu top;
    top.CreateMenu();
    top.AppendSeparator();
    top.AppendCommand(7, "&Alpha");
    top.AppendSeparator();
    top.AppendSeparator();
    top.AppendCommand(8, "&Beta");
    CMenuView view(&top);
    view.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (QAction* action : view.actions())
        EXPECT_FALSE(view.actionGeometry(action).isEmpty()) << action->text().toStdString();
    view.close();
}

TEST(MenuRenderer, largeCascadeBuildsTopLevelOnly) {
    CMenu top;
    top.CreateMenu();
    std::vector<CMenu> subs(100);
    for (CMenu& sub : subs) {
        sub.CreateMenu();
        for (unsigned id = 1; id <= 100; ++id)
            sub.AppendCommand(id, "entry");
        top.AppendPopup(&sub, "folder");
    }
    CMenuView view(&top);
    view.Rebuild();
    EXPECT_EQ(view.actions().size(), 100);
    EXPECT_EQ(view.findChildren<CMenuView*>().size(), 100);
    // One action per folder (and each menu's own), none for the 10,000 entries.
    EXPECT_LE(view.findChildren<QAction*>().size(), 201);
    for (const CMenuView* sub : view.findChildren<CMenuView*>())
        EXPECT_TRUE(sub->actions().isEmpty());
}

TEST(MenuRenderer, trackReturnsChosenCommandOrZero) {
    CModel model;
    struct CCase {
        const char* m_what;
        std::vector<Qt::Key> m_keys;
        unsigned m_id;
    };
    const CCase cases[] = {
        {"mnemonic", {Qt::Key_A}, 7},
        {"in sub-menu", {Qt::Key_S, Qt::Key_I}, 9},
        {"dismissed", {Qt::Key_Escape}, 0},
    };
    for (const CCase& c : cases) {
        // Each key goes to whichever pop-up is open at that moment.
        for (std::size_t i = 0; i < c.m_keys.size(); ++i) {
            QTimer::singleShot(static_cast<int>(20 * (i + 1)), [key = c.m_keys[i]] {
                if (QWidget* popup = QApplication::activePopupWidget())
                    QTest::keyClick(popup, key);
            });
        }
        EXPECT_EQ(TrackPopupMenu(model.m_top, QPoint(10, 10), nullptr), c.m_id) << c.m_what;
    }
}

TEST(MenuRenderer, commandsFromSubMenusReachTheTopView) {
    CModel model;
    CMenuView view(&model.m_top);
    QSignalSpy chosen(&view, &CMenuView::CommandChosen);
    view.Rebuild();
    auto* sub = qobject_cast<CMenuView*>(view.actions()[2]->menu());
    ASSERT_NE(sub, nullptr);
    sub->Rebuild();
    QSignalSpy subChosen(sub, &CMenuView::CommandChosen);
    sub->actions()[0]->trigger();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toUInt(), 9u);
    EXPECT_EQ(subChosen.count(), 0);
}

} // namespace
