// SPDX-License-Identifier: MIT
#pragma once
// The editing commands added to the "OP" pop-up below its own items, and the
// keys of a list column.

#include <QKeyCombination>

class CMenu;

constexpr unsigned ID_OP_CUT = 32801;
constexpr unsigned ID_OP_COPY = 32802;
constexpr unsigned ID_OP_PASTE = 32803;
constexpr unsigned ID_OP_SORT = 32804;
constexpr unsigned ID_OP_UNDO = 32805;
constexpr unsigned ID_OP_REDO = 32806;
// The main window's hidden navigation commands that step the columns one
// depth towards the top folder and one deeper.
constexpr unsigned ID_COLUMNS_UP = 2040;
constexpr unsigned ID_COLUMNS_DOWN = 2041;

// A separator line, then Cut, Copy, Paste, Sort by Name, Undo and Redo, each
// with its key after a tab.
void AppendEditCommands(CMenu& menu);

// The command a key pressed in a list column stands for; 0 for none (the
// list handles the key itself, or nobody does).
unsigned CommandForKey(QKeyCombination key);
