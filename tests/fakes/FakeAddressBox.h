#pragma once
// An in-memory address box: remembers what the tree told it.

#include "tree/AddressBox.h"

#include <string>

class FakeAddressBox final : public IAddressBox {
public:
    void SetCurrentItem(CItem* item) override { current = item; }
    CItem* GetCurrentItem() const override { return current; }
    void EnableWithButtons(bool enable) override { enabled = enable; }
    void SetText(const std::string& value) override { text = value; }

    CItem* current = nullptr;
    bool enabled = false;
    std::string text;
};
