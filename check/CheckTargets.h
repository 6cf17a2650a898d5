// SPDX-License-Identifier: MIT
#pragma once
// What a link check and the duplicate finder work on: the entries below a
// folder, each with the target it had when it was collected, and the way back
// from a result to the entry it belongs to.
//
// A check runs while the user goes on editing. A result names its entry by
// the key it was collected under; CEntryIndex, built from the tree as it is
// when the result is used, hands the entry out only while it is still in the
// tree with the very target that was checked. An entry moved elsewhere is
// found at its new place (the result follows it); an entry deleted, or given
// another target, is not found (the result is dropped). An entry's pointer
// is only compared, never followed, until the index has found it in the tree.

#include <QString>
#include <QUrl>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CItem;
class CEntry;

enum class ETargetKind : unsigned char {
    Web,   // http or https (a text starting "www." is taken as http)
    Local, // an absolute path or a file: URL
    Other, // anything else (mail, other schemes, relative texts): not checked
};

struct CTargetKind {
    ETargetKind m_kind = ETargetKind::Other;
    QUrl m_url;          // Web: the address to ask for
    QString m_path;      // Local: the path to look for
    bool m_valid = true; // false for a Web address that is no valid URL
};

// How the checker treats target.
CTargetKind ClassifyTarget(const std::string& target);

struct CCollected {
    CEntry* m_entry; // not owned; compare only (see above)
    std::string m_target;
};

// Every entry with a target at or below item (an entry counts itself), in
// the tree's order.
std::vector<CCollected> CollectEntries(const CItem& item);

// Where the entries of a tree are now: rows from the top folder down (as
// CMainDialog::RevealPath and SelectPath take them) and their folders.
class CEntryIndex final {
public:
    struct CPlace {
        CEntry* m_entry;
        CItem* m_folder; // the folder holding it
        std::vector<int> m_rows;
    };

    explicit CEntryIndex(CItem& top);

    // The entry's place when it is still in the tree with target; null otherwise.
    const CPlace* Find(const CEntry* entry, const std::string& target) const;

private:
    std::unordered_map<const CEntry*, CPlace> m_places;
};
