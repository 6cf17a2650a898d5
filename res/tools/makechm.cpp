// SPDX-License-Identifier: MIT
// qb_makechm: packs the help pages into a compiled HTML help file.
//
//   qb_makechm <project.hhp> <output.chm>
//
// The project file is the usual INI-style help project, of which this reads
//   [OPTIONS]  Title=, Default topic=, Contents file=, Language=0x409 ...
//   [FILES]    one page (or picture, style sheet ...) per line,
// paths relative to the project file's folder. The contents file is packed
// too, whether it is listed or not.
//
// Container written (all numbers little-endian unless said otherwise):
//
//   ITSF header, version 3 (0x60 bytes): signature, version, header length,
//     timestamp, language, two fixed GUIDs, then the header section table
//     (offset and length of header section 0 and of the directory) and the
//     offset of content section 0.
//   header section 0 (0x18 bytes): 0x1FE, 0, the total file length, 0, 0.
//   the directory: an ITSP header (0x54 bytes) followed by chunks of 4096
//     bytes. Listing chunks ("PMGL") hold directory entries sorted by name,
//     case-insensitively; each entry is
//       ENCINT name length, name (UTF-8), ENCINT section, ENCINT offset, ENCINT length
//     where an ENCINT is a big-endian base-128 number whose bytes other than
//     the last have the top bit set. The end of each chunk holds the quickref
//     area, read backwards: the last WORD is the number of entries, and the
//     WORDs before it give the offsets (from the first entry) of every fifth
//     entry. With more than one listing chunk an index chunk ("PMGI") follows
//     them, naming the first entry of each listing chunk.
//   content section 0: the files' bytes, uncompressed, one after the other.
//
// Every file goes into section 0 ("Uncompressed", the only section the
// name list "::DataSpace/NameList" declares). Beside the pages the directory
// holds "/" and one entry per subfolder, "/#ITBITS" (empty) and "/#SYSTEM",
// which tells a reader the title, the default topic, the contents file and
// the language. No full-text search, index or topic tables are written:
// readers open the default topic and build the contents from the .hhc file.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t CHUNK_SIZE = 0x1000;
constexpr std::uint32_t QUICKREF_DENSITY = 2; // a quickref WORD for every 1 + (1 << 2) entries
constexpr std::uint32_t QUICKREF_STEP = 1 + (1u << QUICKREF_DENSITY);
constexpr std::uint32_t ITSF_HEADER_LENGTH = 0x60;
constexpr std::uint32_t HEADER_SECTION0_LENGTH = 0x18;
constexpr std::uint32_t ITSP_HEADER_LENGTH = 0x54;
constexpr std::uint32_t PMGL_HEADER_LENGTH = 0x14;
constexpr std::uint32_t PMGI_HEADER_LENGTH = 0x08;
constexpr std::uint32_t DEFAULT_LANGUAGE = 0x0409;

class CError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ------------------------------------------------------------------ encoding

void PutU16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutU64(Bytes& out, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutText(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void PutEncInt(Bytes& out, std::uint64_t value) {
    std::array<std::uint8_t, 10> digits{};
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(digits[--count] | 0x80));
    out.push_back(digits[0]);
}

// A GUID as stored: one DWORD, two WORDs, eight bytes.
void PutGuid(Bytes& out, std::uint32_t a, std::uint16_t b, std::uint16_t c,
             std::array<std::uint8_t, 8> d) {
    PutU32(out, a);
    PutU16(out, b);
    PutU16(out, c);
    out.insert(out.end(), d.begin(), d.end());
}

void SetU16(Bytes& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void SetU32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The directory's order: bytes compared with ASCII letters folded to lower case.
int CompareNames(std::string_view a, std::string_view b) {
    const auto fold = [](unsigned char ch) {
        return (ch >= 'A' && ch <= 'Z') ? ch + ('a' - 'A') : ch;
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = fold(static_cast<unsigned char>(a[i]));
        const int y = fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// ------------------------------------------------------------------ project

struct CProject {
    std::string m_title;
    std::string m_defaultTopic;
    std::string m_contentsFile;
    std::uint32_t m_language = DEFAULT_LANGUAGE;
    std::vector<std::string> m_files; // relative, '/'-separated, in the order listed
};

std::string Trim(std::string_view text) {
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string Lower(std::string text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return text;
}

// "sub\page.html" or "./sub/page.html" as "sub/page.html"; refuses paths that
// leave the project's folder.
std::string CleanRelative(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    const fs::path clean = fs::path(path).lexically_normal();
    std::string text = clean.generic_string();
    if (text.empty() || clean.is_absolute() || text == "." || *clean.begin() == ".." ||
        text.back() == '/')
        throw CError("not a file inside the project's folder: " + path);
    return text;
}

CProject ReadProject(const fs::path& path) {
    std::ifstream in(path);
    if (!in)
        throw CError("cannot read " + path.string());
    CProject project;
    std::string section, line;
    // The directory is looked up without regard to case: names that differ
    // only in case would be one file to a reader.
    std::map<std::string, std::string> seen; // lower case -> as listed
    const auto add = [&](const std::string& file) {
        const auto [at, added] = seen.emplace(Lower(file), file);
        if (added)
            project.m_files.push_back(file);
        else if (at->second != file)
            throw CError("two files differ only in case: " + at->second + " and " + file);
    };
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = Lower(line.substr(1, line.size() - 2));
            continue;
        }
        if (section == "options") {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string key = Lower(Trim(line.substr(0, eq)));
            const std::string value = Trim(line.substr(eq + 1));
            if (key == "title")
                project.m_title = value;
            else if (key == "default topic")
                project.m_defaultTopic = CleanRelative(value);
            else if (key == "contents file")
                project.m_contentsFile = CleanRelative(value);
            else if (key == "language")
                project.m_language =
                    static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
        } else if (section == "files") {
            add(CleanRelative(line));
        }
    }
    if (!project.m_contentsFile.empty())
        add(project.m_contentsFile);
    if (project.m_files.empty())
        throw CError(path.string() + " lists no files");
    if (project.m_defaultTopic.empty())
        project.m_defaultTopic = project.m_files.front();
    const auto topic = seen.find(Lower(project.m_defaultTopic));
    if (topic == seen.end() || topic->second != project.m_defaultTopic)
        throw CError("the default topic " + project.m_defaultTopic + " is not among the files");
    if (project.m_language == 0)
        project.m_language = DEFAULT_LANGUAGE;
    return project;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CError("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ------------------------------------------------------------------ internal files

// "/#SYSTEM": version 3, then records of (WORD code, WORD length, data).
Bytes SystemFile(const CProject& project, const std::string& stem) {
    Bytes out;
    PutU32(out, 3);
    const auto text = [&out](std::uint16_t code, const std::string& value) {
        if (value.empty())
            return;
        PutU16(out, code);
        PutU16(out, static_cast<std::uint32_t>(value.size() + 1));
        PutText(out, value);
        out.push_back(0);
    };
    // Code 4: language, DBCS, full-text search, keyword links, associative
    // links, a FILETIME and two unknown DWORDs; nothing of it is used here.
    PutU16(out, 4);
    PutU16(out, 36);
    PutU32(out, project.m_language);
    for (int i = 0; i < 4; ++i)
        PutU32(out, 0);
    PutU64(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    text(2, project.m_defaultTopic);
    text(3, project.m_title);
    text(6, stem);
    text(0, project.m_contentsFile);
    return out;
}

// "::DataSpace/NameList": its length in WORDs, the number of sections, then
// each section's name as a counted, NUL-terminated UTF-16LE string.
Bytes NameListFile() {
    const std::vector<std::string> sections = {"Uncompressed"};
    Bytes out;
    PutU16(out, 0); // patched below
    PutU16(out, static_cast<std::uint32_t>(sections.size()));
    for (const std::string& name : sections) {
        PutU16(out, static_cast<std::uint32_t>(name.size()));
        for (char ch : name)
            PutU16(out, static_cast<unsigned char>(ch));
        PutU16(out, 0);
    }
    SetU16(out, 0, static_cast<std::uint32_t>(out.size() / 2));
    return out;
}

// ------------------------------------------------------------------ directory

struct CChmEntry {
    std::string m_name;
    std::uint64_t m_section = 0;
    std::uint64_t m_offset = 0;
    std::uint64_t m_length = 0;
};

Bytes EncodeListing(const CChmEntry& e) {
    Bytes out;
    PutEncInt(out, e.m_name.size());
    PutText(out, e.m_name);
    PutEncInt(out, e.m_section);
    PutEncInt(out, e.m_offset);
    PutEncInt(out, e.m_length);
    return out;
}

std::size_t QuickrefBytes(std::size_t count) {
    return 2 * ((count + QUICKREF_STEP - 1) / QUICKREF_STEP);
}

// Lays encoded entries into chunks of CHUNK_SIZE: each chunk takes as many as
// fit beside its header and quickref area. Returns the index of the first
// entry of each chunk.
std::vector<std::size_t> SplitIntoChunks(const std::vector<Bytes>& encoded, std::size_t header) {
    std::vector<std::size_t> starts;
    std::size_t used = 0, count = 0;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const std::size_t size = encoded[i].size();
        if (header + size + QuickrefBytes(1) > CHUNK_SIZE)
            throw CError("a name is too long for a directory chunk");
        if (starts.empty() || header + used + size + QuickrefBytes(count + 1) > CHUNK_SIZE) {
            starts.push_back(i);
            used = 0;
            count = 0;
        }
        used += size;
        ++count;
    }
    return starts;
}

// One chunk: header, entries [first, last), zeros, then the quickref area.
Bytes MakeChunk(const Bytes& header, const std::vector<Bytes>& encoded, std::size_t first,
                std::size_t last) {
    Bytes chunk = header;
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = first; i < last; ++i) {
        if ((i - first) % QUICKREF_STEP == 0 && i != first)
            offsets.push_back(static_cast<std::uint32_t>(chunk.size() - header.size()));
        chunk.insert(chunk.end(), encoded[i].begin(), encoded[i].end());
    }
    const std::size_t free = CHUNK_SIZE - chunk.size();
    SetU32(chunk, 4, static_cast<std::uint32_t>(free));
    chunk.resize(CHUNK_SIZE, 0);
    std::size_t at = CHUNK_SIZE - 2;
    SetU16(chunk, at, static_cast<std::uint32_t>(last - first));
    for (std::uint32_t offset : offsets) {
        at -= 2;
        SetU16(chunk, at, offset);
    }
    return chunk;
}

Bytes Directory(const std::vector<CChmEntry>& entries, std::uint32_t language) {
    std::vector<Bytes> listing;
    listing.reserve(entries.size());
    for (const CChmEntry& e : entries)
        listing.push_back(EncodeListing(e));
    const std::vector<std::size_t> starts = SplitIntoChunks(listing, PMGL_HEADER_LENGTH);
    const auto listingChunks = static_cast<std::uint32_t>(starts.size());

    std::vector<Bytes> chunks;
    for (std::uint32_t c = 0; c < listingChunks; ++c) {
        Bytes header;
        PutText(header, "PMGL");
        PutU32(header, 0); // free space, set by MakeChunk
        PutU32(header, 0);
        PutU32(header, c == 0 ? 0xFFFFFFFFu : c - 1);
        PutU32(header, c + 1 == listingChunks ? 0xFFFFFFFFu : c + 1);
        const std::size_t last = c + 1 < listingChunks ? starts[c + 1] : entries.size();
        chunks.push_back(MakeChunk(header, listing, starts[c], last));
    }

    // With more than one listing chunk, one index chunk names the first entry
    // of each; a directory too large for that is not needed here.
    std::uint32_t depth = 1;
    std::uint32_t root = 0xFFFFFFFFu;
    if (listingChunks > 1) {
        std::vector<Bytes> index;
        for (std::uint32_t c = 0; c < listingChunks; ++c) {
            Bytes e;
            const std::string& name = entries[starts[c]].m_name;
            PutEncInt(e, name.size());
            PutText(e, name);
            PutEncInt(e, c);
            index.push_back(std::move(e));
        }
        if (SplitIntoChunks(index, PMGI_HEADER_LENGTH).size() != 1)
            throw CError("too many files for one index chunk");
        Bytes header;
        PutText(header, "PMGI");
        PutU32(header, 0);
        chunks.push_back(MakeChunk(header, index, 0, index.size()));
        depth = 2;
        root = listingChunks;
    }

    Bytes out;
    PutText(out, "ITSP");
    PutU32(out, 1);
    PutU32(out, ITSP_HEADER_LENGTH);
    PutU32(out, 0x0A);
    PutU32(out, CHUNK_SIZE);
    PutU32(out, QUICKREF_DENSITY);
    PutU32(out, depth);
    PutU32(out, root);
    PutU32(out, 0);                 // first listing chunk
    PutU32(out, listingChunks - 1); // last listing chunk
    PutU32(out, 0xFFFFFFFFu);
    PutU32(out, static_cast<std::uint32_t>(chunks.size()));
    PutU32(out, language);
    PutGuid(out, 0x5D02926A, 0x212E, 0x11D0, {0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    PutU32(out, ITSP_HEADER_LENGTH);
    PutU32(out, 0xFFFFFFFFu);
    PutU32(out, 0xFFFFFFFFu);
    PutU32(out, 0xFFFFFFFFu);
    for (const Bytes& chunk : chunks)
        out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

// ------------------------------------------------------------------ the file

// "/" + name, appended into a reserved string: GCC 12's -Wrestrict reports a
// false overlap for operator+ on a literal and a temporary string when inlined.
std::string Rooted(std::string_view name) {
    std::string rooted;
    rooted.reserve(name.size() + 1);
    rooted += '/';
    rooted += name;
    return rooted;
}

Bytes BuildChm(const CProject& project, const fs::path& folder, const std::string& stem) {
    // name -> content, in directory order.
    struct CByDirectoryOrder {
        bool operator()(const std::string& a, const std::string& b) const {
            return CompareNames(a, b) < 0;
        }
    };
    std::map<std::string, std::optional<Bytes>, CByDirectoryOrder> files; // nullopt: a folder
    const auto add = [&files](const std::string& name, std::optional<Bytes> content) {
        if (!files.emplace(name, std::move(content)).second)
            throw CError("two files named " + name);
    };
    add("/", std::nullopt);
    std::set<std::string, CByDirectoryOrder> folders;
    for (const std::string& file : project.m_files) {
        for (std::size_t slash = file.find('/'); slash != std::string::npos;
             slash = file.find('/', slash + 1))
            folders.insert(Rooted(std::string_view(file).substr(0, slash + 1)));
        add(Rooted(file), ReadFile(folder / fs::path(file)));
    }
    for (const std::string& name : folders)
        add(name, std::nullopt);
    add("/#SYSTEM", SystemFile(project, stem));
    add("/#ITBITS", Bytes{});
    add("::DataSpace/NameList", NameListFile());

    std::vector<CChmEntry> entries;
    Bytes content;
    for (const auto& [name, bytes] : files) {
        CChmEntry e{name, 0, 0, 0};
        if (bytes) {
            e.m_offset = content.size();
            e.m_length = bytes->size();
            content.insert(content.end(), bytes->begin(), bytes->end());
        }
        entries.push_back(std::move(e));
    }

    const Bytes directory = Directory(entries, project.m_language);
    const std::uint64_t directoryOffset = ITSF_HEADER_LENGTH + HEADER_SECTION0_LENGTH;
    const std::uint64_t contentOffset = directoryOffset + directory.size();
    const std::uint64_t total = contentOffset + content.size();

    Bytes out;
    PutText(out, "ITSF");
    PutU32(out, 3);
    PutU32(out, ITSF_HEADER_LENGTH);
    PutU32(out, 1);
    PutU32(out, 0); // timestamp: none, so that equal sources give equal files
    PutU32(out, project.m_language);
    PutGuid(out, 0x7C01FD10, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    PutGuid(out, 0x7C01FD11, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    PutU64(out, ITSF_HEADER_LENGTH);
    PutU64(out, HEADER_SECTION0_LENGTH);
    PutU64(out, directoryOffset);
    PutU64(out, directory.size());
    PutU64(out, contentOffset);
    // Header section 0.
    PutU32(out, 0x01FE);
    PutU32(out, 0);
    PutU64(out, total);
    PutU32(out, 0);
    PutU32(out, 0);
    out.insert(out.end(), directory.begin(), directory.end());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

// Writes beside the target and renames over it, so that a failed run never
// leaves a half-written help file that looks up to date.
void WriteFile(const fs::path& path, const Bytes& bytes) {
    fs::path temp = path;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            throw CError("cannot write " + temp.string());
        }
    }
    fs::rename(temp, path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: qb_makechm <project.hhp> <output.chm>\n";
        return 2;
    }
    try {
        const fs::path projectPath = argv[1];
        const fs::path outputPath = argv[2];
        const CProject project = ReadProject(projectPath);
        const std::string stem = Lower(outputPath.stem().string());
        WriteFile(outputPath, BuildChm(project, projectPath.parent_path(), stem));
    } catch (const std::exception& e) {
        std::cerr << "qb_makechm: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
