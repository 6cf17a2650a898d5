// SPDX-License-Identifier: MIT
#pragma once
// What a start asks of the running copy of the program.

enum class EAppRequest {
    None,
    Show, // bring the main window up
    Menu, // the cascade of the whole tree at the mouse pointer
    Find, // the quick-find palette
};
