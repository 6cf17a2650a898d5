// SPDX-License-Identifier: MIT
#include "tree/ItemObserver.h"

#include "tree/AddressBox.h"
#include "tree/Item.h"
#include "tree/ListOutput.h"
#include "tree/TreeState.h"

// ---------------------------------------------------------------- CColumnObserver

CColumnObserver::~CColumnObserver() {
    // Unlink the deeper levels one at a time, so that a deep chain is not
    // destroyed by recursion.
    std::unique_ptr<CItemObserver> next = std::move(m_pNext);
    while (next) {
        auto* column = dynamic_cast<CColumnObserver*>(next.get());
        std::unique_ptr<CItemObserver> after = column ? std::move(column->m_pNext) : nullptr;
        next = std::move(after);
    }
}

void CColumnObserver::OnChildAdded(int index) {
    if (!m_pSubject || !m_pList)
        return;
    if (CItem* child = m_pSubject->GetChild(index))
        m_pList->InsertRow(index, child->GetName());
}

void CColumnObserver::ShowDetail(const std::string& text, bool enable) {
    // Whichever depth shows an entry drives the one address box, bound or not.
    if (g_pAddressBox) {
        g_pAddressBox->EnableWithButtons(enable);
        g_pAddressBox->SetText(text);
    }
}

void CColumnObserver::SetOutput(CObserverOutput* output) {
    m_pList = output ? output->AsList() : nullptr;
}

CObserverOutput* CColumnObserver::GetOutput() const {
    return m_pList;
}

void CColumnObserver::SelectRow(int index) {
    if (!m_pList)
        return;
    // Selecting the row makes the list report the change, which comes back
    // here as the container's Select(index); this test ends that exchange.
    if (m_pList->GetFirstSelectedRow() == index)
        return;
    m_pList->SetRowSelectedFocused(index);
}

void CColumnObserver::Clear() {
    if (m_pList)
        m_pList->DeleteAllRows();
    SetSubject(nullptr);
}

void CColumnObserver::SetSubject(CItem* item) {
    if (g_pAddressBox)
        g_pAddressBox->SetCurrentItem(item);
    m_pSubject = item;
}

CItemObserver* CColumnObserver::GetNextLevel() const {
    return m_pNext.get();
}

void CColumnObserver::SetNextLevel(std::unique_ptr<CItemObserver> level) {
    m_pNext = std::move(level);
}
