// SPDX-License-Identifier: MIT
#include "TreeFixture.h"
#include "fakes/RecordArchive.h"

namespace {

using I = std::int32_t;
using S = std::string;

Records Store(CItem& item) {
    CRecordArchive ar;
    item.Serialize(ar);
    return ar.Written();
}

// Loads records (from the top folder's child count on) into top.
void Load(CFolder& top, Records records) {
    CRecordArchive ar(std::move(records));
    top.Serialize(ar);
}

// A separator, a blank entry A and a folder F holding entry B with target T.
const Records EXAMPLE{I{1}, S{"Root"}, I{3}, I{0}, I{3},   S{"A"},
                      I{1}, S{"F"},    I{1}, I{2}, S{"B"}, S{"T"}};

Records AfterTopName(const Records& records) {
    return Records(records.begin() + 2, records.end());
}

TEST_F(TreeTest, emptyTreeStoresCountZero) {
    EXPECT_EQ(Store(*m_top), (Records{I{1}, S{"Root"}, I{0}}));
}

TEST_F(TreeTest, storesExampleInPreOrder) {
    AddSeparator(*m_top);
    AddBlank(*m_top, "A");
    CFolder* f = AddFolder(*m_top, "F");
    AddEntry(*f, "B", "T");
    EXPECT_EQ(Store(*m_top), EXAMPLE);
}

TEST_F(TreeTest, loadRebuildsTreeThatStoresTheSame) {
    Load(*m_top, AfterTopName(EXAMPLE));
    EXPECT_EQ(Store(*m_top), EXAMPLE);
    EXPECT_EQ(ChildNames(*m_top), (Names{SEPARATOR_TEXT, "A", "F"}));
    EXPECT_EQ(m_top->GetCurrent(), -1);
    EXPECT_TRUE(m_top->GetChild(1)->IsContainer());
    EXPECT_EQ(m_top->GetChild(2)->GetChild(0)->GetTarget(), "T");

    // Loaded items carry working observers: the blank entry still converts.
    ASSERT_EQ(Bind(), 1);
    m_left.Click(1);
    m_middle.GetShownItem()->Insert(-1, std::make_unique<CItem>("C"));
    EXPECT_EQ(Store(*m_top), (Records{I{1}, S{"Root"}, I{3}, I{0}, I{1}, S{"A"}, I{1}, I{3}, S{"C"},
                                      I{1}, S{"F"}, I{1}, I{2}, S{"B"}, S{"T"}}));
}

TEST_F(TreeTest, entryNamedLikeSeparatorKeepsItsKind) {
    AddEntry(*m_top, SEPARATOR_TEXT, "http://x");
    AddBlank(*m_top, SEPARATOR_TEXT);
    const Records stored = Store(*m_top);
    EXPECT_EQ(stored, (Records{I{1}, S{"Root"}, I{2}, I{2}, S{SEPARATOR_TEXT}, S{"http://x"}, I{3},
                               S{SEPARATOR_TEXT}}));
    std::unique_ptr<CFolder> again = std::make_unique<CFolder>("Root");
    Load(*again, AfterTopName(stored));
    EXPECT_EQ(Store(*again), stored);
}

// Damaged or odd records.
struct CLoadCase {
    const char* m_what;
    Records m_records; // from the child count on
    Names m_names;     // children of the top folder afterwards
    bool m_endOfFile;  // the archive ran out
};

class LoadRecordsTest : public TreeTest, public ::testing::WithParamInterface<CLoadCase> {};

TEST_P(LoadRecordsTest, keepsWhatWasRead) {
    const CLoadCase& c = GetParam();
    bool ended = false;
    try {
        Load(*m_top, c.m_records);
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::EndOfFile) << c.m_what;
        ended = true;
    }
    EXPECT_EQ(ended, c.m_endOfFile) << c.m_what;
    EXPECT_EQ(ChildNames(*m_top), c.m_names) << c.m_what;
}

INSTANTIATE_TEST_SUITE_P(
    Records, LoadRecordsTest,
    ::testing::ValuesIn(std::vector<CLoadCase>{
        {"zero count", {I{0}}, {}, false},
        {"negative count", {I{-5}, I{0}}, {}, false},
        {"unknown tag 7", {I{1}, I{7}, S{"U"}}, {"U"}, false},
        {"unknown tag -1", {I{1}, I{-1}, S{"U"}}, {"U"}, false},
        {"count past end", {I{1000000000}, I{2}, S{"E"}, S{"t"}}, {"E"}, true},
        {"cut in a record", {I{2}, I{0}, I{2}, S{"E"}}, {SEPARATOR_TEXT}, true},
    }));

TEST_F(TreeTest, unknownTagLoadsAsBlankEntry) {
    Load(*m_top, {I{1}, I{9}, S{"U"}});
    auto* entry = dynamic_cast<CEntry*>(m_top->GetChild(0));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->IsBlank());
    EXPECT_EQ(Store(*m_top), (Records{I{1}, S{"Root"}, I{1}, I{3}, S{"U"}}));
}

Records Nested(int folders) {
    Records records;
    for (int i = 0; i < folders; ++i) {
        records.emplace_back(I{1});
        records.emplace_back(I{1});
        records.emplace_back(S{"N"});
    }
    records.emplace_back(I{0});
    return records;
}

TEST_F(TreeTest, nestingIsBounded) {
    Load(*m_top, Nested(MAX_FOLDER_DEPTH));
    int depth = 0;
    for (CItem* item = m_top.get(); item->GetCount() > 0; item = item->GetChild(0))
        ++depth;
    EXPECT_EQ(depth, MAX_FOLDER_DEPTH);

    std::unique_ptr<CFolder> deep = std::make_unique<CFolder>("Root");
    try {
        Load(*deep, Nested(MAX_FOLDER_DEPTH + 1));
        ADD_FAILURE() << "no error for folders nested too deep";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::BadFormat);
    }
    EXPECT_EQ(deep->GetCount(), 1); // what was read stays
}

// Editing never nests folders deeper than loading reads them: whatever way a
// folder would come to lie too deep, nothing changes, and what is stored
// loads again whole.
TEST_F(TreeTest, foldersNeverNestDeeperThanLoadingReads) {
    CFolder* deepest = m_top.get();
    for (int depth = 1; depth <= MAX_FOLDER_DEPTH; ++depth)
        deepest = AddFolder(*deepest, "N");
    ASSERT_EQ(deepest->GetDepth(), MAX_FOLDER_DEPTH);
    auto* above = dynamic_cast<CFolder*>(m_top.get());
    for (int depth = 1; depth < MAX_FOLDER_DEPTH; ++depth)
        above = static_cast<CFolder*>(above->GetChild(0));
    const unsigned long long changes = g_nTreeChanges;

    AddFolder(*deepest, "appended");
    deepest->Insert(-1, std::make_unique<CFolder>("inserted"));
    auto two = std::make_unique<CFolder>("two levels");
    two->Append(std::make_unique<CFolder>("inner"));
    above->Insert(-1, std::move(two));
    EXPECT_EQ(deepest->GetCount(), 0);
    EXPECT_EQ(above->GetCount(), 1);
    EXPECT_EQ(g_nTreeChanges, changes);

    // A blank entry may lie below the deepest folder, but naming its first
    // child would make it a folder.
    deepest->Insert(-1, std::make_unique<CEntry>("B", "", deepest));
    ASSERT_EQ(deepest->GetCount(), 1);
    auto* blank = static_cast<CEntry*>(deepest->GetChild(0));
    const unsigned long long afterBlank = g_nTreeChanges;
    blank->Insert(0, std::make_unique<CItem>("C"));
    ASSERT_EQ(deepest->GetChild(0), blank);
    EXPECT_TRUE(blank->IsBlank());
    EXPECT_EQ(g_nTreeChanges, afterBlank);

    const Records stored = Store(*m_top);
    std::unique_ptr<CFolder> again = std::make_unique<CFolder>("Root");
    Load(*again, AfterTopName(stored));
    EXPECT_EQ(Store(*again), stored);
}

TEST_F(TreeTest, aFolderInsertedWithItsFoldersTakesTheirDepths) {
    CFolder* f = AddFolder(*m_top, "F");
    auto moved = std::make_unique<CFolder>("P");
    CFolder* p = moved.get();
    CFolder* q = AddFolder(*AddFolder(*p, "Q0"), "Q");
    f->Insert(-1, std::move(moved));
    EXPECT_EQ(p->GetDepth(), 2);
    EXPECT_EQ(q->GetDepth(), 4);
}

} // namespace
