// SPDX-License-Identifier: MIT
#pragma once
// Finding folders and entries anywhere below the top folder by typed text.
//
// Every word of the text (folded as tree/TextFold.h describes, split at
// spaces) must occur in an entry's name or target, or in a folder's name, in
// any order. Matches come best first by rank, and in tree order (a folder
// before what it holds) within a rank:
//   RankNameStart    the name starts with the text
//   RankWordStart    every word starts a word of the name
//   RankInName       every word occurs in the name
//   RankInTarget     some word occurs only in the target
// Blank entries count as entries without a target; separators and the top
// folder itself are never found.
//
// The index is a snapshot of the tree: one record per folder and entry (the
// item, its folder's record and its row there, 24 bytes) and the folded names
// and targets in one buffer, name and target closed by control bytes that no
// folded word holds, so that a word is looked for through the whole buffer at
// once. It is no longer current once the tree announces a change
// (g_nTreeChanges, tree/TreeState.h): build it again then. Until then the
// item pointers it holds may be stale, which is why Locate walks from the top
// to hand out an item. A text that extends the previous one (one more letter,
// one more word) is looked for among the previous matches only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CItem;

class CTreeSearch final {
public:
    enum ERank : int { RankNameStart, RankWordStart, RankInName, RankInTarget };
    static constexpr int RANK_COUNT = 4;
    static constexpr std::uint32_t NO_RECORD = 0xFFFFFFFFu;

    struct CMatch {
        std::uint32_t m_record;
        ERank m_rank;
    };
    struct CResult {
        std::vector<CMatch> m_shown; // best first, at most the limit asked for
        std::size_t m_total = 0;     // how many items match in all
    };

    // Indexes every folder and entry below top, in tree order.
    void Build(const CItem& top);
    void Clear();
    std::size_t GetCount() const { return m_records.size(); }
    // Built, and no change announced since.
    bool IsCurrent() const;

    // The matches of text; an empty text (or one of spaces) matches nothing.
    CResult Find(std::string_view text, std::size_t limit);
    // The folded words of the last Find, for marking them in what is shown.
    const std::vector<std::string>& GetWords() const { return m_words; }

    // The item as indexed; it may be stale once the tree has changed.
    const CItem* GetIndexedItem(std::uint32_t record) const { return m_records[record].m_item; }
    // The rows from the top folder down to the item: the first is its row in
    // the top folder, the last its row in its own folder.
    std::vector<int> GetRows(std::uint32_t record) const;
    // The item, when the tree below top still holds it where it was indexed
    // (its rows lead to it); otherwise null. folders, when given, receives
    // the folders that hold it, outermost first (not the top).
    CItem* Locate(const CItem& top, std::uint32_t record,
                  std::vector<const CItem*>* folders = nullptr) const;

    // Memory of the records, and of the folded texts with their end marks.
    std::size_t RecordBytes() const { return m_records.capacity() * sizeof(CRecord); }
    std::size_t TextBytes() const { return m_text.capacity(); }

private:
    struct CRecord {
        const CItem* m_item;
        std::uint32_t m_name;   // offset of the folded name in m_text
        std::uint32_t m_target; // offset of the folded target, after the name's end mark
        std::uint32_t m_parent; // record of the folder holding it; NO_RECORD: the top
        std::int32_t m_row;     // its row in that folder
    };

    std::string_view Name(std::uint32_t record) const;
    std::string_view Whole(std::uint32_t record) const; // name, mark, target
    void ScanAll(const std::string& word, std::vector<std::uint32_t>& hits) const;
    ERank RankOf(std::uint32_t record) const;

    std::vector<CRecord> m_records;
    std::string m_text;
    std::size_t m_nLongest = 0; // longest folded name or target
    bool m_bBuilt = false;
    unsigned long long m_nBuiltAt = 0; // g_nTreeChanges when built

    // The last search: its folded text, its words, and every item it matched
    // (ascending records).
    std::string m_query;
    std::vector<std::string> m_words;
    std::vector<std::uint32_t> m_hits;
    bool m_bHitsValid = false;
};
