// SPDX-License-Identifier: MIT
#include "tree/SelectPath.h"

#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/TreeState.h"

#include <algorithm>

CItemObserver* SelectPath(CItem& top, const std::vector<int>& rows) {
    CItem* folder = &top;
    CItem* item = nullptr;
    for (std::size_t depth = 0; depth < rows.size(); ++depth) {
        if (!folder || folder->GetCount() < 0)
            return nullptr; // a row below something that is not a folder
        item = folder->GetChild(rows[depth]);
        if (!item)
            return nullptr;
        folder->Select(rows[depth]);
        folder = item;
    }
    if (!item)
        return nullptr;
    const bool isFolder = item->GetCount() >= 0;
    if (isFolder)
        item->Select(-1);
    // The level at depth d lists the children of the folder at depth d (the
    // top is depth 0); the item is listed by the level of its folder.
    const int listedBy = static_cast<int>(rows.size()) - 1;
    int leftmost = std::max(0, listedBy - (isFolder ? 1 : 2));
    CItemObserver* level = g_pFirstLevel;
    while (level && leftmost-- > 0)
        level = level->GetNextLevel();
    return level;
}
