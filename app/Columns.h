// SPDX-License-Identifier: MIT
#pragma once
// The main window's three list columns: which three consecutive depths of
// the tree they show, and the hidden navigation commands that step them.

#include <array>
#include <functional>

class CBookmarkListCtrl;
class CFolder;
class CItemObserver;

// What the editing of the columns (app/EditActions.h) needs of them.
class IColumns {
public:
    virtual ~IColumns() = default;
    // The level the leftmost column shows (null: none).
    virtual CItemObserver* LeftmostLevel() const = 0;
    // Shows level and the two after it; returns how many columns show one
    // (0: nothing changed).
    virtual int Bind(CItemObserver* level) = 0;
    // One depth towards the top folder, or one deeper.
    virtual void StepUp() = 0;
    virtual void StepDown() = 0;
};

class CColumns final : public IColumns {
public:
    using Lists = std::array<CBookmarkListCtrl*, 3>; // left, middle, right
    // top: the tree's top folder now (null while none is loaded).
    CColumns(const Lists& lists, std::function<CFolder*()> top);

    CItemObserver* LeftmostLevel() const override;
    int Bind(CItemObserver* level) override;
    void StepUp() override;
    void StepDown() override;
    // The top folder's depths; the deepest that still fills a column.
    void ShowTop();
    void ShowDeepest();
    // A column's selection (or focus) changed: its item selects that row.
    static void FollowSelection(CBookmarkListCtrl* list);

private:
    Lists m_lists;
    std::function<CFolder*()> m_top;
};
