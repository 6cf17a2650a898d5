// SPDX-License-Identifier: MIT
#include "sync/TreeMerge.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

using Kind = CPlainItem::EKind;
using Items = std::vector<CPlainItem>;

std::size_t KeyHash(const CPlainItem& item) {
    std::size_t hash = std::hash<std::string_view>{}(item.m_name);
    hash ^= std::hash<std::string_view>{}(item.m_target) + 0x9e3779b97f4a7c15ULL + (hash << 6) +
            (hash >> 2);
    return hash * 31 + static_cast<std::size_t>(item.m_kind);
}

bool SameKey(const CPlainItem& a, const CPlainItem& b) {
    return a.m_kind == b.m_kind && a.m_name == b.m_name && a.m_target == b.m_target;
}

// One folder's children, looked up by key and occurrence: the n-th child
// with a key matches the n-th child with that key in another folder.
class CFolderIndex {
public:
    explicit CFolderIndex(const Items& items)
        : m_items(items), m_next(items.size(), -1), m_occurrence(items.size(), 0),
          m_hash(items.size()) {
        m_keys.reserve(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const int index = static_cast<int>(i);
            m_hash[i] = KeyHash(items[i]);
            auto [it, inserted] =
                m_keys.try_emplace(CKey{&items[i], m_hash[i]}, CChain{index, index, 1});
            if (!inserted) {
                m_next[static_cast<std::size_t>(it->second.m_last)] = index;
                it->second.m_last = index;
                m_occurrence[i] = it->second.m_count++;
            }
        }
    }

    // The index of the occurrence-th child with item's key (of that hash);
    // -1 for none.
    int Find(const CPlainItem& item, std::size_t hash, int occurrence) const {
        const auto it = m_keys.find(CKey{&item, hash});
        if (it == m_keys.end())
            return -1;
        int index = it->second.m_first;
        while (index >= 0 && occurrence-- > 0)
            index = m_next[static_cast<std::size_t>(index)];
        return index;
    }
    // The child of other matching other's index-th child; -1 for none.
    int Match(const CFolderIndex& other, int index) const {
        const auto i = static_cast<std::size_t>(index);
        return Find(other.m_items[i], other.m_hash[i], other.m_occurrence[i]);
    }

private:
    struct CKey {
        const CPlainItem* m_item;
        std::size_t m_hash;
    };
    struct CKeyHash {
        std::size_t operator()(const CKey& key) const { return key.m_hash; }
    };
    struct CKeyEqual {
        bool operator()(const CKey& a, const CKey& b) const {
            return SameKey(*a.m_item, *b.m_item);
        }
    };
    struct CChain {
        int m_first, m_last, m_count;
    };
    const Items& m_items;
    std::unordered_map<CKey, CChain, CKeyHash, CKeyEqual> m_keys;
    std::vector<int> m_next;
    std::vector<int> m_occurrence;
    std::vector<std::size_t> m_hash;
};

std::size_t CountItems(const CPlainItem& item) {
    std::size_t count = 1;
    for (const CPlainItem& child : item.m_children)
        count += CountItems(child);
    return count;
}

// Items only in a and only in b, matched folder by folder. whole: an
// unmatched folder counts with everything in it, else as one item.
void CountSides(const Items& a, const Items& b, bool whole, std::size_t* onlyA,
                std::size_t* onlyB) {
    if (a == b)
        return;
    const CFolderIndex indexA(a), indexB(b);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int j = indexB.Match(indexA, static_cast<int>(i));
        if (j < 0)
            *onlyA += whole ? CountItems(a[i]) : 1;
        else if (a[i].m_kind == Kind::Folder)
            CountSides(a[i].m_children, b[static_cast<std::size_t>(j)].m_children, whole, onlyA,
                       onlyB);
    }
    for (std::size_t j = 0; j < b.size(); ++j)
        if (indexA.Match(indexB, static_cast<int>(j)) < 0)
            *onlyB += whole ? CountItems(b[j]) : 1;
}

// Whether the children that both lists hold appear in the same order.
bool KeepsOrder(const CFolderIndex& baseIndex, const CFolderIndex& sideIndex, const Items& side) {
    int last = -1;
    for (std::size_t i = 0; i < side.size(); ++i) {
        const int b = baseIndex.Match(sideIndex, static_cast<int>(i));
        if (b < 0)
            continue;
        if (b < last)
            return false;
        last = b;
    }
    return true;
}

// Folders that one side (renamer) renamed while the other (keeper) kept them:
// a folder of base that renamer lacks and keeper holds, and a folder new on
// renamer with (nearly) the same contents. For each of renamer's children,
// the index in keeper of the folder it renames, else -1.
std::vector<int> FindRenames(const Items& base, const CFolderIndex& baseIndex, const Items& renamer,
                             const CFolderIndex& renamerIndex, const CFolderIndex& keeperIndex) {
    constexpr std::size_t MAX_NEW_FOLDERS = 64;
    std::vector<int> renamedFrom(renamer.size(), -1);
    std::vector<std::size_t> fresh;
    for (std::size_t j = 0; j < renamer.size() && fresh.size() < MAX_NEW_FOLDERS; ++j)
        if (renamer[j].m_kind == Kind::Folder &&
            baseIndex.Match(renamerIndex, static_cast<int>(j)) < 0 &&
            keeperIndex.Match(renamerIndex, static_cast<int>(j)) < 0)
            fresh.push_back(j);
    for (std::size_t b = 0; b < base.size() && !fresh.empty(); ++b) {
        const int index = static_cast<int>(b);
        const int kept = keeperIndex.Match(baseIndex, index);
        if (base[b].m_kind != Kind::Folder || kept < 0 || renamerIndex.Match(baseIndex, index) >= 0)
            continue;
        // The closest new folder, if at most a quarter of the contents differ.
        std::size_t fewest = std::numeric_limits<std::size_t>::max();
        auto best = fresh.end();
        for (auto it = fresh.begin(); it != fresh.end(); ++it) {
            std::size_t onlyBase = 0, onlyNew = 0;
            CountSides(base[b].m_children, renamer[*it].m_children, true, &onlyBase, &onlyNew);
            if (onlyBase + onlyNew < fewest) {
                fewest = onlyBase + onlyNew;
                best = it;
            }
        }
        if (best != fresh.end() && fewest * 4 <= CountItems(base[b]) - 1) {
            renamedFrom[*best] = kept;
            fresh.erase(best);
        }
    }
    return renamedFrom;
}

// For a map from indexes of one list to those of another (-1 for none),
// the map back, for a list of size indexes.
std::vector<int> Reversed(const std::vector<int>& map, std::size_t size) {
    std::vector<int> back(size, -1);
    for (std::size_t j = 0; j < map.size(); ++j)
        if (map[j] >= 0)
            back[static_cast<std::size_t>(map[j])] = static_cast<int>(j);
    return back;
}

// One item of a merged folder: its index in mine and in theirs (-1 where
// that side lacks it), and what the merge keeps of it.
struct CPair {
    int m_mine = -1, m_theirs = -1;
    std::optional<CPlainItem> m_result;
};

std::string Join(const std::string& path, const std::string& name) {
    return path.empty() ? name : path + "/" + name;
}

std::string Quoted(const std::string& path, const CPlainItem& item) {
    std::string name =
        item.m_kind == Kind::Separator ? std::string("a separator line") : item.m_name;
    return "\"" + (path.empty() ? name : path + "/" + name) + "\"";
}

// Puts the pairs' results into out in the order of skeleton (the pairs of
// one side's items, in that side's order); the other side's own items follow
// the item they follow there.
void EmitInOrder(std::vector<CPair>& pairs, const std::vector<int>& skeleton,
                 const std::vector<int>& other, bool theirsOrder, Items& out) {
    const auto skeletonSide = [theirsOrder](const CPair& pair) {
        return theirsOrder ? pair.m_theirs : pair.m_mine;
    };
    std::vector<std::vector<int>> after(skeleton.size() + 1); // [0]: before the first
    int anchor = 0;
    for (const int p : other) {
        const int place = skeletonSide(pairs[static_cast<std::size_t>(p)]);
        if (place >= 0)
            anchor = std::max(anchor, place + 1);
        else
            after[static_cast<std::size_t>(anchor)].push_back(p);
    }
    out.clear();
    out.reserve(pairs.size());
    const auto emit = [&pairs, &out](int p) {
        if (auto& result = pairs[static_cast<std::size_t>(p)].m_result)
            out.push_back(std::move(*result));
    };
    // The other side's items wait for the next item both sides hold, so that
    // each side's own run of additions stays together.
    std::vector<int> pending = after[0];
    const auto otherSide = [theirsOrder](const CPair& pair) {
        return theirsOrder ? pair.m_mine : pair.m_theirs;
    };
    for (std::size_t s = 0; s < skeleton.size(); ++s) {
        if (otherSide(pairs[static_cast<std::size_t>(skeleton[s])]) >= 0) {
            for (const int p : pending)
                emit(p);
            pending.clear();
        }
        emit(skeleton[s]);
        pending.insert(pending.end(), after[s + 1].begin(), after[s + 1].end());
    }
    for (const int p : pending)
        emit(p);
}

class CMerger {
public:
    explicit CMerger(CMergeSummary& summary) : m_summary(summary) {}

    // Merges one folder's children into out. An empty base (no common
    // ancestor) keeps everything of both.
    void Merge(const Items& base, const Items& mine, const Items& theirs, const std::string& path,
               Items& out);

private:
    void Count(int added, int removed) {
        if (m_nQuiet == 0) {
            m_summary.m_added += added;
            m_summary.m_removed += removed;
        }
    }
    // A folder one side deleted while the other changed something in it:
    // what is left of it after merging the other side's changes alone.
    std::optional<CPlainItem> KeptFolder(const CPlainItem& base, const CPlainItem& changed,
                                         bool mineDeleted, const std::string& path);
    // Pairs theirs' children that no child of mine matched.
    void PairTheirs(const Items& base, const CFolderIndex& baseIndex, const Items& theirs,
                    const CFolderIndex& theirsIndex, const std::string& path,
                    std::vector<CPair>& pairs, std::vector<int>& pairOfTheirs);
    void NoteChangedBothWays(const Items& base, const CFolderIndex& baseIndex,
                             const CFolderIndex& mineIndex, const CFolderIndex& theirsIndex,
                             const Items& mine, const Items& theirs, const std::string& path);

    CMergeSummary& m_summary;
    int m_nQuiet = 0;   // inside something mine lacked: counted as one item already
    int m_nKeeping = 0; // inside a folder kept after a deletion
};

std::optional<CPlainItem> CMerger::KeptFolder(const CPlainItem& base, const CPlainItem& changed,
                                              bool mineDeleted, const std::string& path) {
    if (changed.m_children == base.m_children)
        return std::nullopt; // deleted on one side, untouched on the other
    static const Items none;
    CPlainItem kept{Kind::Folder, changed.m_name, {}, {}};
    if (mineDeleted)
        ++m_nQuiet;
    ++m_nKeeping; // one line for the outermost folder kept
    Merge(base.m_children, mineDeleted ? none : changed.m_children,
          mineDeleted ? changed.m_children : none, Join(path, base.m_name), kept.m_children);
    --m_nKeeping;
    if (mineDeleted)
        --m_nQuiet;
    if (kept.m_children.empty())
        return std::nullopt;
    if (m_nKeeping == 0)
        m_summary.m_conflicts.push_back(
            Quoted(path, base) + (mineDeleted ? " was deleted here and changed on the other "
                                                "machine: kept with the other machine's changes"
                                              : " was deleted on the other machine and changed "
                                                "here: kept with the changes made here"));
    return kept;
}

void CMerger::PairTheirs(const Items& base, const CFolderIndex& baseIndex, const Items& theirs,
                         const CFolderIndex& theirsIndex, const std::string& path,
                         std::vector<CPair>& pairs, std::vector<int>& pairOfTheirs) {
    for (std::size_t j = 0; j < theirs.size(); ++j) {
        if (pairOfTheirs[j] >= 0)
            continue;
        const CPlainItem& item = theirs[j];
        const int b = baseIndex.Match(theirsIndex, static_cast<int>(j));
        CPair pair{-1, static_cast<int>(j), std::nullopt};
        if (b < 0)
            pair.m_result = item; // added there
        else if (item.m_kind == Kind::Folder)
            pair.m_result = KeptFolder(base[static_cast<std::size_t>(b)], item, true, path);
        if (pair.m_result)
            Count(1, 0);
        pairOfTheirs[j] = static_cast<int>(pairs.size());
        pairs.push_back(std::move(pair));
    }
}

void CMerger::Merge(const Items& base, const Items& mine, const Items& theirs,
                    const std::string& path, Items& out) {
    // Most folders changed on one side at most.
    if (theirs == base || theirs == mine) {
        out = mine;
        return;
    }
    if (mine == base) {
        out = theirs;
        std::size_t onlyMine = 0, onlyTheirs = 0;
        CountSides(mine, theirs, false, &onlyMine, &onlyTheirs);
        Count(static_cast<int>(onlyTheirs), static_cast<int>(onlyMine));
        return;
    }

    const CFolderIndex baseIndex(base), mineIndex(mine), theirsIndex(theirs);
    std::vector<CPair> pairs;
    pairs.reserve(mine.size() + theirs.size());
    std::vector<int> pairOfMine(mine.size(), -1), pairOfTheirs(theirs.size(), -1);
    // A folder renamed on one side is still the folder the other side kept.
    const std::vector<int> renamedHere = FindRenames(base, baseIndex, mine, mineIndex, theirsIndex);
    // mine's index -> theirs' new name of that folder
    const std::vector<int> renamedMine =
        Reversed(FindRenames(base, baseIndex, theirs, theirsIndex, mineIndex), mine.size());

    for (std::size_t i = 0; i < mine.size(); ++i) {
        const CPlainItem& item = mine[i];
        int b = baseIndex.Match(mineIndex, static_cast<int>(i));
        int t = theirsIndex.Match(mineIndex, static_cast<int>(i));
        std::string name = item.m_name;
        if (t < 0 && renamedHere[i] >= 0) {
            t = renamedHere[i];
            b = baseIndex.Match(theirsIndex, t);
        } else if (t < 0 && renamedMine[i] >= 0) {
            t = renamedMine[i];
            name = theirs[static_cast<std::size_t>(t)].m_name;
            Count(1, 1);
        }
        CPair pair{static_cast<int>(i), t, std::nullopt};
        if (t >= 0) {
            // Kept by both (or added by both: taken once).
            if (item.m_kind == Kind::Folder) {
                static const Items none;
                CPlainItem merged{Kind::Folder, name, {}, {}};
                Merge(b >= 0 ? base[static_cast<std::size_t>(b)].m_children : none, item.m_children,
                      theirs[static_cast<std::size_t>(t)].m_children, Join(path, name),
                      merged.m_children);
                pair.m_result = std::move(merged);
            } else {
                pair.m_result = item;
            }
        } else if (b >= 0) {
            // Deleted on the other machine.
            if (item.m_kind == Kind::Folder)
                pair.m_result = KeptFolder(base[static_cast<std::size_t>(b)], item, false, path);
            if (!pair.m_result)
                Count(0, 1);
        } else {
            pair.m_result = item; // added here
        }
        pairOfMine[i] = static_cast<int>(pairs.size());
        if (t >= 0)
            pairOfTheirs[static_cast<std::size_t>(t)] = static_cast<int>(pairs.size());
        pairs.push_back(std::move(pair));
    }
    PairTheirs(base, baseIndex, theirs, theirsIndex, path, pairs, pairOfTheirs);
    NoteChangedBothWays(base, baseIndex, mineIndex, theirsIndex, mine, theirs, path);

    // The order: mine's, unless only theirs reordered what both kept.
    const bool theirsOrder =
        KeepsOrder(baseIndex, mineIndex, mine) && !KeepsOrder(baseIndex, theirsIndex, theirs);
    EmitInOrder(pairs, theirsOrder ? pairOfTheirs : pairOfMine,
                theirsOrder ? pairOfMine : pairOfTheirs, theirsOrder, out);
}

// Conflicts worth a line: an item of base that each side replaced by a
// different version (both kept), or that one side replaced while the other
// deleted it (the new version kept). A version is an item of the same kind
// with the same name or the same target.
void CMerger::NoteChangedBothWays(const Items& base, const CFolderIndex& baseIndex,
                                  const CFolderIndex& mineIndex, const CFolderIndex& theirsIndex,
                                  const Items& mine, const Items& theirs, const std::string& path) {
    constexpr std::size_t MAX_LOOKED_AT = 64; // past that, a two-way merge: no pairing
    const auto newOnes = [&baseIndex](const CFolderIndex& index, const Items& items) {
        std::vector<const CPlainItem*> found;
        for (std::size_t i = 0; i < items.size() && found.size() <= MAX_LOOKED_AT; ++i)
            if (baseIndex.Match(index, static_cast<int>(i)) < 0)
                found.push_back(&items[i]);
        return found;
    };
    const std::vector<const CPlainItem*> newMine = newOnes(mineIndex, mine);
    const std::vector<const CPlainItem*> newTheirs = newOnes(theirsIndex, theirs);
    if (newMine.size() > MAX_LOOKED_AT || newTheirs.size() > MAX_LOOKED_AT ||
        (newMine.empty() && newTheirs.empty()))
        return;
    const auto versionOf = [](const CPlainItem& old,
                              const std::vector<const CPlainItem*>& candidates) {
        for (const CPlainItem* each : candidates)
            if (each->m_kind == old.m_kind && old.m_kind != Kind::Separator &&
                (each->m_name == old.m_name ||
                 (!old.m_target.empty() && each->m_target == old.m_target)))
                return each;
        return static_cast<const CPlainItem*>(nullptr);
    };
    for (std::size_t b = 0; b < base.size(); ++b) {
        const int index = static_cast<int>(b);
        if (mineIndex.Match(baseIndex, index) >= 0 || theirsIndex.Match(baseIndex, index) >= 0)
            continue; // kept, or deleted on one side only
        const CPlainItem* here = versionOf(base[b], newMine);
        const CPlainItem* there = versionOf(base[b], newTheirs);
        if (here && there && !SameKey(*here, *there))
            m_summary.m_conflicts.push_back(Quoted(path, base[b]) +
                                            " was changed differently on both machines: both "
                                            "versions kept");
        else if (!here != !there)
            m_summary.m_conflicts.push_back(
                Quoted(path, base[b]) +
                (here ? " was changed here and deleted on the other machine: kept, changed"
                      : " was deleted here and changed on the other machine: kept, changed"));
    }
}

} // namespace

std::string CMergeSummary::Note() const {
    if (!Changed() && m_conflicts.empty())
        return {};
    std::string note = "The collection was updated from disk: " + std::to_string(m_added) +
                       " added, " + std::to_string(m_removed) + " removed.";
    for (const std::string& conflict : m_conflicts)
        note += "\n" + conflict + ".";
    return note;
}

CMergeResult MergeTrees(const CPlainItem& base, const CPlainItem& mine, const CPlainItem& theirs) {
    CMergeResult result;
    result.m_tree = CPlainItem{Kind::Folder, mine.m_name, {}, {}};
    CMerger(result.m_summary)
        .Merge(base.m_children, mine.m_children, theirs.m_children, {}, result.m_tree.m_children);
    return result;
}

std::size_t CountDifferences(const CPlainItem& a, const CPlainItem& b) {
    std::size_t onlyA = 0, onlyB = 0;
    CountSides(a.m_children, b.m_children, true, &onlyA, &onlyB);
    return onlyA + onlyB;
}

CPlainItem EmptyPlainTree() {
    return CPlainItem{Kind::Folder, "Root", {}, {}};
}
