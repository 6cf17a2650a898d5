// Writing the HTML bookmark file.

#include "exchange/BookmarkHtml.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/TextFold.h"

#include <QBuffer>
#include <QDir>
#include <QUrl>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <memory>
#include <typeinfo>

namespace {

// The bookmark file as it is written: through one small buffer that goes to
// the device whenever it fills, so that no copy of the whole file is ever
// made. Texts are scanned eight bytes at a time and their plain runs copied
// whole; a run longer than the buffer goes to the device directly.
class CHtmlWriter {
public:
    explicit CHtmlWriter(QIODevice& device) : m_device(device), m_buffer(new char[SIZE]) {}

    // Hands what is left to the device; false when the device did not take
    // everything it was given.
    bool Finish() {
        Flush();
        return m_ok;
    }

    void Raw(const char* text, std::size_t size) {
        if (size <= SIZE - m_used) {
            std::memcpy(m_buffer.get() + m_used, text, size);
            m_used += size;
            return;
        }
        Flush();
        if (size >= SIZE) {
            Put(text, size);
            return;
        }
        std::memcpy(m_buffer.get(), text, size);
        m_used = size;
    }
    void Raw(std::string_view text) { Raw(text.data(), text.size()); }
    void Indent(int depth) {
        std::size_t size = 4 * static_cast<std::size_t>(depth);
        while (size > 0) {
            if (m_used == SIZE)
                Flush();
            const std::size_t part = std::min(size, SIZE - m_used);
            std::memset(m_buffer.get() + m_used, ' ', part);
            m_used += part;
            size -= part;
        }
    }

    // Tree bytes as UTF-8 (bytes that are not UTF-8 read as Latin-1), with
    // &, <, > and " as entities.
    void Text(std::string_view bytes) {
        const char* p = bytes.data();
        const char* end = p + bytes.size();
        const char* plain = p;
        while ((p = NextAttention(bytes, p)) < end) {
            const auto c = static_cast<unsigned char>(*p);
            if (c >= 0x80) {
                // Not plain ASCII: the careful way for the whole text.
                Raw(plain, static_cast<std::size_t>(p - plain));
                const QByteArrayView rest(p, end - p);
                if (IsValidUtf8(bytes))
                    Escaped(rest);
                else
                    Escaped(QString::fromLatin1(rest).toUtf8());
                return;
            }
            Raw(plain, static_cast<std::size_t>(p - plain));
            Raw(Entity(c));
            plain = ++p;
        }
        Raw(plain, static_cast<std::size_t>(end - plain));
    }

private:
    static const char* Entity(unsigned char c) {
        switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        default:
            return nullptr;
        }
    }

    static bool NeedsAttention(unsigned char c) {
        return c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"';
    }

    // The first byte of text from p on that is not ASCII or is one of
    // & < > ", the end of text when there is none.
    static const char* NextAttention(std::string_view text, const char* p) {
        const char* end = text.data() + text.size();
#if defined(__SSE2__)
        // Sixteen bytes at a time, the last ones in a block that ends with
        // the text (and overlaps bytes already looked at).
        const auto attention = [](const char* at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))),
                                              _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('>')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(hits, v)));
        };
        for (; end - p >= 16; p += 16) {
            if (const unsigned mask = attention(p))
                return p + __builtin_ctz(mask);
        }
        if (p < end && text.size() >= 16) {
            const unsigned mask = attention(end - 16) >> (16 - (end - p));
            return mask ? p + __builtin_ctz(mask) : end;
        }
#endif
        while (p < end && !NeedsAttention(static_cast<unsigned char>(*p)))
            ++p;
        return p;
    }

    void Escaped(QByteArrayView text) {
        const char* p = text.data();
        const char* end = p + text.size();
        const char* plain = p;
        for (; p < end; ++p) {
            if (const char* entity = Entity(static_cast<unsigned char>(*p))) {
                Raw(plain, static_cast<std::size_t>(p - plain));
                Raw(entity);
                plain = p + 1;
            }
        }
        Raw(plain, static_cast<std::size_t>(p - plain));
    }

    void Flush() {
        Put(m_buffer.get(), m_used);
        m_used = 0;
    }

    void Put(const char* bytes, std::size_t size) {
        if (m_ok && size > 0)
            m_ok = m_device.write(bytes, static_cast<qint64>(size)) == static_cast<qint64>(size);
    }

    static constexpr std::size_t SIZE = std::size_t(1) << 16;

    QIODevice& m_device;
    const std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
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
        // The items and their names are spread over the heap: ask for the
        // next ones early.
        if (i + 2 < count)
            __builtin_prefetch(folder.GetChild(i + 2));
        if (i + 1 < count)
            __builtin_prefetch(folder.GetChild(i + 1)->GetName().data());
        out.Indent(depth + 1);
        // A separator, like an item of no kind written here, becomes a rule.
        // NOLINTNEXTLINE(bugprone-branch-clone)
        if (item->IsSeparator() && !item->IsContainer() && item->GetTarget().empty()) {
            out.Raw("<HR>\n");
        } else if (typeid(*item) == typeid(CEntry)) {
            const auto* entry = static_cast<const CEntry*>(item);
            if (entry->IsBlank()) {
                out.Raw("<DT><A>");
            } else {
                out.Raw("<DT><A HREF=\"");
                WriteAddress(out, entry->Target());
                out.Raw("\">");
            }
            out.Text(entry->GetName());
            out.Raw("</A>\n");
        } else if (typeid(*item) == typeid(CFolder)) {
            const auto* inner = static_cast<const CFolder*>(item);
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
