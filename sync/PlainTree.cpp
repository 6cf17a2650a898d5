// SPDX-License-Identifier: MIT
#include "sync/PlainTree.h"

#include "store/DataFile.h"
#include "store/DataRecords.h"
#include "tree/Archive.h"
#include "tree/Item.h"

#include <memory>

CPlainItem PlainCopy(const CItem& item) {
    CPlainItem plain;
    if (const auto* folder = dynamic_cast<const CFolder*>(&item)) {
        plain.m_kind = CPlainItem::EKind::Folder;
        plain.m_name = folder->GetName();
        plain.m_children.reserve(static_cast<std::size_t>(folder->GetCount()));
        for (int i = 0; i < folder->GetCount(); ++i)
            plain.m_children.push_back(PlainCopy(*folder->GetChild(i)));
    } else if (const auto* entry = dynamic_cast<const CEntry*>(&item)) {
        plain.m_kind = CPlainItem::EKind::Entry;
        plain.m_name = entry->GetName();
        plain.m_target = entry->Target();
    } else {
        plain.m_kind = CPlainItem::EKind::Separator; // the kind says it all: no name
    }
    return plain;
}

void AppendPlainChildren(CFolder& folder, const CPlainItem& plain) {
    for (const CPlainItem& child : plain.m_children) {
        switch (child.m_kind) {
        case CPlainItem::EKind::Folder: {
            auto sub = std::make_unique<CFolder>(child.m_name);
            CFolder* held = sub.get();
            const int before = folder.GetCount();
            folder.Append(std::move(sub));
            if (folder.GetCount() > before) // refused when it would nest too deep
                AppendPlainChildren(*held, child);
            break;
        }
        case CPlainItem::EKind::Entry:
            folder.Append(std::make_unique<CEntry>(child.m_name, child.m_target,
                                                   child.m_target.empty() ? &folder : nullptr));
            break;
        case CPlainItem::EKind::Separator:
            folder.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
            break;
        }
    }
}

void WritePlainTree(QIODevice& device, std::string_view key, const CPlainItem& plain) {
    CFolder top(plain.m_name);
    AppendPlainChildren(top, plain);
    WriteTreeRecords(device, key, top);
}

bool ReadPlainTree(QIODevice& device, std::string_view key, CPlainItem* tree) {
    CFolder top(ROOT_FOLDER_NAME);
    try {
        if (ReadTreeRecords(device, key, top) != EReadOutcome::Loaded)
            return false;
    } catch (const CArchiveException&) {
        return false;
    }
    *tree = PlainCopy(top);
    return true;
}

CPlainCodec ClassicCodec(const std::string& key) {
    return {
        [key](QIODevice& device, const CPlainItem& plain) { WritePlainTree(device, key, plain); },
        [key](QIODevice& device, CPlainItem* tree) { return ReadPlainTree(device, key, tree); }};
}

CPlainCodec DataFileCodec(const CSettings& settings, const CDataFileState& state) {
    return {[&settings, &state](QIODevice& device, const CPlainItem& plain) {
                CFolder top(plain.m_name);
                AppendPlainChildren(top, plain);
                WriteTreeAs(device, settings, state, top);
            },
            [&settings, &state](QIODevice& device, CPlainItem* tree) {
                CFolder top(ROOT_FOLDER_NAME);
                try {
                    if (ReadTreeAs(device, settings, state, top) != EReadOutcome::Loaded)
                        return false;
                } catch (const CArchiveException&) {
                    return false;
                }
                *tree = PlainCopy(top);
                return true;
            }};
}
