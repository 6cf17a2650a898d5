// SPDX-License-Identifier: MIT
#pragma once
// The menu side of an item's observer switch: while the dock window is open
// (menu display) it fills the item's pop-up menu with the item's children.
// Folders and blank entries become sub-menus, separators separator lines and
// entries with a target commands. Every OnChildAdded draws the next command
// number from g_nNextMenuId (restarting at FIRST_ENTRY_MENU_ID for child 0 of
// the top folder), so that the k-th item of the tree in pre-order draws
// 33001 + k; an entry with a target carries its number as command id.

#include "tree/ItemObserver.h"
#include "tree/Menu.h"

#include <memory>

class CMenuObserver final : public CItemObserver {
public:
    // Owns a new empty menu.
    CMenuObserver();
    // Uses borrowed (the main window's "Content" pop-up) without owning it;
    // with null it owns a new empty menu as above. top: this is the top
    // folder's, where the numbering starts.
    explicit CMenuObserver(CMenu* borrowed, bool top = false);
    ~CMenuObserver() override;

    void OnChildAdded(int position) override;
    void ShowDetail(const std::string&, bool) override {}
    void SetOutput(CObserverOutput* output) override;
    CObserverOutput* GetOutput() const override;
    void Clear() override;

    CMenu* GetMenu() const { return m_pMenu; }

private:
    CMenu m_ownMenu; // used when not borrowing
    CMenu* m_pMenu = nullptr;
    bool m_bBorrowing = false; // m_pMenu is the "Content" pop-up with its own items
    bool m_bTop = false;
    int m_nInserted = 0; // items put in since the last Clear
};
