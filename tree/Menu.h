// SPDX-License-Identifier: MIT
#pragma once
// A pop-up menu as data: items addressed by position, each a separator line,
// a command with a numeric id, or a sub-menu. It behaves like the platform
// menus the tree was made for: a menu exists only after CreateMenu (a menu
// without a handle refuses everything and counts -1 items), inserting past
// the end appends, removing a sub-menu item only detaches the sub-menu.
// No widgets here: skin/ renders a menu as a QMenu cascade when it is shown.
//
// Sub-menus are not owned: each belongs to its own holder (a menu observer or
// the main window). Removing the first item is cheap (the items start at an
// offset into their array), so emptying a long menu from the front is
// linear, and an empty menu allocates nothing.

#include "tree/ObserverOutput.h"

#include <string>
#include <utility>
#include <vector>

class CMenu final : public CObserverOutput {
public:
    enum class EKind { Separator, Command, Popup };

    struct CMenuItem {
        EKind m_kind = EKind::Separator;
        unsigned m_id = 0;        // command id; 0 for separators and sub-menus
        std::string m_text;       // bytes, as stored in the tree
        CMenu* m_popup = nullptr; // sub-menu of a Popup item, not owned
    };

    CMenu() = default; // no handle yet
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    CMenu* AsMenu() override { return this; }

    // Gives the menu a handle (an empty menu). Fails when it already has one.
    bool CreateMenu();
    // Empties the menu and drops its handle. Fails without a handle.
    bool DestroyMenu();
    bool IsMenu() const { return m_bHandle; }

    // Insert before position; a position < 0 or >= the item count appends.
    bool InsertSeparator(int position);
    bool InsertCommand(int position, unsigned id, std::string text);
    // Fails when popup is null or has no handle.
    bool InsertPopup(int position, CMenu* popup, std::string text);
    bool AppendSeparator() { return InsertSeparator(-1); }
    bool AppendCommand(unsigned id, std::string text) {
        return InsertCommand(-1, id, std::move(text));
    }
    bool AppendPopup(CMenu* popup, std::string text) {
        return InsertPopup(-1, popup, std::move(text));
    }

    // Fails for a position out of range or without a handle.
    bool RemoveMenu(int position);
    // -1 without a handle.
    int GetMenuItemCount() const;
    // Null for a position out of range.
    const CMenuItem* GetItem(int position) const;

private:
    bool Insert(int position, CMenuItem item);
    std::size_t Size() const { return m_items.size() - m_nFront; }

    bool m_bHandle = false;
    std::vector<CMenuItem> m_items; // the menu's items are m_items[m_nFront..]
    std::size_t m_nFront = 0;
};
