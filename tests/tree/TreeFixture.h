// SPDX-License-Identifier: MIT
#pragma once
// A freshly started tree with the main window's parts in memory: the
// "Content" pop-up, the address box and three list columns.

#include "fakes/FakeAddressBox.h"
#include "fakes/FakeListOutput.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/MenuResource.h"
#include "tree/ObserverSwitch.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTreeState();
        g_pAddressBox = &m_address;
        m_top = StartTree(m_content.get());
    }
    void TearDown() override {
        m_left.SetObserver(nullptr);
        m_middle.SetObserver(nullptr);
        m_right.SetObserver(nullptr);
        EndTree(std::move(m_top));
        ResetTreeState();
    }

    int Bind(CItemObserver* level) {
        return BindColumns(level, m_top.get(), &m_left, &m_middle, &m_right);
    }
    int Bind() { return Bind(g_pFirstLevel); }
    static CItemObserver* Level(int depth) {
        CItemObserver* level = g_pFirstLevel;
        while (level && depth-- > 0)
            level = level->GetNextLevel();
        return level;
    }

    std::unique_ptr<CMenu> m_content = MakeContentMenu();
    CFakeAddressBox m_address;
    CFakeListOutput m_left, m_middle, m_right;
    std::unique_ptr<CFolder> m_top;
};

// Building trees the way loading does (no display).
inline CFolder* AddFolder(CFolder& parent, const std::string& name) {
    auto folder = std::make_unique<CFolder>(name);
    CFolder* added = folder.get();
    parent.Append(std::move(folder));
    return added;
}
inline CEntry* AddEntry(CFolder& parent, const std::string& name, const std::string& target) {
    auto entry = std::make_unique<CEntry>(name, target, nullptr);
    CEntry* added = entry.get();
    parent.Append(std::move(entry));
    return added;
}
inline CEntry* AddBlank(CFolder& parent, const std::string& name) {
    auto entry = std::make_unique<CEntry>(name, "", &parent);
    CEntry* added = entry.get();
    parent.Append(std::move(entry));
    return added;
}
inline CItem* AddSeparator(CFolder& parent) {
    auto separator = std::make_unique<CItem>(SEPARATOR_TEXT);
    CItem* added = separator.get();
    parent.Append(std::move(separator));
    return added;
}

// Kinds of item, for tables of cases.
enum class EKind { Entry, Blank, Folder, Separator };

inline CItem* AddKind(CFolder& parent, EKind kind, const std::string& name) {
    switch (kind) {
    case EKind::Entry:
        return AddEntry(parent, name, "http://" + name);
    case EKind::Blank:
        return AddBlank(parent, name);
    case EKind::Folder:
        return AddFolder(parent, name);
    case EKind::Separator:
        break;
    }
    return AddSeparator(parent);
}

inline std::vector<std::string> ChildNames(const CItem& folder) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(std::max(folder.GetCount(), 0))); // an entry counts -1
    for (int i = 0; i < folder.GetCount(); ++i)
        names.push_back(folder.GetChild(i)->GetName());
    return names;
}

using Names = std::vector<std::string>;
