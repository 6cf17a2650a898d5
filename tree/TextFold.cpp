// SPDX-License-Identifier: MIT
#include "tree/TextFold.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

#include "tree/FoldTable.inc"

// ASCII: upper case to lower case, controls and DEL to a space.
constexpr std::array<char, 128> MakeAsciiFold() {
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        char folded = static_cast<char>(c);
        if (c < 0x20 || c == 0x7F)
            folded = ' ';
        else if (c >= 'A' && c <= 'Z')
            folded = static_cast<char>(c - 'A' + 'a');
        table[static_cast<std::size_t>(c)] = folded;
    }
    return table;
}
constexpr std::array<char, 128> ASCII_FOLD = MakeAsciiFold();

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned char low = 0x80, high = 0xBF; // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                low = 0xA0;
            else if (b == 0xED)
                high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= more; ++i)
            if (!IsContinuation(p[i]))
                return false;
        p += 1 + more;
    }
    return true;
}

namespace {

// Decodes the code point at p of valid UTF-8; sets its length in bytes.
char32_t DecodeValid(const unsigned char* p, std::size_t* length) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        *length = 1;
        return b;
    }
    if (b < 0xE0) {
        *length = 2;
        return (char32_t(b & 0x1F) << 6) | (p[1] & 0x3F);
    }
    if (b < 0xF0) {
        *length = 3;
        return (char32_t(b & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    }
    *length = 4;
    return (char32_t(b & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
           (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The folded text of a character outside ASCII, or nullptr to keep it.
const char* FoldOf(char32_t cp) {
    if (cp >= FOLD_0080_FIRST && cp < FOLD_0080_FIRST + std::size(FOLD_0080))
        return FOLD_0080[cp - FOLD_0080_FIRST];
    if (cp >= FOLD_1E00_FIRST && cp < FOLD_1E00_FIRST + std::size(FOLD_1E00))
        return FOLD_1E00[cp - FOLD_1E00_FIRST];
    if (cp < FOLD_SPARSE[0].cp)
        return nullptr;
    const auto* found =
        std::lower_bound(std::begin(FOLD_SPARSE), std::end(FOLD_SPARSE), cp,
                         [](const FoldPair& pair, char32_t wanted) { return pair.cp < wanted; });
    return found != std::end(FOLD_SPARSE) && found->cp == cp ? found->folded : nullptr;
}

bool HasByteOrderMark(std::string_view bytes) {
    return bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// Calls each(code point) for every character of the shown text.
template <typename Each> void ForEachShown(std::string_view bytes, Each&& each) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (!IsValidUtf8(bytes)) {
        for (std::size_t i = 0; i < n; ++i)
            each(char32_t(p[i]));
        return;
    }
    std::size_t i = HasByteOrderMark(bytes) ? 3 : 0;
    while (i < n) {
        std::size_t length;
        const char32_t cp = DecodeValid(p + i, &length);
        each(cp);
        i += length;
    }
}

bool IsWordChar(char32_t cp) {
    if (cp < 0x80)
        return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9');
    // Latin-1 punctuation and signs, general punctuation to the symbol
    // blocks, CJK punctuation: not letters.
    if ((cp >= 0xA0 && cp <= 0xBF) || cp == 0xD7 || cp == 0xF7)
        return false;
    if ((cp >= 0x2000 && cp <= 0x2BFF) || (cp >= 0x3000 && cp <= 0x303F))
        return false;
    return true;
}

} // namespace

void FoldText(std::string_view bytes, std::string& out, std::vector<int>* origins) {
    int shown = 0; // UTF-16 position in the shown text
    auto fold = [&](char32_t cp) {
        const std::size_t before = out.size();
        if (cp < 0x80) {
            out.push_back(ASCII_FOLD[cp]);
        } else if (const char* folded = FoldOf(cp)) {
            out.append(folded);
        } else {
            AppendUtf8(out, cp);
        }
        if (origins)
            origins->insert(origins->end(), out.size() - before, shown);
        shown += cp >= 0x10000 ? 2 : 1;
    };
    // ASCII, the common case, without decoding.
    bool ascii = true;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii && !origins) {
        const std::size_t start = out.size();
        out.resize(start + bytes.size());
        char* to = out.data() + start;
        for (const char c : bytes)
            *to++ = ASCII_FOLD[static_cast<unsigned char>(c)];
        return;
    }
    ForEachShown(bytes, fold);
    if (origins)
        origins->push_back(shown);
}

std::string FoldText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    FoldText(bytes, out);
    return out;
}

std::u32string ShownCodePoints(std::string_view bytes) {
    std::u32string shown;
    ForEachShown(bytes, [&shown](char32_t cp) { shown.push_back(cp); });
    return shown;
}

std::vector<std::string> SplitWords(std::string_view folded) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < folded.size()) {
        const std::size_t space = folded.find(' ', i);
        const std::size_t end = space == std::string_view::npos ? folded.size() : space;
        if (end > i)
            words.emplace_back(folded.substr(i, end - i));
        i = end + 1;
    }
    return words;
}

bool IsWordStart(std::string_view folded, std::size_t pos) {
    if (pos == 0)
        return true;
    if (pos > folded.size())
        return false;
    // Back to the first byte of the character before pos (folded texts are
    // valid UTF-8).
    std::size_t start = pos - 1;
    while (start > 0 && IsContinuation(static_cast<unsigned char>(folded[start])))
        --start;
    std::size_t length;
    const char32_t before =
        DecodeValid(reinterpret_cast<const unsigned char*>(folded.data()) + start, &length);
    return !IsWordChar(before);
}

std::vector<std::pair<int, int>> MarkWords(std::string_view bytes,
                                           const std::vector<std::string>& words) {
    std::vector<std::pair<int, int>> marks;
    if (words.empty())
        return marks;
    std::string folded;
    std::vector<int> origins;
    FoldText(bytes, folded, &origins);
    for (const std::string& word : words) {
        const std::size_t at = word.empty() ? std::string::npos : folded.find(word);
        if (at == std::string::npos)
            continue;
        // The mark ends after the shown character of the last matched byte,
        // with anything folded away behind it (a combining accent).
        const int last = origins[at + word.size() - 1];
        std::size_t next = at + word.size();
        while (next < folded.size() && origins[next] == last)
            ++next;
        marks.emplace_back(origins[at], origins[next]);
    }
    std::sort(marks.begin(), marks.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& mark : marks) {
        if (!merged.empty() && mark.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, mark.second);
        else
            merged.push_back(mark);
    }
    return merged;
}
