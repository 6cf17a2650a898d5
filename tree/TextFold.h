// SPDX-License-Identifier: MIT
#pragma once
// Folding texts for the quick search, so that a typed word finds a name
// whatever its case and accents: "cafe" finds "Café", "CAFÉ" and "cafe" with a
// combining accent.
//
// Texts of the tree are bytes, and the search matches them as they are shown:
// bytes that are valid UTF-8 (IsValidUtf8) as UTF-8, anything else as
// Latin-1, a leading byte order mark as nothing. The shown
// text is folded character by character through a table made from the
// Unicode database (tools/foldtable.py): letters lose case and accents
// ("É" -> "e", "ß" -> "ss", "ł" -> "l"), every space and control character
// becomes one space, combining marks and format characters vanish, and
// characters the table does not cover (beyond Latin, Greek and Cyrillic) are
// kept as they are. The result is UTF-8 without any byte below 0x20, so a
// control byte can separate folded texts that a word must never span.
//
// The folding lives here, in plain C++, rather than at the GUI edge with
// Qt's case folding: the index folds every name and target once, on its own,
// whenever the tree it indexes has changed, and the common case (ASCII) runs
// through a byte table.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Whether bytes are strict UTF-8: no overlong forms, no surrogates, nothing
// past U+10FFFF, no sequence cut short. Bytes that are not show as Latin-1.
bool IsValidUtf8(std::string_view bytes);

// Appends the folded form of bytes to out. origins, when given, receives one
// entry per byte appended: the position of the shown character it came from,
// in UTF-16 code units (as a QString counts); then one more entry, the length
// of the whole shown text.
void FoldText(std::string_view bytes, std::string& out, std::vector<int>* origins = nullptr);
std::string FoldText(std::string_view bytes);

// The code points of the shown text (for checking the decoding against the
// one that shows the texts).
std::u32string ShownCodePoints(std::string_view bytes);

// The folded query split into words at spaces, in typed order, empty words
// dropped.
std::vector<std::string> SplitWords(std::string_view folded);

// True when folded position pos of text starts a word: it is the first
// character, or the character before it is neither a letter nor a digit.
bool IsWordStart(std::string_view folded, std::size_t pos);

// Ranges [begin, end) of the shown text (UTF-16 code units) that the first
// occurrence of each folded word covers, sorted and merged.
std::vector<std::pair<int, int>> MarkWords(std::string_view bytes,
                                           const std::vector<std::string>& words);
