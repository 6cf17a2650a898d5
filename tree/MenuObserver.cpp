// SPDX-License-Identifier: MIT
#include "tree/MenuObserver.h"

#include "tree/Item.h"
#include "tree/MenuResource.h"
#include "tree/TreeState.h"

#include <algorithm>

CMenuObserver::CMenuObserver() : CMenuObserver(nullptr) {}

CMenuObserver::CMenuObserver(CMenu* borrowed, bool top)
    : m_pMenu(borrowed), m_bBorrowing(borrowed != nullptr), m_bTop(top) {
    if (!m_pMenu) {
        m_ownMenu.CreateMenu();
        m_pMenu = &m_ownMenu;
    }
}

// The borrowed "Content" pop-up stays with the main window that owns it; an
// own menu goes with the observer.
CMenuObserver::~CMenuObserver() = default;

void CMenuObserver::OnChildAdded(int position) {
    // Every call draws a number, whatever is inserted, so that the numbers
    // follow the pre-order of the whole tree.
    if (m_bTop && position == 0)
        g_nNextMenuId = FIRST_ENTRY_MENU_ID;
    else
        ++g_nNextMenuId;

    CItem* child = m_pSubject ? m_pSubject->GetChild(position) : nullptr;
    if (!child || !m_pMenu)
        return;
    // A child left out shifts the later ones up: never insert past the items
    // this observer has put in, or they would land among the "Content"
    // pop-up's own items, which Clear would then take out instead.
    const int at = std::min(position, m_nInserted);
    bool inserted = false;
    if (child->IsSeparator()) {
        inserted = m_pMenu->InsertSeparator(at);
    } else if (child->IsContainer()) {
        // A container whose menu is missing is left out; its number is spent.
        CItemObserver* observer = child->GetObserver();
        CObserverOutput* output = observer ? observer->GetOutput() : nullptr;
        CMenu* sub = output ? output->AsMenu() : nullptr;
        if (sub && sub->IsMenu())
            inserted = m_pMenu->InsertPopup(at, sub, child->GetName());
    } else {
        inserted =
            m_pMenu->InsertCommand(at, static_cast<unsigned>(g_nNextMenuId), child->GetName());
    }
    if (inserted)
        ++m_nInserted;
}

void CMenuObserver::SetOutput(CObserverOutput* output) {
    m_pMenu = output ? output->AsMenu() : nullptr;
}

CObserverOutput* CMenuObserver::GetOutput() const {
    return m_pMenu;
}

void CMenuObserver::Clear() {
    m_nInserted = 0;
    if (!m_pMenu)
        return;
    // The "Content" pop-up keeps its own items, which always sit after the
    // tree's.
    const int keep = m_bBorrowing ? CONTENT_OWN_ITEMS : 0;
    while (m_pMenu->GetMenuItemCount() != keep && m_pMenu->RemoveMenu(0)) {
    }
}
