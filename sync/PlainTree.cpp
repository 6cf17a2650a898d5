#include "sync/PlainTree.h"

#include "store/DataFile.h"
#include "store/DataRecords.h"
#include "tree/Archive.h"
#include "tree/Item.h"

#include <memory>

CPlainItem PlainCopy(const CItem& item) {
    CPlainItem plain;
    if (const auto* folder = dynamic_cast<const CFolder*>(&item)) {
        plain.kind = CPlainItem::Kind::folder;
        plain.name = folder->GetName();
        plain.children.reserve(static_cast<std::size_t>(folder->GetCount()));
        for (int i = 0; i < folder->GetCount(); ++i)
            plain.children.push_back(PlainCopy(*folder->GetChild(i)));
    } else if (const auto* entry = dynamic_cast<const CEntry*>(&item)) {
        plain.kind = CPlainItem::Kind::entry;
        plain.name = entry->GetName();
        plain.target = entry->Target();
    } else {
        plain.kind = CPlainItem::Kind::separator; // the kind says it all: no name
    }
    return plain;
}

void AppendPlainChildren(CFolder& folder, const CPlainItem& plain) {
    for (const CPlainItem& child : plain.children) {
        switch (child.kind) {
        case CPlainItem::Kind::folder: {
            auto sub = std::make_unique<CFolder>(child.name);
            CFolder* held = sub.get();
            const int before = folder.GetCount();
            folder.Append(std::move(sub));
            if (folder.GetCount() > before) // refused when it would nest too deep
                AppendPlainChildren(*held, child);
            break;
        }
        case CPlainItem::Kind::entry:
            folder.Append(std::make_unique<CEntry>(child.name, child.target,
                                                   child.target.empty() ? &folder : nullptr));
            break;
        case CPlainItem::Kind::separator:
            folder.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
            break;
        }
    }
}

void WritePlainTree(QIODevice& device, std::string_view key, const CPlainItem& plain) {
    CFolder top(plain.name);
    AppendPlainChildren(top, plain);
    WriteTreeRecords(device, key, top);
}

bool ReadPlainTree(QIODevice& device, std::string_view key, CPlainItem* tree) {
    CFolder top(ROOT_FOLDER_NAME);
    try {
        if (ReadTreeRecords(device, key, top) != ReadOutcome::loaded)
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
                CFolder top(plain.name);
                AppendPlainChildren(top, plain);
                WriteTreeAs(device, settings, state, top);
            },
            [&settings, &state](QIODevice& device, CPlainItem* tree) {
                CFolder top(ROOT_FOLDER_NAME);
                try {
                    if (ReadTreeAs(device, settings, state, top) != ReadOutcome::loaded)
                        return false;
                } catch (const CArchiveException&) {
                    return false;
                }
                *tree = PlainCopy(top);
                return true;
            }};
}
