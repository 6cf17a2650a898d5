// Reads arbitrary bytes as an XBEL document. Whatever reads must go into a
// tree, and the tree written out as XBEL must read back with as many
// bookmarks, folders and separators. A crash, a leak, undefined behaviour or
// a differing count is a finding; a refused input is not.

#include "exchange/Xbel.h"
#include "tree/Item.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CImportResult result =
        ReadXbel(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (result.status != CImportResult::OK)
        return 0;
    CFolder top(ROOT_FOLDER_NAME);
    const CFolder* placed = PlaceImport(top, result.root, "imported");
    const CImportResult again = ReadXbel(WriteXbel(*placed));
    const CImportCounts& a = result.counts;
    const CImportCounts& b = again.counts;
    if (again.status != CImportResult::OK || a.bookmarks != b.bookmarks || a.folders != b.folders ||
        a.separators != b.separators) {
        std::fprintf(stderr, "the written document reads back differently\n");
        std::abort();
    }
    return 0;
}
