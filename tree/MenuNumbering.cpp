#include "tree/MenuNumbering.h"

#include "tree/Item.h"
#include "tree/TreeState.h"

#include <utility>
#include <vector>

std::string FindTargetById(const CItem* item, unsigned id) {
    if (!item)
        return std::string();
    // Pre-order with an explicit stack (folders made by editing are not
    // bounded in depth): each pending folder with the index of its next child.
    unsigned counter = FIRST_ENTRY_MENU_ID - 1;
    std::vector<std::pair<const CItem*, int>> pending;
    const CItem* current = item;
    for (;;) {
        // A "Root" folder's child 0 restarts the numbering in the projection;
        // an empty one (or an entry of that name) draws a number like any item.
        if (current != item) {
            if (current->GetName() == ROOT_FOLDER_NAME && current->GetCount() > 0)
                counter = FIRST_ENTRY_MENU_ID - 1;
            else
                ++counter;
        }
        if (counter == id) {
            std::string target = current->GetTarget();
            if (!target.empty())
                return target;
        }
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
