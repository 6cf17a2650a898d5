// SPDX-License-Identifier: MIT
#pragma once
// The program's two pop-up menus (menu resource 129) as data, built in one
// place for the main window, the dock window and the menu renderer.

#include "tree/Menu.h"

#include <memory>

// The edit pop-up "OP" that a right press on a list column opens.
constexpr unsigned ID_OP_INSERT = 32770;
constexpr unsigned ID_OP_INSERTSEP = 32771;
constexpr unsigned ID_OP_DELETE = 32772;
constexpr unsigned ID_OP_UP = 32773;
constexpr unsigned ID_OP_DOWN = 32774;
constexpr unsigned ID_OP_RENAME = 32775;
// The "Content" pop-up's own commands (below the tree's items).
constexpr unsigned ID_CONTENT_CLOSE = 32779;
constexpr unsigned ID_CONTENT_RETURNMAIN = 32780;
// Shown below them only while the collection can be locked (a password).
constexpr unsigned ID_CONTENT_LOCK = 32781;

// "&Insert", "Insert &Separetor", "&Delete", "&Rename", separator, "&Up", "D&own".
std::unique_ptr<CMenu> MakeEditMenu();
// Separator, "&Return Main", "&Close".
std::unique_ptr<CMenu> MakeContentMenu();
// The number of items MakeContentMenu puts in, which stay when the tree's
// items are taken out again.
constexpr int CONTENT_OWN_ITEMS = 3;
// The "Content" pop-up as shown while the collection can be locked: a menu
// of content's items (its sub-menus shared with it, not copied), then
// "&Lock" at the very bottom. It is shown once and dropped; content itself
// keeps its own items as they are.
std::unique_ptr<CMenu> WithLockItem(const CMenu& content);
