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

struct DirEntry {
    std::string name;
    std::uint64_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

class Cursor {
public:
    Cursor(const Bytes& bytes, std::size_t at, std::size_t end)
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

struct Chm {
    Bytes bytes;
    std::uint64_t contentOffset = 0;
    std::uint32_t depth = 0;
    std::vector<std::vector<DirEntry>> chunks;                // listing chunks in chain order
    std::vector<std::pair<std::string, std::uint32_t>> index; // PMGI: first name -> chunk

    std::vector<DirEntry> Entries() const {
        std::vector<DirEntry> all;
        for (const auto& chunk : chunks)
            all.insert(all.end(), chunk.begin(), chunk.end());
        return all;
    }
    const DirEntry* Find(std::string_view name) const {
        for (const auto& chunk : chunks)
            for (const DirEntry& e : chunk)
                if (Folded(e.name) == Folded(name))
                    return &e;
        return nullptr;
    }
    Bytes Content(const DirEntry& e) const {
        return bytes.substr(contentOffset + e.offset, e.length);
    }
};

// The entries between the chunk's header and its free area, checked against
// the quickref area at the chunk's end: the entry count in the last WORD,
// before it the offset of every fifth entry from the first.
std::vector<std::size_t> ChunkEntryStarts(const Bytes& bytes, std::size_t chunk, std::uint32_t size,
                                          std::size_t header, std::uint32_t freeSpace,
                                          std::uint32_t step,
                                          const std::function<void(Cursor&)>& readEntry) {
    Require(freeSpace >= 2 && freeSpace <= size - header, "free space out of range");
    Cursor c(bytes, chunk + header, chunk + size - freeSpace);
    std::vector<std::size_t> starts;
    while (!c.AtEnd()) {
        starts.push_back(c.At() - chunk - header);
        readEntry(c);
    }
    Require(c.At() == chunk + size - freeSpace, "the last entry runs into the free area");
    Cursor tail(bytes, chunk + size - 2, chunk + size);
    Require(tail.U16() == starts.size(), "quickref entry count");
    const std::size_t quickrefs = (starts.size() + step - 1) / step; // count WORD included
    Require(2 * quickrefs <= freeSpace, "quickref area larger than the free area");
    for (std::size_t k = 1; k < quickrefs; ++k) {
        Cursor q(bytes, chunk + size - 2 - 2 * k, chunk + size);
        Require(q.U16() == starts[k * step],
                "quickref offset of entry " + std::to_string(k * step));
    }
    return starts;
}

// Reads the headers and the directory in file order, checking each field as
// it comes.
// NOLINTNEXTLINE(readability-function-size): one pass over the file's layout
Chm ReadChm(const fs::path& path) {
    Chm chm;
    chm.bytes = ReadBytes(path);
    const Bytes& b = chm.bytes;

    Cursor h(b, 0, b.size());
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
    chm.contentOffset = h.U64();
    Require(h.U32() == 0x1FE && h.U32() == 0, "header section 0 start");
    Require(h.U64() == b.size(), "recorded file length");

    Cursor d(b, dirOffset, b.size());
    Require(d.Text(4) == "ITSP" && d.U32() == 1 && d.U32() == 0x54, "ITSP header");
    d.U32();
    const std::uint32_t chunkSize = d.U32();
    const std::uint32_t step = 1 + (1u << d.U32());
    chm.depth = d.U32();
    const std::uint32_t root = d.U32();
    const std::uint32_t first = d.U32();
    const std::uint32_t last = d.U32();
    d.U32();
    const std::uint32_t count = d.U32();
    Require(chunkSize >= 0x100 && dirLength == 0x54 + std::uint64_t(count) * chunkSize,
            "directory length");
    Require(chm.contentOffset == dirOffset + dirLength && chm.contentOffset <= b.size(),
            "content section 0 right after the directory");
    const auto chunkAt = [&](std::uint32_t n) {
        Require(n < count, "chunk number out of range");
        return static_cast<std::size_t>(dirOffset + 0x54 + std::uint64_t(n) * chunkSize);
    };

    std::uint32_t prev = 0xFFFFFFFFu;
    std::string previousName;
    for (std::uint32_t n = first; n != 0xFFFFFFFFu;) {
        Require(chm.chunks.size() < count, "the chunk chain loops");
        const std::size_t at = chunkAt(n);
        Cursor c(b, at, at + chunkSize);
        Require(c.Text(4) == "PMGL", "PMGL signature");
        const std::uint32_t freeSpace = c.U32();
        c.U32();
        Require(c.U32() == prev, "previous chunk link");
        const std::uint32_t next = c.U32();
        std::vector<DirEntry> entries;
        ChunkEntryStarts(b, at, chunkSize, 0x14, freeSpace, step, [&](Cursor& e) {
            DirEntry entry;
            entry.name = e.Text(e.EncInt());
            entry.section = e.EncInt();
            entry.offset = e.EncInt();
            entry.length = e.EncInt();
            Require(previousName.empty() || Folded(previousName) < Folded(entry.name),
                    "names out of order at " + entry.name);
            previousName = entry.name;
            entries.push_back(entry);
        });
        Require(!entries.empty(), "an empty listing chunk");
        chm.chunks.push_back(std::move(entries));
        if (next == 0xFFFFFFFFu)
            Require(n == last, "the chain ends before the last listing chunk");
        prev = n;
        n = next;
    }

    if (chm.depth == 1) {
        Require(root == 0xFFFFFFFFu && chm.chunks.size() == 1 && count == 1,
                "single chunk directory");
    } else {
        Require(chm.depth == 2, "index depth");
        const std::size_t at = chunkAt(root);
        Cursor c(b, at, at + chunkSize);
        Require(c.Text(4) == "PMGI", "PMGI signature");
        const std::uint32_t freeSpace = c.U32();
        ChunkEntryStarts(b, at, chunkSize, 0x08, freeSpace, step, [&](Cursor& e) {
            std::string name = e.Text(e.EncInt());
            chm.index.emplace_back(std::move(name), static_cast<std::uint32_t>(e.EncInt()));
        });
    }

    for (const DirEntry& e : chm.Entries())
        Require(e.section == 0 && chm.contentOffset + e.offset + e.length <= b.size(),
                "entry outside content section 0: " + e.name);
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
std::map<int, Bytes> SystemRecords(const Chm& chm) {
    const DirEntry* system = chm.Find("/#SYSTEM");
    Require(system != nullptr, "no /#SYSTEM");
    const Bytes data = chm.Content(*system);
    Cursor c(data, 0, data.size());
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

class BuiltHelpFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_chm = ReadChm(QB_HELP_CHM); }
    static Chm s_chm;
};
Chm BuiltHelpFile::s_chm;

TEST_F(BuiltHelpFile, holdsEveryFileOfTheProjectByteForByte) {
    const fs::path source = QB_HELP_SOURCE;
    const std::vector<std::string> files = ProjectFiles(source / "quillbox.hhp");
    ASSERT_GE(files.size(), 3u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const DirEntry* e = s_chm.Find("/" + file);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->name, "/" + file);
        EXPECT_TRUE(s_chm.Content(*e) == ReadBytes(source / file)) << "bytes differ";
    }
    ASSERT_NE(s_chm.Find("/"), nullptr);
}

TEST_F(BuiltHelpFile, systemNamesTheDefaultTopicTitleAndContentsThatItHolds) {
    const std::map<int, Bytes> records = SystemRecords(s_chm);
    ASSERT_TRUE(records.count(2) && records.count(3) && records.count(0) && records.count(4));
    EXPECT_EQ(records.at(2), std::string("index.html\0", 11)); // NUL-terminated
    EXPECT_EQ(records.at(3), std::string("Quillbox Help\0", 14));
    EXPECT_EQ(records.at(0), std::string("toc.hhc\0", 8));
    EXPECT_NE(s_chm.Find("/" + std::string(records.at(2).c_str())), nullptr);
    EXPECT_NE(s_chm.Find("/" + std::string(records.at(0).c_str())), nullptr);
    Cursor language(records.at(4), 0, records.at(4).size());
    EXPECT_EQ(language.U32(), 0x409u);

    // The one section the name list declares: section 0, uncompressed.
    const DirEntry* names = s_chm.Find("::DataSpace/NameList");
    ASSERT_NE(names, nullptr);
    const Bytes list = s_chm.Content(*names);
    Cursor c(list, 0, list.size());
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
TEST_F(BuiltHelpFile, everyLinkAndPictureOfThePagesIsInside) {
    static const std::regex reference(
        R"re((?:href|src)="([^"]*)"|name="Local"\s+value="([^"]*)")re", std::regex::icase);
    std::vector<std::string> broken;
    int checked = 0;
    for (const DirEntry& e : s_chm.Entries()) {
        if (e.name.ends_with(".html") || e.name.ends_with(".hhc")) {
            const Bytes page = s_chm.Content(e);
            for (std::sregex_iterator it(page.begin(), page.end(), reference), end; it != end;
                 ++it) {
                std::string target = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
                target = target.substr(0, target.find('#'));
                if (target.empty() || target.find(':') != std::string::npos)
                    continue;
                ++checked;
                if (!s_chm.Find("/" + target))
                    broken.push_back(e.name + " -> " + target);
            }
        }
    }
    EXPECT_GT(checked, 10);
    EXPECT_TRUE(broken.empty()) << ::testing::PrintToString(broken);
}

// ------------------------------------------------------------------ qb_makechm itself

class MakeChm : public ::testing::Test {
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

TEST_F(MakeChm, manyFilesSpreadOverListingChunksUnderAnIndex) {
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
    Chm chm;
    ASSERT_NO_THROW(chm = ReadChm(m_dir / "many.chm"));
    EXPECT_EQ(chm.depth, 2u);
    ASSERT_GE(chm.chunks.size(), 3u);
    ASSERT_EQ(chm.index.size(), chm.chunks.size());
    for (std::size_t n = 0; n < chm.chunks.size(); ++n) {
        EXPECT_EQ(chm.index[n].first, chm.chunks[n].front().name);
        EXPECT_EQ(chm.index[n].second, n);
    }
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const DirEntry* e = chm.Find("/" + name);
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(chm.Content(*e) == bytes);
    }
    EXPECT_NE(chm.Find("/pics/"), nullptr);

    // Equal sources give equal files.
    fs::create_directory(m_dir / "again");
    ASSERT_EQ(Run(m_dir / "src" / "many.hhp", m_dir / "again" / "many.chm"), 0);
    EXPECT_TRUE(ReadBytes(m_dir / "many.chm") == ReadBytes(m_dir / "again" / "many.chm"));
}

TEST_F(MakeChm, refusesWhatItCannotPackFaithfullyAndWritesNothing) {
    struct Case {
        const char* what;
        const char* files; // [FILES] lines
        const char* topic;
    };
    const Case cases[] = {
        {"a listed file is missing", "a.html\nmissing.html\n", "a.html"},
        {"the default topic is not listed", "a.html\n", "b.html"},
        {"a path leaves the project folder", "a.html\n../outside.html\n", "a.html"},
        {"two names differ only in case", "a.html\nA.html\n", "a.html"},
    };
    WriteBytes(m_dir / "src" / "a.html", "<p>a</p>");
    WriteBytes(m_dir / "src" / "A.html", "<p>A</p>");
    WriteBytes(m_dir / "outside.html", "<p>outside</p>");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(m_dir / "src" / "p.hhp",
                   std::string("[OPTIONS]\nDefault topic=") + c.topic + "\n[FILES]\n" + c.files);
        EXPECT_NE(Run(m_dir / "src" / "p.hhp", m_dir / "p.chm"), 0);
        EXPECT_FALSE(fs::exists(m_dir / "p.chm"));
        EXPECT_FALSE(fs::exists(m_dir / "p.chm.part"));
    }
}

} // namespace
