// SPDX-License-Identifier: MIT
#pragma once
// Revealing an item in the main window's columns: selecting the path of
// folders that leads to it, the way clicking each folder in turn would.

#include <vector>

class CItem;
class CItemObserver;

// Selects, from top down, the child at each of rows (a row per depth, the
// last one the item's own), so that every folder on the way has the next one
// current and the item is current in its folder. A folder found this way gets
// no current child of its own: the path ends at it. Returns the level
// observer to bind as the leftmost column (BindColumns) so that the item
// shows selected in its folder's column: the rightmost one for an entry
// (whose target then fills the address box), the middle one for a folder
// (whose contents then fill the right column), the leftmost near the top.
// Returns null, having selected the part of the path that exists, when rows
// is empty or leads to no item.
CItemObserver* SelectPath(CItem& top, const std::vector<int>& rows);
