// SPDX-License-Identifier: MIT
#pragma once
// An in-memory address box: remembers what the tree told it.

#include "tree/AddressBox.h"

#include <string>

class CFakeAddressBox final : public IAddressBox {
public:
    void SetCurrentItem(CItem* item) override { m_current = item; }
    CItem* GetCurrentItem() const override { return m_current; }
    void EnableWithButtons(bool enable) override { m_enabled = enable; }
    void SetText(const std::string& value) override { m_text = value; }

    CItem* m_current = nullptr;
    bool m_enabled = false;
    std::string m_text;
};
