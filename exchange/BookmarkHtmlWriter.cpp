// Writing the HTML bookmark file.

#include "exchange/BookmarkHtml.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/TextFold.h"

#include <QBuffer>
#include <QDir>
#include <QUrl>
#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>

namespace {

// The bookmark file as it is written: made in a string that goes to the
// device whenever it holds a good part of a file system block's worth.
class CHtmlWriter {
public:
    explicit CHtmlWriter(QIODevice& device) : m_device(device) { m_out.reserve(2 * CHUNK); }

    // Hands what is left to the device; false when the device did not take
    // everything it was given.
    bool Finish() {
        Flush();
        return m_ok;
    }

    void Raw(std::string_view text) {
        m_out.append(text);
        if (m_out.size() >= CHUNK)
            Flush();
    }

    void Indent(int depth) {
        static constexpr std::string_view SPACES = "                                ";
        for (std::size_t size = 4 * static_cast<std::size_t>(depth); size > 0;) {
            const std::size_t part = std::min(size, SPACES.size());
            Raw(SPACES.substr(0, part));
            size -= part;
        }
    }

    // Tree bytes as UTF-8 (bytes that are not UTF-8 read as Latin-1), with
    // &, <, > and " as entities.
    void Text(std::string_view bytes) {
        if (IsValidUtf8(bytes)) {
            Escaped(bytes);
            return;
        }
        const QByteArray utf8 =
            QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8();
        Escaped(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }

private:
    void Escaped(std::string_view text) {
        const char* plain = text.data();
        const char* const end = plain + text.size();
        for (const char* p = NextSpecial(plain, end); p < end; p = NextSpecial(p + 1, end)) {
            Raw(std::string_view(plain, static_cast<std::size_t>(p - plain)));
            Raw(Entity(*p));
            plain = p + 1;
        }
        Raw(std::string_view(plain, static_cast<std::size_t>(end - plain)));
    }

    // The first of & < > " from p on, end when there is none: sixteen bytes
    // at a time where the processor can (names and addresses are mostly
    // plain, and this scan is most of an export's work).
    static const char* NextSpecial(const char* p, const char* end) {
#if defined(__SSE2__)
        for (; end - p >= 16; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))),
                                              _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('>')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
            if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)))
                return p + __builtin_ctz(mask);
        }
#endif
        while (p < end && *p != '&' && *p != '<' && *p != '>' && *p != '"')
            ++p;
        return p;
    }

    static std::string_view Entity(char c) {
        switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        default:
            return "&quot;";
        }
    }

    void Flush() {
        if (m_ok && !m_out.empty())
            m_ok = m_device.write(m_out.data(), static_cast<qint64>(m_out.size())) ==
                   static_cast<qint64>(m_out.size());
        m_out.clear();
    }

    static constexpr std::size_t CHUNK = std::size_t(1) << 16;

    QIODevice& m_device;
    std::string m_out;
    bool m_ok = true;
};

void WriteAddress(CHtmlWriter& out, const std::string& target) {
    if (HasUrlScheme(target)) {
        out.Text(target);
    } else if (target.size() >= 4 &&
               QByteArrayView(target.data(), 4).compare("www.", Qt::CaseInsensitive) == 0) {
        out.Raw("http://");
        out.Text(target);
    } else {
        const QString path = QDir::current().absoluteFilePath(TextFromBytes(target));
        const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
        out.Text(std::string_view(url.constData(), static_cast<std::size_t>(url.size())));
    }
}

void WriteFolder(CHtmlWriter& out, const CFolder& folder, int depth) {
    out.Indent(depth);
    out.Raw("<DL><p>\n");
    const int count = folder.GetCount();
    for (int i = 0; i < count; ++i) {
        const CItem* item = folder.GetChild(i);
        out.Indent(depth + 1);
        // A separator, like an item of no kind written here, becomes a rule.
        // NOLINTNEXTLINE(bugprone-branch-clone)
        if (item->IsSeparator() && !item->IsContainer() && item->GetTarget().empty()) {
            out.Raw("<HR>\n");
        } else if (const auto* entry = dynamic_cast<const CEntry*>(item)) {
            if (entry->IsBlank()) {
                out.Raw("<DT><A>");
            } else {
                out.Raw("<DT><A HREF=\"");
                WriteAddress(out, entry->Target());
                out.Raw("\">");
            }
            out.Text(entry->GetName());
            out.Raw("</A>\n");
        } else if (const auto* inner = dynamic_cast<const CFolder*>(item)) {
            out.Raw("<DT><H3>");
            out.Text(inner->GetName());
            out.Raw("</H3>\n");
            WriteFolder(out, *inner, depth + 1);
        } else {
            out.Raw("<HR>\n");
        }
    }
    out.Indent(depth);
    out.Raw("</DL><p>\n");
}

} // namespace

bool WriteBookmarkHtml(const CFolder& top, QIODevice& device) {
    CHtmlWriter out(device);
    out.Raw("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
            "<TITLE>Bookmarks</TITLE>\n"
            "<H1>Bookmarks</H1>\n");
    WriteFolder(out, top, 0);
    return out.Finish();
}

QByteArray WriteBookmarkHtml(const CFolder& top) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteBookmarkHtml(top, buffer);
    return bytes;
}
