// SPDX-License-Identifier: MIT
#pragma once
// One per item: routes every display call either to the level observer of
// the item's depth (column display) or to the item's own menu observer (menu
// display), as g_nDisplayMode says. The chain of depths (Get/SetNextLevel)
// always goes to the level, so items placed during menu display still get
// the right depth. The menu observer is owned by the switch and goes with it;
// the level is shared with the item's siblings and not owned.
//
// An item's menu observer (with its own empty menu) is made the first time
// menu display needs it, so that a tree only ever listed in columns carries
// no menu objects; from outside it is as if it had been made with the switch.

#include "tree/ItemObserver.h"
#include "tree/MenuObserver.h"

#include <memory>

class CObserverSwitch final : public CItemObserver {
public:
    // The menu observer borrows borrowedMenu when given (the top folder's,
    // with the "Content" pop-up), else it owns a new empty menu. top: the top
    // folder's switch, whose menu starts the numbering (StartTree).
    explicit CObserverSwitch(CItemObserver* level, CMenu* borrowedMenu = nullptr, bool top = false);
    ~CObserverSwitch() override;

    void OnChildAdded(int index) override;
    void ShowDetail(const std::string& text, bool enable) override;
    void SetOutput(CObserverOutput* output) override;
    CObserverOutput* GetOutput() const override;
    void SelectRow(int index) override;
    void Clear() override;
    void SetSubject(CItem* item) override;
    CItemObserver* GetNextLevel() const override;
    void SetNextLevel(std::unique_ptr<CItemObserver> level) override;

    CItemObserver* GetLevel() const { return m_pLevel; }
    // The item moved to another depth (tree/Item.h, CFolder::Take).
    void SetLevel(CItemObserver* level) { m_pLevel = level; }
    CMenuObserver* GetMenuObserver() { return &Menu(); }

private:
    bool MenuDisplay() const;
    CMenuObserver& Menu() const;

    CItemObserver* m_pLevel;
    mutable std::unique_ptr<CMenuObserver> m_pMenu; // made by Menu() unless borrowing
};
