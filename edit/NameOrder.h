// SPDX-License-Identifier: MIT
#pragma once
// Sort by Name: the order of a folder's children by name in the user's
// language (QCollator), natural (digit runs compare as numbers, so "File 9"
// comes before "File 10") and regardless of case. Separators stay where they
// are and split the folder into groups that are sorted each on their own;
// equal names keep their order.

#include <string>
#include <vector>

class CItem;

// < 0, 0 or > 0 as a sorts before, with or after b. Names are bytes, read as
// the window shows them (text/TextCodec.h).
int CompareNames(const std::string& a, const std::string& b);

// The folder's children in sorted order (empty for an item without children).
std::vector<CItem*> SortedChildren(const CItem& folder);
