// SPDX-License-Identifier: MIT
// The review panel's actions on a real tree through the window's editor:
// each one undoable step, kept entries not listed again, and results for
// entries changed while the check ran dropped.

#include "app/ReviewPanel.h"

#include "app/TidyActions.h"
#include "edit/TreeEditor.h"
#include "fakes/LocalHttpServer.h"
#include "tree/Item.h"
#include "tree/Tree.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class ReviewPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_top = StartTree(nullptr);
        m_editor.SetTop(m_top.get());
        m_panel = new CReviewPanel(
            CReviewPanel::CHost{[this] { return m_top.get(); },
                                [this](const std::vector<int>& rows) { m_revealed = rows; },
                                &m_editor, &m_kept},
            nullptr);
    }
    void TearDown() override {
        delete m_panel;
        m_editor.SetTop(nullptr);
        EndTree(std::move(m_top));
    }

    CFolder* AddFolder(const std::vector<std::pair<std::string, std::string>>& entries) {
        auto folder = std::make_unique<CFolder>("Folder");
        for (const auto& [name, target] : entries)
            folder->Append(std::make_unique<CEntry>(name, target, nullptr));
        CFolder* raw = folder.get();
        m_top->Append(std::move(folder));
        return raw;
    }

    std::vector<std::string> Names(const CFolder* folder) const {
        std::vector<std::string> names;
        names.reserve(std::size_t(folder->GetCount()));
        for (int i = 0; i < folder->GetCount(); ++i)
            names.push_back(folder->GetChild(i)->GetName());
        return names;
    }

    void Check(CItem& scope) {
        m_panel->StartCheck(CollectEntries(scope));
        Finish();
    }
    void Finish() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_panel->IsChecking(); }, 20000));
    }

    void Select(const QString& group, int row = -1) {
        QTreeWidget* list = m_panel->List();
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* header = list->topLevelItem(i);
            if (!header->text(0).startsWith(group))
                continue;
            QTreeWidgetItem* item = row < 0 ? header : header->child(row);
            list->setCurrentItem(item);
            item->setSelected(true);
        }
    }

    QTemporaryDir m_folder;
    CKeptLinks m_kept{m_folder.filePath(QStringLiteral("Quillbox.kept"))};
    CTreeEditor m_editor;
    std::unique_ptr<CFolder> m_top;
    CReviewPanel* m_panel = nullptr;
    std::vector<int> m_revealed;
};

} // namespace

TEST_F(ReviewPanelTest, deleteUpdateAndKeepAreEachOneStep) {
    CLocalHttpServer server;
    const std::string base = server.Base().toStdString();
    CFolder* folder = AddFolder({{"fine", base + "/ok"},
                                 {"missing", base + "/missing"},
                                 {"gone", base + "/gone"},
                                 {"moved", base + "/perm301/x"},
                                 {"edited", base + "/missing"},
                                 {"deleted", base + "/gone"}});
    m_panel->StartCheck(CollectEntries(*m_top));
    // Edited and deleted while the check runs: their results go nowhere.
    folder->GetChild(4)->SetTarget(base + "/ok");
    m_editor.Remove(folder, 5);
    Finish();
    EXPECT_EQ(m_panel->RowsIn(QStringLiteral("Gone")), 2);
    EXPECT_EQ(m_panel->RowsIn(QStringLiteral("Moved")), 1);
    EXPECT_TRUE(m_panel->Status().contains(QStringLiteral("2 changed while checking")))
        << m_panel->Status().toStdString();

    const int steps = m_editor.Stack().count();
    // The gone group is selected when the check ends.
    m_panel->DeleteSelected();
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"fine", "moved", "edited"}));
    EXPECT_EQ(m_editor.Stack().count(), steps + 1);
    m_editor.Undo();
    EXPECT_EQ(Names(folder),
              (std::vector<std::string>{"fine", "missing", "gone", "moved", "edited"}));

    Select(QStringLiteral("Moved"));
    m_panel->UpdateSelected();
    EXPECT_EQ(folder->GetChild(3)->GetTarget(), base + "/ok/x");
    m_editor.Undo();
    EXPECT_EQ(folder->GetChild(3)->GetTarget(), base + "/perm301/x");

    // Keep "missing" (the second gone row after a fresh check): listed no more.
    Check(*m_top);
    Select(QStringLiteral("Gone"), 0);
    m_panel->KeepSelected();
    Check(*m_top);
    EXPECT_EQ(m_panel->RowsIn(QStringLiteral("Gone")), 1);
    EXPECT_TRUE(m_panel->Status().contains(QStringLiteral("1 kept")))
        << m_panel->Status().toStdString();
    m_editor.Undo(); // the keep itself
    Check(*m_top);
    EXPECT_EQ(m_panel->RowsIn(QStringLiteral("Gone")), 2);

    Select(QStringLiteral("Gone"), 1);
    m_panel->RevealCurrent();
    EXPECT_EQ(m_revealed, (std::vector<int>{0, 2}));
}

TEST_F(ReviewPanelTest, keepOneDeletesTheOtherDuplicatesInOneStep) {
    CFolder* a = AddFolder({{"one", "https://Example.org"}, {"other", "https://other.example/"}});
    CFolder* b = AddFolder({{"two", "https://example.org/"}, {"three", "https://example.org:443"}});
    m_panel->ShowDuplicates(CollectEntries(*m_top));
    EXPECT_EQ(m_panel->RowsIn(QStringLiteral("https://Example.org")), 3);
    Select(QStringLiteral("https://Example.org"), 1); // "two"
    m_panel->KeepOneOfGroup();
    EXPECT_EQ(Names(a), (std::vector<std::string>{"other"}));
    EXPECT_EQ(Names(b), (std::vector<std::string>{"two"}));
    EXPECT_EQ(m_panel->List()->topLevelItemCount(), 0);
    m_editor.Undo();
    EXPECT_EQ(Names(a), (std::vector<std::string>{"one", "other"}));
    EXPECT_EQ(Names(b), (std::vector<std::string>{"two", "three"}));
}
