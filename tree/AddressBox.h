// SPDX-License-Identifier: MIT
#pragma once
// The address box as the tree sees it: it shows the target of the entry that
// a level displays and keeps that item, which gets the typed text when the
// box loses the focus. The main window's address edit implements it and sets
// g_pAddressBox (tree/TreeState.h).

#include <string>

class CItem;

class IAddressBox {
public:
    virtual ~IAddressBox() = default;
    // The item whose target the box shows (not owned); null for none.
    virtual void SetCurrentItem(CItem* item) = 0;
    virtual CItem* GetCurrentItem() const = 0;
    // Enables or disables the box together with the Go and Select buttons.
    virtual void EnableWithButtons(bool enable) = 0;
    virtual void SetText(const std::string& text) = 0;
};
