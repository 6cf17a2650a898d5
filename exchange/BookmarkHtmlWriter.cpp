// SPDX-License-Identifier: MIT
// Writing the HTML bookmark file.

#include "exchange/BookmarkHtml.h"
#include "exchange/MarkupWriter.h"
#include "tree/Item.h"

#include <algorithm>
#include <string_view>

namespace {

// Folders indent by four spaces a level.
void Indent(CMarkupWriter& out, int depth) {
    out.Spaces(4 * static_cast<std::size_t>(std::max(depth, 0)));
}

void WriteFolder(CMarkupWriter& out, const CFolder& folder, int depth) {
    Indent(out, depth);
    out.Raw("<DL><p>\n");
    const int count = folder.GetCount();
    for (int i = 0; i < count; ++i) {
        const CItem* item = folder.GetChild(i);
        Indent(out, depth + 1);
        if (const auto* entry = ExactKind<CEntry>(item)) {
            if (entry->IsBlank()) {
                out.Raw("<DT><A>");
            } else if (entry->Target().empty() && entry->IsSeparator()) {
                out.Raw("<HR>\n");
                continue;
            } else {
                out.Raw("<DT><A HREF=\"");
                WriteAddress(out, entry->Target());
                out.Raw("\">");
            }
            out.Text(entry->GetName());
            out.Raw("</A>\n");
        } else if (const auto* inner = ExactKind<CFolder>(item)) {
            out.Raw("<DT><H3>");
            out.Text(inner->GetName());
            out.Raw("</H3>\n");
            WriteFolder(out, *inner, depth + 1);
        } else {
            out.Raw("<HR>\n"); // an item of no kind written here
        }
    }
    Indent(out, depth);
    out.Raw("</DL><p>\n");
}

} // namespace

bool WriteBookmarkHtml(const CFolder& top, QIODevice& device) {
    CMarkupWriter out(device, CMarkupWriter::EControls::Keep);
    out.Raw("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
            "<TITLE>Bookmarks</TITLE>\n"
            "<H1>Bookmarks</H1>\n");
    WriteFolder(out, top, 0);
    return out.Finish();
}

QByteArray WriteBookmarkHtml(const CFolder& top) {
    return WrittenBytes([&top](QIODevice& device) { return WriteBookmarkHtml(top, device); });
}
