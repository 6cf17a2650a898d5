// SPDX-License-Identifier: MIT
// Saving and loading a generated collection through the data file, against
// the same records written and read without enciphering (the same block
// layout and buffering, the same tree code), measured in the same run. Sizes
// of 1,000, 10,000 and 100,000 entries (20 per folder, names of about 20
// bytes, addresses of about 60) show whether the time grows linearly.
//
// At the end a summary prints each case's time per entry and its ratio to the
// unenciphered reference (goal: within 2x), and the heap a loaded
// 100,000-entry tree takes per item beyond its texts (goal: under 1 KB).

#include "BenchReporter.h"
#include "store/DataFile.h"
#include "store/Settings.h"
#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int ENTRIES_PER_FOLDER = 20;
constexpr const char* PASSWORD = "secret12";

// The reference: the data file's block layout (value, filler word) with the
// same 64 KiB buffering and the same way of reading texts, but nothing
// enciphered.
class CPlainArchive final : public CArchive {
public:
    CPlainArchive(QIODevice& file, bool loading) : m_file(file), m_bLoading(loading) {}
    bool IsLoading() const override { return m_bLoading; }
    void WriteInt(std::int32_t value) override {
        const std::size_t at = m_buffer.size();
        m_buffer.resize(at + 8);
        const std::uint32_t words[2] = {static_cast<std::uint32_t>(value), m_random.Next()};
        std::memcpy(&m_buffer[at], words, 8);
        if (m_buffer.size() >= 64 * 1024)
            Flush();
    }
    std::int32_t ReadInt() override {
        if (m_nPos + 8 > m_nEnd)
            Refill();
        std::int32_t value;
        std::memcpy(&value, &m_buffer[m_nPos], 4);
        m_nPos += 8;
        return value;
    }
    void WriteString(const std::string& text) override {
        WriteInt(std::int32_t(text.size()));
        for (char c : text)
            WriteInt(static_cast<std::int8_t>(c));
    }
    // Read as the enciphering archive reads: the characters of a text are
    // taken from the buffered blocks in one loop per chunk.
    std::string ReadString() override {
        const std::int32_t count = ReadInt();
        std::string text;
        if (count <= 0)
            return text;
        text.reserve(std::size_t(count));
        std::size_t left = std::size_t(count);
        while (left > 0) {
            if (m_nPos + 8 > m_nEnd)
                Refill();
            const std::size_t n = std::min(left, (m_nEnd - m_nPos) / 8);
            const std::size_t at = text.size();
            text.resize(at + n);
            for (std::size_t i = 0; i < n; ++i)
                text[at + i] = static_cast<char>(m_buffer[m_nPos + 8 * i]);
            m_nPos += 8 * n;
            left -= n;
        }
        return text;
    }
    void Refill() {
        const std::size_t kept = m_nEnd - m_nPos;
        if (kept > 0)
            std::memmove(m_buffer.data(), m_buffer.data() + m_nPos, kept);
        m_nPos = 0;
        m_buffer.resize(64 * 1024);
        const qint64 got = m_file.read(reinterpret_cast<char*>(m_buffer.data() + kept),
                                       qint64(m_buffer.size() - kept));
        m_nEnd = kept + std::size_t(std::max<qint64>(got, 0));
        if (m_nEnd < 8)
            throw CArchiveException(CArchiveException::EndOfFile);
    }
    void Flush() {
        m_file.write(reinterpret_cast<const char*>(m_buffer.data()), qint64(m_buffer.size()));
        m_buffer.clear();
    }

private:
    QIODevice& m_file;
    bool m_bLoading;
    CLibcRandom m_random{1};
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0; // loading: bytes in m_buffer
};

// The reference save: the tree through the plain archive, as SaveTree writes it.
void SavePlain(CFolder& top, const QString& path) {
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    CPlainArchive archive(file, false);
    archive.WriteInt(DATA_FILE_VERSION);
    top.Serialize(archive);
    archive.Flush();
    file.commit();
}

std::string Text(std::mt19937& random, int length) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    std::string text(std::size_t(length), ' ');
    for (char& c : text)
        c = letters[random() % (sizeof letters - 1)];
    return text;
}

std::unique_ptr<CFolder> MakeCollection(int entries) {
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    std::mt19937 random{std::uint32_t(entries)};
    for (int made = 0; made < entries;) {
        auto folder = std::make_unique<CFolder>(Text(random, 16 + int(random() % 9)));
        CFolder* f = folder.get();
        top->Append(std::move(folder));
        for (int i = 0; i < ENTRIES_PER_FOLDER && made < entries; ++i, ++made)
            f->Append(std::make_unique<CEntry>(Text(random, 16 + int(random() % 9)),
                                               "https://" + Text(random, 44 + int(random() % 17)),
                                               nullptr));
    }
    return top;
}

// One folder per size holding the enciphered and the plain file.
struct CSite {
    QTemporaryDir m_dir;
    CDataFileState m_state;
    CSettings m_settings{nullptr}; // no settings store: nothing read or written
    QString m_plainPath;
    explicit CSite(int entries) {
        m_state.m_strFolder = m_dir.path();
        m_settings.SetPassword(PASSWORD);
        m_plainPath = m_dir.filePath(QStringLiteral("plain.dat"));
        std::unique_ptr<CFolder> top = MakeCollection(entries);
        SaveTree(*top, m_settings, m_state);
        SavePlain(*top, m_plainPath);
        EndTree(std::move(top));
    }
};
CSite& SiteFor(int entries) {
    static std::map<int, std::unique_ptr<CSite>> sites;
    auto& site = sites[entries];
    if (!site)
        site = std::make_unique<CSite>(entries);
    return *site;
}

// Times only the body (manual time): building the collection stays outside.
template <typename Body> void Run(benchmark::State& state, Body body) {
    const int entries = int(state.range(0));
    CSite& site = SiteFor(entries);
    std::unique_ptr<CFolder> top = MakeCollection(entries);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body(site, top);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
    EndTree(std::move(top));
    ResetTreeState();
    state.counters["ns_per_entry"] =
        benchmark::Counter(double(entries), benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

void BM_SaveTree(benchmark::State& state) {
    Run(state, [](CSite& site, std::unique_ptr<CFolder>& top) {
        SaveTree(*top, site.m_settings, site.m_state);
    });
}

void BM_PlainSave(benchmark::State& state) {
    Run(state,
        [](CSite& site, std::unique_ptr<CFolder>& top) { SavePlain(*top, site.m_plainPath); });
}

void BM_LoadTree(benchmark::State& state) {
    Run(state, [](CSite& site, std::unique_ptr<CFolder>& top) {
        EndTree(std::move(top));
        top = StartTree(nullptr);
        LoadTree(*top, site.m_settings, site.m_state);
    });
}

void BM_PlainLoad(benchmark::State& state) {
    Run(state, [](CSite& site, std::unique_ptr<CFolder>& top) {
        EndTree(std::move(top));
        top = StartTree(nullptr);
        QFile file(site.m_plainPath);
        file.open(QIODevice::ReadOnly);
        CPlainArchive archive(file, true);
        archive.ReadInt();
        archive.ReadInt();
        archive.ReadString();
        top->Serialize(archive);
    });
}

// Both loads include ending the previous tree, so they stay comparable.
#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK(BM_PlainSave) SIZES;
BENCHMARK(BM_SaveTree) SIZES;
BENCHMARK(BM_PlainLoad) SIZES;
BENCHMARK(BM_LoadTree) SIZES;

void CountTexts(const CItem& item, std::size_t& items, std::size_t& bytes) {
    ++items;
    bytes += item.GetName().size() + item.GetTarget().size();
    for (int i = 0; i < item.GetCount(); ++i)
        CountTexts(*item.GetChild(i), items, bytes);
}

void PrintMemoryPerItem(int entries) {
    CSite& site = SiteFor(entries);
    malloc_trim(0);
    const std::size_t before = HeapInUse();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    LoadTree(*top, site.m_settings, site.m_state);
    const std::size_t after = HeapInUse();
    std::size_t items = 0, textBytes = 0;
    CountTexts(*top, items, textBytes);
    std::printf("memory: a loaded %d-entry tree (%zu items) takes %zu bytes of heap, %.0f per item "
                "beyond its %zu text bytes (goal under 1024)\n",
                entries, items, after - before,
                (double(after - before) - double(textBytes)) / double(items), textBytes);
    EndTree(std::move(top));
    ResetTreeState();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CBenchReporter reporter(CBenchReporter::ETime::Real); // the manual time
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nsummary (enciphered / unenciphered; goal within 2x):\n");
    const std::array<std::array<const char*, 3>, 2> cases = {
        {{"save", "BM_SaveTree", "BM_PlainSave"}, {"load", "BM_LoadTree", "BM_PlainLoad"}}};
    for (const auto& [op, ourCase, plainCase] : cases) {
        for (int entries : {1000, 10000, 100000}) {
            const std::string size = std::to_string(entries);
            const std::string ours = std::string(ourCase) + "/" + size + "/manual_time";
            const std::string plain = std::string(plainCase) + "/" + size + "/manual_time";
            const std::optional<double> ratio = reporter.Ratio(ours, plain);
            if (!ratio)
                continue;
            const double seconds = *reporter.Seconds(ours);
            std::printf(
                "  %s %6d entries: %8.2f ms (%.0f ns/entry), reference %8.2f ms: ratio %.2f\n", op,
                entries, seconds * 1e3, seconds * 1e9 / entries, *reporter.Seconds(plain) * 1e3,
                *ratio);
        }
    }
    PrintMemoryPerItem(100000);
    benchmark::Shutdown();
    return 0;
}
