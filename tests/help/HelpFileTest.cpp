// SPDX-License-Identifier: MIT
// The help file as the build makes it (quillbox.chm next to the program) and
// qb_makechm on generated folders, read back by a small reader of the
// compiled help container that checks every structural field on the way:
// the ITSF header and its length record, the ITSP directory header, the
// chain of PMGL listing chunks with their free-space and quickref areas,
// the PMGI index when there is one, and the sort order of the names.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void Require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error(what);
}

std::string Folded(std::string_view name) {
    std::string out(name);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

// ------------------------------------------------------------------ reader

struct CDirEntry {
    std::string m_name;
    std::uint64_t m_section = 0;
    std::uint64_t m_offset = 0;
    std::uint64_t m_length = 0;
};

class CCursor {
public:
    CCursor(const Bytes& bytes, std::size_t at, std::size_t end)
        : m_bytes(bytes), m_at(at), m_end(end) {}

    std::uint64_t Le(int size) {
        Require(m_at + size <= m_end, "read past the end");
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= std::uint64_t(static_cast<unsigned char>(m_bytes[m_at + i])) << (8 * i);
        m_at += size;
        return value;
    }
    std::uint32_t U16() { return static_cast<std::uint32_t>(Le(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
    std::uint64_t U64() { return Le(8); }
    std::string Text(std::size_t size) {
        Require(m_at + size <= m_end, "text past the end");
        std::string text = m_bytes.substr(m_at, size);
        m_at += size;
        return text;
    }
    std::uint64_t EncInt() {
        std::uint64_t value = 0;
        for (int i = 0; i < 10; ++i) {
            const auto byte = static_cast<std::uint64_t>(Le(1));
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0)
                return value;
        }
        throw std::runtime_error("an ENCINT longer than ten bytes");
    }
    std::size_t At() const { return m_at; }
    bool AtEnd() const { return m_at >= m_end; }

private:
    const Bytes& m_bytes;
    std::size_t m_at;
    std::size_t m_end;
};

struct CChm {
    Bytes m_bytes;
    std::uint64_t m_contentOffset = 0;
    std::uint32_t m_depth = 0;
    std::vector<std::vector<CDirEntry>> m_chunks;               // listing chunks in chain order
    std::vector<std::pair<std::string, std::uint32_t>> m_index; // PMGI: first name -> chunk

    std::vector<CDirEntry> Entries() const {
        std::vector<CDirEntry> all;
        for (const auto& chunk : m_chunks)
            all.insert(all.end(), chunk.begin(), chunk.end());
        return all;
    }
    const CDirEntry* Find(std::string_view name) const {
        for (const auto& chunk : m_chunks)
            for (const CDirEntry& e : chunk)
                if (Folded(e.m_name) == Folded(name))
                    return &e;
        return nullptr;
    }
    Bytes Content(const CDirEntry& e) const {
        return m_bytes.substr(m_contentOffset + e.m_offset, e.m_length);
    }
};

// The entries between the chunk's header and its free area, checked against
// the quickref area at the chunk's end: the entry count in the last WORD,
// before it the offset of every fifth entry from the first.
std::vector<std::size_t> ChunkEntryStarts(const Bytes& bytes, std::size_t chunk, std::uint32_t size,
                                          std::size_t header, std::uint32_t freeSpace,
                                          std::uint32_t step,
                                          const std::function<void(CCursor&)>& readEntry) {
    Require(freeSpace >= 2 && freeSpace <= size - header, "free space out of range");
    CCursor c(bytes, chunk + header, chunk + size - freeSpace);
    std::vector<std::size_t> starts;
    while (!c.AtEnd()) {
        starts.push_back(c.At() - chunk - header);
        readEntry(c);
    }
    Require(c.At() == chunk + size - freeSpace, "the last entry runs into the free area");
    CCursor tail(bytes, chunk + size - 2, chunk + size);
    Require(tail.U16() == starts.size(), "quickref entry count");
    const std::size_t quickrefs = (starts.size() + step - 1) / step; // count WORD included
    Require(2 * quickrefs <= freeSpace, "quickref area larger than the free area");
    for (std::size_t k = 1; k < quickrefs; ++k) {
        CCursor q(bytes, chunk + size - 2 - 2 * k, chunk + size);
        Require(q.U16() == starts[k * step],
                "quickref offset of entry " + std::to_string(k * step));
    }
    return starts;
}

// Reads the headers and the directory in file order, checking each field as
// it comes.
// NOLINTNEXTLINE(readability-function-size): one pass over the file's layout
CChm ReadChm(const fs::path& path) {
    CChm chm;
    chm.m_bytes = ReadBytes(path);
    const Bytes& b = chm.m_bytes;

    CCursor h(b, 0, b.size());
    Require(h.Text(4) == "ITSF", "ITSF signature");
    Require(h.U32() == 3, "ITSF version");
    Require(h.U32() == 0x60, "ITSF header length");
    h.U32();
    h.U32();    // timestamp
    h.U32();    // language
    h.Text(32); // two GUIDs
    Require(h.U64() == 0x60 && h.U64() == 0x18, "header section 0 place");
    const std::uint64_t dirOffset = h.U64();
    const std::uint64_t dirLength = h.U64();
    chm.m_contentOffset = h.U64();
    Require(h.U32() == 0x1FE && h.U32() == 0, "header section 0 start");
    Require(h.U64() == b.size(), "recorded file length");

    CCursor d(b, dirOffset, b.size());
    Require(d.Text(4) == "ITSP" && d.U32() == 1 && d.U32() == 0x54, "ITSP header");
    d.U32();
    const std::uint32_t chunkSize = d.U32();
    const std::uint32_t step = 1 + (1u << d.U32());
    chm.m_depth = d.U32();
    const std::uint32_t root = d.U32();
    const std::uint32_t first = d.U32();
    const std::uint32_t last = d.U32();
    d.U32();
    const std::uint32_t count = d.U32();
    Require(chunkSize >= 0x100 && dirLength == 0x54 + std::uint64_t(count) * chunkSize,
            "directory length");
    Require(chm.m_contentOffset == dirOffset + dirLength && chm.m_contentOffset <= b.size(),
            "content section 0 right after the directory");
    const auto chunkAt = [&](std::uint32_t n) {
        Require(n < count, "chunk number out of range");
        return static_cast<std::size_t>(dirOffset + 0x54 + std::uint64_t(n) * chunkSize);
    };

    std::uint32_t prev = 0xFFFFFFFFu;
    std::string previousName;
    for (std::uint32_t n = first; n != 0xFFFFFFFFu;) {
        Require(chm.m_chunks.size() < count, "the chunk chain loops");
        const std::size_t at = chunkAt(n);
        CCursor c(b, at, at + chunkSize);
        Require(c.Text(4) == "PMGL", "PMGL signature");
        const std::uint32_t freeSpace = c.U32();
        c.U32();
        Require(c.U32() == prev, "previous chunk link");
        const std::uint32_t next = c.U32();
        std::vector<CDirEntry> entries;
        ChunkEntryStarts(b, at, chunkSize, 0x14, freeSpace, step, [&](CCursor& e) {
            CDirEntry entry;
            entry.m_name = e.Text(e.EncInt());
            entry.m_section = e.EncInt();
            entry.m_offset = e.EncInt();
            entry.m_length = e.EncInt();
            Require(previousName.empty() || Folded(previousName) < Folded(entry.m_name),
                    "names out of order at " + entry.m_name);
            previousName = entry.m_name;
            entries.push_back(entry);
        });
        Require(!entries.empty(), "an empty listing chunk");
        chm.m_chunks.push_back(std::move(entries));
        if (next == 0xFFFFFFFFu)
            Require(n == last, "the chain ends before the last listing chunk");
        prev = n;
        n = next;
    }

    if (chm.m_depth == 1) {
        Require(root == 0xFFFFFFFFu && chm.m_chunks.size() == 1 && count == 1,
                "single chunk directory");
    } else {
        Require(chm.m_depth == 2, "index depth");
        const std::size_t at = chunkAt(root);
        CCursor c(b, at, at + chunkSize);
        Require(c.Text(4) == "PMGI", "PMGI signature");
        const std::uint32_t freeSpace = c.U32();
        ChunkEntryStarts(b, at, chunkSize, 0x08, freeSpace, step, [&](CCursor& e) {
            std::string name = e.Text(e.EncInt());
            chm.m_index.emplace_back(std::move(name), static_cast<std::uint32_t>(e.EncInt()));
        });
    }

    for (const CDirEntry& e : chm.Entries())
        Require(e.m_section == 0 && chm.m_contentOffset + e.m_offset + e.m_length <= b.size(),
                "entry outside content section 0: " + e.m_name);
    return chm;
}

// [FILES] of a help project, with the contents file.
std::vector<std::string> ProjectFiles(const fs::path& hhp) {
    std::ifstream in(hhp);
    std::vector<std::string> files;
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[')
            section = line;
        else if (section == "[FILES]")
            files.push_back(line);
        else if (line.rfind("Contents file=", 0) == 0)
            files.push_back(line.substr(14));
    }
    return files;
}

// #SYSTEM: version 3, then (code, length, data) records.
std::map<int, Bytes> SystemRecords(const CChm& chm) {
    const CDirEntry* system = chm.Find("/#SYSTEM");
    Require(system != nullptr, "no /#SYSTEM");
    const Bytes data = chm.Content(*system);
    CCursor c(data, 0, data.size());
    Require(c.U32() == 3, "#SYSTEM version");
    std::map<int, Bytes> records;
    while (!c.AtEnd()) {
        const int code = static_cast<int>(c.U16());
        records[code] = c.Text(c.U16());
    }
    return records;
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

// ------------------------------------------------------------------ the built help file

class BuiltHelpFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_chm = ReadChm(QB_HELP_CHM); }
    static CChm g_chm;
};
CChm BuiltHelpFileTest::g_chm;

TEST_F(BuiltHelpFileTest, holdsEveryFileOfTheProjectByteForByte) {
    const fs::path source = QB_HELP_SOURCE;
    const std::vector<std::string> files = ProjectFiles(source / "quillbox.hhp");
    ASSERT_GE(files.size(), 3u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const CDirEntry* e = g_chm.Find("/" + file);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_name, "/" + file);
        EXPECT_TRUE(g_chm.Content(*e) == ReadBytes(source / file)) << "bytes differ";
    }
    ASSERT_NE(g_chm.Find("/"), nullptr);
}

TEST_F(BuiltHelpFileTest, systemNamesTheDefaultTopicTitleAndContentsThatItHolds) {
    const std::map<int, Bytes> records = SystemRecords(g_chm);
    ASSERT_TRUE(records.count(2) && records.count(3) && records.count(0) && records.count(4));
    EXPECT_EQ(records.at(2), std::string("index.html\0", 11)); // NUL-terminated
    EXPECT_EQ(records.at(3), std::string("Quillbox Help\0", 14));
    EXPECT_EQ(records.at(0), std::string("toc.hhc\0", 8));
    EXPECT_NE(g_chm.Find("/" + std::string(records.at(2).c_str())), nullptr);
    EXPECT_NE(g_chm.Find("/" + std::string(records.at(0).c_str())), nullptr);
    CCursor language(records.at(4), 0, records.at(4).size());
    EXPECT_EQ(language.U32(), 0x409u);

    // The one section the name list declares: section 0, uncompressed.
    const CDirEntry* names = g_chm.Find("::DataSpace/NameList");
    ASSERT_NE(names, nullptr);
    const Bytes list = g_chm.Content(*names);
    CCursor c(list, 0, list.size());
    EXPECT_EQ(c.U16() * 2, list.size());
    ASSERT_EQ(c.U16(), 1u);
    const std::uint32_t length = c.U16();
    std::string name;
    for (std::uint32_t i = 0; i < length; ++i)
        name += static_cast<char>(c.U16());
    EXPECT_EQ(name, "Uncompressed");
    EXPECT_EQ(c.U16(), 0u);
}

// A broken link or a missing picture would show as an error page in a viewer.
TEST_F(BuiltHelpFileTest, everyLinkAndPictureOfThePagesIsInside) {
    static const std::regex reference(
        R"re((?:href|src)="([^"]*)"|name="Local"\s+value="([^"]*)")re", std::regex::icase);
    std::vector<std::string> broken;
    int checked = 0;
    for (const CDirEntry& e : g_chm.Entries()) {
        if (e.m_name.ends_with(".html") || e.m_name.ends_with(".hhc")) {
            const Bytes page = g_chm.Content(e);
            for (std::sregex_iterator it(page.begin(), page.end(), reference), end; it != end;
                 ++it) {
                std::string target = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
                target = target.substr(0, target.find('#'));
                if (target.empty() || target.find(':') != std::string::npos)
                    continue;
                ++checked;
                if (!g_chm.Find("/" + target))
                    broken.push_back(e.m_name + " -> " + target);
            }
        }
    }
    EXPECT_GT(checked, 10);
    EXPECT_TRUE(broken.empty()) << ::testing::PrintToString(broken);
}

// ------------------------------------------------------------------ qb_makechm itself

class MakeChmTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qb-makechm-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs the tool; its exit code.
    int Run(const fs::path& hhp, const fs::path& out) const {
        const std::string command = Quote(QB_MAKECHM) + " " + Quote(hhp) + " " + Quote(out) +
                                    " 2>" + Quote(m_dir / "stderr");
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
};

TEST_F(MakeChmTest, manyFilesSpreadOverListingChunksUnderAnIndex) {
    std::map<std::string, Bytes> files;
    for (int i = 0; i < 500; ++i) {
        // Mixed case, so that the order must fold it.
        const std::string name = (i % 2 ? "Page-" : "page-") + std::to_string(1000 + i) + ".html";
        files[name] =
            "<p>page " + std::to_string(i) + "</p>" + Bytes(static_cast<std::size_t>(i * 7), 'x');
    }
    files["pics/Picture.png"] = Bytes("\x89PNG\r\n\x1a\n\0\0\xff", 11);
    files["empty.txt"] = "";
    std::string hhp = "[OPTIONS]\nTitle=Many\nDefault topic=page-1000.html\n\n[FILES]\n";
    for (const auto& [name, bytes] : files) {
        WriteBytes(m_dir / "src" / name, bytes);
        hhp += name + "\n";
    }
    WriteBytes(m_dir / "src" / "many.hhp", hhp);

    ASSERT_EQ(Run(m_dir / "src" / "many.hhp", m_dir / "many.chm"), 0)
        << ReadBytes(m_dir / "stderr");
    CChm chm;
    ASSERT_NO_THROW(chm = ReadChm(m_dir / "many.chm"));
    EXPECT_EQ(chm.m_depth, 2u);
    ASSERT_GE(chm.m_chunks.size(), 3u);
    ASSERT_EQ(chm.m_index.size(), chm.m_chunks.size());
    for (std::size_t n = 0; n < chm.m_chunks.size(); ++n) {
        EXPECT_EQ(chm.m_index[n].first, chm.m_chunks[n].front().m_name);
        EXPECT_EQ(chm.m_index[n].second, n);
    }
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const CDirEntry* e = chm.Find("/" + name);
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(chm.Content(*e) == bytes);
    }
    EXPECT_NE(chm.Find("/pics/"), nullptr);

    // Equal sources give equal files.
    fs::create_directory(m_dir / "again");
    ASSERT_EQ(Run(m_dir / "src" / "many.hhp", m_dir / "again" / "many.chm"), 0);
    EXPECT_TRUE(ReadBytes(m_dir / "many.chm") == ReadBytes(m_dir / "again" / "many.chm"));
}

TEST_F(MakeChmTest, refusesWhatItCannotPackFaithfullyAndWritesNothing) {
    struct CCase {
        const char* m_what;
        const char* m_files; // [FILES] lines
        const char* m_topic;
    };
    const CCase cases[] = {
        {"a listed file is missing", "a.html\nmissing.html\n", "a.html"},
        {"the default topic is not listed", "a.html\n", "b.html"},
        {"a path leaves the project folder", "a.html\n../outside.html\n", "a.html"},
        {"two names differ only in case", "a.html\nA.html\n", "a.html"},
    };
    WriteBytes(m_dir / "src" / "a.html", "<p>a</p>");
    WriteBytes(m_dir / "src" / "A.html", "<p>A</p>");
    WriteBytes(m_dir / "outside.html", "<p>outside</p>");
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.m_what);
        WriteBytes(m_dir / "src" / "p.hhp", std::string("[OPTIONS]\nDefault topic=") + c.m_topic +
                                                "\n[FILES]\n" + c.m_files);
        EXPECT_NE(Run(m_dir / "src" / "p.hhp", m_dir / "p.chm"), 0);
        EXPECT_FALSE(fs::exists(m_dir / "p.chm"));
        EXPECT_FALSE(fs::exists(m_dir / "p.chm.part"));
    }
}

} // namespace
