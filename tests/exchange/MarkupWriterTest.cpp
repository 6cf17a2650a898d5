// SPDX-License-Identifier: MIT
#include "exchange/MarkupWriter.h"

#include <QString>
#include <gtest/gtest.h>
#include <string>

namespace {

using EControls = CMarkupWriter::EControls;

// The escape one byte at a time: what the writer must give, whatever size of
// block it takes the bytes in.
// Text that is not UTF-8 is read as Latin-1.
std::string EscapedByteByByte(std::string text, EControls controls) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (QString::fromUtf8(bytes).toUtf8() != bytes)
        text = QString::fromLatin1(bytes).toUtf8().toStdString();
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += controls == EControls::AsSpace && static_cast<unsigned char>(c) < ' ' ? ' ' : c;
        }
    }
    return out;
}

std::string Written(const std::string& text, EControls controls) {
    const QByteArray bytes = WrittenBytes([&](QIODevice& device) {
        CMarkupWriter out(device, controls);
        out.Text(text);
        return out.Finish();
    });
    return bytes.toStdString();
}

// Texts are taken sixteen, eight and four bytes at a time, and the last few
// one by one: every length up to past two blocks, with something to escape,
// a UTF-8 character, or a Latin-1 byte that makes the whole text Latin-1, at
// every place.
TEST(MarkupWriter, EscapesAtEveryPlaceOfEveryLength) {
    const std::string marked[] = {"&", "<", ">", "\"", "\x01", "\x1F", "\xC3\xA9", "\xE9"};
    for (const EControls controls : {EControls::Keep, EControls::AsSpace}) {
        for (std::size_t length = 0; length <= 40; ++length) {
            std::string plain(length, 'x');
            for (std::size_t i = 0; i < length; ++i)
                plain[i] = static_cast<char>('a' + i % 26);
            EXPECT_EQ(Written(plain, controls), plain);
            for (std::size_t at = 0; at < length; ++at) {
                for (const std::string& m : marked) {
                    if (at + m.size() > length)
                        continue;
                    std::string text = plain;
                    text.replace(at, m.size(), m);
                    ASSERT_EQ(Written(text, controls), EscapedByteByByte(text, controls))
                        << "length " << length << ", at " << at << ": "
                        << QByteArray::fromStdString(m).toHex().toStdString();
                }
            }
        }
    }
}

} // namespace
