#pragma once
// Trees of the sync tests written as text: "a=x" an entry named a with target
// x, "a=" a blank entry, "-" a separator, "F[ ... ]" a folder; space between.

#include "sync/TreeMerge.h"

#include <sstream>
#include <string>

namespace plain {

inline void ParseInto(std::istringstream& in, std::vector<CPlainItem>& items) {
    std::string word;
    while (in >> word) {
        if (word == "]")
            return;
        CPlainItem item;
        if (word == "-") {
            item.kind = CPlainItem::Kind::separator;
        } else if (word.back() == '[') {
            item.kind = CPlainItem::Kind::folder;
            item.name = word.substr(0, word.size() - 1);
            ParseInto(in, item.children);
        } else {
            const auto equals = word.find('=');
            item.kind = CPlainItem::Kind::entry;
            item.name = word.substr(0, equals);
            item.target = equals == std::string::npos ? word : word.substr(equals + 1);
        }
        items.push_back(std::move(item));
    }
}

inline CPlainItem Tree(const std::string& text) {
    CPlainItem top = EmptyPlainTree();
    std::istringstream in(text);
    ParseInto(in, top.children);
    return top;
}

inline std::string Text(const std::vector<CPlainItem>& items) {
    std::string text;
    for (const CPlainItem& item : items) {
        if (!text.empty())
            text += ' ';
        if (item.kind == CPlainItem::Kind::separator)
            text += '-';
        else if (item.kind == CPlainItem::Kind::folder)
            text +=
                item.name + "[" + (item.children.empty() ? "" : " " + Text(item.children)) + " ]";
        else
            text += item.name + "=" + item.target;
    }
    return text;
}

inline std::string Text(const CPlainItem& top) {
    return Text(top.children);
}

} // namespace plain
