// SPDX-License-Identifier: MIT
// Showing the top level of the menu cascade of a 10,000-item tree (100
// folders of 99 entries each, projected into the "Content" pop-up) against
// showing a flat menu of 100 commands, measured in the same run. Sub-menus
// are built only when they open, so the tree's menu costs about what its top
// level holds. Also: filling a list column with a folder of 10,000 children
// against a plain list widget. The summary at the end prints the ratios.

#include "BenchReporter.h"
#include "skin/BookmarkListCtrl.h"
#include "skin/MenuRenderer.h"
#include "tree/Item.h"
#include "tree/Menu.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int FOLDERS = 100;
constexpr int PER_FOLDER = 100; // the folder and its entries

void ShowOnce(CMenuView& view) {
    view.popup(QPoint(0, 0));
    view.hide();
}

void TreeMenuTopLevel(benchmark::State& state) {
    ResetTreeState();
    std::unique_ptr<CMenu> content = MakeContentMenu();
    std::unique_ptr<CFolder> top = StartTree(content.get());
    for (int f = 0; f < FOLDERS; ++f) {
        auto folder = std::make_unique<CFolder>("Folder " + std::to_string(f));
        CFolder* added = folder.get();
        top->Append(std::move(folder));
        for (int e = 1; e < PER_FOLDER; ++e)
            added->Append(std::make_unique<CEntry>("Bookmark " + std::to_string(e),
                                                   "http://example.org/", nullptr));
    }
    ShowTreeMenus(top.get());
    CMenuView view(content.get());
    for (auto _ : state)
        ShowOnce(view);
    state.counters["items"] = content->GetMenuItemCount();
    HideTreeMenus(top.get());
    EndTree(std::move(top));
    ResetTreeState();
}

void FlatMenu(benchmark::State& state) {
    CMenu flat;
    flat.CreateMenu();
    for (unsigned id = 1; id <= 100; ++id)
        flat.AppendCommand(id, "Command " + std::to_string(id));
    CMenuView view(&flat);
    for (auto _ : state)
        ShowOnce(view);
    state.counters["items"] = flat.GetMenuItemCount();
}

// Filling a list column with a folder of 10,000 children through the tree,
// against adding 10,000 rows to a plain list widget.
constexpr int ROWS = 10000;

void FillListColumn(benchmark::State& state) {
    ResetTreeState();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    for (int i = 0; i < ROWS; ++i)
        top->Append(std::make_unique<CEntry>("Bookmark " + std::to_string(i), "http://example.org/",
                                             nullptr));
    CBookmarkListCtrl left, middle, right;
    for (auto _ : state)
        BindColumns(g_pFirstLevel, top.get(), &left, &middle, &right);
    state.counters["rows"] = left.count();
    for (CBookmarkListCtrl* list : {&left, &middle, &right})
        list->SetObserver(nullptr);
    EndTree(std::move(top));
    ResetTreeState();
}

void FillPlainList(benchmark::State& state) {
    QStringList names;
    for (int i = 0; i < ROWS; ++i)
        names.append(QStringLiteral("Bookmark %1").arg(i));
    QListWidget list;
    list.setUniformItemSizes(true);
    for (auto _ : state) {
        list.clear();
        for (const QString& name : names)
            list.addItem(name);
    }
    state.counters["rows"] = list.count();
}

BENCHMARK(TreeMenuTopLevel)->Unit(benchmark::kMicrosecond);
BENCHMARK(FlatMenu)->Unit(benchmark::kMicrosecond);
BENCHMARK(FillListColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(FillPlainList)->Unit(benchmark::kMillisecond);

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
    const auto ratio = [&](const char* measured, const char* reference, const char* what) {
        if (const std::optional<double> r = reporter.Ratio(measured, reference))
            std::printf("%s (CPU time): %.2fx\n", what, *r);
    };
    std::printf("\n");
    ratio("TreeMenuTopLevel", "FlatMenu",
          "Top level of a 10,000-item tree's menu / flat menu of 100 commands");
    ratio("FillListColumn", "FillPlainList",
          "List column filled with 10,000 children / plain list widget");
    benchmark::Shutdown();
    return 0;
}
