// SPDX-License-Identifier: MIT
// Undoable edits against the tree operations that do the same work alone:
// deleting a folder of 10,000 entries and undoing it (against taking it out
// and putting it back), and moving one entry in a folder of 10,000 rows and
// back (against the same take and insert). The columns are bound, so both
// sides relist what the user would see. Then the memory the history keeps
// for a deleted folder, per item, beside an item's own size. And Sort by
// Name of a folder of 10,000 entries, beside a plain byte sort of the names.

#include "BenchReporter.h"
#include "BenchTree.h"
#include "edit/NameOrder.h"
#include "edit/TreeEditor.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/ListOutput.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::CVectorList;
using bench::NameOf;

constexpr int ITEMS = 10000;

void Fill(CFolder& folder, int count) {
    for (int i = 0; i < count; ++i)
        folder.Append(
            std::make_unique<CEntry>(NameOf(i), "http://example.org/" + NameOf(i), nullptr));
}

// Root: an entry, folder F with ITEMS entries (selected, so the middle column
// lists it), another entry.
struct CDeleteFixture {
    CDeleteFixture() {
        ResetTreeState();
        m_top = StartTree(nullptr);
        m_top->Append(std::make_unique<CEntry>("before", "http://before", nullptr));
        auto folder = std::make_unique<CFolder>("F");
        Fill(*folder, ITEMS);
        m_top->Append(std::move(folder));
        m_top->Append(std::make_unique<CEntry>("after", "http://after", nullptr));
        BindColumns(g_pFirstLevel, m_top.get(), &m_left, &m_middle, &m_right);
        m_top->Select(1);
        m_editor.SetTop(m_top.get());
    }
    ~CDeleteFixture() {
        m_editor.SetTop(nullptr);
        for (CVectorList* list : {&m_left, &m_middle, &m_right})
            list->SetObserver(nullptr);
        EndTree(std::move(m_top));
        ResetTreeState();
    }
    std::unique_ptr<CFolder> m_top;
    CVectorList m_left, m_middle, m_right;
    CTreeEditor m_editor;
};

void DeleteAndUndo(benchmark::State& state) {
    CDeleteFixture f;
    for (auto _ : state) {
        f.m_editor.Remove(f.m_top.get(), 1);
        f.m_editor.Undo();
    }
    if (f.m_top->GetCount() != 3 || f.m_top->GetChild(1)->GetCount() != ITEMS)
        state.SkipWithError("the folder did not come back");
}
BENCHMARK(DeleteAndUndo)->Unit(benchmark::kMillisecond);

void DeleteReference(benchmark::State& state) {
    CDeleteFixture f;
    for (auto _ : state) {
        std::unique_ptr<CItem> taken = f.m_top->Take(1);
        f.m_top->Insert(1, std::move(taken));
    }
}
BENCHMARK(DeleteReference)->Unit(benchmark::kMillisecond);

// Root holds ITEMS entries, listed in the left column; row 5,000 is moved to
// row 10 and back.
struct CMoveFixture {
    CMoveFixture() {
        ResetTreeState();
        m_top = StartTree(nullptr);
        Fill(*m_top, ITEMS);
        BindColumns(g_pFirstLevel, m_top.get(), &m_left, &m_middle, &m_right);
        m_top->Select(5000);
        m_editor.SetTop(m_top.get());
    }
    ~CMoveFixture() {
        m_editor.SetTop(nullptr);
        for (CVectorList* list : {&m_left, &m_middle, &m_right})
            list->SetObserver(nullptr);
        EndTree(std::move(m_top));
        ResetTreeState();
    }
    std::unique_ptr<CFolder> m_top;
    CVectorList m_left, m_middle, m_right;
    CTreeEditor m_editor;
};

void MoveOne(benchmark::State& state) {
    CMoveFixture f;
    for (auto _ : state) {
        f.m_editor.Move(f.m_top.get(), 5000, f.m_top.get(), 10);
        f.m_editor.Move(f.m_top.get(), 10, f.m_top.get(), 5001);
    }
    if (f.m_top->GetChild(5000)->GetName() != NameOf(5000))
        state.SkipWithError("the entry did not go back");
}
BENCHMARK(MoveOne)->Unit(benchmark::kMillisecond);

void MoveReference(benchmark::State& state) {
    CMoveFixture f;
    for (auto _ : state) {
        f.m_top->Select(5000);
        f.m_top->Insert(10, f.m_top->Take(5000));
        f.m_top->Select(10);
        f.m_top->Insert(5000, f.m_top->Take(10));
    }
}
BENCHMARK(MoveReference)->Unit(benchmark::kMillisecond);

// Sort by Name's order of a folder of ITEMS entries in shuffled order, with
// names that mix case, accents and numbers of several lengths, against
// sorting the same names as plain bytes.
std::vector<std::string> SortNames() {
    // "Bookmark ", "bookmark ", "École ", "Zoo ", "café ".
    const std::string stems[] = {"Bookmark ", "bookmark ", "\xc3\x89" + std::string("cole "),
                                 "Zoo ", "caf\xc3\xa9 "};
    std::vector<std::string> names;
    names.reserve(ITEMS);
    for (int i = 0; i < ITEMS; ++i)
        names.push_back(stems[i % 5] + std::to_string((i * 7919) % ITEMS));
    return names;
}

void SortByName(benchmark::State& state) {
    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    for (const std::string& name : SortNames())
        top->Append(std::make_unique<CEntry>(name, "http://example.org/", nullptr));
    for (auto _ : state)
        benchmark::DoNotOptimize(SortedChildren(*top));
    EndTree(std::move(top));
    ResetTreeState();
}
BENCHMARK(SortByName)->Unit(benchmark::kMillisecond);

void SortReference(benchmark::State& state) {
    const std::vector<std::string> names = SortNames();
    for (auto _ : state) {
        std::vector<const std::string*> order;
        order.reserve(names.size());
        for (const std::string& name : names)
            order.push_back(&name);
        std::stable_sort(order.begin(), order.end(),
                         [](const std::string* a, const std::string* b) { return *a < *b; });
        benchmark::DoNotOptimize(order);
    }
}
BENCHMARK(SortReference)->Unit(benchmark::kMillisecond);

// Heap kept by the history for one deleted folder of ITEMS entries, per item,
// and an entry's own size (with its observer), per item.
void HistoryMemory() {
    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    const std::size_t empty = HeapInUse();
    auto folder = std::make_unique<CFolder>("F");
    Fill(*folder, ITEMS);
    top->Append(std::move(folder));
    const std::size_t built = HeapInUse();
    CTreeEditor editor;
    editor.SetTop(top.get());
    const std::size_t before = HeapInUse();
    editor.Remove(top.get(), 0);
    const std::size_t after = HeapInUse();
    const double itemBytes = double(built - empty) / ITEMS;
    const double historyBytes = (double(after) - double(before)) / ITEMS;
    std::printf("history per deleted item %8.2f bytes   (an item's own size %6.1f bytes; goal "
                "under it)\n",
                historyBytes, itemBytes);
    editor.SetTop(nullptr);
    EndTree(std::move(top));
    ResetTreeState();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the undo stack is a QObject
    benchmark::Initialize(&argc, argv);
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatio to the tree operations alone (goal within 2x), %d items:\n", ITEMS);
    const std::pair<const char*, const char*> pairs[] = {{"DeleteAndUndo", "DeleteReference"},
                                                         {"MoveOne", "MoveReference"}};
    for (const auto& [measured, reference] : pairs)
        if (const std::optional<double> ratio = reporter.Ratio(measured, reference))
            std::printf("%-16s %6.2fx   (%.3f ms against %.3f ms)\n", measured, *ratio,
                        *reporter.Seconds(measured) * 1e3, *reporter.Seconds(reference) * 1e3);
    if (const std::optional<double> ratio = reporter.Ratio("SortByName", "SortReference"))
        std::printf("Sort by Name of %d names %6.2fx a plain byte sort (%.3f ms against %.3f "
                    "ms)\n",
                    ITEMS, *ratio, *reporter.Seconds("SortByName") * 1e3,
                    *reporter.Seconds("SortReference") * 1e3);
    HistoryMemory();
    benchmark::Shutdown();
    return 0;
}
