#pragma once
// What a start asks of the running copy of the program.

enum class EAppRequest {
    none,
    show, // bring the main window up
    menu, // the cascade of the whole tree at the mouse pointer
    find, // the quick-find palette
};
