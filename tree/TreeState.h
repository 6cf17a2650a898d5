// SPDX-License-Identifier: MIT
#pragma once
// The tree's process-wide state, all of it in one place. Everything runs on
// the one user-interface thread; nothing here is synchronised.

#include <functional>
#include <memory>

class CItem;
class CItemObserver;
class IAddressBox;

// 0 = column display (list columns and address box), 1 = menu display (the
// dock window's pop-up menus).
extern int g_nDisplayMode;

// Command numbering of the menu projection: the number the last
// CMenuObserver::OnChildAdded drew.
constexpr int FIRST_ENTRY_MENU_ID = 33001;
extern int g_nNextMenuId;

// The level observer of depth 0 (it lists the top folder's children): head of
// the chain of levels made by StartTree and destroyed by EndTree (tree/Tree.h).
extern CItemObserver* g_pFirstLevel;

// The main window's address box (not owned); null while there is none.
extern IAddressBox* g_pAddressBox;

// Changes to what a tree holds: every operation that inserts, removes,
// renames or moves an item, or sets a target, calls NoteTreeChange once it
// has done so, and nothing else does (showing, hiding, selecting and the menu
// projection change nothing; Append is how a tree is read, not edited).
// NoteTreeChange counts the change in g_nTreeChanges, then calls
// g_onTreeChange when it is set (the main window's, which saves after a
// pause). Refused operations change nothing and call nothing.
extern unsigned long long g_nTreeChanges;
extern std::function<void()> g_onTreeChange;
void NoteTreeChange();

// Sets the display mode and returns the previous one; a mode other than 0 or
// 1 is refused with -1 and changes nothing.
int SetDisplayMode(int mode);

// Back to the state at process start, for test fixtures. Destroys a level
// chain left by StartTree, so call it only when no tree is alive.
void ResetTreeState();

// Called by every item as it is destroyed: no level observer and no address
// box may keep pointing at it.
void ForgetTreeItem(const CItem* item);

// The chain of level observers is owned here: AdoptLevelChain takes its head
// and makes it g_pFirstLevel; DestroyLevelChain destroys every level and
// clears g_pFirstLevel. Used by StartTree and EndTree.
void AdoptLevelChain(std::unique_ptr<CItemObserver> firstLevel);
void DestroyLevelChain();
