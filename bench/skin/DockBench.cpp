// SPDX-License-Identifier: MIT
// Opening the dock window's menu: the projection of the whole tree into the
// "Content" pop-up and its sub-menus (menu display, Show of the whole tree)
// plus showing the top level of the rendered cascade, for a 10,000-item tree
// against a 100-item tree measured in the same run; the summary prints the
// cost per item of the large tree relative to the small one (1.00x: linear).
// Also finding the last entry by its command id, the same way, and the heap
// the projection adds per item (mallinfo2 before and after) against the heap
// the tree itself takes per item.

#include "BenchReporter.h"
#include "skin/MenuRenderer.h"
#include "tree/Item.h"
#include "tree/Menu.h"
#include "tree/MenuNumbering.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int PER_FOLDER = 100; // a folder and its 99 entries

// A tree of items / 100 folders, each holding 99 entries (a separator every
// tenth), as a user's bookmarks might be.
struct CTree {
    explicit CTree(int items) {
        ResetTreeState();
        m_top = StartTree(m_content.get());
        for (int f = 0; f < items / PER_FOLDER; ++f) {
            auto folder = std::make_unique<CFolder>("Folder " + std::to_string(f));
            CFolder* added = folder.get();
            m_top->Append(std::move(folder));
            for (int e = 1; e < PER_FOLDER; ++e) {
                if (e % 10 == 0)
                    added->Append(std::make_unique<CItem>(SEPARATOR_TEXT));
                else
                    added->Append(std::make_unique<CEntry>(
                        "Bookmark " + std::to_string(e), "http://example.org/" + std::to_string(e),
                        nullptr));
            }
        }
    }
    ~CTree() {
        EndTree(std::move(m_top));
        ResetTreeState();
    }
    void Open() { ShowTreeMenus(m_top.get()); }
    void Close() { HideTreeMenus(m_top.get()); }

    std::unique_ptr<CMenu> m_content = MakeContentMenu();
    std::unique_ptr<CFolder> m_top;
};

void OpenDockMenu(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    CTree tree(items);
    CMenuView view(tree.m_content.get());
    for (auto _ : state) {
        tree.Open();
        view.popup(QPoint(0, 0));
        view.hide();
        state.PauseTiming();
        tree.Close();
        state.ResumeTiming();
    }
    state.counters["items"] = items;
}

void FindLastEntry(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    CTree tree(items);
    // The last item of the tree is an entry; its number is 33000 + items.
    const unsigned id = static_cast<unsigned>(FIRST_ENTRY_MENU_ID - 1 + items);
    std::string target;
    for (auto _ : state) {
        target = FindTargetById(tree.m_top.get(), id);
        benchmark::DoNotOptimize(target);
    }
    if (target.empty())
        state.SkipWithError("the last entry was not found");
    state.counters["items"] = items;
}

BENCHMARK(OpenDockMenu)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(FindLastEntry)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns on every pop-up that it cannot grab.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n");
    const auto perItem = [&](const char* name, const char* what) {
        const std::string small = std::string(name) + "/100";
        const std::string large = std::string(name) + "/10000";
        if (const std::optional<double> ratio = reporter.Ratio(large, small))
            std::printf("%s, per item, 10,000 / 100 items (CPU time): %.2fx\n", what,
                        *ratio * 100 / 10000);
    };
    perItem("OpenDockMenu", "Opening the dock menu");
    perItem("FindLastEntry", "Finding the last entry by its id");

    // Heap: the tree itself, then what the projection adds while the dock is
    // open, and what is left once it has closed.
    constexpr int ITEMS = 10000;
    const std::size_t before = HeapInUse();
    {
        CTree tree(ITEMS);
        const std::size_t built = HeapInUse();
        tree.Open();
        const std::size_t open = HeapInUse();
        tree.Close();
        const std::size_t closed = HeapInUse();
        // The menus keep their arrays when emptied: a second opening reuses them.
        tree.Open();
        tree.Close();
        const std::size_t reopened = HeapInUse();
        const double treePerItem = double(built - before) / ITEMS;
        const double menuPerItem = (double(open) - double(built)) / ITEMS;
        std::printf("Heap per item of a %d-item tree: tree %.1f bytes, projection adds %.1f bytes "
                    "(%.2fx the tree's); kept after closing %.1f bytes, after opening and closing "
                    "again %.1f bytes\n",
                    ITEMS, treePerItem, menuPerItem, menuPerItem / treePerItem,
                    (double(closed) - double(built)) / ITEMS,
                    (double(reopened) - double(built)) / ITEMS);
    }
    benchmark::Shutdown();
    return 0;
}
