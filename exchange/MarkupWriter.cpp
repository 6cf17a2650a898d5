// SPDX-License-Identifier: MIT
#include "exchange/MarkupWriter.h"

#include "exchange/ImportTree.h"
#include "text/TextCodec.h"
#include "tree/TextFold.h"

#include <QDir>
#include <QString>
#include <QUrl>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t CHUNK = std::size_t(1) << 20;
// The most text escaped at once, and the longest an entity makes a byte.
constexpr std::size_t PIECE = 4096;
constexpr std::size_t ENTITY = 6;

char* PutEntity(char* out, char c) {
    const std::string_view entity = c == '&'   ? std::string_view("&amp;")
                                    : c == '<' ? std::string_view("&lt;")
                                    : c == '>' ? std::string_view("&gt;")
                                               : std::string_view("&quot;");
    std::memcpy(out, entity.data(), entity.size());
    return out + entity.size();
}

bool IsSpecial(char c) {
    return c == '&' || c == '<' || c == '>' || c == '"';
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < ' ';
}

} // namespace

CMarkupWriter::CMarkupWriter(QIODevice& device, EControls controls)
    : m_device(device), m_controlsAsSpace(controls == EControls::AsSpace), m_buffer(CHUNK),
      m_pos(m_buffer.data()), m_end(m_pos + m_buffer.size()) {}

void CMarkupWriter::Text(std::string_view bytes) {
    if (bytes.size() <= PIECE) {
        // Escaped at once; only text with bytes above ASCII is checked for
        // UTF-8 afterwards, and taken back when it is not.
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

bool CMarkupWriter::Finish() {
    Flush();
    return m_ok;
}

void CMarkupWriter::EscapeInPieces(std::string_view text) {
    // A piece may end inside a character: escaping looks at single bytes.
    for (std::size_t at = 0; at < text.size(); at += PIECE)
        Escape(text.substr(at, PIECE));
}

// Appends text with the four entities (and control characters as spaces
// where asked); true when it holds a byte above ASCII. Names and addresses
// are mostly plain, and this copy is most of an export's work: sixteen bytes
// at a time where the processor can, then eight and four for the end of the
// text, so that at most three bytes go one by one.
bool CMarkupWriter::Escape(std::string_view text) {
    Reserve(ENTITY * text.size() + 16);
    const char* p = text.data();
    const char* const end = p + text.size();
    char* out = m_pos;
    unsigned high = 0;
#if defined(__SSE2__)
    const __m128i controlMask = _mm_set1_epi8(m_controlsAsSpace ? static_cast<char>(0xFF) : 0);
    while (end - p >= 4) {
        // The bytes taken, the register's others zero; no load reads past
        // the text.
        __m128i v;
        std::size_t taken = 16;
        if (end - p >= 16) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        } else if (end - p >= 8) {
            v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            taken = 8;
        } else {
            int word = 0;
            std::memcpy(&word, p, sizeof word);
            v = _mm_cvtsi32_si128(word);
            taken = 4;
        }
        high |= static_cast<unsigned>(_mm_movemask_epi8(v));
        const __m128i specials = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))),
                                              _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('>')),
                                                           _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
        // Unsigned v <= 0x1F: the larger of v and 0x1F is 0x1F.
        const __m128i controls = _mm_and_si128(
            controlMask, _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(0x1F)), _mm_set1_epi8(0x1F)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(specials, controls))) &
            ((1U << taken) - 1);
        if (mask == 0) {
            p += taken;
            out += taken;
            continue;
        }
        const auto plain = static_cast<unsigned>(__builtin_ctz(mask));
        const char c = p[plain];
        out += plain;
        if (IsSpecial(c))
            out = PutEntity(out, c);
        else
            *out++ = ' ';
        p += plain + 1;
    }
#endif
    for (; p < end; ++p) {
        const char c = *p;
        high |= static_cast<unsigned char>(c) & 0x80U;
        if (IsSpecial(c))
            out = PutEntity(out, c);
        else if (m_controlsAsSpace && IsControl(c))
            *out++ = ' ';
        else
            *out++ = c;
    }
    m_pos = out;
    return high != 0;
}

void CMarkupWriter::MakeRoom(std::size_t size) {
    Flush();
    if (size > m_buffer.size()) {
        m_buffer.resize(size);
        m_pos = m_buffer.data();
        m_end = m_pos + m_buffer.size();
    }
}

void CMarkupWriter::Flush() {
    const auto size = static_cast<qint64>(m_pos - m_buffer.data());
    if (m_ok && size > 0)
        m_ok = m_device.write(m_buffer.data(), size) == size;
    m_pos = m_buffer.data();
}

void WriteAddress(CMarkupWriter& out, const std::string& target) {
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
