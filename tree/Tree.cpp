// SPDX-License-Identifier: MIT
#include "tree/Tree.h"

#include "tree/ItemObserver.h"
#include "tree/ListOutput.h"
#include "tree/ObserverSwitch.h"
#include "tree/TreeState.h"

namespace {

constexpr int START_LEVELS = 4;

} // namespace

std::unique_ptr<CFolder> StartTree(CMenu* contentMenu) {
    auto first = std::make_unique<CColumnObserver>();
    CItemObserver* level = first.get();
    for (int depth = 1; depth < START_LEVELS; ++depth) {
        level->SetNextLevel(std::make_unique<CColumnObserver>());
        level = level->GetNextLevel();
    }
    AdoptLevelChain(std::move(first));

    auto top = std::make_unique<CFolder>(ROOT_FOLDER_NAME);
    top->SetObserver(std::make_unique<CObserverSwitch>(g_pFirstLevel, contentMenu, true));
    return top;
}

void EndTree(std::unique_ptr<CFolder> top) {
    DestroyLevelChain();
    top.reset();
}

void ShowTreeMenus(CItem* top) {
    SetDisplayMode(1);
    if (top)
        top->Show(SCOPE_TREE);
}

void HideTreeMenus(CItem* top) {
    if (top)
        top->Hide(SCOPE_TREE);
    SetDisplayMode(0);
}

int BindColumns(CItemObserver* level, CItem* top, IListOutput* left, IListOutput* middle,
                IListOutput* right) {
    if (!level)
        return 0;
    CItemObserver* levels[3] = {level, nullptr, nullptr};
    levels[1] = levels[0]->GetNextLevel();
    levels[2] = levels[1] ? levels[1]->GetNextLevel() : nullptr;
    if (level != g_pFirstLevel) {
        for (CItemObserver* candidate : levels) {
            if (!candidate || !candidate->GetSubject() || !candidate->GetSubject()->IsContainer())
                return 0;
        }
    }

    if (top)
        top->Hide(SCOPE_LEVEL);
    for (CItemObserver* each = g_pFirstLevel; each; each = each->GetNextLevel())
        each->SetOutput(nullptr);
    IListOutput* lists[3] = {left, middle, right};
    for (int i = 0; i < 3; ++i) {
        if (lists[i])
            lists[i]->SetObserver(levels[i]);
    }
    if (top)
        top->Show(SCOPE_PATH);
    return 1;
}
