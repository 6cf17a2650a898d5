// SPDX-License-Identifier: MIT
#include "edit/TreeEditor.h"

#include "edit/ItemMime.h"
#include "edit/NameOrder.h"
#include "tree/TreeFixture.h"

#include <random>

namespace {

// The whole tree as text: kinds, names, targets and order.
void DumpInto(const CItem& item, std::string& out) {
    if (item.IsSeparator()) {
        out += "-;";
        return;
    }
    if (auto* entry = dynamic_cast<const CEntry*>(&item)) {
        out += (entry->IsBlank() ? "B[" : "E[") + item.GetName() + "|" + entry->GetTarget() + "];";
        return;
    }
    out += "F[" + item.GetName() + "]{";
    for (int i = 0; i < item.GetCount(); ++i)
        DumpInto(*item.GetChild(i), out);
    out += "};";
}
std::string Dump(const CItem& item) {
    std::string out;
    DumpInto(item, out);
    return out;
}

void Collect(CItem* item, std::vector<CItem*>& containers, std::vector<CItem*>& all) {
    all.push_back(item);
    if (item->IsContainer())
        containers.push_back(item);
    for (int i = 0; i < item->GetCount(); ++i)
        Collect(item->GetChild(i), containers, all);
}

class EditorTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        m_editor.SetTop(m_top.get());
    }
    void TearDown() override {
        m_editor.SetTop(nullptr);
        TreeTest::TearDown();
    }

    // Each bound list shows its item's children, and nothing that shows an
    // item points outside the tree.
    void ExpectDisplayConsistent() {
        for (CFakeListOutput* list : {&m_left, &m_middle, &m_right}) {
            CItem* shown = list->GetShownItem();
            if (!shown)
                continue;
            ASSERT_FALSE(m_editor.PathTo(shown).empty());
            ASSERT_EQ(list->Rows(), ChildNames(*shown));
        }
        if (m_address.m_current) {
            EXPECT_FALSE(m_editor.PathTo(m_address.m_current).empty());
        }
    }

    CTreeEditor m_editor{0};
};

std::unique_ptr<CItem> NewItem(int kind, const std::string& name) {
    switch (kind) {
    case 0:
        return std::make_unique<CEntry>(name, "http://" + name, nullptr);
    case 1: // as a data file may hold it: no target, yet not blank
        return std::make_unique<CEntry>(name, std::string(), nullptr);
    case 2:
        return std::make_unique<CItem>(SEPARATOR_TEXT);
    case 3: {
        static CFolder holder("holder"); // the folder it goes into takes over
        return std::make_unique<CEntry>(name, std::string(), &holder);
    }
    default: {
        auto folder = std::make_unique<CFolder>(name);
        folder->Append(std::make_unique<CEntry>(name + " inside", "/tmp/" + name, nullptr));
        return folder;
    }
    }
}

// Thousands of random edits, with the user clicking about in between; then
// every step undone, each time back to the tree as it was before that step,
// and every step redone.
TEST_F(EditorTest, randomEditsUndoAndRedoExactly) {
    std::mt19937 rng(20261210);
    auto pick = [&](int n) {
        return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng);
    };
    const std::vector<std::string> names = {
        "a2", "A10", "b", "File 9", "file 10", "  padded  ", "Zed", "x", "\xc3\xa9t\xc3\xa9", "3"};
    auto name = [&] { return names[std::size_t(pick(int(names.size())))]; };

    CFolder* sub = AddFolder(*m_top, "Sub");
    AddEntry(*sub, "  spaced name ", " target with spaces ");
    AddBlank(*sub, "blank");
    AddSeparator(*sub);
    AddFolder(*AddFolder(*sub, "Deep"), "Deeper");
    AddEntry(*m_top, "Top entry", "http://top");
    AddBlank(*m_top, "Top blank");
    ASSERT_EQ(Bind(), 1);

    std::vector<std::string> states{Dump(*m_top)};
    int refused = 0;
    for (int step = 0; step < 4000; ++step) {
        std::vector<CItem*> containers, all;
        Collect(m_top.get(), containers, all);
        CItem* container = containers[std::size_t(pick(int(containers.size())))];
        const int count = std::max(container->GetCount(), 0);
        const int row = pick(count + 2) - 1;
        CFakeListOutput* lists[] = {&m_left, &m_middle, &m_right};
        if (pick(4) == 0) { // the user looks elsewhere
            CFakeListOutput* list = lists[pick(3)];
            list->Click(pick(list->GetRowCount() + 1) - 1);
        }
        bool changed = false;
        const int op = pick(10);
        SCOPED_TRACE("step " + std::to_string(step) + " edit " + std::to_string(op));
        switch (op) {
        case 0: {
            std::vector<std::unique_ptr<CItem>> items;
            items.push_back(NewItem(pick(5), name()));
            changed = m_editor.Insert(container, row, std::move(items));
            break;
        }
        case 1:
            changed = m_editor.Remove(container, row);
            break;
        case 2:
            changed = m_editor.Rename(container, row, pick(5) == 0 ? "   " : name());
            break;
        case 3:
            changed = pick(2) ? m_editor.MoveUp(container, row) : m_editor.MoveDown(container, row);
            break;
        case 4: {
            CItem* entry = container->GetChild(row);
            changed = m_editor.SetTarget(container, entry, pick(4) == 0 ? " " : " t/" + name());
            break;
        }
        case 5: {
            CItem* to = containers[std::size_t(pick(int(containers.size())))];
            changed = m_editor.Move(container, row, to, pick(std::max(to->GetCount(), 0) + 2) - 1);
            break;
        }
        case 6:
            changed = m_editor.Sort(container);
            break;
        case 7: {
            auto folder = std::make_unique<CFolder>("Imported " + name());
            folder->Append(NewItem(pick(5), name()));
            changed = m_editor.AppendFolder(container, std::move(folder));
            break;
        }
        default: { // copy a row (a whole folder too) and paste it somewhere
            CItem* copied = container->GetChild(row);
            if (!copied)
                break;
            CItem* to = containers[std::size_t(pick(int(containers.size())))];
            changed = m_editor.Insert(to, pick(std::max(to->GetCount(), 0) + 1),
                                      DecodeItems(EncodeItems({copied})), QStringLiteral("Paste"));
            break;
        }
        }
        if (changed) {
            states.push_back(Dump(*m_top));
        } else {
            ++refused;
            ASSERT_EQ(Dump(*m_top), states.back())
                << "a refused edit changed the tree, step " << step;
        }
        ExpectDisplayConsistent();
        if (HasFatalFailure())
            return;
    }
    ASSERT_GT(states.size(), 1500u);
    ASSERT_GT(refused, 0);
    EXPECT_EQ(m_editor.Stack().count(), int(states.size()) - 1);

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(m_editor.Undo());
        ASSERT_EQ(Dump(*m_top), states[i - 1])
            << "undoing step " << i << ", " << m_editor.Stack().text(int(i) - 1).toStdString();
        ExpectDisplayConsistent();
    }
    EXPECT_FALSE(m_editor.Undo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(m_editor.Redo());
        ASSERT_EQ(Dump(*m_top), states[i]) << "redoing step " << i;
    }
    EXPECT_FALSE(m_editor.Redo());
    ExpectDisplayConsistent();
}

TEST_F(EditorTest, undoOfDeleteBringsTheSameFolderBackSelected) {
    CFolder* keep = AddFolder(*m_top, "Keep");
    CFolder* gone = AddFolder(*m_top, "Gone");
    AddEntry(*gone, "inside", "http://inside");
    AddFolder(*gone, "nested");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(1);
    ASSERT_EQ(m_middle.GetShownItem(), gone);

    ASSERT_TRUE(m_editor.Remove(m_top.get(), 1));
    EXPECT_EQ(m_left.Rows(), (Names{"Keep"}));
    EXPECT_EQ(m_middle.GetShownItem(), keep);

    const unsigned long long changes = g_nTreeChanges;
    ASSERT_TRUE(m_editor.Undo());
    EXPECT_GT(g_nTreeChanges, changes); // announced as any edit, so it is saved
    EXPECT_EQ(m_top->GetChild(1), gone);
    EXPECT_EQ(m_left.Rows(), (Names{"Keep", "Gone"}));
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 1);
    EXPECT_EQ(m_middle.Rows(), (Names{"inside", "nested"}));

    ASSERT_TRUE(m_editor.Redo());
    EXPECT_EQ(ChildNames(*m_top), (Names{"Keep"}));
}

// An undo reaches a folder the user has left: the columns go back to it and
// the restored row is selected.
TEST_F(EditorTest, undoShowsTheFolderItWorksOn) {
    CFolder* a = AddFolder(*m_top, "A");
    AddEntry(*a, "one", "http://one");
    AddEntry(*a, "two", "http://two");
    AddFolder(*m_top, "B");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    ASSERT_TRUE(m_editor.Rename(a, 1, "renamed"));
    m_left.Click(1);
    ASSERT_EQ(m_middle.Rows(), Names{});
    int shownDepth = -1;
    m_editor.m_onShowDepth = [&](int depth) { shownDepth = depth; };

    ASSERT_TRUE(m_editor.Undo());
    EXPECT_EQ(shownDepth, 1);
    EXPECT_EQ(m_left.GetFirstSelectedRow(), 0);
    EXPECT_EQ(m_middle.Rows(), (Names{"one", "two"}));
    EXPECT_EQ(m_middle.GetFirstSelectedRow(), 1);
}

TEST_F(EditorTest, refusesMovesIntoItselfOrItsContent) {
    CFolder* outer = AddFolder(*m_top, "Outer");
    CFolder* inner = AddFolder(*outer, "Inner");
    CEntry* entry = AddEntry(*m_top, "Entry", "http://e");
    AddSeparator(*m_top);
    ASSERT_EQ(Bind(), 1);

    EXPECT_FALSE(m_editor.Move(m_top.get(), 0, outer, 0));
    EXPECT_FALSE(m_editor.Move(m_top.get(), 0, inner, 0));
    EXPECT_FALSE(m_editor.Move(m_top.get(), 1, entry, 0));       // only a folder takes a moved item
    EXPECT_FALSE(m_editor.Move(m_top.get(), 1, m_top.get(), 2)); // where it is
    CFolder* deepest = inner;
    while (deepest->GetDepth() < MAX_FOLDER_DEPTH)
        deepest = AddFolder(*deepest, "D");
    EXPECT_FALSE(m_editor.Move(m_top.get(), 0, deepest, 0)); // deeper than a data file holds
    EXPECT_EQ(m_editor.Stack().count(), 0);

    ASSERT_TRUE(m_editor.Move(outer, 0, m_top.get(), -1));
    EXPECT_EQ(ChildNames(*m_top), (Names{"Outer", "Entry", SEPARATOR_TEXT, "Inner"}));
    // The moved folder now lists at the depth it went to.
    m_left.Click(3);
    EXPECT_EQ(m_middle.GetShownItem(), inner);
}

TEST_F(EditorTest, pasteIntoAnythingButAFolderDoesWhatTheTreeDoes) {
    CEntry* entry = AddEntry(*m_top, "Entry", "http://e");
    CItem* separator = AddSeparator(*m_top);
    CEntry* blank = AddBlank(*m_top, "Blank");
    ASSERT_EQ(Bind(), 1);
    auto pasted = [] {
        std::vector<std::unique_ptr<CItem>> items;
        items.push_back(std::make_unique<CEntry>("New", "http://new", nullptr));
        return items;
    };
    const std::string before = Dump(*m_top);
    EXPECT_FALSE(m_editor.Insert(entry, 0, pasted()));
    EXPECT_FALSE(m_editor.Insert(separator, 0, pasted()));
    EXPECT_EQ(Dump(*m_top), before);

    // A blank entry becomes a folder holding a blank entry of the item's name.
    ASSERT_TRUE(m_editor.Insert(blank, 0, pasted()));
    EXPECT_EQ(Dump(*m_top), "F[Root]{E[Entry|http://e];-;F[Blank]{B[New|];};};");
    ASSERT_TRUE(m_editor.Undo());
    EXPECT_EQ(m_top->GetChild(2), blank);
    EXPECT_EQ(Dump(*m_top), before);
}

TEST_F(EditorTest, historyKeepsItsLimit) {
    CTreeEditor limited(3);
    limited.SetTop(m_top.get());
    ASSERT_EQ(Bind(), 1);
    for (const char* name : {"1", "2", "3", "4", "5"}) {
        std::vector<std::unique_ptr<CItem>> items;
        items.push_back(std::make_unique<CEntry>(name, std::string("http://") + name, nullptr));
        ASSERT_TRUE(limited.Insert(m_top.get(), -1, std::move(items)));
    }
    EXPECT_TRUE(limited.Undo());
    EXPECT_TRUE(limited.Undo());
    EXPECT_TRUE(limited.Undo());
    EXPECT_FALSE(limited.Undo());
    EXPECT_EQ(ChildNames(*m_top), (Names{"1", "2"}));
    limited.SetTop(nullptr);
}

TEST_F(EditorTest, addressUndoMakesABlankEntryBlankAgain) {
    CEntry* blank = AddBlank(*m_top, "Blank");
    CEntry* spaced = AddEntry(*m_top, "Spaced", " kept as it was ");
    ASSERT_EQ(Bind(), 1);
    m_left.Click(0);
    ASSERT_TRUE(m_editor.SetTarget(m_top.get(), blank, " http://typed "));
    EXPECT_FALSE(blank->IsBlank());
    EXPECT_EQ(blank->GetTarget(), "http://typed");
    ASSERT_TRUE(m_editor.SetTarget(m_top.get(), spaced, "http://other"));

    ASSERT_TRUE(m_editor.Undo());
    EXPECT_EQ(spaced->GetTarget(), " kept as it was ");
    EXPECT_EQ(m_address.m_text, " kept as it was ");
    ASSERT_TRUE(m_editor.Undo());
    EXPECT_TRUE(blank->IsBlank());
    EXPECT_EQ(m_address.m_current, blank);
    EXPECT_FALSE(m_editor.SetTarget(m_top.get(), spaced, "  ")); // never emptied
}

struct CSortCase {
    std::vector<std::string> m_names; // "-" for a separator
    std::vector<std::string> m_sorted;
};

class SortTest : public TreeTest, public ::testing::WithParamInterface<CSortCase> {};

TEST_P(SortTest, sortsEachGroupByNaturalName) {
    for (const std::string& each : GetParam().m_names) {
        if (each == "-")
            AddSeparator(*m_top);
        else
            AddEntry(*m_top, each, "http://x");
    }
    std::vector<std::string> sorted;
    for (const CItem* item : SortedChildren(*m_top))
        sorted.push_back(item->IsSeparator() ? "-" : item->GetName());
    EXPECT_EQ(sorted, GetParam().m_sorted);
}

INSTANTIATE_TEST_SUITE_P(Names, SortTest,
                         ::testing::ValuesIn(std::vector<CSortCase>{
                             {{"File 10", "file 9", "File 1"}, {"File 1", "file 9", "File 10"}},
                             {{"b", "B", "a"}, {"a", "b", "B"}}, // equal names keep their order
                             {{"z", "a", "-", "y", "b", "-", "c"},
                              {"a", "z", "-", "b", "y", "-", "c"}},
                             {{"x007", "x7", "x08"}, {"x007", "x7", "x08"}},
                             {{"\xc3\x89"
                               "cole",
                               "ecole", "Zoo", "\xc3\xa9t\xc3\xa9"},
                              {"ecole",
                               "\xc3\x89"
                               "cole",
                               "\xc3\xa9t\xc3\xa9", "Zoo"}}, // accents after the letter
                             {{"f", "\xe9t\xe9", "d"}, {"d", "\xe9t\xe9", "f"}}, // Latin-1
                             {{"-", "b", "a", "-"}, {"-", "a", "b", "-"}},
                         }));

} // namespace
