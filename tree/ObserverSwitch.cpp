// SPDX-License-Identifier: MIT
#include "tree/ObserverSwitch.h"

#include "tree/TreeState.h"

CObserverSwitch::CObserverSwitch(CItemObserver* level, CMenu* borrowedMenu, bool top)
    : m_pLevel(level) {
    if (borrowedMenu || top)
        m_pMenu = std::make_unique<CMenuObserver>(borrowedMenu, top);
}

CObserverSwitch::~CObserverSwitch() = default;

bool CObserverSwitch::MenuDisplay() const {
    return g_nDisplayMode == 1;
}

CMenuObserver& CObserverSwitch::Menu() const {
    if (!m_pMenu)
        m_pMenu = std::make_unique<CMenuObserver>();
    return *m_pMenu;
}

// Calls to the menu side are direct (CMenuObserver is final).

void CObserverSwitch::OnChildAdded(int index) {
    if (MenuDisplay())
        Menu().OnChildAdded(index);
    else if (m_pLevel)
        m_pLevel->OnChildAdded(index);
}

void CObserverSwitch::ShowDetail(const std::string& text, bool enable) {
    if (MenuDisplay())
        Menu().ShowDetail(text, enable);
    else if (m_pLevel)
        m_pLevel->ShowDetail(text, enable);
}

void CObserverSwitch::SetOutput(CObserverOutput* output) {
    if (MenuDisplay())
        Menu().SetOutput(output);
    else if (m_pLevel)
        m_pLevel->SetOutput(output);
}

CObserverOutput* CObserverSwitch::GetOutput() const {
    if (MenuDisplay())
        return Menu().GetOutput();
    return m_pLevel ? m_pLevel->GetOutput() : nullptr;
}

void CObserverSwitch::SelectRow(int index) {
    if (MenuDisplay())
        Menu().SelectRow(index);
    else if (m_pLevel)
        m_pLevel->SelectRow(index);
}

void CObserverSwitch::Clear() {
    if (MenuDisplay())
        Menu().Clear();
    else if (m_pLevel)
        m_pLevel->Clear();
}

void CObserverSwitch::SetSubject(CItem* item) {
    if (MenuDisplay())
        Menu().SetSubject(item);
    else if (m_pLevel)
        m_pLevel->SetSubject(item);
}

CItemObserver* CObserverSwitch::GetNextLevel() const {
    return m_pLevel ? m_pLevel->GetNextLevel() : nullptr;
}

void CObserverSwitch::SetNextLevel(std::unique_ptr<CItemObserver> level) {
    if (m_pLevel)
        m_pLevel->SetNextLevel(std::move(level));
}
