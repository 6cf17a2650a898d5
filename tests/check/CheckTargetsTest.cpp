// SPDX-License-Identifier: MIT
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
    const std::vector<CCollected> all = CollectEntries(*m_top);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].m_target, "https://one.example/");
    EXPECT_EQ(all[1].m_target, "/home/me/two.txt");
    EXPECT_EQ(all[2].m_target, "mailto:three@example.org");
    EXPECT_EQ(CollectEntries(*m_top->GetChild(0)).size(), 2u);
}

// A result found for an entry goes to that entry wherever it now is, and to
// nothing when it was deleted or given another target meanwhile.
TEST_F(CheckTargetsTest, resultsFollowTheEntryOrAreDropped) {
    const std::vector<CCollected> all = CollectEntries(*m_top);
    auto* work = dynamic_cast<CFolder*>(m_top->GetChild(0));
    auto* other = dynamic_cast<CFolder*>(m_top->GetChild(1));
    // "One" moves into "Other", "Two" gets a new target, "Three" is deleted
    // and a new entry with its target takes its place.
    other->Insert(0, work->Take(0));
    work->GetChild(1)->SetTarget("/home/me/elsewhere.txt");
    m_top->Remove(2);
    m_top->Insert(2, std::make_unique<CEntry>("New", "mailto:three@example.org", nullptr));

    const CEntryIndex index(*m_top);
    const CEntryIndex::CPlace* one = index.Find(all[0].m_entry, all[0].m_target);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->m_folder, other);
    EXPECT_EQ(one->m_rows, (std::vector<int>{1, 0}));
    EXPECT_EQ(index.Find(all[1].m_entry, all[1].m_target), nullptr);
    // The deleted entry's pointer may even be reused; only an entry in the
    // tree with the checked target is ever handed out.
    const CEntryIndex::CPlace* three = index.Find(all[2].m_entry, all[2].m_target);
    if (three) {
        EXPECT_EQ(three->m_entry->Target(), all[2].m_target);
    }
}

TEST(ClassifyTargetTest, decidesHowATargetIsChecked) {
    struct CCase {
        const char* m_target;
        ETargetKind m_kind;
        bool m_valid;
    };
    const CCase cases[] = {
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
    for (const CCase& each : cases) {
        SCOPED_TRACE(each.m_target);
        const CTargetKind kind = ClassifyTarget(each.m_target);
        EXPECT_EQ(kind.m_kind, each.m_kind);
        EXPECT_EQ(kind.m_valid, each.m_valid);
    }
}
