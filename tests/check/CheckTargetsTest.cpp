#include "check/CheckTargets.h"

#include "tree/Item.h"
#include "tree/Tree.h"

#include <gtest/gtest.h>

namespace {

class CheckTargetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_top = StartTree(nullptr);
        auto folder = std::make_unique<CFolder>("Work");
        folder->Append(std::make_unique<CEntry>("One", "https://one.example/", nullptr));
        folder->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
        folder->Append(std::make_unique<CEntry>("Two", "/home/me/two.txt", nullptr));
        m_top->Append(std::move(folder));
        m_top->Append(std::make_unique<CFolder>("Other"));
        m_top->Append(std::make_unique<CEntry>("Three", "mailto:three@example.org", nullptr));
    }
    void TearDown() override { EndTree(std::move(m_top)); }

    std::unique_ptr<CFolder> m_top;
};

} // namespace

TEST_F(CheckTargetsTest, collectsEntriesBelowAFolderInTreeOrder) {
    const std::vector<SCollected> all = CollectEntries(*m_top);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].target, "https://one.example/");
    EXPECT_EQ(all[1].target, "/home/me/two.txt");
    EXPECT_EQ(all[2].target, "mailto:three@example.org");
    EXPECT_EQ(CollectEntries(*m_top->GetChild(0)).size(), 2u);
}

// A result found for an entry goes to that entry wherever it now is, and to
// nothing when it was deleted or given another target meanwhile.
TEST_F(CheckTargetsTest, resultsFollowTheEntryOrAreDropped) {
    const std::vector<SCollected> all = CollectEntries(*m_top);
    auto* work = dynamic_cast<CFolder*>(m_top->GetChild(0));
    auto* other = dynamic_cast<CFolder*>(m_top->GetChild(1));
    // "One" moves into "Other", "Two" gets a new target, "Three" is deleted
    // and a new entry with its target takes its place.
    other->Insert(0, work->Take(0));
    work->GetChild(1)->SetTarget("/home/me/elsewhere.txt");
    m_top->Remove(2);
    m_top->Insert(2, std::make_unique<CEntry>("New", "mailto:three@example.org", nullptr));

    const CEntryIndex index(*m_top);
    const CEntryIndex::SPlace* one = index.Find(all[0].entry, all[0].target);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->folder, other);
    EXPECT_EQ(one->rows, (std::vector<int>{1, 0}));
    EXPECT_EQ(index.Find(all[1].entry, all[1].target), nullptr);
    // The deleted entry's pointer may even be reused; only an entry in the
    // tree with the checked target is ever handed out.
    const CEntryIndex::SPlace* three = index.Find(all[2].entry, all[2].target);
    if (three) {
        EXPECT_EQ(three->entry->Target(), all[2].target);
    }
}

TEST(ClassifyTargetTest, decidesHowATargetIsChecked) {
    struct Case {
        const char* target;
        ETargetKind kind;
        bool valid;
    };
    const Case cases[] = {
        {"https://example.org/a", ETargetKind::Web, true},
        {"HTTP://example.org", ETargetKind::Web, true},
        {"www.example.org", ETargetKind::Web, true},
        {"http://", ETargetKind::Web, false},
        {"http://exa mple.org/", ETargetKind::Web, false},
        {"https://ex\xc3\xa4mple.org/a b|c", ETargetKind::Web, true}, // as a browser takes it
        {"/usr/share", ETargetKind::Local, true},
        {"file:///usr/share", ETargetKind::Local, true},
        {"~/notes", ETargetKind::Local, true},
        {"mailto:me@example.org", ETargetKind::Other, true},
        {"ftp://example.org/", ETargetKind::Other, true},
        {"notes.txt", ETargetKind::Other, true},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.target);
        const STargetKind kind = ClassifyTarget(each.target);
        EXPECT_EQ(kind.kind, each.kind);
        EXPECT_EQ(kind.valid, each.valid);
    }
}
