// SPDX-License-Identifier: MIT
// Writing the HTML bookmark file.

#include "exchange/BookmarkHtml.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/TextFold.h"

#include <QBuffer>
#include <QDir>
#include <QUrl>
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>
#include <vector>

namespace {

// The bookmark file as it is written: made in a buffer that goes to the
// device whenever the next piece would not fit. Every piece reserves its
// room first, so the copying itself needs no checks.
class CHtmlWriter {
public:
    explicit CHtmlWriter(QIODevice& device)
        : m_device(device), m_buffer(CHUNK), m_pos(m_buffer.data()) {}

    // Hands what is left to the device; false when the device did not take
    // everything it was given.
    bool Finish() {
        Flush();
        return m_ok;
    }

    void Raw(std::string_view text) {
        Reserve(text.size());
        std::memcpy(m_pos, text.data(), text.size());
        m_pos += text.size();
    }

    void Indent(int depth) {
        const auto size = 4 * static_cast<std::size_t>(std::max(depth, 0));
        Reserve(size);
        std::memset(m_pos, ' ', size);
        m_pos += size;
    }

    // Tree bytes as UTF-8 (bytes that are not UTF-8 read as Latin-1), with
    // &, <, > and " as entities.
    void Text(std::string_view bytes) {
        if (bytes.size() <= PIECE) {
            // Escaped at once; only text with bytes above ASCII is checked
            // for UTF-8 afterwards, and taken back when it is not.
            char* const start = m_pos;
            if (!Escape(bytes) || IsValidUtf8(bytes))
                return;
            m_pos = start;
        } else if (IsValidUtf8(bytes)) {
            EscapeInPieces(bytes);
            return;
        }
        const QByteArray utf8 =
            QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8();
        EscapeInPieces(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }

private:
    void EscapeInPieces(std::string_view text) {
        // A piece may end inside a character: escaping looks at single bytes.
        for (std::size_t at = 0; at < text.size(); at += PIECE)
            Escape(text.substr(at, PIECE));
    }

    // Appends text with the four entities; true when it holds a byte above
    // ASCII. Names and addresses are mostly plain, and this copy is most of
    // an export's work: sixteen bytes at a time where the processor can.
    bool Escape(std::string_view text) {
        Reserve(ENTITY * text.size() + 16);
        const char* p = text.data();
        const char* const end = p + text.size();
        char* out = m_pos;
        unsigned high = 0;
#if defined(__SSE2__)
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            high |= static_cast<unsigned>(_mm_movemask_epi8(v));
            const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))),
                                              _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('>')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
            if (mask == 0) {
                p += 16;
                out += 16;
                continue;
            }
            const auto plain = static_cast<unsigned>(__builtin_ctz(mask));
            out = PutEntity(out + plain, p[plain]);
            p += plain + 1;
        }
#endif
        for (; p < end; ++p) {
            const char c = *p;
            high |= static_cast<unsigned char>(c) & 0x80U;
            if (c == '&' || c == '<' || c == '>' || c == '"')
                out = PutEntity(out, c);
            else
                *out++ = c;
        }
        m_pos = out;
        return high != 0;
    }

    static char* PutEntity(char* out, char c) {
        const std::string_view entity = c == '&'   ? std::string_view("&amp;")
                                        : c == '<' ? std::string_view("&lt;")
                                        : c == '>' ? std::string_view("&gt;")
                                                   : std::string_view("&quot;");
        std::memcpy(out, entity.data(), entity.size());
        return out + entity.size();
    }

    void Reserve(std::size_t size) {
        if (size <= static_cast<std::size_t>(m_buffer.data() + m_buffer.size() - m_pos))
            return;
        Flush();
        if (size > m_buffer.size()) {
            m_buffer.resize(size);
            m_pos = m_buffer.data();
        }
    }

    void Flush() {
        const auto size = static_cast<qint64>(m_pos - m_buffer.data());
        if (m_ok && size > 0)
            m_ok = m_device.write(m_buffer.data(), size) == size;
        m_pos = m_buffer.data();
    }

    static constexpr std::size_t CHUNK = std::size_t(1) << 20;
    // The most text escaped at once, and the longest an entity makes a byte.
    static constexpr std::size_t PIECE = 4096;
    static constexpr std::size_t ENTITY = 6;

    QIODevice& m_device;
    std::vector<char> m_buffer;
    char* m_pos;
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
        if (const auto* entry = dynamic_cast<const CEntry*>(item)) {
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
        } else if (const auto* inner = dynamic_cast<const CFolder*>(item)) {
            out.Raw("<DT><H3>");
            out.Text(inner->GetName());
            out.Raw("</H3>\n");
            WriteFolder(out, *inner, depth + 1);
        } else {
            out.Raw("<HR>\n"); // an item of no kind written here
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
