// SPDX-License-Identifier: MIT
// Listing a folder into a column and projecting the tree into menus, each
// against a plain loop that makes the same rows or menu items directly.
// Sizes 1,000 to 100,000 show that both grow linearly; the summary at the end
// prints each case's ratio to its reference.

#include "BenchReporter.h"
#include "BenchTree.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/ListOutput.h"
#include "tree/Menu.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using bench::CVectorList;
using bench::NameOf;

// ---------------------------------------------------------------- listing

void ListFolder(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    for (int i = 0; i < count; ++i)
        top->Append(
            std::make_unique<CEntry>(NameOf(i), "http://example.org/" + NameOf(i), nullptr));
    CVectorList left, middle, right;
    for (auto _ : state) {
        BindColumns(g_pFirstLevel, top.get(), &left, &middle, &right);
        benchmark::DoNotOptimize(left.GetRowCount());
    }
    if (left.GetRowCount() != count)
        state.SkipWithError("wrong row count");
    state.SetItemsProcessed(state.iterations() * count);
    left.SetObserver(nullptr);
    middle.SetObserver(nullptr);
    right.SetObserver(nullptr);
    EndTree(std::move(top));
    ResetTreeState();
}

void ListReference(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        names.push_back(NameOf(i));
    CVectorList list;
    for (auto _ : state) {
        list.DeleteAllRows();
        for (int i = 0; i < count; ++i)
            list.InsertRow(i, names[static_cast<std::size_t>(i)]);
        benchmark::DoNotOptimize(list.GetRowCount());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// ---------------------------------------------------------------- menus

// count items in all: folders of 100 items each (the folder and 99 entries).
constexpr int PER_FOLDER = 100;

void MenuProjection(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    ResetTreeState();
    std::unique_ptr<CMenu> content = MakeContentMenu();
    std::unique_ptr<CFolder> top = StartTree(content.get());
    for (int f = 0; f < count / PER_FOLDER; ++f) {
        auto folder = std::make_unique<CFolder>(NameOf(f));
        CFolder* added = folder.get();
        top->Append(std::move(folder));
        for (int e = 1; e < PER_FOLDER; ++e)
            added->Append(std::make_unique<CEntry>(NameOf(e), "http://example.org/", nullptr));
    }
    for (auto _ : state) {
        ShowTreeMenus(top.get());
        benchmark::DoNotOptimize(content->GetMenuItemCount());
        HideTreeMenus(top.get());
    }
    if (content->GetMenuItemCount() != CONTENT_OWN_ITEMS)
        state.SkipWithError("menu not emptied");
    state.SetItemsProcessed(state.iterations() * count);
    EndTree(std::move(top));
    ResetTreeState();
}

void MenuReference(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int folders = count / PER_FOLDER;
    std::vector<std::string> names;
    names.reserve(PER_FOLDER);
    for (int i = 0; i < PER_FOLDER; ++i)
        names.push_back(NameOf(i));
    std::unique_ptr<CMenu> content = MakeContentMenu();
    std::vector<CMenu> menus(static_cast<std::size_t>(folders));
    for (CMenu& menu : menus)
        menu.CreateMenu();
    for (auto _ : state) {
        unsigned id = FIRST_ENTRY_MENU_ID;
        for (int f = 0; f < folders; ++f) {
            CMenu& menu = menus[static_cast<std::size_t>(f)];
            content->InsertPopup(f, &menu, names[static_cast<std::size_t>(f % PER_FOLDER)]);
            for (int e = 1; e < PER_FOLDER; ++e)
                menu.InsertCommand(e - 1, ++id, names[static_cast<std::size_t>(e)]);
        }
        benchmark::DoNotOptimize(content->GetMenuItemCount());
        for (CMenu& menu : menus)
            while (menu.RemoveMenu(0)) {
            }
        while (content->GetMenuItemCount() > CONTENT_OWN_ITEMS)
            content->RemoveMenu(0);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(ListFolder)->Apply(Sizes);
BENCHMARK(ListReference)->Apply(Sizes);
BENCHMARK(MenuProjection)->Apply(Sizes);
BENCHMARK(MenuReference)->Apply(Sizes);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // CPU time: steadier than wall time on a shared machine.
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatio to the plain loop (target within 3x), and time per item:\n");
    const std::pair<const char*, const char*> pairs[] = {{"ListFolder", "ListReference"},
                                                         {"MenuProjection", "MenuReference"}};
    for (const auto& [measured, reference] : pairs) {
        for (const char* size : {"1000", "10000", "100000"}) {
            const std::string m = std::string(measured) + "/" + size;
            const std::string r = std::string(reference) + "/" + size;
            const std::optional<double> ratio = reporter.Ratio(m, r);
            if (!ratio)
                continue;
            const double items = std::stod(size);
            std::printf("%-22s %8.2fx   %7.1f ns/item (reference %6.1f ns/item)\n", m.c_str(),
                        *ratio, *reporter.Seconds(m) * 1e9 / items,
                        *reporter.Seconds(r) * 1e9 / items);
        }
    }
    benchmark::Shutdown();
    return 0;
}
