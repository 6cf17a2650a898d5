// SPDX-License-Identifier: MIT
#pragma once
// The main window's controls as the table in app/MainControls.h lists them:
// made, named and placed by their rows, found by identifier, and switched
// between the four panels by the rows' states.

#include "app/MainControls.h"

#include <array>
#include <functional>

class QWidget;

class CControlSet final {
public:
    // Makes every row's control with make (a child of the window, owned by
    // Qt) and gives it the row's name, tool tip and accessible name.
    void Create(const std::function<QWidget*(const CControl& row)>& make);

    // The control with identifier id, or null.
    QWidget* Get(int id) const;

    // Every control but the lists to its rectangle.
    void Place() const;
    // With fewer than three columns, the rightmost lists take the leftmost places.
    void PlaceColumns(int count) const;
    // Opens a panel: every control takes the panel's state in the table.
    void ShowPanel(EPanel panel) const;

private:
    std::array<QWidget*, CONTROL_COUNT> m_controls{}; // by row of the table
};
