// SPDX-License-Identifier: MIT
// The quick search: folding of shown texts, the order of matches, marks, and
// the index keeping up with texts of any size and with a changed tree.

#include "tree/TreeSearch.h"

#include "TreeFixture.h"
#include "tree/SelectPath.h"
#include "tree/TextFold.h"

#include <gmock/gmock.h>

namespace {

// ------------------------------------------------------------------ folding

struct CFoldCase {
    const char* m_bytes;
    const char* m_folded;
};
const CFoldCase FOLDS[] = {
    {"Caf\xC3\xA9 MENU", "cafe menu"},
    {"Cafe\xCC\x81", "cafe"},                           // combining acute accent
    {"Caf\xE9", "cafe"},                                // not UTF-8: Latin-1, as shown
    {"a\xFF\xC3", "aya"},                               // Latin-1 "aÿÃ"
    {"Stra\u00DFe", "strasse"},                         // ß
    {"\u00C6r\u00F8 \u0141\u00F3d\u017A", "aero lodz"}, // Ærø Łódź
    {"\xC4\xB0stanbul", "istanbul"},                    // dotted capital I
    {"\xCE\x86\xCE\xA1\xCE\x97\xCE\xA3", "\xCE\xB1\xCF\x81\xCE\xB7\xCF\x83"}, // ΆΡΗΣ -> αρησ
    {"\xD0\x81\xD0\x96", "\xD0\xB5\xD0\xB6"},                                 // ЁЖ -> еж
    {"Vi\xE1\xBB\x86T", "viet"},                                              // Ệ
    {"tab\there\xC2\xA0nbsp", "tab here nbsp"}, // controls and spaces: one space each
    {"\uFEFFbom", "bom"},                       // a leading byte order mark shows nothing
    {"zero\xE2\x80\x8Bwidth", "zerowidth"},
    {"\xE6\x97\xA5\xF0\x9F\x98\x80", "\xE6\x97\xA5\xF0\x9F\x98\x80"}, // kept: 日😀
    {"\xED\xA0\x80", "i  "}, // a UTF-16 surrogate is not UTF-8: Latin-1 "í", NBSP, a control
};

TEST(TextFoldTest, FoldsCaseAndAccentsOfTheShownText) {
    for (const CFoldCase& c : FOLDS)
        EXPECT_EQ(FoldText(c.m_bytes), c.m_folded) << c.m_bytes;
}

struct CMarkCase {
    const char* m_bytes;
    std::vector<std::string> m_words;
    std::vector<std::pair<int, int>> m_marks;
};
const CMarkCase MARKS[] = {
    {"My Caf\xC3\xA9 notes", {"cafe"}, {{3, 7}}},
    {"Cafe\xCC\x81 au lait", {"cafe"}, {{0, 5}}}, // the accent goes with its letter
    {"Stra\u00DFe", {"s"}, {{0, 1}}},
    {"Stra\u00DFe", {"as"}, {{3, 5}}}, // half of "ss": the whole ß
    {"a\U0001F600b", {"b"}, {{3, 4}}}, // after a pair of UTF-16 units
    {"Caf\xE9", {"fe"}, {{2, 4}}},
    {"abcdef", {"cde", "abc", "x"}, {{0, 5}}},              // overlapping marks merge
    {"notes, my notes", {"notes", "my"}, {{0, 5}, {7, 9}}}, // first occurrences
};

TEST(TextFoldTest, MarksCoverTheShownCharactersOfEachWord) {
    for (const CMarkCase& c : MARKS)
        EXPECT_EQ(MarkWords(c.m_bytes, c.m_words), c.m_marks) << c.m_bytes;
}

// ------------------------------------------------------------------ finding

// Root: Work (Café menu, Reports, Archive (Q3 review.pdf, to sort)), a
// separator, Decaf beans, My CAFÉ notes, Café au lait (Latin-1 bytes), Lunch,
// Café crème (combining accent), Ærø Ferries, Straße.
class TreeSearchTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        CFolder* work = AddFolder(*m_top, "Work");
        AddEntry(*work, "Caf\xC3\xA9 menu", "www.example.org/menu");
        AddEntry(*work, "Reports", "/home/user/Reports");
        CFolder* archive = AddFolder(*work, "Archive");
        AddEntry(*archive, "Q3 review.pdf", "/home/user/Documents/Archive/Q3 review.pdf");
        AddBlank(*archive, "to sort");
        AddSeparator(*m_top);
        AddEntry(*m_top, "Decaf beans", "https://shop.example.org/beans");
        AddEntry(*m_top, "My CAF\xC3\x89 notes", "/home/user/notes.txt");
        AddEntry(*m_top, "Caf\xE9 au lait", "http://old.example.org/");
        AddEntry(*m_top, "Lunch", "https://cafe.example.org/lunch");
        AddEntry(*m_top, "Cafe\xCC\x81 cr\xC3\xA8me", "https://creme.example.org/");
        AddEntry(*m_top, "\xC3\x86r\xC3\xB8 Ferries", "https://ferries.example.org/");
        AddEntry(*m_top, "Stra\u00DFe", "https://map.example.org/");
        m_search.Build(*m_top);
    }

    Names Found(std::string_view text, std::size_t limit = 300) {
        Names names;
        for (const CTreeSearch::CMatch& match : m_search.Find(text, limit).m_shown)
            names.push_back(m_search.GetIndexedItem(match.m_record)->GetName());
        return names;
    }

    CTreeSearch m_search;
};

struct CFindCase {
    const char* m_text;
    Names m_found;
};
const CFindCase FINDS[] = {
    // Name start, then a word of the name, then anywhere in it, then the
    // target; tree order within each.
    {"caf",
     {"Caf\xC3\xA9 menu", "Caf\xE9 au lait", "Cafe\xCC\x81 cr\xC3\xA8me", "My CAF\xC3\x89 notes",
      "Decaf beans", "Lunch"}},
    {"CAF\xC3\x89",
     {"Caf\xC3\xA9 menu", "Caf\xE9 au lait", "Cafe\xCC\x81 cr\xC3\xA8me", "My CAF\xC3\x89 notes",
      "Lunch"}},
    // Every word, in any order, in the name or the target.
    {"notes my", {"My CAF\xC3\x89 notes"}},
    {"  home   REPORTS ", {"Reports"}},
    {"pdf q3 review", {"Q3 review.pdf"}},
    // Folders by name, before what they hold; blank entries by name.
    {"archive", {"Archive", "Q3 review.pdf"}},
    {"to sort", {"to sort"}},
    {"aero", {"\xC3\x86r\xC3\xB8 Ferries"}},
    {"strasse", {"Stra\u00DFe"}},
    {"creme", {"Cafe\xCC\x81 cr\xC3\xA8me"}},
    // Nothing.
    {"zzz", {}},
    {"caf zzz", {}},
    {"   ", {}},
    {"", {}},
    {"------", {}}, // separators are not found
};

class FindTest : public TreeSearchTest, public ::testing::WithParamInterface<CFindCase> {};

TEST_P(FindTest, MatchesComeBestFirst) {
    EXPECT_EQ(Found(GetParam().m_text), GetParam().m_found);
}

INSTANTIATE_TEST_SUITE_P(Texts, FindTest, ::testing::ValuesIn(FINDS));

TEST_F(TreeSearchTest, TypingLetterByLetterFindsWhatTheWholeTextFinds) {
    // Extending the text searches the previous matches only; shortening it or
    // changing it searches everything again.
    const char* typed[] = {"c", "ca", "caf", "cafe", "cafe ", "cafe n", "cafe", "ca", "l", "lu"};
    for (const char* text : typed) {
        CTreeSearch fresh;
        fresh.Build(*m_top);
        const CTreeSearch::CResult expected = fresh.Find(text, 300);
        const CTreeSearch::CResult got = m_search.Find(text, 300);
        EXPECT_EQ(got.m_total, expected.m_total) << text;
        ASSERT_EQ(got.m_shown.size(), expected.m_shown.size()) << text;
        for (std::size_t i = 0; i < got.m_shown.size(); ++i)
            EXPECT_EQ(got.m_shown[i].m_record, expected.m_shown[i].m_record) << text;
    }
}

TEST_F(TreeSearchTest, ShowsTheBestUpToTheLimitAndCountsAll) {
    CFolder* many = AddFolder(*m_top, "Many");
    for (int i = 0; i < 500; ++i)
        AddEntry(*many, "old item " + std::to_string(i), "http://x/");
    for (int i = 0; i < 10; ++i)
        AddEntry(*many, "item " + std::to_string(i), "http://y/");
    m_search.Build(*m_top);
    const CTreeSearch::CResult result = m_search.Find("item", 100);
    EXPECT_EQ(result.m_total, 510u);
    ASSERT_EQ(result.m_shown.size(), 100u);
    EXPECT_EQ(m_search.GetIndexedItem(result.m_shown[0].m_record)->GetName(), "item 0");
    EXPECT_EQ(result.m_shown[9].m_rank, CTreeSearch::RankNameStart);
    EXPECT_EQ(m_search.GetIndexedItem(result.m_shown[10].m_record)->GetName(), "old item 0");
    EXPECT_EQ(result.m_shown[10].m_rank, CTreeSearch::RankWordStart);
}

TEST_F(TreeSearchTest, AnyTextOfAnyLengthIsASearch) {
    const std::string longName = std::string(20000, 'x') + "needle" + std::string(100, 'y');
    AddEntry(*m_top, longName, std::string(30000, 'q'));
    m_search.Build(*m_top);

    std::string paste;
    for (int i = 0; i < 2500; ++i)
        paste += "abc ";
    EXPECT_EQ(Found(paste), Names{}); // one word, many times
    EXPECT_EQ(Found(std::string(10000, 'x')), Names{longName});
    EXPECT_EQ(Found(std::string(10000, 'q') + " needle"), Names{longName});
    EXPECT_EQ(Found(std::string(40000, 'q')), Names{}); // longer than any text
    std::string words;
    for (int i = 0; i < 2000; ++i)
        words += std::to_string(i) + " ";
    EXPECT_EQ(Found(words), Names{});
    EXPECT_EQ(Found(std::string("\x00\xFF\x80 caf\x01\x00", 9)), Found("\xC3\xBF caf"));
}

TEST_F(TreeSearchTest, RowsAndFoldersLeadToTheItemUntilTheTreeChanges) {
    const CTreeSearch::CResult result = m_search.Find("q3", 10);
    ASSERT_EQ(result.m_total, 1u);
    const std::uint32_t record = result.m_shown[0].m_record;
    EXPECT_EQ(m_search.GetRows(record), (std::vector<int>{0, 2, 0}));
    std::vector<const CItem*> folders;
    EXPECT_EQ(m_search.Locate(*m_top, record, &folders)->GetName(), "Q3 review.pdf");
    Names names;
    for (const CItem* folder : folders)
        names.push_back(folder->GetName());
    EXPECT_EQ(names, (Names{"Work", "Archive"}));

    CItem* archive = m_top->GetChild(0)->GetChild(2);
    EXPECT_TRUE(m_search.IsCurrent());
    archive->Insert(0, std::make_unique<CEntry>("first", "http://first/", nullptr));
    EXPECT_FALSE(m_search.IsCurrent());
    EXPECT_EQ(m_search.Locate(*m_top, record), nullptr);
    m_search.Build(*m_top);
    ASSERT_EQ(m_search.Find("q3", 10).m_total, 1u);
    EXPECT_EQ(m_search.GetRows(m_search.Find("q3", 10).m_shown[0].m_record),
              (std::vector<int>{0, 2, 1}));
}

// ------------------------------------------------------------------ revealing

TEST_F(TreeTest, SelectPathShowsTheItemSelectedInItsFolder) {
    // Root: A (B (C (D (deep entry, E (inner)))))), top entry.
    CFolder* d = AddFolder(*AddFolder(*AddFolder(*AddFolder(*m_top, "A"), "B"), "C"), "D");
    AddEntry(*d, "sibling", "http://sibling/");
    AddEntry(*d, "deep entry", "http://deep/");
    AddEntry(*AddFolder(*d, "E"), "inner", "http://inner/");
    AddEntry(*m_top, "top entry", "http://top/");
    Bind();

    struct CCase {
        std::vector<int> m_rows;
        Names m_left, m_middle, m_right;
        int m_selectedRight;
        std::string m_address;
    };
    const CCase cases[] = {
        {{0, 0, 0, 0, 1}, {"C"}, {"D"}, {"sibling", "deep entry", "E"}, 1, "http://deep/"},
        // A folder shows its contents beside it, nothing selected there.
        {{0, 0, 0, 0, 2}, {"D"}, {"sibling", "deep entry", "E"}, {"inner"}, -1, ""},
        {{1}, {"A", "top entry"}, {}, {}, -1, "http://top/"},
    };
    for (const CCase& c : cases) {
        CItemObserver* level = SelectPath(*m_top, c.m_rows);
        ASSERT_NE(level, nullptr);
        ASSERT_EQ(Bind(level), 1);
        EXPECT_EQ(m_left.Rows(), c.m_left);
        EXPECT_EQ(m_middle.Rows(), c.m_middle);
        EXPECT_EQ(m_right.Rows(), c.m_right);
        EXPECT_EQ(m_right.GetFirstSelectedRow(), c.m_selectedRight);
        EXPECT_EQ(m_address.m_text, c.m_address);
    }
    EXPECT_EQ(SelectPath(*m_top, {0, 7}), nullptr);
    EXPECT_EQ(SelectPath(*m_top, {1, 0}), nullptr); // below an entry
    EXPECT_EQ(SelectPath(*m_top, {}), nullptr);
}

} // namespace
