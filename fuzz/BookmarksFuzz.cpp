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
    if (result.status != CImportResult::OK)
        return 0;
    CFolder top(ROOT_FOLDER_NAME);
    const CFolder* placed = PlaceImport(top, result.root, "imported");
    const CImportResult again = ReadBookmarkHtml(WriteBookmarkHtml(*placed));
    const CImportCounts& a = result.counts;
    const CImportCounts& b = again.counts;
    if (again.status != CImportResult::OK || a.bookmarks != b.bookmarks || a.folders != b.folders ||
        a.separators != b.separators) {
        std::fprintf(stderr, "the written file reads back differently\n");
        std::abort();
    }
    return 0;
}
