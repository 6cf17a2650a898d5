// SPDX-License-Identifier: MIT
#pragma once
// An in-memory list column that behaves like the real one: single selection,
// and every change of the selection (by the tree or by a "click") is reported
// at once. By default the report does what the main window does: it calls
// the shown item's Select with the first selected row. Unbind it
// (SetObserver(nullptr)) before the levels are destroyed.

#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/ListOutput.h"

#include <functional>
#include <string>
#include <vector>

class CFakeListOutput final : public IListOutput {
public:
    void SetObserver(CItemObserver* level) override {
        if (m_pLevel && m_pLevel != level && m_pLevel->GetOutput() == this)
            m_pLevel->SetOutput(nullptr);
        m_pLevel = level;
        if (level)
            level->SetOutput(this);
    }
    CItemObserver* GetObserver() const override { return m_pLevel; }
    CItem* GetShownItem() const { return m_pLevel ? m_pLevel->GetSubject() : nullptr; }

    void InsertRow(int index, const std::string& text) override {
        if (index < 0 || index > GetRowCount())
            index = GetRowCount();
        m_rows.insert(m_rows.begin() + index, text);
        if (m_nSelected >= index)
            ++m_nSelected;
    }
    void DeleteAllRows() override {
        m_rows.clear();
        m_nSelected = -1;
    }
    int GetFirstSelectedRow() const override { return m_nSelected; }
    void SetRowSelectedFocused(int index) override {
        if (index < 0 || index >= GetRowCount())
            return;
        m_nSelected = index;
        ReportSelectionChange();
    }
    int GetRowCount() const override { return static_cast<int>(m_rows.size()); }
    std::string GetRowText(int index) const override {
        return index >= 0 && index < GetRowCount() ? m_rows[static_cast<std::size_t>(index)]
                                                   : std::string();
    }

    // The user clicks a row (-1: clicks beside the rows, selecting none).
    void Click(int index) {
        m_nSelected = index >= 0 && index < GetRowCount() ? index : -1;
        ReportSelectionChange();
    }

    const std::vector<std::string>& Rows() const { return m_rows; }
    int Notifications() const { return m_nNotifications; }

    // Replaces the main window's handling of a selection report.
    std::function<void(CFakeListOutput&)> m_onSelectionChanged;

private:
    void ReportSelectionChange() {
        ++m_nNotifications;
        if (m_onSelectionChanged) {
            m_onSelectionChanged(*this);
        } else if (CItem* shown = GetShownItem()) {
            shown->Select(m_nSelected);
        }
    }

    CItemObserver* m_pLevel = nullptr;
    std::vector<std::string> m_rows;
    int m_nSelected = -1;
    int m_nNotifications = 0;
};
