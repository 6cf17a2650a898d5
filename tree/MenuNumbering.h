// SPDX-License-Identifier: MIT
#pragma once
// Turning a menu command id back into the entry that carries it.
//
// The menu projection (tree/MenuObserver.h) numbers the items below the top
// folder in pre-order: its child 0 draws FIRST_ENTRY_MENU_ID and every
// further item, whatever its kind or name, the next number; an entry with a
// target carries its number as command id. FindTargetById walks the tree in
// the same pre-order with the same counter, so every id that the projection
// put into a menu leads back to its entry. Nothing here is process-wide.

#include <string>

class CItem;

// The target of the entry below item (item included) whose number is id, or
// an empty string when none has it (an id of a folder, a blank entry, a
// separator, or of no item). item itself counts FIRST_ENTRY_MENU_ID - 1, as
// the top folder does.
std::string FindTargetById(const CItem* item, unsigned id);
