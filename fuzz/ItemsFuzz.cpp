// SPDX-License-Identifier: MIT
// Reads arbitrary bytes as the tree's items on the clipboard or in a drag,
// which any other program may offer. Whatever decodes must encode again, and
// those bytes must decode to the same items and encode to the same bytes. A
// crash, a leak, undefined behaviour or a differing round trip is a finding;
// a refused input is not.

#include "edit/ItemMime.h"
#include "tree/Item.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

QByteArray Encode(const std::vector<std::unique_ptr<CItem>>& items) {
    std::vector<const CItem*> pointers;
    pointers.reserve(items.size());
    for (const auto& item : items)
        pointers.push_back(item.get());
    return EncodeItems(pointers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto items =
        DecodeItems(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (items.empty())
        return 0;
    const QByteArray once = Encode(items);
    const auto again = DecodeItems(once);
    if (again.size() != items.size() || Encode(again) != once) {
        std::fprintf(stderr, "the encoded items decode differently\n");
        std::abort();
    }
    return 0;
}
