// SPDX-License-Identifier: MIT
#include "exchange/Xbel.h"

#include "ImportDump.h"
#include "tree/Item.h"

#include <gtest/gtest.h>

namespace {

CImportResult Read(const std::string& bytes) {
    return ReadXbel(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

const std::string PROLOG = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

TEST(Xbel, ReadsAHandWrittenFile) {
    const std::string file =
        PROLOG +
        "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
        "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
        "<!-- written by hand -->\n"
        "<xbel version=\"1.0\" "
        "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\">\n"
        "  <title>My bookmarks</title>\n"
        "  <info><metadata owner=\"http://example.org/tool\"><x:y xmlns:x=\"urn:x\">"
        "<title>not a name</title></x:y></metadata></info>\n"
        "  <folder folded=\"no\" id=\"f1\">\n"
        "    <title>Caf&#233; &amp; more</title>\n"
        "    <desc>Places to eat</desc>\n"
        "    <bookmark href=\"https://example.org/?a=1&amp;b=2\" added=\"2020-01-01\">\n"
        "      <title><![CDATA[Fish & <chips>]]></title>\n"
        "      <desc>good</desc>\n"
        "      <info><metadata owner=\"x\"><bookmark:icon href=\"icon.png\"/></metadata></info>\n"
        "    </bookmark>\n"
        "    <separator/>\n"
        "    <folder><title>  Inner\n  folder </title>\n"
        "      <bookmark href=\"file:///tmp/notes.txt\"><title>Notes</title></bookmark>\n"
        "      <folder/>\n"
        "    </folder>\n"
        "    <alias ref=\"f1\"/>\n"
        "  </folder>\n"
        "  <bookmark href=\"http://untitled.example/\"/>\n"
        "  <bookmark href=\"javascript:alert(1)\"><title>script</title></bookmark>\n"
        "  <bookmark><title>no address</title></bookmark>\n"
        "</xbel>\n";
    const CImportResult result = Read(file);
    ASSERT_EQ(result.m_status, CImportResult::Ok) << result.m_error.toStdString();
    EXPECT_EQ(DumpImport(result.m_root),
              "F(Caf\xC3\xA9 & more)[E(Fish & <chips>|https://example.org/?a=1&b=2) S "
              "F(Inner folder)[E(Notes|/tmp/notes.txt) F(Folder)[]]] "
              "E(http://untitled.example/|http://untitled.example/)");
    EXPECT_EQ(result.m_counts.m_bookmarks, 3);
    EXPECT_EQ(result.m_counts.m_folders, 3);
    EXPECT_EQ(result.m_counts.m_separators, 1);
    EXPECT_EQ(result.m_counts.m_descriptions, 2);
    EXPECT_EQ(result.m_counts.m_scripts, 1);
    EXPECT_EQ(result.m_counts.m_noAddress, 2); // the alias and the bookmark without href
    EXPECT_FALSE(result.m_truncated);
}

// A tree written out, read back and written again gives the same bytes.
TEST(Xbel, OwnFilesRoundTripByteForByte) {
    CImportNode root;
    const auto entry = [](std::string name, std::string target) {
        return CImportNode{CImportNode::Entry, std::move(name), std::move(target), {}};
    };
    CImportNode inner{CImportNode::Folder, "Sub & \"quoted\" <folder>", {}, {}};
    inner.m_children.push_back(entry("Local file", "/tmp/a b/\xC3\xA4.txt"));
    inner.m_children.push_back(CImportNode{CImportNode::Separator, {}, {}, {}});
    inner.m_children.push_back(entry("Old page", "www.example.org/x"));
    root.m_children.push_back(entry("Latin-1 caf\xE9", "https://example.org/?q=a&b=<c>"));
    root.m_children.push_back(std::move(inner));
    root.m_children.push_back(CImportNode{CImportNode::Folder, "Empty", {}, {}});
    root.m_children.push_back(entry("Tab\there", "ftp://example.org/"));
    // Control characters well inside a long name, past the first sixteen bytes.
    root.m_children.push_back(entry("A longer name with\x01"
                                    "controls & a\x1F"
                                    "unit separator",
                                    "https://example.org/\x7F"
                                    "del"));

    const auto first = BuildImportFolder(root, "top");
    const QByteArray written = WriteXbel(*first);
    ASSERT_TRUE(LooksLikeXbel(written));
    const CImportResult back = ReadXbel(written);
    ASSERT_EQ(back.m_status, CImportResult::Ok) << back.m_error.toStdString();
    EXPECT_EQ(DumpImport(back.m_root),
              "E(Latin-1 caf\xC3\xA9|https://example.org/?q=a&b=<c>) "
              "F(Sub & \"quoted\" <folder>)[E(Local file|/tmp/a b/\xC3\xA4.txt) S "
              "E(Old page|http://www.example.org/x)] F(Empty)[] E(Tab here|ftp://example.org/) "
              "E(A longer name with controls & a unit separator|https://example.org/\x7F"
              "del)");
    const auto second = BuildImportFolder(back.m_root, "top");
    EXPECT_EQ(WriteXbel(*second).toStdString(), written.toStdString());
}

TEST(Xbel, RefusesWhatIsNotSafeOrNotXbel) {
    const std::string laughs = PROLOG + "<!DOCTYPE xbel [\n"
                                        " <!ENTITY a \"lol\">\n"
                                        " <!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
                                        " <!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
                                        " <!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">\n"
                                        " <!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">\n"
                                        " <!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">\n"
                                        " <!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">\n"
                                        " <!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">\n"
                                        " <!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">\n"
                                        "]>\n<xbel><bookmark href=\"http://a/\"><title>&i;</title>"
                                        "</bookmark></xbel>";
    const std::string external =
        PROLOG + "<!DOCTYPE xbel [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
                 "<xbel><bookmark href=\"http://a/\"><title>&x;</title></bookmark></xbel>";
    std::string deep = PROLOG + "<xbel>";
    for (int i = 0; i <= MaxImportDepth(); ++i)
        deep += "<folder><title>f</title>";
    deep += "<bookmark href=\"http://a/\"/>";
    for (int i = 0; i <= MaxImportDepth(); ++i)
        deep += "</folder>";
    deep += "</xbel>";
    const struct {
        const char* m_what;
        std::string m_file;
    } cases[] = {
        {"exponential entities", laughs},
        {"an external entity", external},
        {"folders nested too deep", deep},
        {"another XML document", PROLOG + "<opml><body/></opml>"},
        {"an HTML bookmark file", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=x>x</A>"},
        {"an empty document", PROLOG + "<xbel version=\"1.0\"/>"},
        {"nothing that can be kept",
         PROLOG + "<xbel><bookmark href=\"javascript:x\"><title>s</title></bookmark></xbel>"},
        {"broken before any item", PROLOG + "<xbel><bookmark href=\"http://a/\"><title>a</tit"},
        {"no bytes", ""},
    };
    for (const auto& each : cases) {
        const CImportResult result = Read(each.m_file);
        EXPECT_EQ(result.m_status, CImportResult::Failed) << each.m_what;
        EXPECT_FALSE(result.m_error.isEmpty()) << each.m_what;
        EXPECT_TRUE(result.m_root.m_children.empty()) << each.m_what;
    }
}

TEST(Xbel, KeepsWhatCameBeforeADocumentBreaksOff) {
    const CImportResult result =
        Read(PROLOG + "<xbel><bookmark href=\"http://a/\"><title>a</title></bookmark>"
                      "<folder><title>b</title><bookmark href=\"http://b/\"><title>b</title>"
                      "</bookmark><folder><bookmark href=\"http://c/\"><ti");
    ASSERT_EQ(result.m_status, CImportResult::Ok);
    EXPECT_TRUE(result.m_truncated);
    EXPECT_EQ(DumpImport(result.m_root), "E(a|http://a/) F(b)[E(b|http://b/) F(Folder)[]]");
}

TEST(Xbel, TellsXbelByItsContent) {
    const struct {
        std::string m_bytes;
        bool m_xbel;
    } cases[] = {
        {"<xbel/>", true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c -->\n<!DOCTYPE xbel>\n<xbel version=\"1.0\">",
         true},
        {"<!DOCTYPE xbel [<!ELEMENT xbel ANY>]>\r\n<xbel>", true},
        {"<xbelx/>", false},
        {"<?xml version=\"1.0\"?><opml/>", false},
        {"<!DOCTYPE NETSCAPE-Bookmark-file-1>", false},
        {"", false},
    };
    for (const auto& each : cases)
        EXPECT_EQ(LooksLikeXbel(QByteArrayView(each.m_bytes.data(),
                                               static_cast<qsizetype>(each.m_bytes.size()))),
                  each.m_xbel)
            << each.m_bytes;
}

} // namespace
