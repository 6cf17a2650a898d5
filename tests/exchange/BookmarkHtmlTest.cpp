// SPDX-License-Identifier: MIT
#include "exchange/BookmarkHtml.h"

#include "ImportDump.h"
#include "fakes/RecordArchive.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

const std::string HEAD = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                         "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                         "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n";

// A bookmark file around body: the usual head and one outer list.
std::string File(const std::string& body) {
    return HEAD + "<DL><p>\n" + body + "</DL><p>\n";
}

template <std::size_t N> std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::string Utf16LittleEndian(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

CImportResult Read(const std::string& bytes) {
    return ReadBookmarkHtml(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

struct CSnippet {
    const char* m_what;
    std::string m_file;
    std::string m_dump;        // DumpImport of what was read
    CImportCounts m_skipped{}; // only the skipped kinds are compared
};

const CSnippet SNIPPETS[] = {
    {"folders, links and separators in document order",
     File("<DT><H3>A</H3>\n<DL><p>\n<DT><A HREF=\"http://a/\">a</A>\n<HR>\n"
          "<DT><H3>B</H3>\n<DL><p>\n</DL><p>\n</DL><p>\n<DT><A HREF=\"http://z/\">z</A>\n"),
     "F(A)[E(a|http://a/) S F(B)[]] E(z|http://z/)"},
    {"lower case, unquoted attributes, no <p>, closed <DT>s",
     File("<dt><h3>A</h3><dl><dt><a href=http://a/>a</a></dt></dl>"), "F(A)[E(a|http://a/)]"},
    {"no outer list, as one browser writes it",
     HEAD + "<DT><H3 FOLDED>A</H3>\n<DL><p>\n<DT><A HREF=\"http://a/\">a</A>\n</DL><p>\n"
            "<DT><A HREF=\"http://b/\">b</A>\n",
     "F(A)[E(a|http://a/)] E(b|http://b/)"},
    {"links and headings never closed",
     File("<DT><H3>A\n<DL><p><DT><A HREF=\"http://a/\">a\n<DT><A HREF=\"http://b/\">b\n</DL><p>"
          "<DT><A HREF=\"http://c/\">c\n"),
     "F(A)[E(a|http://a/) E(b|http://b/)] E(c|http://c/)"},
    {"a heading without a list is an empty folder",
     File("<DT><H3>Empty</H3>\n<DT><A HREF=\"http://a/\">a</A>\n"), "F(Empty)[] E(a|http://a/)"},
    {"raw & and < inside an attribute", File("<DT><A HREF=\"http://a/?x=1&y=<2>\">a</A>\n"),
     "E(a|http://a/?x=1&y=<2>)"},
    {"entities in names and addresses",
     File("<DT><A HREF=\"http://a/?x=1&amp;y=2\">Tom &amp; Jerry &lt;3 caf&eacute; &#x263A;</A>\n"),
     "E(Tom & Jerry <3 caf\xC3\xA9 \xE2\x98\xBA|http://a/?x=1&y=2)"},
    {"&section= in an address is not the &sect; entity",
     File("<DT><A HREF=\"http://a/?id=1&section=2\">a</A>\n"), "E(a|http://a/?id=1&section=2)"},
    {"white space collapses, a non-breaking space stays",
     File("<DT><A HREF=\"http://a/\">\n  two\t\twords&nbsp;here \n</A>\n"),
     "E(two words\xC2\xA0here|http://a/)"},
    {"a link without text is named by its address", File("<DT><A HREF=\"http://a/\"></A>\n"),
     "E(http://a/|http://a/)"},
    {"file:// links become local paths", File("<DT><A HREF=\"file:///home/u/a%20b.txt\">f</A>\n"),
     "E(f|/home/u/a b.txt)"},
    {"descriptions, links without an address, queries and bookmarklets are counted",
     File("<DT><A HREF=\"http://a/\">a</A>\n<DD>about a\n<DT><A>none</A>\n<DT><A HREF=\" "
          "\">blank</A>\n"
          "<DT><A HREF=\"place:sort=8\">Recent</A>\n<DT><A HREF=\"JavaScript:alert(1)\">js</A>\n"),
     "E(a|http://a/)", CImportCounts{0, 0, 0, 1, 2, 1, 1, 0}},
    {"charset declared by META",
     "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
     "CONTENT=\"text/html; charset=windows-1252\">\n<DL><p><DT><A HREF=\"http://a/\">caf\xE9 "
     "\x80</A></DL>",
     "E(caf\xC3\xA9 \xE2\x82\xAC|http://a/)"},
    {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + File("<DT><A HREF=\"http://a/\">\xC3\xBC</A>\n"),
     "E(\xC3\xBC|http://a/)"},
    {"UTF-16 byte-order mark", Utf16LittleEndian(u"\uFEFF<DT><A HREF=x>\u00FC</A>"),
     "E(\xC3\xBC|x)"},
    {"undeclared bytes that are not UTF-8 are read as Windows-1252",
     "<DL><DT><A HREF=\"http://a/\">caf\xE9</A></DL>", "E(caf\xC3\xA9|http://a/)"},
    {"one byte that is not UTF-8 in a file declared UTF-8 spoils only its own name",
     File("<DT><A HREF=\"http://a/\">caf\xC3\xA9</A>\n<DT><A HREF=\"http://b/\">b\xFF!</A>\n"),
     "E(caf\xC3\xA9|http://a/) E(b\xEF\xBF\xBD!|http://b/)"},
    {"the same behind a UTF-8 byte-order mark",
     "\xEF\xBB\xBF<DL><DT><A HREF=\"http://a/\">\xC3\xBC\xC3</A></DL>",
     "E(\xC3\xBC\xEF\xBF\xBD|http://a/)"},
    {"x-mac-system is Mac Roman",
     "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
     "CONTENT=\"text/html; charset=X-MAC-SYSTEM\">\n<DL><p><DT><A HREF=\"http://a/\">\x8A"
     "</A></DL>",
     "E(\xC3\xA4|http://a/)"},
    {"a link inside a heading does not make a bookmark",
     File("<DT><H3><A HREF=\"http://a/\">A</A></H3>\n<DL><p></DL>"), "F(A)[]"},
};

void PrintTo(const CSnippet& row, std::ostream* os) {
    *os << row.m_what;
}

class SnippetTest : public ::testing::TestWithParam<CSnippet> {};

TEST_P(SnippetTest, ReadsAsExpected) {
    const CSnippet& row = GetParam();
    const CImportResult result = Read(row.m_file);
    ASSERT_EQ(result.m_status, CImportResult::Ok) << result.m_error.toStdString();
    EXPECT_EQ(DumpImport(result.m_root), row.m_dump);
    EXPECT_EQ(result.m_counts.m_descriptions, row.m_skipped.m_descriptions);
    EXPECT_EQ(result.m_counts.m_noAddress, row.m_skipped.m_noAddress);
    EXPECT_EQ(result.m_counts.m_queries, row.m_skipped.m_queries);
    EXPECT_EQ(result.m_counts.m_scripts, row.m_skipped.m_scripts);
    EXPECT_FALSE(result.m_truncated);
}

INSTANTIATE_TEST_SUITE_P(Html, SnippetTest, ::testing::ValuesIn(SNIPPETS),
                         [](const auto& row) { return "row" + std::to_string(row.index); });

TEST(BookmarkHtml, CountsWhatCameIn) {
    const CImportResult result = Read(File("<DT><H3>A</H3><DL><p><DT><H3>B</H3><DL><p></DL><p>"
                                           "<DT><A HREF=\"http://a/\">a</A><HR></DL><p><HR>"));
    EXPECT_EQ(result.m_counts.m_bookmarks, 1);
    EXPECT_EQ(result.m_counts.m_folders, 2);
    EXPECT_EQ(result.m_counts.m_separators, 2);
    EXPECT_EQ(result.m_counts.Skipped(), 0);
}

TEST(BookmarkHtml, CountsAndSaysWhatWasNotUtf8) {
    const CImportResult result =
        Read(File("<DT><A HREF=\"http://a/\">a\xFF</A>\n<DT><A HREF=\"http://b/\">\xEF\xBF\xBD"
                  "\x80\x80</A>\n"));
    EXPECT_EQ(result.m_counts.m_replaced, 3);
    EXPECT_TRUE(ImportSummary(result).contains(
        QStringLiteral("3 characters that were not valid UTF-8 were read as U+FFFD.")));
    EXPECT_EQ(Read(File("<DT><A HREF=\"http://a/\">a</A>\n")).m_counts.m_replaced, 0);
}

TEST(BookmarkHtml, RefusesWhatIsNotARegularFile) {
    for (const char* path : {"/dev/zero", "/tmp"}) {
        const CImportResult result = ReadBookmarkFile(QString::fromLatin1(path));
        EXPECT_EQ(result.m_status, CImportResult::Failed) << path;
        EXPECT_TRUE(result.m_error.contains(QStringLiteral("not a regular file"))) << path;
    }
}

std::string RandomBytes(std::size_t size) {
    QRandomGenerator random(11);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

struct CBadInput {
    const char* m_what;
    std::string m_bytes;
};

const CBadInput BAD_INPUTS[] = {
    {"empty", ""},
    {"a PNG", Bytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0")},
    {"random bytes", RandomBytes(4096)},
    {"a web page with links but no bookmarks", "<html><head><title>Page</title></head><body><p><a "
                                               "href=\"http://a/\">a</a></p></body></html>"},
    {"a bookmark file that holds nothing", File("")},
    {"only what cannot be kept", File("<DT><A HREF=\"javascript:void(0)\">js</A>")},
};

void PrintTo(const CBadInput& row, std::ostream* os) {
    *os << row.m_what;
}

class BadInputTest : public ::testing::TestWithParam<CBadInput> {};

TEST_P(BadInputTest, FailsWithAMessage) {
    const CImportResult result = Read(GetParam().m_bytes);
    EXPECT_EQ(result.m_status, CImportResult::Failed);
    EXPECT_FALSE(result.m_error.isEmpty());
    EXPECT_TRUE(result.m_root.m_children.empty());
}

INSTANTIATE_TEST_SUITE_P(Html, BadInputTest, ::testing::ValuesIn(BAD_INPUTS),
                         [](const auto& row) { return "row" + std::to_string(row.index); });

TEST(BookmarkHtml, FileCutShortKeepsWhatItHoldsAndSaysSo) {
    const std::string whole = File("<DT><H3>A</H3>\n<DL><p>\n<DT><A "
                                   "HREF=\"http://a/\">a</A>\n<DT><A HREF=\"http://b/\">b</A>\n"
                                   "</DL><p>\n");
    const CImportResult result = Read(whole.substr(0, whole.find("http://b/")));
    ASSERT_EQ(result.m_status, CImportResult::Ok);
    EXPECT_TRUE(result.m_truncated);
    EXPECT_EQ(DumpImport(result.m_root).substr(0, 19), "F(A)[E(a|http://a/)");
    EXPECT_TRUE(ImportSummary(result).contains(QLatin1String("ends early")));
}

TEST(BookmarkHtml, MegabyteNamesAndAddressesAreTakenWhole) {
    const std::string name(1 << 20, 'n');
    const std::string address = "http://a/" + std::string(1 << 20, 'x');
    const CImportResult result = Read(File("<DT><A HREF=\"" + address + "\">" + name + "</A>\n"));
    ASSERT_EQ(result.m_status, CImportResult::Ok);
    ASSERT_EQ(result.m_root.m_children.size(), 1u);
    EXPECT_EQ(result.m_root.m_children[0].m_name, name);
    EXPECT_EQ(result.m_root.m_children[0].m_target, address);
}

std::string Nested(int depth) {
    std::string body;
    for (int i = 0; i < depth; ++i)
        body += "<DT><H3>f</H3><DL><p>";
    body += "<DT><A HREF=\"http://deep/\">deep</A>";
    for (int i = 0; i < depth; ++i)
        body += "</DL><p>";
    return File(body);
}

// The deepest import the tree keeps still loads from the data file's records
// once it sits in its folder below the top; one level more is refused.
TEST(BookmarkHtml, NestingBeyondWhatTheDataFileLoadsIsRefused) {
    EXPECT_EQ(Read(Nested(MaxImportDepth() + 1)).m_status, CImportResult::Failed);

    const CImportResult deepest = Read(Nested(MaxImportDepth()));
    ASSERT_EQ(deepest.m_status, CImportResult::Ok) << deepest.m_error.toStdString();
    CRecordArchive store;
    {
        // Built off the displayed tree, like the data file loader does it.
        ResetTreeState();
        std::unique_ptr<CFolder> shown = StartTree(nullptr);
        PlaceImport(*shown, deepest.m_root, "imported");
        shown->Serialize(store);
        EndTree(std::move(shown));
    }
    CRecordArchive load(store.Written());
    load.ReadInt();
    CFolder loaded(load.ReadString());
    EXPECT_NO_THROW(loaded.Serialize(load));
    EXPECT_EQ(load.Remaining(), 0u);
}

TEST(BookmarkHtml, CancelStopsAndKeepsNothing) {
    std::string body;
    for (int i = 0; i < 5000; ++i)
        body += "<DT><A HREF=\"http://a/\">a</A>\n";
    int calls = 0;
    const std::string file = File(body);
    const CImportResult result =
        ReadBookmarkHtml(QByteArrayView(file.data(), static_cast<qsizetype>(file.size())),
                         [&calls](qint64 done, qint64 total) {
                             EXPECT_LE(done, total);
                             return ++calls < 2;
                         });
    EXPECT_EQ(result.m_status, CImportResult::Cancelled);
    EXPECT_TRUE(result.m_root.m_children.empty());
}

// ------------------------------------------------------------ export

// Builds the tree the round trip goes through: a top folder with every kind
// of item and text the export has to carry.
std::unique_ptr<CFolder> RoundTripTree() {
    auto top = std::make_unique<CFolder>(ROOT_FOLDER_NAME);
    auto work = std::make_unique<CFolder>("Work & <play> \"quoted\" 'single'");
    work->Append(
        std::make_unique<CEntry>("caf\xE9 (Latin-1)", "https://a.example/?q=caf%E9", nullptr));
    work->Append(std::make_unique<CEntry>("R&D \xC3\xA9t\xC3\xA9 <x> & \"y\"",
                                          "https://c.example/\xC3\xA9?a&b", nullptr));
    work->Append(std::make_unique<CEntry>("Latin-1 & caf\xE9 <cr\xE8me>", "/tmp/\xE9", nullptr));
    work->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    work->Append(std::make_unique<CEntry>("\xE6\x97\xA5\xE6\x9C\xAC \xC3\xBC\xC2\xA0nbsp",
                                          "https://b.example/?a=1&b=\"2\"<3>", nullptr));
    auto empty = std::make_unique<CFolder>("Empty");
    empty->Append(std::make_unique<CFolder>("Emptier"));
    work->Append(std::move(empty));
    top->Append(std::move(work));
    top->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
    top->Append(std::make_unique<CEntry>("A file", "/tmp/a b/\xC3\xBC&.txt", nullptr));
    top->Append(std::make_unique<CEntry>("mail", "mailto:x@example.org", nullptr));
    top->Append(std::make_unique<CFolder>("Last, empty"));
    return top;
}

TEST(BookmarkHtml, ExportThenImportGivesBackTheSameTree) {
    const std::unique_ptr<CFolder> original = RoundTripTree();
    const QByteArray html = WriteBookmarkHtml(*original);
    EXPECT_TRUE(
        html.contains("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"));
    EXPECT_TRUE(html.contains("file:///tmp/a%20b/%C3%BC&amp;.txt"));
    EXPECT_TRUE(html.contains("caf\xC3\xA9")); // Latin-1 written as UTF-8

    const CImportResult result = ReadBookmarkHtml(html);
    ASSERT_EQ(result.m_status, CImportResult::Ok) << result.m_error.toStdString();
    EXPECT_FALSE(result.m_truncated);
    EXPECT_EQ(result.m_counts.Skipped(), 0);

    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    const CFolder* placed = PlaceImport(*top, result.m_root, "Imported");
    EXPECT_EQ(top->GetChild(top->GetCount() - 1), placed);
    EXPECT_EQ(g_nTreeChanges, 1u); // saved like an edit
    EXPECT_EQ(DumpShownChildren(*placed), DumpShownChildren(*original));
    EndTree(std::move(top));
}

TEST(BookmarkHtml, ExportWritesAnEntryWithoutATargetAsALinkWithoutAnAddress) {
    CFolder top(ROOT_FOLDER_NAME);
    top.Append(std::make_unique<CEntry>("blank", std::string(), &top));
    top.Append(std::make_unique<CEntry>("site", "www.example.org", nullptr));
    const QByteArray html = WriteBookmarkHtml(top);
    EXPECT_TRUE(html.contains("<DT><A>blank</A>"));
    EXPECT_TRUE(html.contains("HREF=\"http://www.example.org\""));
    EXPECT_EQ(ReadBookmarkHtml(html).m_counts.m_noAddress, 1);
}

// The writer hands the file over in pieces: texts longer than a piece, with
// entities on either side of a piece's end, come out whole.
TEST(BookmarkHtml, ExportKeepsTextsLongerThanTheWriteBuffer) {
    std::string name;
    std::string escaped;
    for (int i = 0; name.size() < 300000; ++i) {
        const bool special = i % 997 == 0;
        name += special ? '&' : static_cast<char>('a' + i % 26);
        escaped += special ? std::string("&amp;") : std::string(1, name.back());
    }
    CFolder top(ROOT_FOLDER_NAME);
    top.Append(std::make_unique<CEntry>(name, "https://a.example/" + name, nullptr));
    top.Append(std::make_unique<CEntry>(name + "\xE9", "https://b.example/", nullptr));
    top.Append(std::make_unique<CFolder>(name + "\xC3\xA9<"));
    const QByteArray html = WriteBookmarkHtml(top);
    const auto has = [&html](const std::string& text) {
        return html.contains(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    };
    EXPECT_TRUE(has("<A HREF=\"https://a.example/" + escaped + "\">" + escaped + "</A>\n"));
    EXPECT_TRUE(has(">" + escaped + "\xC3\xA9</A>\n")); // Latin-1 as UTF-8
    EXPECT_TRUE(has("<H3>" + escaped + "\xC3\xA9&lt;</H3>\n"));
    EXPECT_TRUE(html.endsWith("</DL><p>\n"));
}

TEST(BookmarkHtml, ExportToADeviceThatRefusesTheBytesFails) {
    const std::unique_ptr<CFolder> top = RoundTripTree();
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    EXPECT_FALSE(WriteBookmarkHtml(*top, full));
}

} // namespace
