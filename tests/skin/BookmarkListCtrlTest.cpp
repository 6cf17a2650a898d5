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
        g_pAddressBox = &address;
        top = StartTree(nullptr);
        top->Append(std::make_unique<CEntry>("Entry", "http://e", nullptr));
        top->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
        auto folder = std::make_unique<CFolder>("Folder");
        folder->Append(std::make_unique<CEntry>("Inner", "http://i", nullptr));
        top->Append(std::move(folder));

        window.resize(600, 300);
        for (int i = 0; i < 3; ++i) {
            lists[i] = new CBookmarkListCtrl(&window);
            lists[i]->setGeometry(i * 200, 0, 200, 300);
            lists[i]->onSelection = [](CBookmarkListCtrl* list) {
                if (CItem* shown = list->GetShownItem())
                    shown->Select(list->GetFirstSelectedRow());
            };
            lists[i]->onActivate = [this](CBookmarkListCtrl* list) { active = list; };
            lists[i]->onGo = [this](CBookmarkListCtrl*) { ++goPosted; };
            lists[i]->onMenuCommand = [this](CBookmarkListCtrl*, unsigned id) {
                commands.push_back(id);
            };
            lists[i]->SetEditMenu(editMenu.get());
        }
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_EQ(BindColumns(g_pFirstLevel, top.get(), lists[0], lists[1], lists[2]), 1);
    }
    void TearDown() override {
        for (CBookmarkListCtrl* list : lists)
            list->SetObserver(nullptr);
        EndTree(std::move(top));
        ResetTreeState();
    }

    CBookmarkListCtrl& Left() { return *lists[0]; }
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

    std::unique_ptr<CMenu> editMenu = MakeEditMenu();
    FakeAddressBox address;
    std::unique_ptr<CFolder> top;
    QWidget window;
    CBookmarkListCtrl* lists[3] = {};
    CBookmarkListCtrl* active = nullptr;
    int goPosted = 0;
    std::vector<unsigned> commands;
};

TEST_F(ListTest, rowsAreTheShownFoldersChildren) {
    EXPECT_EQ(Left().GetRowCount(), 3);
    EXPECT_EQ(Left().GetRowText(1), SEPARATOR_TEXT);
    EXPECT_EQ(Left().GetShownItem(), top.get());
    EXPECT_TRUE(Left().uniformItemSizes());
    EXPECT_EQ(Left().selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(ListTest, labelEditRefusedOnSeparatorOnly) {
    struct Case {
        const char* what;
        int row;
        bool placeholder;
        bool allowed;
    };
    const Case cases[] = {
        {"entry", 0, false, true},
        {"separator", 1, false, false},
        {"folder", 2, false, true},
        {"placeholder", 3, true, true},
    };
    for (const Case& c : cases) {
        if (c.placeholder)
            Left().InsertRow(c.row, std::string());
        Left().editItem(Left().item(c.row));
        EXPECT_EQ(Left().IsEditing(), c.allowed) << c.what;
        if (Left().IsEditing())
            QTest::keyClick(Left().indexWidget(Left().model()->index(c.row, 0)), Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(Left().GetRowCount(), 3) << c.what;
        EXPECT_EQ(ChildNames(*top), (Names{"Entry", SEPARATOR_TEXT, "Folder"})) << c.what;
    }
}

TEST_F(ListTest, namingPlaceholderInsertsTrimmedBlankEntry) {
    Left().InsertRow(1, std::string());
    EditRow(1, QStringLiteral("  Word \t"), Qt::Key_Return);
    EXPECT_EQ(ChildNames(*top), (Names{"Entry", "Word", SEPARATOR_TEXT, "Folder"}));
    EXPECT_TRUE(top->GetChild(1)->IsContainer()); // blank
    EXPECT_EQ(Left().GetRowCount(), 4);
    EXPECT_EQ(Left().GetRowText(1), "Word");
    EXPECT_EQ(Left().GetFirstSelectedRow(), 1);
    EXPECT_TRUE(Left().hasFocus());
}

TEST_F(ListTest, typedTextIsStoredAsUtf8) {
    Left().InsertRow(3, std::string());
    EditRow(3, QString::fromUtf8("Caf\xc3\xa9"), Qt::Key_Return);
    EXPECT_EQ(top->GetChild(3)->GetName(), "Caf\xc3\xa9");
}

TEST_F(ListTest, placeholderCancelledOrBlankIsRemoved) {
    struct Case {
        const char* what;
        QString typed;
        Qt::Key key;
    };
    const Case cases[] = {
        {"escape", QStringLiteral("Word"), Qt::Key_Escape},
        {"spaces", QStringLiteral("   "), Qt::Key_Return},
        {"empty", QString(), Qt::Key_Return},
    };
    for (const Case& c : cases) {
        Left().InsertRow(3, std::string());
        EditRow(3, c.typed, c.key);
        EXPECT_EQ(Left().GetRowCount(), 3) << c.what;
        EXPECT_EQ(ChildNames(*top), (Names{"Entry", SEPARATOR_TEXT, "Folder"})) << c.what;
    }
}

TEST_F(ListTest, renamingExistingRowGoesThroughTheTree) {
    EditRow(0, QStringLiteral("  New  "), Qt::Key_Return);
    EXPECT_EQ(top->GetChild(0)->GetName(), "New");
    EXPECT_EQ(Left().GetRowText(0), "New");
    EditRow(0, QStringLiteral("   "), Qt::Key_Return);
    EXPECT_EQ(top->GetChild(0)->GetName(), "New");
    EditRow(0, QStringLiteral("Other"), Qt::Key_Escape);
    EXPECT_EQ(top->GetChild(0)->GetName(), "New");
}

TEST_F(ListTest, namesLongerThanALineEditsDefaultAreEditedWhole) {
    const QString name(40000, QLatin1Char('n'));
    EditRow(0, name, Qt::Key_Return);
    EXPECT_EQ(top->GetChild(0)->GetName().size(), 40000u);

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
    auto* deepest = static_cast<CFolder*>(top->GetChild(2));
    top->Select(2);
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
    ASSERT_EQ(BindColumns(level, top.get(), lists[0], lists[1], lists[2]), 1);
    CBookmarkListCtrl& right = *lists[2];
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
    EXPECT_EQ(goPosted, 0); // posted, not called
    QApplication::processEvents();
    EXPECT_EQ(goPosted, 1);
    EXPECT_FALSE(Left().IsEditing());
}

TEST_F(ListTest, leftPressActivatesAndSelects) {
    QTest::mouseClick(lists[1]->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(active, lists[1]);
    QTest::mouseClick(Left().viewport(), Qt::LeftButton, {}, RowCentre(2));
    EXPECT_EQ(active, &Left());
    EXPECT_EQ(top->GetCurrent(), 2);
    EXPECT_EQ(lists[1]->GetRowText(0), "Inner");
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
    EXPECT_EQ(active, &Left());
    EXPECT_EQ(Left().GetFirstSelectedRow(), 2);
    EXPECT_EQ(top->GetCurrent(), 2);
    EXPECT_EQ(lists[1]->GetRowText(0), "Inner");
    EXPECT_TRUE(commands.empty()); // posted
    QApplication::processEvents();
    EXPECT_EQ(commands, (std::vector<unsigned>{ID_OP_DELETE}));
}

TEST_F(ListTest, invalidUtf8ShowsAsLatin1AndKeepsBytes) {
    const std::string bytes = "Caf\xe9";
    Left().InsertRow(0, bytes);
    EXPECT_EQ(Left().item(0)->text(), QString::fromLatin1("Caf\xe9"));
    EXPECT_EQ(Left().GetRowText(0), bytes);
}

} // namespace
