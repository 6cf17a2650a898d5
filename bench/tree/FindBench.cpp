// SPDX-License-Identifier: MIT
// The quick search over 100,000 entries (1,000 folders of 100), one keystroke
// at a time, against one plain case-sensitive substring scan of every name
// and target (std::string::find on each). Typing "rec" letter by letter: the
// first letter searches everything, the next ones the previous matches. A
// word that matches nothing searches everything. The summary prints each
// case's ratio to the scan of the same text, the time to index the tree and
// the index's memory per entry.

#include "BenchReporter.h"
#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeSearch.h"
#include "tree/TreeState.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int FOLDERS = 1000;
constexpr int PER_FOLDER = 100;
constexpr std::size_t LIMIT = 300;

const char* const WORDS[] = {
    "project", "budget", "recipe",  "travel",    "invoice",          "music",      "garden",
    "school",  "news",   "weather", "bank",      "health",           "photos",     "record",
    "design",  "report", "library", "cinema",    "sports",           "finance",    "family",
    "notes",   "market", "science", "caf\u00E9", "r\u00E9sum\u00E9", "na\u00EFve", "Stra\u00DFe",
    "Archive", "Docs",   "Manual",  "Forum",
};

// The tree and, for the reference, every name and target in tree order.
struct CFixture {
    CFixture() {
        ResetTreeState();
        m_top = StartTree(nullptr);
        std::mt19937 random(7);
        std::uniform_int_distribution<std::size_t> word(0, std::size(WORDS) - 1);
        std::uniform_int_distribution<int> number(0, 9999);
        for (int f = 0; f < FOLDERS; ++f) {
            auto folder = std::make_unique<CFolder>(std::string(WORDS[word(random)]) + " " +
                                                    std::to_string(f));
            CFolder* added = folder.get();
            m_top->Append(std::move(folder));
            m_texts.push_back({added->GetName(), std::string()});
            for (int e = 1; e < PER_FOLDER; ++e) {
                std::string name = std::string(WORDS[word(random)]) + " " + WORDS[word(random)] +
                                   " " + std::to_string(number(random));
                std::string target = "https://www." + std::string(WORDS[word(random)]) +
                                     ".example.org/" + WORDS[word(random)] + "/" +
                                     std::to_string(number(random)) + ".html";
                m_texts.push_back({name, target});
                added->Append(
                    std::make_unique<CEntry>(std::move(name), std::move(target), nullptr));
            }
        }
    }
    ~CFixture() {
        EndTree(std::move(m_top));
        ResetTreeState();
    }

    std::unique_ptr<CFolder> m_top;
    std::vector<std::pair<std::string, std::string>> m_texts;
};

CFixture& Tree() {
    static CFixture fixture;
    return fixture;
}

CTreeSearch& Index() {
    static CTreeSearch search = [] {
        CTreeSearch built;
        built.Build(*Tree().m_top);
        return built;
    }();
    return search;
}

std::size_t PlainScan(const std::string& word) {
    std::size_t found = 0;
    for (const auto& [name, target] : Tree().m_texts)
        if (name.find(word) != std::string::npos || target.find(word) != std::string::npos)
            ++found;
    return found;
}

// ---------------------------------------------------------------- cases

// Each iteration starts a new search (an empty text forgets the last one).
void Type(benchmark::State& state, const std::vector<std::string>& keystrokes) {
    CTreeSearch& search = Index();
    std::size_t total = 0;
    for (auto _ : state) {
        search.Find("", LIMIT);
        for (const std::string& text : keystrokes)
            total = search.Find(text, LIMIT).m_total;
        benchmark::DoNotOptimize(total);
    }
    state.counters["matches"] = static_cast<double>(total);
}

void Scan(benchmark::State& state, const std::vector<std::string>& keystrokes) {
    std::size_t total = 0;
    for (auto _ : state) {
        for (const std::string& text : keystrokes)
            total = PlainScan(text);
        benchmark::DoNotOptimize(total);
    }
    state.counters["matches"] = static_cast<double>(total);
}

void TypeWord(benchmark::State& state) {
    Type(state, {"r", "re", "rec"});
}
void ScanWord(benchmark::State& state) {
    Scan(state, {"r", "re", "rec"});
}
void TypeFirstLetter(benchmark::State& state) {
    Type(state, {"r"});
}
void ScanFirstLetter(benchmark::State& state) {
    Scan(state, {"r"});
}
void TypeNoMatch(benchmark::State& state) {
    Type(state, {"zqxjv"});
}
void ScanNoMatch(benchmark::State& state) {
    Scan(state, {"zqxjv"});
}

void BuildIndex(benchmark::State& state) {
    CTreeSearch search;
    for (auto _ : state) {
        search.Build(*Tree().m_top);
        benchmark::DoNotOptimize(search.GetCount());
    }
}

BENCHMARK(TypeWord)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanWord)->Unit(benchmark::kMillisecond);
BENCHMARK(TypeFirstLetter)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanFirstLetter)->Unit(benchmark::kMillisecond);
BENCHMARK(TypeNoMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanNoMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildIndex)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Index(); // built before anything is timed
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nOne keystroke against one plain scan of the same text (target within 3x):\n");
    const struct {
        const char* m_measured;
        const char* m_reference;
        int m_keystrokes;
    } pairs[] = {{"TypeWord", "ScanWord", 3},
                 {"TypeFirstLetter", "ScanFirstLetter", 1},
                 {"TypeNoMatch", "ScanNoMatch", 1}};
    for (const auto& pair : pairs) {
        const std::optional<double> ratio = reporter.Ratio(pair.m_measured, pair.m_reference);
        if (!ratio)
            continue;
        std::printf("%-16s %6.2fx   %6.2f ms per keystroke (scan %6.2f ms)\n", pair.m_measured,
                    *ratio, *reporter.Seconds(pair.m_measured) * 1e3 / pair.m_keystrokes,
                    *reporter.Seconds(pair.m_reference) * 1e3 / pair.m_keystrokes);
    }
    if (const std::optional<double> build = reporter.Seconds("BuildIndex"))
        std::printf("Indexing %zu items: %.1f ms\n", Index().GetCount(), *build * 1e3);

    std::size_t texts = 0;
    for (const auto& [name, target] : Tree().m_texts)
        texts += name.size() + target.size();
    const double items = static_cast<double>(Index().GetCount());
    std::printf("Index memory per item: %.1f bytes of records beyond the texts; the folded "
                "texts %.1f bytes (the texts themselves %.1f bytes)\n",
                static_cast<double>(Index().RecordBytes()) / items,
                static_cast<double>(Index().TextBytes()) / items,
                static_cast<double>(texts) / items);
    benchmark::Shutdown();
    return 0;
}
