// SPDX-License-Identifier: MIT
#pragma once
// Making and taking down the tree, and binding the main window's columns.

#include "tree/Item.h"

#include <memory>

class CMenu;
class CItemObserver;
class IListOutput;

// Builds the empty tree: four level observers without lists (g_pFirstLevel is
// depth 0; the chain is kept in the tree state until EndTree), the top
// folder's menu observer (it borrows contentMenu, the main window's "Content"
// pop-up, when given, else it owns a new empty menu) and its observer switch,
// and returns the empty top folder "Root" for the caller to own.
std::unique_ptr<CFolder> StartTree(CMenu* contentMenu);

// Destroys the chain of level observers, then the top folder with every item
// and observer below it. Unbind the lists first (SetObserver(nullptr)): they
// point at the levels.
void EndTree(std::unique_ptr<CFolder> top);

// Menu display, as the dock window uses it: ShowTreeMenus switches the tree
// to menu display and fills every container's menu below top (top's own into
// the "Content" pop-up it borrows); HideTreeMenus empties them again and
// switches back to the list columns. A null top only switches.
void ShowTreeMenus(CItem* top);
void HideTreeMenus(CItem* top);

// Shows three consecutive depths, starting at level, in the three list
// columns (left, middle, right) and redisplays the tree from top. Returns 1,
// or 0 (nothing changed) when level is not g_pFirstLevel and one of the three
// levels does not exist or shows no container. Never refused for
// g_pFirstLevel.
int BindColumns(CItemObserver* level, CItem* top, IListOutput* left, IListOutput* middle,
                IListOutput* right);
