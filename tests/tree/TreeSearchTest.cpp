// The quick search: folding of shown texts, the order of matches, marks, and
// the index keeping up with texts of any size and with a changed tree.

#include "tree/TreeSearch.h"

#include "TreeFixture.h"
#include "tree/SelectPath.h"
#include "tree/TextFold.h"

#include <gmock/gmock.h>

namespace {

// ------------------------------------------------------------------ folding

struct FoldCase {
    const char* bytes;
    const char* folded;
};
const FoldCase kFolds[] = {
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
    for (const FoldCase& c : kFolds)
        EXPECT_EQ(FoldText(c.bytes), c.folded) << c.bytes;
}

struct MarkCase {
    const char* bytes;
    std::vector<std::string> words;
    std::vector<std::pair<int, int>> marks;
};
const MarkCase kMarks[] = {
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
    for (const MarkCase& c : kMarks)
        EXPECT_EQ(MarkWords(c.bytes, c.words), c.marks) << c.bytes;
}

// ------------------------------------------------------------------ finding

// Root: Work (Café menu, Reports, Archive (Q3 review.pdf, to sort)), a
// separator, Decaf beans, My CAFÉ notes, Café au lait (Latin-1 bytes), Lunch,
// Café crème (combining accent), Ærø Ferries, Straße.
class TreeSearchTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        CFolder* work = AddFolder(*top, "Work");
        AddEntry(*work, "Caf\xC3\xA9 menu", "www.example.org/menu");
        AddEntry(*work, "Reports", "/home/user/Reports");
        CFolder* archive = AddFolder(*work, "Archive");
        AddEntry(*archive, "Q3 review.pdf", "/home/user/Documents/Archive/Q3 review.pdf");
        AddBlank(*archive, "to sort");
        AddSeparator(*top);
        AddEntry(*top, "Decaf beans", "https://shop.example.org/beans");
        AddEntry(*top, "My CAF\xC3\x89 notes", "/home/user/notes.txt");
        AddEntry(*top, "Caf\xE9 au lait", "http://old.example.org/");
        AddEntry(*top, "Lunch", "https://cafe.example.org/lunch");
        AddEntry(*top, "Cafe\xCC\x81 cr\xC3\xA8me", "https://creme.example.org/");
        AddEntry(*top, "\xC3\x86r\xC3\xB8 Ferries", "https://ferries.example.org/");
        AddEntry(*top, "Stra\u00DFe", "https://map.example.org/");
        search.Build(*top);
    }

    Names Found(std::string_view text, std::size_t limit = 300) {
        Names names;
        for (const CTreeSearch::Match& match : search.Find(text, limit).shown)
            names.push_back(search.GetIndexedItem(match.record)->GetName());
        return names;
    }

    CTreeSearch search;
};

struct FindCase {
    const char* text;
    Names found;
};
const FindCase kFinds[] = {
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

class FindTest : public TreeSearchTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindTest, MatchesComeBestFirst) {
    EXPECT_EQ(Found(GetParam().text), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Texts, FindTest, ::testing::ValuesIn(kFinds));

TEST_F(TreeSearchTest, TypingLetterByLetterFindsWhatTheWholeTextFinds) {
    // Extending the text searches the previous matches only; shortening it or
    // changing it searches everything again.
    const char* typed[] = {"c", "ca", "caf", "cafe", "cafe ", "cafe n", "cafe", "ca", "l", "lu"};
    for (const char* text : typed) {
        CTreeSearch fresh;
        fresh.Build(*top);
        const CTreeSearch::Result expected = fresh.Find(text, 300);
        const CTreeSearch::Result got = search.Find(text, 300);
        EXPECT_EQ(got.total, expected.total) << text;
        ASSERT_EQ(got.shown.size(), expected.shown.size()) << text;
        for (std::size_t i = 0; i < got.shown.size(); ++i)
            EXPECT_EQ(got.shown[i].record, expected.shown[i].record) << text;
    }
}

TEST_F(TreeSearchTest, ShowsTheBestUpToTheLimitAndCountsAll) {
    CFolder* many = AddFolder(*top, "Many");
    for (int i = 0; i < 500; ++i)
        AddEntry(*many, "old item " + std::to_string(i), "http://x/");
    for (int i = 0; i < 10; ++i)
        AddEntry(*many, "item " + std::to_string(i), "http://y/");
    search.Build(*top);
    const CTreeSearch::Result result = search.Find("item", 100);
    EXPECT_EQ(result.total, 510u);
    ASSERT_EQ(result.shown.size(), 100u);
    EXPECT_EQ(search.GetIndexedItem(result.shown[0].record)->GetName(), "item 0");
    EXPECT_EQ(result.shown[9].rank, CTreeSearch::RANK_NAME_START);
    EXPECT_EQ(search.GetIndexedItem(result.shown[10].record)->GetName(), "old item 0");
    EXPECT_EQ(result.shown[10].rank, CTreeSearch::RANK_WORD_START);
}

TEST_F(TreeSearchTest, AnyTextOfAnyLengthIsASearch) {
    const std::string longName = std::string(20000, 'x') + "needle" + std::string(100, 'y');
    AddEntry(*top, longName, std::string(30000, 'q'));
    search.Build(*top);

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
    const CTreeSearch::Result result = search.Find("q3", 10);
    ASSERT_EQ(result.total, 1u);
    const std::uint32_t record = result.shown[0].record;
    EXPECT_EQ(search.GetRows(record), (std::vector<int>{0, 2, 0}));
    std::vector<const CItem*> folders;
    EXPECT_EQ(search.Locate(*top, record, &folders)->GetName(), "Q3 review.pdf");
    Names names;
    for (const CItem* folder : folders)
        names.push_back(folder->GetName());
    EXPECT_EQ(names, (Names{"Work", "Archive"}));

    CItem* archive = top->GetChild(0)->GetChild(2);
    EXPECT_TRUE(search.IsCurrent());
    archive->Insert(0, std::make_unique<CEntry>("first", "http://first/", nullptr));
    EXPECT_FALSE(search.IsCurrent());
    EXPECT_EQ(search.Locate(*top, record), nullptr);
    search.Build(*top);
    ASSERT_EQ(search.Find("q3", 10).total, 1u);
    EXPECT_EQ(search.GetRows(search.Find("q3", 10).shown[0].record), (std::vector<int>{0, 2, 1}));
}

// ------------------------------------------------------------------ revealing

TEST_F(TreeTest, SelectPathShowsTheItemSelectedInItsFolder) {
    // Root: A (B (C (D (deep entry, E (inner)))))), top entry.
    CFolder* d = AddFolder(*AddFolder(*AddFolder(*AddFolder(*top, "A"), "B"), "C"), "D");
    AddEntry(*d, "sibling", "http://sibling/");
    AddEntry(*d, "deep entry", "http://deep/");
    AddEntry(*AddFolder(*d, "E"), "inner", "http://inner/");
    AddEntry(*top, "top entry", "http://top/");
    Bind();

    struct Case {
        std::vector<int> rows;
        Names left, middle, right;
        int selectedRight;
        std::string address;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 1}, {"C"}, {"D"}, {"sibling", "deep entry", "E"}, 1, "http://deep/"},
        // A folder shows its contents beside it, nothing selected there.
        {{0, 0, 0, 0, 2}, {"D"}, {"sibling", "deep entry", "E"}, {"inner"}, -1, ""},
        {{1}, {"A", "top entry"}, {}, {}, -1, "http://top/"},
    };
    for (const Case& c : cases) {
        CItemObserver* level = SelectPath(*top, c.rows);
        ASSERT_NE(level, nullptr);
        ASSERT_EQ(Bind(level), 1);
        EXPECT_EQ(left.Rows(), c.left);
        EXPECT_EQ(middle.Rows(), c.middle);
        EXPECT_EQ(right.Rows(), c.right);
        EXPECT_EQ(right.GetFirstSelectedRow(), c.selectedRight);
        EXPECT_EQ(address.text, c.address);
    }
    EXPECT_EQ(SelectPath(*top, {0, 7}), nullptr);
    EXPECT_EQ(SelectPath(*top, {1, 0}), nullptr); // below an entry
    EXPECT_EQ(SelectPath(*top, {}), nullptr);
}

} // namespace
