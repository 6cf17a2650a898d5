// SPDX-License-Identifier: MIT
#include "edit/NameOrder.h"

#include "text/TextCodec.h"
#include "tree/Item.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>

namespace {

// The user's language's order of names, with digit runs as numbers and case
// aside. The C locale has no order of its own (Qt compares code units there
// and knows no numbers), so English stands in for it.
QCollator NameCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

int CompareNames(const std::string& a, const std::string& b) {
    return NameCollator().compare(TextFromBytes(a), TextFromBytes(b));
}

std::vector<CItem*> SortedChildren(const CItem& folder) {
    std::vector<CItem*> order;
    const int count = folder.GetCount();
    if (count <= 0)
        return order;
    order.reserve(static_cast<std::size_t>(count));
    const QCollator collator = NameCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        order.push_back(folder.GetChild(i));
        keys.push_back(collator.sortKey(TextFromBytes(order.back()->GetName())));
    }
    std::vector<std::size_t> index(order.size());
    for (std::size_t i = 0; i < index.size(); ++i)
        index[i] = i;
    auto sortGroup = [&](std::size_t begin, std::size_t end) {
        std::stable_sort(
            index.begin() + static_cast<std::ptrdiff_t>(begin),
            index.begin() + static_cast<std::ptrdiff_t>(end),
            [&](std::size_t x, std::size_t y) { return keys[x].compare(keys[y]) < 0; });
    };
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= order.size(); ++i) {
        if (i == order.size() || order[i]->IsSeparator()) {
            sortGroup(begin, i);
            begin = i + 1;
        }
    }
    std::vector<CItem*> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : index)
        sorted.push_back(order[i]);
    return sorted;
}
