// SPDX-License-Identifier: MIT
#include "tree/TreeSearch.h"

#include "tree/Item.h"
#include "tree/TextFold.h"
#include "tree/TreeState.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string.h> // memmem

namespace {

// Marks that close a folded name and a folded target; folding never makes a
// byte below 0x20.
constexpr char NAME_END = '\x01';
constexpr char TARGET_END = '\0';

const char* Search(std::string_view haystack, std::string_view needle) {
    return static_cast<const char*>(
        memmem(haystack.data(), haystack.size(), needle.data(), needle.size()));
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return Search(haystack, needle) != nullptr;
}

// True when word occurs in name at the start of one of the name's words.
bool StartsAWord(std::string_view name, std::string_view word) {
    std::size_t from = 0;
    while (const char* hit = Search(name.substr(from), word)) {
        const auto at = static_cast<std::size_t>(hit - name.data());
        if (IsWordStart(name, at))
            return true;
        from = at + 1;
    }
    return false;
}

} // namespace

void CTreeSearch::Clear() {
    m_records.clear();
    m_records.shrink_to_fit();
    m_text.clear();
    m_text.shrink_to_fit();
    m_nLongest = 0;
    m_query.clear();
    m_words.clear();
    m_hits.clear();
    m_bHitsValid = false;
    m_bBuilt = false;
}

bool CTreeSearch::IsCurrent() const {
    return m_bBuilt && m_nBuiltAt == g_nTreeChanges;
}

void CTreeSearch::Build(const CItem& top) {
    Clear();
    m_bBuilt = true;
    m_nBuiltAt = g_nTreeChanges;
    // Depth first in tree order, without recursion: nesting has no limit.
    struct CLevel {
        const CItem* m_folder;
        std::uint32_t m_record; // the folder's own record; NO_RECORD for the top
        int m_next;             // next row to visit
    };
    std::vector<CLevel> stack{{&top, NO_RECORD, 0}};
    while (!stack.empty()) {
        CLevel& level = stack.back();
        const CItem* child = level.m_folder->GetChild(level.m_next);
        if (!child) {
            stack.pop_back();
            continue;
        }
        const int row = level.m_next++;
        const bool folder = dynamic_cast<const CFolder*>(child) != nullptr;
        if (!folder && !dynamic_cast<const CEntry*>(child))
            continue; // a separator
        // Offsets are 32 bits: a tree whose texts pass 4 GiB is indexed up to
        // there.
        const std::string target = folder ? std::string() : child->GetTarget();
        if (m_text.size() + child->GetName().size() + target.size() + 2 >
                std::numeric_limits<std::uint32_t>::max() ||
            m_records.size() >= NO_RECORD)
            break;
        CRecord record{child, static_cast<std::uint32_t>(m_text.size()), 0, level.m_record, row};
        FoldText(child->GetName(), m_text);
        m_nLongest = std::max<std::size_t>(m_nLongest, m_text.size() - record.m_name);
        m_text.push_back(NAME_END);
        record.m_target = static_cast<std::uint32_t>(m_text.size());
        FoldText(target, m_text);
        m_nLongest = std::max<std::size_t>(m_nLongest, m_text.size() - record.m_target);
        m_text.push_back(TARGET_END);
        m_records.push_back(record);
        if (folder)
            stack.push_back({child, static_cast<std::uint32_t>(m_records.size() - 1), 0});
    }
    m_records.shrink_to_fit();
    m_text.shrink_to_fit();
}

std::string_view CTreeSearch::Name(std::uint32_t record) const {
    const CRecord& r = m_records[record];
    return std::string_view(m_text).substr(r.m_name, r.m_target - 1 - r.m_name);
}

std::string_view CTreeSearch::Whole(std::uint32_t record) const {
    const std::uint32_t begin = m_records[record].m_name;
    const std::size_t end =
        record + 1 < m_records.size() ? m_records[record + 1].m_name : m_text.size();
    return std::string_view(m_text).substr(begin, end - 1 - begin);
}

void CTreeSearch::ScanAll(const std::string& word, std::vector<std::uint32_t>& hits) const {
    const std::string_view text(m_text);
    const auto count = static_cast<std::uint32_t>(m_records.size());
    std::uint32_t record = 0;
    std::size_t from = 0;
    while (from < text.size()) {
        const char* hit = Search(text.substr(from), word);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(hit - text.data());
        // Records are in buffer order: the one holding the hit is at or after
        // the last one found.
        while (record + 1 < count && m_records[record + 1].m_name <= at)
            ++record;
        hits.push_back(record);
        if (record + 1 >= count)
            break;
        from = m_records[record + 1].m_name;
    }
}

CTreeSearch::ERank CTreeSearch::RankOf(std::uint32_t record) const {
    const std::string_view name = Name(record);
    if (name.substr(0, m_query.size()) == m_query)
        return RankNameStart;
    bool wordStarts = true;
    for (const std::string& word : m_words) {
        if (!Contains(name, word))
            return RankInTarget;
        if (wordStarts && !StartsAWord(name, word))
            wordStarts = false;
    }
    return wordStarts ? RankWordStart : RankInName;
}

CTreeSearch::CResult CTreeSearch::Find(std::string_view text, std::size_t limit) {
    const std::vector<std::string> typed = SplitWords(FoldText(text));
    std::string query;
    for (const std::string& word : typed)
        query.append(query.empty() ? "" : " ").append(word);

    // Each word once; the longest first, as it tends to leave the fewest
    // candidates for the others.
    std::vector<std::string> words = typed;
    std::sort(words.begin(), words.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    words.erase(std::unique(words.begin(), words.end()), words.end());

    const bool refine = m_bHitsValid && !m_query.empty() && query.size() >= m_query.size() &&
                        query.compare(0, m_query.size(), m_query) == 0;
    std::vector<std::uint32_t> hits;
    if (!words.empty() && words.front().size() <= m_nLongest) {
        std::size_t first = 0;
        if (refine) {
            hits = std::move(m_hits);
        } else {
            ScanAll(words.front(), hits);
            first = 1;
        }
        for (std::size_t w = first; w < words.size() && !hits.empty(); ++w) {
            const std::string& word = words[w];
            hits.erase(std::remove_if(hits.begin(), hits.end(),
                                      [&](std::uint32_t r) { return !Contains(Whole(r), word); }),
                       hits.end());
        }
    }
    m_query = std::move(query);
    m_words = std::move(words);
    m_hits = std::move(hits);
    m_bHitsValid = !m_query.empty();

    // Counting by rank keeps tree order within each rank.
    CResult result;
    result.m_total = m_hits.size();
    std::array<std::vector<std::uint32_t>, RANK_COUNT> byRank;
    for (const std::uint32_t record : m_hits) {
        if (byRank[RankNameStart].size() >= limit)
            break; // the best rank alone fills what shows
        const ERank rank = RankOf(record);
        // Past the limit only the better ranks can still change what shows.
        if (byRank[rank].size() < limit)
            byRank[rank].push_back(record);
    }
    for (int rank = 0; rank < RANK_COUNT && result.m_shown.size() < limit; ++rank)
        for (const std::uint32_t record : byRank[static_cast<std::size_t>(rank)]) {
            if (result.m_shown.size() >= limit)
                break;
            result.m_shown.push_back({record, static_cast<ERank>(rank)});
        }
    return result;
}

std::vector<int> CTreeSearch::GetRows(std::uint32_t record) const {
    std::vector<int> rows;
    for (std::uint32_t r = record; r != NO_RECORD; r = m_records[r].m_parent)
        rows.push_back(m_records[r].m_row);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

CItem* CTreeSearch::Locate(const CItem& top, std::uint32_t record,
                           std::vector<const CItem*>* folders) const {
    if (folders)
        folders->clear();
    if (record >= m_records.size())
        return nullptr;
    const CItem* item = &top;
    CItem* found = nullptr;
    for (const int row : GetRows(record)) {
        if (found && folders)
            folders->push_back(found);
        found = item->GetChild(row);
        if (!found)
            return nullptr;
        item = found;
    }
    if (found != m_records[record].m_item) {
        if (folders)
            folders->clear();
        return nullptr;
    }
    return found;
}
