// SPDX-License-Identifier: MIT
#pragma once
// A list column as the tree sees it: a single-selection list of text rows.
// The GUI's bookmark list control implements it; tests use an in-memory one.

#include "tree/ObserverOutput.h"

#include <string>

class CItemObserver;

class IListOutput : public CObserverOutput {
public:
    IListOutput* AsList() override { return this; }

    // Remembers the level observer that fills this list and hands the list to
    // it (level->SetOutput(this)). Null forgets the level.
    virtual void SetObserver(CItemObserver* level) = 0;
    virtual CItemObserver* GetObserver() const = 0;

    // Inserts a text-only row at index (0..row count); it is neither selected
    // nor scrolled into view.
    virtual void InsertRow(int index, const std::string& text) = 0;
    virtual void DeleteAllRows() = 0;
    // The first selected row, -1 when none.
    virtual int GetFirstSelectedRow() const = 0;
    // Makes row index the selected and focused row. Like any change of the
    // selection, this is reported to whoever follows the list (the main
    // window), which calls the shown container's Select with the first
    // selected row, re-entering the tree while it is still selecting.
    virtual void SetRowSelectedFocused(int index) = 0;
    virtual int GetRowCount() const = 0;
    virtual std::string GetRowText(int index) const = 0;
};
