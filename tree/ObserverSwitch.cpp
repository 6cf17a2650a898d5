#include "tree/ObserverSwitch.h"

#include "tree/TreeState.h"

CObserverSwitch::CObserverSwitch(CItemObserver* level, CMenu* borrowedMenu)
    : m_pLevel(level), m_menu(borrowedMenu) {}

CObserverSwitch::~CObserverSwitch() = default;

bool CObserverSwitch::MenuDisplay() const {
    return g_nDisplayMode == 1;
}

// Calls to the menu side are direct (CMenuObserver is final), which keeps a
// menu projection of a large tree from visiting objects it need not touch.

void CObserverSwitch::OnChildAdded(int index) {
    if (MenuDisplay())
        m_menu.OnChildAdded(index);
    else if (m_pLevel)
        m_pLevel->OnChildAdded(index);
}

void CObserverSwitch::ShowDetail(const std::string& text, bool enable) {
    if (MenuDisplay())
        m_menu.ShowDetail(text, enable);
    else if (m_pLevel)
        m_pLevel->ShowDetail(text, enable);
}

void CObserverSwitch::SetOutput(IObserverOutput* output) {
    if (MenuDisplay())
        m_menu.SetOutput(output);
    else if (m_pLevel)
        m_pLevel->SetOutput(output);
}

IObserverOutput* CObserverSwitch::GetOutput() const {
    if (MenuDisplay())
        return m_menu.GetOutput();
    return m_pLevel ? m_pLevel->GetOutput() : nullptr;
}

void CObserverSwitch::SelectRow(int index) {
    if (MenuDisplay())
        m_menu.SelectRow(index);
    else if (m_pLevel)
        m_pLevel->SelectRow(index);
}

void CObserverSwitch::Clear() {
    if (MenuDisplay())
        m_menu.Clear();
    else if (m_pLevel)
        m_pLevel->Clear();
}

void CObserverSwitch::SetSubject(CItem* item) {
    if (MenuDisplay())
        m_menu.SetSubject(item);
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
