// SPDX-License-Identifier: MIT
#include "tree/Menu.h"

bool CMenu::CreateMenu() {
    if (m_bHandle)
        return false;
    m_bHandle = true;
    return true;
}

bool CMenu::DestroyMenu() {
    if (!m_bHandle)
        return false;
    m_items.clear();
    m_nFront = 0;
    m_bHandle = false;
    return true;
}

bool CMenu::Insert(int position, CMenuItem item) {
    if (!m_bHandle)
        return false;
    if (position == 0 && m_nFront > 0) {
        m_items[--m_nFront] = std::move(item);
        return true;
    }
    if (m_nFront > 0) {
        // Close the gap left by removals from the front before it moves.
        m_items.erase(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(m_nFront));
        m_nFront = 0;
    }
    if (position < 0 || static_cast<std::size_t>(position) >= Size()) {
        m_items.push_back(std::move(item));
    } else {
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(m_nFront + position),
                       std::move(item));
    }
    return true;
}

bool CMenu::InsertSeparator(int position) {
    return Insert(position, CMenuItem{EKind::Separator, 0, std::string(), nullptr});
}

bool CMenu::InsertCommand(int position, unsigned id, std::string text) {
    return Insert(position, CMenuItem{EKind::Command, id, std::move(text), nullptr});
}

bool CMenu::InsertPopup(int position, CMenu* popup, std::string text) {
    if (!popup || !popup->IsMenu())
        return false;
    return Insert(position, CMenuItem{EKind::Popup, 0, std::move(text), popup});
}

bool CMenu::RemoveMenu(int position) {
    if (!m_bHandle || position < 0 || static_cast<std::size_t>(position) >= Size())
        return false;
    if (position == 0) {
        // Only the start moves; the gap is closed by the next insertion.
        m_items[m_nFront] = CMenuItem();
        if (++m_nFront == m_items.size()) {
            m_items.clear();
            m_nFront = 0;
        }
    } else {
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(m_nFront + position));
    }
    return true;
}

int CMenu::GetMenuItemCount() const {
    return m_bHandle ? static_cast<int>(Size()) : -1;
}

const CMenu::CMenuItem* CMenu::GetItem(int position) const {
    if (!m_bHandle || position < 0 || static_cast<std::size_t>(position) >= Size())
        return nullptr;
    return &m_items[m_nFront + static_cast<std::size_t>(position)];
}
