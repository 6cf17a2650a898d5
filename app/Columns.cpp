// SPDX-License-Identifier: MIT
#include "app/Columns.h"

#include "skin/BookmarkListCtrl.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <utility>

namespace {

CItemObserver* LevelBefore(CItemObserver* level) {
    for (CItemObserver* each = g_pFirstLevel; each; each = each->GetNextLevel())
        if (each->GetNextLevel() == level)
            return each;
    return nullptr;
}

} // namespace

CColumns::CColumns(const Lists& lists, std::function<CFolder*()> top)
    : m_lists(lists), m_top(std::move(top)) {}

CItemObserver* CColumns::LeftmostLevel() const {
    return m_lists[0]->GetObserver();
}

int CColumns::Bind(CItemObserver* level) {
    CFolder* top = m_top();
    if (!top)
        return 0;
    return ::BindColumns(level, top, m_lists[0], m_lists[1], m_lists[2]);
}

void CColumns::ShowTop() {
    Bind(g_pFirstLevel);
}

void CColumns::StepDown() {
    if (CItemObserver* leftmost = LeftmostLevel())
        if (CItemObserver* next = leftmost->GetNextLevel())
            Bind(next);
}

void CColumns::StepUp() {
    if (!m_top())
        return;
    CItemObserver* target = LeftmostLevel();
    while (target && target != g_pFirstLevel) {
        CItemObserver* candidate = LevelBefore(target);
        if (!candidate)
            break;
        if (candidate != g_pFirstLevel && Bind(candidate))
            return;
        target = candidate;
    }
    Bind(g_pFirstLevel);
}

void CColumns::ShowDeepest() {
    if (!m_top())
        return;
    CItemObserver* target = nullptr;
    for (;;) {
        CItemObserver* candidate = LevelBefore(target);
        if (!candidate || candidate == g_pFirstLevel)
            break;
        if (Bind(candidate))
            return;
        target = candidate;
    }
    Bind(g_pFirstLevel);
}

void CColumns::FollowSelection(CBookmarkListCtrl* list) {
    if (!list->GetObserver())
        return;
    CItem* shown = list->GetShownItem();
    // While a new entry is being named the list holds one row more than the
    // item has children, and its rows past that one are not the children of
    // the same number: the selection is the item's own until the name is in.
    if (shown && list->GetRowCount() == shown->GetCount())
        shown->Select(list->GetFirstSelectedRow());
}
