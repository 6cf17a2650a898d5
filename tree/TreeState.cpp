// SPDX-License-Identifier: MIT
#include "tree/TreeState.h"

#include "tree/AddressBox.h"
#include "tree/ItemObserver.h"

#include <memory>

int g_nDisplayMode = 0;
int g_nNextMenuId = FIRST_ENTRY_MENU_ID;
CItemObserver* g_pFirstLevel = nullptr;
IAddressBox* g_pAddressBox = nullptr;
unsigned long long g_nTreeChanges = 0;
std::function<void()> g_onTreeChange;

namespace {

// Owner of the chain of level observers; g_pFirstLevel points at its head.
std::unique_ptr<CItemObserver>& LevelChain() {
    static std::unique_ptr<CItemObserver> chain;
    return chain;
}

} // namespace

void AdoptLevelChain(std::unique_ptr<CItemObserver> firstLevel) {
    LevelChain() = std::move(firstLevel);
    g_pFirstLevel = LevelChain().get();
}

void DestroyLevelChain() {
    g_pFirstLevel = nullptr;
    LevelChain().reset();
}

void NoteTreeChange() {
    ++g_nTreeChanges;
    if (g_onTreeChange)
        g_onTreeChange();
}

int SetDisplayMode(int mode) {
    if (mode < 0 || mode >= 2)
        return -1;
    const int previous = g_nDisplayMode;
    g_nDisplayMode = mode;
    return previous;
}

void ResetTreeState() {
    DestroyLevelChain();
    g_nDisplayMode = 0;
    g_nNextMenuId = FIRST_ENTRY_MENU_ID;
    g_pAddressBox = nullptr;
    g_nTreeChanges = 0;
    g_onTreeChange = nullptr;
}

void ForgetTreeItem(const CItem* item) {
    for (CItemObserver* level = g_pFirstLevel; level; level = level->GetNextLevel())
        level->ForgetSubject(item);
    if (g_pAddressBox && g_pAddressBox->GetCurrentItem() == item)
        g_pAddressBox->SetCurrentItem(nullptr);
}
