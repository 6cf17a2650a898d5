// SPDX-License-Identifier: MIT
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
            item.m_kind = CPlainItem::EKind::Separator;
        } else if (word.back() == '[') {
            item.m_kind = CPlainItem::EKind::Folder;
            item.m_name = word.substr(0, word.size() - 1);
            ParseInto(in, item.m_children);
        } else {
            const auto equals = word.find('=');
            item.m_kind = CPlainItem::EKind::Entry;
            item.m_name = word.substr(0, equals);
            item.m_target = equals == std::string::npos ? word : word.substr(equals + 1);
        }
        items.push_back(std::move(item));
    }
}

inline CPlainItem Tree(const std::string& text) {
    CPlainItem top = EmptyPlainTree();
    std::istringstream in(text);
    ParseInto(in, top.m_children);
    return top;
}

inline std::string Text(const std::vector<CPlainItem>& items) {
    std::string text;
    for (const CPlainItem& item : items) {
        if (!text.empty())
            text += ' ';
        if (item.m_kind == CPlainItem::EKind::Separator)
            text += '-';
        else if (item.m_kind == CPlainItem::EKind::Folder)
            text += item.m_name + "[" +
                    (item.m_children.empty() ? "" : " " + Text(item.m_children)) + " ]";
        else
            text += item.m_name + "=" + item.m_target;
    }
    return text;
}

inline std::string Text(const CPlainItem& top) {
    return Text(top.m_children);
}

} // namespace plain
