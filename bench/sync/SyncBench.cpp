// SPDX-License-Identifier: MIT
// The three-way merge of two 10,000-entry trees with a hundred changes on
// each side, against loading the same collection from its data file (read
// and deciphered into the tree), measured in the same run. Goal: the merge
// takes at most as long as the load (ratio at most 1x). Also shown: all
// entries in one folder (the worst case), and the merge with the copies out
// of and into the window's tree around it.

#include "BenchReporter.h"
#include "store/DataRecords.h"
#include "sync/PlainTree.h"
#include "sync/TreeMerge.h"
#include "tree/Item.h"
#include "tree/Tree.h"

#include <QBuffer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

constexpr int FOLDERS = 500; // 20 entries each
constexpr int PER_FOLDER = 20;
constexpr const char* PASSWORD = "secret12";

CPlainItem Collection() {
    CPlainItem top = EmptyPlainTree();
    for (int f = 0; f < FOLDERS; ++f) {
        CPlainItem folder{CPlainItem::EKind::Folder, "Folder " + std::to_string(f), {}, {}};
        for (int e = 0; e < PER_FOLDER; ++e) {
            const std::string n = std::to_string(f * PER_FOLDER + e);
            folder.m_children.push_back(
                CPlainItem{CPlainItem::EKind::Entry,
                           "Bookmark " + n,
                           "https://www.example.org/articles/" + n + "/index.html?from=bookmarks",
                           {}});
        }
        top.m_children.push_back(std::move(folder));
    }
    return top;
}

// A hundred changes: additions, deletions and renames in random folders.
CPlainItem Changed(const CPlainItem& base, unsigned seed) {
    CPlainItem tree = base;
    std::mt19937 random(seed);
    for (int i = 0; i < 100; ++i) {
        auto& folder = tree.m_children[random() % tree.m_children.size()].m_children;
        if (i % 3 == 0)
            folder.push_back(CPlainItem{CPlainItem::EKind::Entry,
                                        "New " + std::to_string(seed + i),
                                        "https://new.example.org/",
                                        {}});
        else if (i % 3 == 1 && !folder.empty())
            folder.erase(folder.begin() + static_cast<long>(random() % folder.size()));
        else if (!folder.empty())
            folder[random() % folder.size()].m_name += " (renamed)";
    }
    return tree;
}

const CPlainItem& Base() {
    static const CPlainItem base = Collection();
    return base;
}

void BM_LoadDataFile(benchmark::State& state) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WritePlainTree(buffer, PASSWORD, Base());
    buffer.close();
    for (auto _ : state) {
        buffer.open(QIODevice::ReadOnly);
        std::unique_ptr<CFolder> top = StartTree(nullptr);
        ReadTreeRecords(buffer, PASSWORD, *top);
        benchmark::DoNotOptimize(top->GetCount());
        EndTree(std::move(top));
        buffer.close();
    }
}
BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond);

void BM_MergeTrees(benchmark::State& state) {
    const CPlainItem mine = Changed(Base(), 1), theirs = Changed(Base(), 2);
    for (auto _ : state) {
        CMergeResult result = MergeTrees(Base(), mine, theirs);
        benchmark::DoNotOptimize(result.m_tree.m_children.size());
    }
}
BENCHMARK(BM_MergeTrees)->Unit(benchmark::kMillisecond);

// The worst case for matching: all 10,000 entries in one folder, so no
// folder is left untouched by both sides.
void BM_MergeOneFolder(benchmark::State& state) {
    CPlainItem flat = EmptyPlainTree();
    CPlainItem only{CPlainItem::EKind::Folder, "All", {}, {}};
    for (const CPlainItem& folder : Base().m_children)
        only.m_children.insert(only.m_children.end(), folder.m_children.begin(),
                               folder.m_children.end());
    flat.m_children.push_back(std::move(only));
    const CPlainItem mine = Changed(flat, 1), theirs = Changed(flat, 2);
    for (auto _ : state) {
        CMergeResult result = MergeTrees(flat, mine, theirs);
        benchmark::DoNotOptimize(result.m_tree.m_children.size());
    }
}
BENCHMARK(BM_MergeOneFolder)->Unit(benchmark::kMillisecond);

// What the window does around the merge: its tree copied out and the merged
// one put in.
void BM_MergeWithCopies(benchmark::State& state) {
    const CPlainItem mine = Changed(Base(), 1), theirs = Changed(Base(), 2);
    std::unique_ptr<CFolder> shown = StartTree(nullptr);
    AppendPlainChildren(*shown, mine);
    for (auto _ : state) {
        CMergeResult result = MergeTrees(Base(), PlainCopy(*shown), theirs);
        CFolder merged(ROOT_FOLDER_NAME);
        AppendPlainChildren(merged, result.m_tree);
        benchmark::DoNotOptimize(merged.GetCount());
    }
    EndTree(std::move(shown));
}
BENCHMARK(BM_MergeWithCopies)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%d entries, 100 changes on each side:\n", FOLDERS * PER_FOLDER);
    for (const char* name : {"BM_MergeTrees", "BM_MergeOneFolder", "BM_MergeWithCopies"})
        if (const auto ratio = reporter.Ratio(name, "BM_LoadDataFile"))
            std::printf("  %-20s %.2fx loading the data file (goal: at most 1x)\n", name, *ratio);
    benchmark::Shutdown();
    return 0;
}
