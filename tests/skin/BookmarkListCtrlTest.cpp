// SPDX-License-Identifier: MIT
#include "skin/BookmarkListCtrl.h"

#include "fakes/FakeAddressBox.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

Names ChildNames(const CItem& folder) {
    Names names;
    for (int i = 0; i < folder.GetCount(); ++i)
        names.push_back(folder.GetChild(i)->GetName());
    return names;
}

// Three lists on a window, bound to a tree of an entry, a separator and a
// folder, wired the way the main window wires them.
class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTreeState();
        g_pAddressBox = &m_address;
        m_top = StartTree(nullptr);
        m_top->Append(std::make_unique<CEntry>("Entry", "http://e", nullptr));
        m_top->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
        auto folder = std::make_unique<CFolder>("Folder");
        folder->Append(std::make_unique<CEntry>("Inner", "http://i", nullptr));
        m_top->Append(std::move(folder));

        m_window.resize(600, 300);
        for (int i = 0; i < 3; ++i) {
            m_lists[i] = new CBookmarkListCtrl(&m_window);
            m_lists[i]->setGeometry(i * 200, 0, 200, 300);
            m_lists[i]->m_onSelection = [](CBookmarkListCtrl* list) {
                if (CItem* shown = list->GetShownItem())
                    shown->Select(list->GetFirstSelectedRow());
            };
            m_lists[i]->m_onActivate = [this](CBookmarkListCtrl* list) { m_active = list; };
            m_lists[i]->m_onGo = [this](CBookmarkListCtrl*) { ++m_goPosted; };
            m_lists[i]->m_onMenuCommand = [this](CBookmarkListCtrl*, unsigned id) {
                m_commands.push_back(id);
            };
            m_lists[i]->SetEditMenu(m_editMenu.get());
        }
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        ASSERT_EQ(BindColumns(g_pFirstLevel, m_top.get(), m_lists[0], m_lists[1], m_lists[2]), 1);
    }
    void TearDown() override {
        for (CBookmarkListCtrl* list : m_lists)
            list->SetObserver(nullptr);
        EndTree(std::move(m_top));
        ResetTreeState();
    }

    CBookmarkListCtrl& Left() { return *m_lists[0]; }
    QPoint RowCentre(int row) { return Left().visualItemRect(Left().item(row)).center(); }

    // Starts editing row, types text and ends with key (Return or Escape).
    void EditRow(int row, const QString& text, Qt::Key key) {
        Left().setFocus();
        Left().editItem(Left().item(row));
        auto* editor = qobject_cast<QLineEdit*>(Left().indexWidget(Left().model()->index(row, 0)));
        ASSERT_NE(editor, nullptr) << "no editor on row " << row;
        editor->setText(text);
        QTest::keyClick(editor, key);
        QApplication::processEvents();
    }

    std::unique_ptr<CMenu> m_editMenu = MakeEditMenu();
    CFakeAddressBox m_address;
    std::unique_ptr<CFolder> m_top;
    QWidget m_window;
    CBookmarkListCtrl* m_lists[3] = {};
    CBookmarkListCtrl* m_active = nullptr;
    int m_goPosted = 0;
    std::vector<unsigned> m_commands;
};

TEST_F(ListTest, rowsAreTheShownFoldersChildren) {
    EXPECT_EQ(Left().GetRowCount(), 3);
    EXPECT_EQ(Left().GetRowText(1), SEPARATOR_TEXT);
    EXPECT_EQ(Left().GetShownItem(), m_top.get());
    EXPECT_TRUE(Left().uniformItemSizes());
    EXPECT_EQ(Left().selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(ListTest, labelEditRefusedOnSeparatorOnly) {
    struct CCase {
        const char* m_what;
        int m_row;
        bool m_placeholder;
        bool m_allowed;
    };
    const CCase cases[] = {
        {"entry", 0, false, true},
        {"separator", 1, false, false},
        {"folder", 2, false, true},
        {"placeholder", 3, true, true},
    };
    for (const CCase& c : cases) {
        if (c.m_placeholder)
            Left().InsertRow(c.m_row, std::string());
        Left().editItem(Left().item(c.m_row));
        EXPECT_EQ(Left().IsEditing(), c.m_allowed) << c.m_what;
        if (Left().IsEditing())
            QTest::keyClick(Left().indexWidget(Left().model()->index(c.m_row, 0)), Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(Left().GetRowCount(), 3) << c.m_what;
        EXPECT_EQ(ChildNames(*m_top), (Names{"Entry", SEPARATOR_TEXT, "Folder"})) << c.m_what;
    }
}

TEST_F(ListTest, namingPlaceholderInsertsTrimmedBlankEntry) {
    Left().InsertRow(1, std::string());
    EditRow(1, QStringLiteral("  Word \t"), Qt::Key_Return);
    EXPECT_EQ(ChildNames(*m_top), (Names{"Entry", "Word", SEPARATOR_TEXT, "Folder"}));
    EXPECT_TRUE(m_top->GetChild(1)->IsContainer()); // blank
    EXPECT_EQ(Left().GetRowCount(), 4);
    EXPECT_EQ(Left().GetRowText(1), "Word");
    EXPECT_EQ(Left().GetFirstSelectedRow(), 1);
    EXPECT_TRUE(Left().hasFocus());
}

TEST_F(ListTest, typedTextIsStoredAsUtf8) {
    Left().InsertRow(3, std::string());
    EditRow(3, QString::fromUtf8("Caf\xc3\xa9"), Qt::Key_Return);
    EXPECT_EQ(m_top->GetChild(3)->GetName(), "Caf\xc3\xa9");
}

TEST_F(ListTest, placeholderCancelledOrBlankIsRemoved) {
    struct CCase {
        const char* m_what;
        QString m_typed;
        Qt::Key m_key;
    };
    const CCase cases[] = {
        {"escape", QStringLiteral("Word"), Qt::Key_Escape},
        {"spaces", QStringLiteral("   "), Qt::Key_Return},
        {"empty", QString(), Qt::Key_Return},
    };
    for (const CCase& c : cases) {
        Left().InsertRow(3, std::string());
        EditRow(3, c.m_typed, c.m_key);
        EXPECT_EQ(Left().GetRowCount(), 3) << c.m_what;
        EXPECT_EQ(ChildNames(*m_top), (Names{"Entry", SEPARATOR_TEXT, "Folder"})) << c.m_what;
    }
}

TEST_F(ListTest, renamingExistingRowGoesThroughTheTree) {
    EditRow(0, QStringLiteral("  New  "), Qt::Key_Return);
    EXPECT_EQ(m_top->GetChild(0)->GetName(), "New");
    EXPECT_EQ(Left().GetRowText(0), "New");
    EditRow(0, QStringLiteral("   "), Qt::Key_Return);
    EXPECT_EQ(m_top->GetChild(0)->GetName(), "New");
    EditRow(0, QStringLiteral("Other"), Qt::Key_Escape);
    EXPECT_EQ(m_top->GetChild(0)->GetName(), "New");
}

TEST_F(ListTest, namesLongerThanALineEditsDefaultAreEditedWhole) {
    const QString name(40000, QLatin1Char('n'));
    EditRow(0, name, Qt::Key_Return);
    EXPECT_EQ(m_top->GetChild(0)->GetName().size(), 40000u);

    Left().editItem(Left().item(0));
    auto* editor = qobject_cast<QLineEdit*>(Left().indexWidget(Left().model()->index(0, 0)));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), name);
    QTest::keyClick(editor, Qt::Key_Escape);
}

// Naming the first child of a blank entry below the deepest folder would make
// the blank entry a folder too deep to read back: the tree refuses it, and the
// placeholder row goes as if the naming had been cancelled.
TEST_F(ListTest, aNameTheTreeRefusesTakesItsPlaceholderAway) {
    auto* deepest = static_cast<CFolder*>(m_top->GetChild(2));
    m_top->Select(2);
    while (deepest->GetDepth() < MAX_FOLDER_DEPTH) {
        auto next = std::make_unique<CFolder>("N");
        CFolder* added = next.get();
        deepest->Append(std::move(next));
        deepest->Select(deepest->GetCount() - 1);
        deepest = added;
    }
    deepest->Append(std::make_unique<CEntry>("B", "", deepest));
    deepest->Select(0);
    CItemObserver* level = g_pFirstLevel;
    for (int depth = 1; depth < MAX_FOLDER_DEPTH; ++depth)
        level = level->GetNextLevel();
    ASSERT_EQ(BindColumns(level, m_top.get(), m_lists[0], m_lists[1], m_lists[2]), 1);
    CBookmarkListCtrl& right = *m_lists[2];
    ASSERT_EQ(right.GetShownItem(), deepest->GetChild(0));

    right.InsertRow(0, std::string());
    right.setFocus();
    right.editItem(right.item(0));
    auto* editor = qobject_cast<QLineEdit*>(right.indexWidget(right.model()->index(0, 0)));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("C"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(right.GetRowCount(), 0);
    EXPECT_EQ(right.GetShownItem(), deepest->GetChild(0));
    EXPECT_TRUE(static_cast<CEntry*>(deepest->GetChild(0))->IsBlank());
}

TEST_F(ListTest, doubleClickPostsGo) {
    QTest::mouseDClick(Left().viewport(), Qt::LeftButton, {}, RowCentre(0));
    EXPECT_EQ(m_goPosted, 0); // posted, not called
    QApplication::processEvents();
    EXPECT_EQ(m_goPosted, 1);
    EXPECT_FALSE(Left().IsEditing());
}

TEST_F(ListTest, leftPressActivatesAndSelects) {
    QTest::mouseClick(m_lists[1]->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(m_active, m_lists[1]);
    QTest::mouseClick(Left().viewport(), Qt::LeftButton, {}, RowCentre(2));
    EXPECT_EQ(m_active, &Left());
    EXPECT_EQ(m_top->GetCurrent(), 2);
    EXPECT_EQ(m_lists[1]->GetRowText(0), "Inner");
}

TEST_F(ListTest, rightPressSelectsRowActivatesAndOpensEditMenu) {
    qsizetype shownItems = -1;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shownItems = menu->actions().size();
            QTest::keyClick(menu, Qt::Key_D); // "&Delete"
        }
    });
    QTest::mousePress(Left().viewport(), Qt::RightButton, {}, RowCentre(2));
    EXPECT_EQ(shownItems, 7);
    EXPECT_EQ(m_active, &Left());
    EXPECT_EQ(Left().GetFirstSelectedRow(), 2);
    EXPECT_EQ(m_top->GetCurrent(), 2);
    EXPECT_EQ(m_lists[1]->GetRowText(0), "Inner");
    EXPECT_TRUE(m_commands.empty()); // posted
    QApplication::processEvents();
    EXPECT_EQ(m_commands, (std::vector<unsigned>{ID_OP_DELETE}));
}

TEST_F(ListTest, invalidUtf8ShowsAsLatin1AndKeepsBytes) {
    const std::string bytes = "Caf\xe9";
    Left().InsertRow(0, bytes);
    EXPECT_EQ(Left().item(0)->text(), QString::fromLatin1("Caf\xe9"));
    EXPECT_EQ(Left().GetRowText(0), bytes);
}

} // namespace
