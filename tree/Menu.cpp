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
    m_bHandle = false;
    return true;
}

bool CMenu::Insert(int position, Item item) {
    if (!m_bHandle)
        return false;
    if (position < 0 || static_cast<std::size_t>(position) >= m_items.size())
        m_items.push_back(std::move(item));
    else
        m_items.insert(m_items.begin() + position, std::move(item));
    return true;
}

bool CMenu::InsertSeparator(int position) {
    return Insert(position, Item{Kind::Separator, 0, std::string(), nullptr});
}

bool CMenu::InsertCommand(int position, unsigned id, std::string text) {
    return Insert(position, Item{Kind::Command, id, std::move(text), nullptr});
}

bool CMenu::InsertPopup(int position, CMenu* popup, std::string text) {
    if (!popup || !popup->IsMenu())
        return false;
    return Insert(position, Item{Kind::Popup, 0, std::move(text), popup});
}

bool CMenu::RemoveMenu(int position) {
    if (!m_bHandle || position < 0 || static_cast<std::size_t>(position) >= m_items.size())
        return false;
    if (position == 0)
        m_items.pop_front();
    else
        m_items.erase(m_items.begin() + position);
    return true;
}

int CMenu::GetMenuItemCount() const {
    return m_bHandle ? static_cast<int>(m_items.size()) : -1;
}

const CMenu::Item* CMenu::GetItem(int position) const {
    if (!m_bHandle || position < 0 || static_cast<std::size_t>(position) >= m_items.size())
        return nullptr;
    return &m_items[static_cast<std::size_t>(position)];
}
