// SPDX-License-Identifier: MIT
// Reads arbitrary bytes as a bookmark file, or (an input starting with 'J')
// the rest as a Chromium-family Bookmarks JSON file. Whatever reads must go
// into a tree, and the tree written out as a bookmark file must read back
// with as many bookmarks, folders and separators. A crash, a leak, undefined
// behaviour or a differing count is a finding; a refused input is not.

#include "exchange/BookmarkHtml.h"
#include "exchange/BrowserProfiles.h"
#include "tree/Item.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const bool json = size > 0 && bytes[0] == 'J';
    const CImportResult result =
        json ? ReadChromiumBookmarks(QByteArray(bytes + 1, static_cast<qsizetype>(size - 1)))
             : ReadBookmarkHtml(QByteArrayView(bytes, static_cast<qsizetype>(size)));
    if (result.m_status != CImportResult::Ok)
        return 0;
    CFolder top(ROOT_FOLDER_NAME);
    const CFolder* placed = PlaceImport(top, result.m_root, "imported");
    const CImportResult again = ReadBookmarkHtml(WriteBookmarkHtml(*placed));
    const CImportCounts& a = result.m_counts;
    const CImportCounts& b = again.m_counts;
    if (again.m_status != CImportResult::Ok || a.m_bookmarks != b.m_bookmarks ||
        a.m_folders != b.m_folders || a.m_separators != b.m_separators) {
        std::fprintf(stderr, "the written file reads back differently\n");
        std::abort();
    }
    return 0;
}
