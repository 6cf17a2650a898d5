// SPDX-License-Identifier: MIT
#include "tree/MenuNumbering.h"

#include "tree/Item.h"
#include "tree/TreeState.h"

#include <utility>
#include <vector>

std::string FindTargetById(const CItem* item, unsigned id) {
    if (!item)
        return std::string();
    // Pre-order with an explicit stack: each pending folder with the index of
    // its next child. Every item has a number of its own, so the walk ends at
    // the item numbered id.
    unsigned counter = FIRST_ENTRY_MENU_ID - 1;
    std::vector<std::pair<const CItem*, int>> pending;
    const CItem* current = item;
    for (;;) {
        if (current != item)
            ++counter;
        if (counter == id)
            return current->GetTarget();
        if (current->GetCount() > 0)
            pending.emplace_back(current, 0);
        current = nullptr;
        while (!current && !pending.empty()) {
            auto& [folder, next] = pending.back();
            // The count is read again on every step, as the folder may say -1.
            if (next < folder->GetCount())
                current = folder->GetChild(next++);
            else
                pending.pop_back();
        }
        if (!current)
            return std::string();
    }
}
