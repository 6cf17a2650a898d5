// SPDX-License-Identifier: MIT
#include "store/Cipher.h"

#include "ReferenceCipher.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Block = std::array<std::uint8_t, 8>;

class CipherTest : public ::testing::Test {
protected:
    void SetUp() override { ResetCipherKey(); }
    void TearDown() override { ResetCipherKey(); }

    std::mt19937_64 m_random{20261210};

    KeyBlock RandomKey() {
        KeyBlock key;
        for (auto& b : key)
            b = static_cast<std::uint8_t>(m_random());
        return key;
    }
    Block RandomBlock() {
        Block block;
        for (auto& b : block)
            b = static_cast<std::uint8_t>(m_random());
        return block;
    }
    std::vector<std::uint8_t> RandomBytes(std::size_t n) {
        std::vector<std::uint8_t> bytes(n);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(m_random());
        return bytes;
    }
};

Block Encipher(Block block) {
    EncipherBlock(block.data());
    return block;
}

Block Decipher(Block block) {
    DecipherBlock(block.data());
    return block;
}

// ---------------------------------------------------------------------------
// Known answers under the all-zero key (the key of the empty password).

struct CKnownAnswer {
    Block m_plain;
    Block m_cipher;
};

// Rows from the worked examples of the data file format's description, for
// the all-zero key. The first two are also what the unmodified standard cipher
// gives; the third uses the changed S8 entry. The test also checks each row
// against the bit-by-bit reference (ReferenceCipher.h), written independently
// of store/Cipher.cpp from the standard's tables.
const CKnownAnswer ZERO_KEY_ANSWERS[] = {
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x8C, 0xA6, 0x4D, 0xE9, 0xC1, 0xB1, 0x23, 0xA7}},
    {{0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x81, 0x79, 0x9B, 0x0B, 0x0C, 0xDA, 0x11, 0xE8}},
    {{0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
     {0x8A, 0x45, 0x81, 0xF5, 0x61, 0xC2, 0x10, 0x6F}},
};

class ZeroKeyAnswerTest : public CipherTest, public ::testing::WithParamInterface<CKnownAnswer> {};

TEST_P(ZeroKeyAnswerTest, EnciphersAndDeciphersOnEveryPath) {
    const CKnownAnswer& row = GetParam();
    SetCipherKey(MakeKeyBlock(""));
    EXPECT_EQ(Encipher(row.m_plain), row.m_cipher);
    EXPECT_EQ(Decipher(row.m_cipher), row.m_plain);

    Block viaReference = row.m_plain;
    reference::Encipher(KeyBlock{}, viaReference.data());
    EXPECT_EQ(viaReference, row.m_cipher);

    // A batch holding the row between random neighbours.
    std::vector<std::uint8_t> batch = RandomBytes(8 * 100);
    std::memcpy(batch.data() + 8 * 70, row.m_plain.data(), 8);
    EncipherBlocks(batch.data(), 100);
    EXPECT_EQ(0, std::memcmp(batch.data() + 8 * 70, row.m_cipher.data(), 8));
    DecipherBlocks(batch.data(), 100);
    EXPECT_EQ(0, std::memcmp(batch.data() + 8 * 70, row.m_plain.data(), 8));
}

INSTANTIATE_TEST_SUITE_P(DocumentedExamples, ZeroKeyAnswerTest,
                         ::testing::ValuesIn(ZERO_KEY_ANSWERS));

// ---------------------------------------------------------------------------
// The fast single-block path against the bit-by-bit reference.

TEST_F(CipherTest, SingleBlocksMatchReferenceForRandomKeysAndBlocks) {
    for (int k = 0; k < 300; ++k) {
        const KeyBlock key = RandomKey();
        SetCipherKey(key);
        for (int n = 0; n < 4; ++n) {
            const Block plain = RandomBlock();
            Block expected = plain;
            reference::Encipher(key, expected.data());
            const Block enciphered = Encipher(plain);
            ASSERT_EQ(enciphered, expected) << "key " << k << " block " << n;

            Block expectedPlain = plain;
            reference::Decipher(key, expectedPlain.data());
            ASSERT_EQ(Decipher(plain), expectedPlain) << "key " << k << " block " << n;
            ASSERT_EQ(Decipher(enciphered), plain) << "key " << k << " block " << n;
        }
    }
}

TEST_F(CipherTest, RoundKeysMatchReferenceAndZeroFillLeavesOnlyTwoBitsInK15) {
    SetCipherKey(KeyBlock{});
    for (std::uint64_t k : CipherRoundKeys())
        EXPECT_EQ(k, 0u);

    const std::uint64_t bit5 = std::uint64_t{1} << (48 - 5);
    const std::uint64_t bit47 = std::uint64_t{1} << (48 - 47);
    KeyBlock all;
    all.fill(0xFF);
    const KeyBlock keys[] = {all, RandomKey(), RandomKey(), RandomKey()};
    for (const KeyBlock& key : keys) {
        SetCipherKey(key);
        const auto ours = CipherRoundKeys();
        const auto theirs = reference::MakeRoundKeys(key);
        for (int r = 0; r < 16; ++r) {
            std::uint64_t expected = 0;
            for (int bit : theirs[r])
                expected = (expected << 1) | static_cast<std::uint64_t>(bit);
            EXPECT_EQ(ours[r], expected) << "K" << r + 1;
        }
        EXPECT_EQ(ours[15], 0u);
        EXPECT_EQ(ours[14] & ~(bit5 | bit47), 0u);
    }
    // Key bit 36 (byte 4, 0x10) reaches K15 bit 5 and key bit 4 (byte 0, 0x10) K15 bit 47.
    const struct {
        KeyBlock m_key;
        std::uint64_t m_k15;
    } k15Cases[] = {
        {{0, 0, 0, 0, 0x10, 0, 0, 0}, bit5},
        {{0x10, 0, 0, 0, 0, 0, 0, 0}, bit47},
        {all, bit5 | bit47},
    };
    for (const auto& c : k15Cases) {
        SetCipherKey(c.m_key);
        EXPECT_EQ(CipherRoundKeys()[14], c.m_k15);
    }
}

// ---------------------------------------------------------------------------
// Key bits that reach no round key.

struct CIgnoredKeyBits {
    const char* m_name;
    KeyBlock m_mask;
};

const CIgnoredKeyBits IGNORED_KEY_BITS[] = {
    {"parity bits", {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}},
    {"byte 7 bit 0x80", {0, 0, 0, 0, 0, 0, 0, 0x80}},
    {"byte 7 bit 0x02", {0, 0, 0, 0, 0, 0, 0, 0x02}},
    {"all ten together", {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x83}},
};

class IgnoredKeyBitsTest : public CipherTest,
                           public ::testing::WithParamInterface<CIgnoredKeyBits> {};

TEST_P(IgnoredKeyBitsTest, GiveIdenticalResults) {
    for (int k = 0; k < 20; ++k) {
        const KeyBlock key = RandomKey();
        KeyBlock flipped = key;
        for (int i = 0; i < 8; ++i)
            flipped[i] ^= GetParam().m_mask[i];
        std::vector<std::uint8_t> a = RandomBytes(8 * 70);
        std::vector<std::uint8_t> b = a;
        SetCipherKey(key);
        EncipherBlocks(a.data(), 70);
        const Block single = Encipher(Block{1, 2, 3, 4, 5, 6, 7, 8});
        SetCipherKey(flipped);
        EncipherBlocks(b.data(), 70);
        EXPECT_EQ(a, b) << GetParam().m_name;
        EXPECT_EQ(Encipher(Block{1, 2, 3, 4, 5, 6, 7, 8}), single) << GetParam().m_name;
    }
}

INSTANTIATE_TEST_SUITE_P(Key, IgnoredKeyBitsTest, ::testing::ValuesIn(IGNORED_KEY_BITS),
                         [](const auto& row) {
                             std::string name;
                             for (const char* p = row.param.m_name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

TEST_F(CipherTest, EveryOtherKeyBitChangesTheResult) {
    const KeyBlock key = RandomKey();
    const Block plain = RandomBlock();
    SetCipherKey(key);
    const Block base = Encipher(plain);
    for (int bit = 0; bit < 64; ++bit) {
        const int byte = bit / 8;
        const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
        const bool ignored = mask == 0x01 || (byte == 7 && (mask == 0x80 || mask == 0x02));
        if (ignored)
            continue;
        KeyBlock other = key;
        other[byte] ^= mask;
        SetCipherKey(other);
        EXPECT_NE(Encipher(plain), base) << "key bit " << bit + 1;
    }
}

// ---------------------------------------------------------------------------
// The key register.

TEST_F(CipherTest, KeyChangeTakesEffectWithTheNextBlock) {
    const KeyBlock a = RandomKey();
    const KeyBlock b = RandomKey();
    const Block plain = RandomBlock();
    Block underA = plain, underB = plain;
    reference::Encipher(a, underA.data());
    reference::Encipher(b, underB.data());

    SetCipherKey(a);
    EXPECT_EQ(Encipher(plain), underA);
    SetCipherKey(b);
    EXPECT_EQ(Encipher(plain), underB);
    SetCipherKey(a);
    EXPECT_EQ(Encipher(plain), underA);
    EXPECT_EQ(Decipher(underA), plain);
    // Deciphering under another key gives other bytes, not an error.
    SetCipherKey(b);
    EXPECT_NE(Decipher(underA), plain);

    ResetCipherKey();
    EXPECT_EQ(Encipher(Block{}), ZERO_KEY_ANSWERS[0].m_cipher);
}

// ---------------------------------------------------------------------------
// Many blocks at once: the same bytes as one call per block.

// The widest lanes a batch may use (where the processor has them).
enum class EWidth { Portable, Avx2, Avx512 };

// Batch size and widest lanes.
class BatchTest : public CipherTest,
                  public ::testing::WithParamInterface<std::tuple<std::size_t, EWidth>> {};

TEST_P(BatchTest, MatchesOneCallPerBlockAndRoundTrips) {
    const auto [count, width] = GetParam();
    AllowCipherAvx2(width != EWidth::Portable);
    AllowCipherAvx512(width == EWidth::Avx512);
    for (int k = 0; k < 3; ++k) {
        const KeyBlock key = RandomKey();
        SetCipherKey(key);
        // Offset by one byte: the batch need not be aligned.
        std::vector<std::uint8_t> storage = RandomBytes(8 * count + 1);
        std::uint8_t* batch = storage.data() + 1;
        const std::vector<std::uint8_t> plain(batch, batch + 8 * count);
        const std::uint8_t before = storage[0];

        std::vector<std::uint8_t> expected = plain;
        for (std::size_t i = 0; i < count; ++i)
            EncipherBlock(expected.data() + 8 * i);
        EncipherBlocks(count ? batch : nullptr, count);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), batch))
            << "enciphering, key " << k;
        for (std::size_t i = 0; i < count; i += 97) {
            Block viaReference;
            std::memcpy(viaReference.data(), plain.data() + 8 * i, 8);
            reference::Encipher(key, viaReference.data());
            ASSERT_EQ(0, std::memcmp(viaReference.data(), batch + 8 * i, 8)) << "block " << i;
        }

        // Deciphering the batch gives the plain blocks back, and deciphering
        // plain blocks in a batch matches one call per block.
        DecipherBlocks(count ? batch : nullptr, count);
        ASSERT_TRUE(std::equal(plain.begin(), plain.end(), batch)) << "deciphering, key " << k;
        expected = plain;
        for (std::size_t i = 0; i < count; ++i)
            DecipherBlock(expected.data() + 8 * i);
        DecipherBlocks(count ? batch : nullptr, count);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), batch))
            << "deciphering, key " << k;
        EXPECT_EQ(storage[0], before);
    }
}

// Sizes around the widths of one pass (64, 128, 256 or 512 blocks) and around
// the point below which blocks are done one by one.
INSTANTIATE_TEST_SUITE_P(
    Sizes, BatchTest,
    ::testing::Combine(::testing::Values<std::size_t>(0, 1, 15, 16, 63, 64, 65, 128, 255, 256, 257,
                                                      511, 512, 513, 1000, 1900),
                       ::testing::Values(EWidth::Portable, EWidth::Avx2, EWidth::Avx512)));

// ---------------------------------------------------------------------------
// Key blocks from texts.

struct CKeyText {
    std::string m_text;
    KeyBlock m_key;
};

const CKeyText KEY_TEXTS[] = {
    {"", {0, 0, 0, 0, 0, 0, 0, 0}},
    {"abc", {'a', 'b', 'c', 0, 0, 0, 0, 0}},
    {"abcdefg", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 0}},
    {"abcdefgh", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}},
    {"abcdefghijkl", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}},
    {"\xE9t\xE9", {0xE9, 't', 0xE9, 0, 0, 0, 0, 0}},
    // A text ends at its first NUL.
    {std::string("a\0b", 3), {'a', 0, 0, 0, 0, 0, 0, 0}},
};

class KeyTextTest : public ::testing::TestWithParam<CKeyText> {};

TEST_P(KeyTextTest, CopiesTheTextWithItsTerminatorAndZeroFills) {
    EXPECT_EQ(MakeKeyBlock(GetParam().m_text), GetParam().m_key);
}

INSTANTIATE_TEST_SUITE_P(Texts, KeyTextTest, ::testing::ValuesIn(KEY_TEXTS));

TEST_F(CipherTest, HighBytesInKeyAndBlockCountAsUnsigned) {
    const KeyBlock key = MakeKeyBlock("\xFF\x80\xE9pass");
    const Block plain{0xFF, 0x80, 0x7F, 0x00, 0xE9, 0xC3, 0x01, 0xFE};
    Block expected = plain;
    reference::Encipher(key, expected.data());
    SetCipherKey(key);
    EXPECT_EQ(Encipher(plain), expected);
    EXPECT_EQ(Decipher(expected), plain);
}

} // namespace
