// SPDX-License-Identifier: MIT
#pragma once
// The writing half of both bookmark file formats (the HTML file and XBEL):
// markup and escaped text made in a buffer that goes to the device a
// mebibyte at a time. Every piece reserves its room first, so the copying
// itself needs no checks. A write call to a file costs more than copying the
// bytes it carries, so the pieces are large.

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class CMarkupWriter {
public:
    // What becomes of a control character (below a space) in text: HTML
    // keeps it; XML cannot hold most of them, so XBEL writes a space.
    enum class EControls { Keep, AsSpace };

    CMarkupWriter(QIODevice& device, EControls controls);

    // Markup, written as it stands. Inline, so that the copy of a literal's
    // few bytes is a few moves rather than a call.
    void Raw(std::string_view text) {
        Reserve(text.size());
        std::memcpy(m_pos, text.data(), text.size());
        m_pos += text.size();
    }
    void Spaces(std::size_t count) {
        Reserve(count);
        std::memset(m_pos, ' ', count);
        m_pos += count;
    }
    // Tree bytes as UTF-8 (bytes that are not UTF-8 read as Latin-1), with
    // &, <, > and " as entities.
    void Text(std::string_view bytes);

    // Hands what is left to the device; false when the device did not take
    // everything it was given.
    bool Finish();

private:
    void EscapeInPieces(std::string_view text);
    bool Escape(std::string_view text);
    void Reserve(std::size_t size) {
        if (size > static_cast<std::size_t>(m_end - m_pos))
            MakeRoom(size);
    }
    void MakeRoom(std::size_t size);
    void Flush();

    QIODevice& m_device;
    const bool m_controlsAsSpace;
    std::vector<char> m_buffer;
    char* m_pos;
    char* m_end;
    bool m_ok = true;
};

// An entry's target as an address other programs open: as it stands when it
// has a scheme, "www." names as http, anything else as a local file's URL
// (relative paths from the current folder).
void WriteAddress(CMarkupWriter& out, const std::string& target);

// What write(device) writes, in memory.
template <class Write> QByteArray WrittenBytes(Write write) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return bytes;
}
