// SPDX-License-Identifier: MIT
// The tree's bytes as text, checked against the plain C++ reading of them
// that the search folds and the exporters test: both must take the same bytes
// for UTF-8 and show the same characters.

#include "text/TextCodec.h"

#include "tree/TextFold.h"

#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(TextCodec, TheTreeReadsBytesAsTheyAreShown) {
    std::vector<std::string> cases = {
        "plain",        "caf\xC3\xA9",
        "caf\xE9",      "\uFEFFbom",
        "a\uFEFFb",     "\xC0\x80",
        "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xEF\xBF\xBF", "\xF0\x9F\x98\x80",
        "\xE2\x82",     std::string("n\0ul", 4),
        "\xC2",         "\xF0\x9F\x98\x80\x80",
        "\xE0\x9F\xBF", "\xEF\xBB\xBF",
    };
    std::mt19937 random(12);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 12);
    const unsigned char pieces[] = {0x41, 0x80, 0xBF, 0xC2, 0xC3, 0xE0, 0xED, 0xEF,
                                    0xF0, 0xF4, 0xFF, 0xBB, 0xA0, 0x90, 0x9F};
    for (int i = 0; i < 3000; ++i) {
        std::string bytes;
        for (int n = length(random); n > 0; --n)
            bytes.push_back(static_cast<char>(
                i % 2 ? byte(random) : pieces[std::size_t(byte(random)) % std::size(pieces)]));
        cases.push_back(bytes);
    }
    for (const std::string& bytes : cases) {
        const QString text = TextFromBytes(bytes);
        const QList<uint> shown = text.toUcs4();
        const std::string hex = QByteArray::fromStdString(bytes).toHex().toStdString();
        EXPECT_EQ(std::u32string(shown.begin(), shown.end()), ShownCodePoints(bytes)) << hex;
        // Valid exactly when the text took the bytes for UTF-8: then it gives
        // them back, all but a leading byte order mark.
        const std::string rest = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
        EXPECT_EQ(IsValidUtf8(bytes), BytesFromText(text) == rest) << hex;
    }
}

} // namespace
