// SPDX-License-Identifier: MIT
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
    if (result.m_status != CImportResult::Ok)
        return 0;
    CFolder top(ROOT_FOLDER_NAME);
    const CFolder* placed = PlaceImport(top, result.m_root, "imported");
    const CImportResult again = ReadXbel(WriteXbel(*placed));
    const CImportCounts& a = result.m_counts;
    const CImportCounts& b = again.m_counts;
    if (again.m_status != CImportResult::Ok || a.m_bookmarks != b.m_bookmarks ||
        a.m_folders != b.m_folders || a.m_separators != b.m_separators) {
        std::fprintf(stderr, "the written document reads back differently\n");
        std::abort();
    }
    return 0;
}
