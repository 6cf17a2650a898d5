// SPDX-License-Identifier: MIT
#pragma once
// Three-way merge of bookmark trees, for a data file that a sync engine
// (Syncthing, a cloud folder, a network share) carries between machines.
//
// The data file has no item identifiers, so items are matched by their place
// and by what they are: in each folder, an item of base, mine and theirs is
// the same item when kind, name and target agree (the n-th such item of a
// folder matches the n-th of the other tree, which is how separators and
// duplicates pair up). A rename or a new target is therefore a removal plus
// an addition, which gives the rules:
//   - what changed on one side only is taken from that side;
//   - what changed the same way on both sides is taken once;
//   - an entry renamed differently on each side stays as two entries;
//   - an entry changed on one side and deleted on the other stays, changed;
//   - a folder deleted on one side keeps whatever the other side added (or
//     changed) inside it, and goes when nothing was;
//   - a folder renamed on one side (a new folder there whose contents differ
//     from the missing one's by at most a quarter) takes the other side's
//     changes inside it under its new name; renamed on both sides, both stay;
//   - the order of mine is kept unless only theirs reordered the folder;
//     items theirs added go after the item they follow in theirs.
// Merging with an empty base keeps everything of both sides (the two-way
// merge, for when no common ancestor is known).
//
// Plain C++; the app converts to and from its CFolder with sync/PlainTree.h.

#include <cstdint>
#include <string>
#include <vector>

// A tree item without observers: what the merge and the history work on.
struct CPlainItem {
    enum class EKind : std::uint8_t { Folder, Entry, Separator };
    EKind m_kind = EKind::Folder;
    std::string m_name;   // empty for a separator
    std::string m_target; // entries only; empty for a blank entry
    std::vector<CPlainItem> m_children;

    bool operator==(const CPlainItem&) const = default;
};

// What a merge brought in, relative to mine, for one note to the user.
struct CMergeSummary {
    int m_added = 0;   // items (not counting their contents) in the result that mine lacked
    int m_removed = 0; // items of mine that are not in the result
    // One line each, e.g. "\"News\" was deleted on one side and kept for what the other added in
    // it".
    std::vector<std::string> m_conflicts;

    bool Changed() const { return m_added > 0 || m_removed > 0; }
    // "The collection was updated from disk: 2 added, 1 removed." plus the
    // conflicts; empty when nothing changed.
    std::string Note() const;
};

struct CMergeResult {
    CPlainItem m_tree;
    CMergeSummary m_summary;
};

// base: the tree both sides started from (an empty folder when unknown);
// mine: this machine's tree; theirs: the one that arrived. The tops are
// folders; their own names are mine's.
CMergeResult MergeTrees(const CPlainItem& base, const CPlainItem& mine, const CPlainItem& theirs);

// How far apart two trees are: the number of items that one has and the
// other lacks, matched as the merge matches them. 0 for equal trees.
std::size_t CountDifferences(const CPlainItem& a, const CPlainItem& b);

// An empty top folder named like the one StartTree makes.
CPlainItem EmptyPlainTree();
