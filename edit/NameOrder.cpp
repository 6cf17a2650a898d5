#include "edit/NameOrder.h"

#include "text/TextCodec.h"
#include "tree/Item.h"

#include <QString>
#include <algorithm>

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int Compare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Two runs of digits: by value (leading zeros skipped), that is
            // by length and then digit by digit.
            while (i < a.size() && a[i] == QLatin1Char('0'))
                ++i;
            while (j < b.size() && b[j] == QLatin1Char('0'))
                ++j;
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && IsDigit(a[ei]))
                ++ei;
            while (ej < b.size() && IsDigit(b[ej]))
                ++ej;
            if (ei - i != ej - j)
                return ei - i < ej - j ? -1 : 1;
            for (; i < ei; ++i, ++j)
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace

int CompareNames(const std::string& a, const std::string& b) {
    return Compare(TextFromBytes(a), TextFromBytes(b));
}

std::vector<CItem*> SortedChildren(const CItem& folder) {
    std::vector<CItem*> order;
    const int count = folder.GetCount();
    if (count <= 0)
        return order;
    order.reserve(static_cast<std::size_t>(count));
    std::vector<QString> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        order.push_back(folder.GetChild(i));
        keys.push_back(TextFromBytes(order.back()->GetName()));
    }
    std::vector<std::size_t> index(order.size());
    for (std::size_t i = 0; i < index.size(); ++i)
        index[i] = i;
    auto sortGroup = [&](std::size_t begin, std::size_t end) {
        std::stable_sort(
            index.begin() + static_cast<std::ptrdiff_t>(begin),
            index.begin() + static_cast<std::ptrdiff_t>(end),
            [&](std::size_t x, std::size_t y) { return Compare(keys[x], keys[y]) < 0; });
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
