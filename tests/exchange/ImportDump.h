// SPDX-License-Identifier: MIT
#pragma once
// Imports and trees written as one line of text, so that two compare as
// strings and a difference shows where:
//   F(name)[child child ...] | E(name|target) | S

#include "exchange/ImportTree.h"
#include "text/TextCodec.h"
#include "tree/Item.h"

#include <string>

inline std::string DumpNode(const CImportNode& node) {
    if (node.m_kind == CImportNode::Separator)
        return "S";
    if (node.m_kind == CImportNode::Entry)
        return "E(" + node.m_name + "|" + node.m_target + ")";
    std::string text = "F(" + node.m_name + ")[";
    for (std::size_t i = 0; i < node.m_children.size(); ++i)
        text += (i ? " " : "") + DumpNode(node.m_children[i]);
    return text + "]";
}

// The children of an import, without its own folder.
inline std::string DumpImport(const CImportNode& root) {
    std::string text;
    for (std::size_t i = 0; i < root.m_children.size(); ++i)
        text += (i ? " " : "") + DumpNode(root.m_children[i]);
    return text;
}

// A tree item as the window shows it (bytes that are not UTF-8 as Latin-1).
inline std::string DumpShown(const CItem& item) {
    const auto shown = [](const std::string& bytes) { return TextFromBytes(bytes).toStdString(); };
    if (const auto* folder = dynamic_cast<const CFolder*>(&item)) {
        std::string text = "F(" + shown(folder->GetName()) + ")[";
        for (int i = 0; i < folder->GetCount(); ++i)
            text += (i ? " " : "") + DumpShown(*folder->GetChild(i));
        return text + "]";
    }
    if (dynamic_cast<const CEntry*>(&item))
        return "E(" + shown(item.GetName()) + "|" + shown(item.GetTarget()) + ")";
    return "S";
}

inline std::string DumpShownChildren(const CFolder& folder) {
    std::string text;
    for (int i = 0; i < folder.GetCount(); ++i)
        text += (i ? " " : "") + DumpShown(*folder.GetChild(i));
    return text;
}
