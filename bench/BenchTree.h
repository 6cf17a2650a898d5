// SPDX-License-Identifier: MIT
#pragma once
// What the tree and edit benchmarks share: a list column reduced to a vector of
// rows, and the names of generated bookmarks.

#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/ListOutput.h"

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// The least a list column can be: a vector of rows and one selected row,
// reporting selection changes to the item it shows.
class CVectorList final : public IListOutput {
public:
    void SetObserver(CItemObserver* level) override {
        m_pLevel = level;
        if (level)
            level->SetOutput(this);
    }
    CItemObserver* GetObserver() const override { return m_pLevel; }
    void InsertRow(int index, const std::string& text) override {
        if (index == static_cast<int>(m_rows.size()))
            m_rows.push_back(text);
        else
            m_rows.insert(m_rows.begin() + index, text);
    }
    void DeleteAllRows() override {
        m_rows.clear();
        m_nSelected = -1;
    }
    int GetFirstSelectedRow() const override { return m_nSelected; }
    void SetRowSelectedFocused(int index) override {
        m_nSelected = index;
        if (m_pLevel && m_pLevel->GetSubject())
            m_pLevel->GetSubject()->Select(index);
    }
    int GetRowCount() const override { return static_cast<int>(m_rows.size()); }
    std::string GetRowText(int index) const override {
        return m_rows[static_cast<std::size_t>(index)];
    }

private:
    CItemObserver* m_pLevel = nullptr;
    std::vector<std::string> m_rows;
    int m_nSelected = -1;
};

inline std::string NameOf(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "Bookmark %06d", i);
    return name;
}

} // namespace bench
