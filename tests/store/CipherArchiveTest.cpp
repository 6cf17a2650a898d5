// SPDX-License-Identifier: MIT
#include "store/CipherArchive.h"

#include "store/Cipher.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Block = std::array<std::uint8_t, 8>;

Block BlockAt(const QByteArray& bytes, int index) {
    Block block;
    for (int i = 0; i < 8; ++i)
        block[i] = static_cast<std::uint8_t>(bytes[index * 8 + i]);
    return block;
}

Block PlainBlock(std::int32_t value, std::uint32_t filler) {
    const auto v = static_cast<std::uint32_t>(value);
    return {std::uint8_t(v),
            std::uint8_t(v >> 8),
            std::uint8_t(v >> 16),
            std::uint8_t(v >> 24),
            std::uint8_t(filler),
            std::uint8_t(filler >> 8),
            std::uint8_t(filler >> 16),
            std::uint8_t(filler >> 24)};
}

// Writes through a storing archive into memory and returns the bytes.
template <typename Write>
QByteArray Stored(std::string_view key, FillerSource filler, Write write) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CCipherArchive archive(key, buffer, CCipherArchive::Store, std::move(filler));
    write(archive);
    archive.Close();
    return bytes;
}

class CipherArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { ResetCipherKey(); }
    void TearDown() override { ResetCipherKey(); }

    QByteArray m_bytes;
    QBuffer m_buffer{&m_bytes};

    CCipherArchive& Loading(std::string_view key) {
        m_buffer.open(QIODevice::ReadOnly);
        m_pLoading = std::make_unique<CCipherArchive>(key, m_buffer, CCipherArchive::Load);
        return *m_pLoading;
    }

private:
    std::unique_ptr<CCipherArchive> m_pLoading;
};

// Values stored under the empty key with filler 0. The rows are the worked
// example of the data file format's description: the 64-byte file of a tree
// holding only "Root", saved without a password while every random word is 0
// (each stored integer once; the file holds the block of 'o' twice).
struct CKnownBlock {
    std::int32_t m_value;
    Block m_stored;
};
const CKnownBlock KNOWN_BLOCKS[] = {
    {65537, {0x81, 0x79, 0x9B, 0x0B, 0x0C, 0xDA, 0x11, 0xE8}},
    {1, {0x0D, 0x9F, 0x27, 0x9B, 0xA5, 0xD8, 0x72, 0x60}},
    {4, {0x55, 0x57, 0x93, 0x80, 0xD7, 0x71, 0x38, 0xEF}},
    {'R', {0xBD, 0x66, 0xFE, 0xFB, 0x54, 0x57, 0x64, 0xE1}},
    {'o', {0xE0, 0x2B, 0xA4, 0x26, 0x58, 0x2B, 0x63, 0x31}},
    {'t', {0xB6, 0x64, 0xC0, 0x59, 0xF8, 0x56, 0x4A, 0x65}},
    {0, {0x8C, 0xA6, 0x4D, 0xE9, 0xC1, 0xB1, 0x23, 0xA7}},
};

class KnownBlockTest : public CipherArchiveTest,
                       public ::testing::WithParamInterface<CKnownBlock> {};

TEST_P(KnownBlockTest, IsStoredAsThisBlockAndReadsBack) {
    const CKnownBlock& row = GetParam();
    m_bytes = Stored({}, ConstantFiller(0), [&](CArchive& ar) { ar.WriteInt(row.m_value); });
    ASSERT_EQ(m_bytes.size(), 8);
    EXPECT_EQ(BlockAt(m_bytes, 0), row.m_stored);
    EXPECT_EQ(Loading({}).ReadInt(), row.m_value);
}

INSTANTIATE_TEST_SUITE_P(EmptyKeyFillerZero, KnownBlockTest, ::testing::ValuesIn(KNOWN_BLOCKS));

// What one write puts into the file, as the plaintext of each stored block.
struct CEncoding {
    const char* m_name;
    std::string m_text; // written as a string when m_isString, else...
    bool m_isString;
    std::int32_t m_value; // ...this integer
    std::vector<std::int32_t> m_plain;
};
const CEncoding ENCODINGS[] = {
    {"MinusOne", {}, false, -1, {-1}},
    {"IntMin", {}, false, INT32_MIN, {INT32_MIN}},
    {"EmptyStringIsOneBlock", "", true, 0, {0}},
    {"Ascii", "Root", true, 0, {4, 'R', 'o', 'o', 't'}},
    {"HighByteIsNegative", "caf\xE9", true, 0, {4, 'c', 'a', 'f', -23}},
    {"ByteRange", std::string("\x00\x7F\x80\xFF", 4), true, 0, {4, 0, 127, -128, -1}},
};

class EncodingTest : public CipherArchiveTest, public ::testing::WithParamInterface<CEncoding> {};

TEST_P(EncodingTest, StoresOneBlockPerValueAndReadsBack) {
    const CEncoding& row = GetParam();
    const std::string key = "k3y";
    const std::uint32_t filler = 0x7ABC;
    m_bytes = Stored(key, ConstantFiller(filler), [&](CArchive& ar) {
        if (row.m_isString)
            ar.WriteString(row.m_text);
        else
            ar.WriteInt(row.m_value);
    });
    ASSERT_EQ(m_bytes.size(), qsizetype(8 * row.m_plain.size()));
    SetCipherKey(MakeKeyBlock(key));
    for (std::size_t i = 0; i < row.m_plain.size(); ++i) {
        Block block = BlockAt(m_bytes, int(i));
        DecipherBlock(block.data());
        EXPECT_EQ(block, PlainBlock(row.m_plain[i], filler)) << "block " << i;
    }
    CCipherArchive& ar = Loading(key);
    if (row.m_isString)
        EXPECT_EQ(ar.ReadString(), row.m_text);
    else
        EXPECT_EQ(ar.ReadInt(), row.m_value);
    EXPECT_THROW(ar.ReadInt(), CArchiveException);
}

INSTANTIATE_TEST_SUITE_P(Values, EncodingTest, ::testing::ValuesIn(ENCODINGS),
                         [](const auto& row) { return std::string(row.param.m_name); });

TEST_F(CipherArchiveTest, NegativeOrZeroCountGivesEmptyStringAndConsumesNothingMore) {
    m_bytes = Stored("", {}, [](CArchive& ar) { ar << -5 << 0 << 7; });
    CCipherArchive& ar = Loading("");
    EXPECT_EQ(ar.ReadString(), "");
    EXPECT_EQ(ar.ReadString(), "");
    EXPECT_EQ(ar.ReadInt(), 7);
}

// Where reading has to stop with the end-of-file error.
struct CTruncation {
    const char* m_name;
    int m_keepBytes;
    int m_intsBeforeFailure; // ReadInt calls that succeed first
    bool m_failsInString;    // then a ReadString (else a ReadInt) fails
};
const CTruncation TRUNCATIONS[] = {
    {"EmptyFile", 0, 0, false},
    {"InsideFirstBlock", 5, 0, false},
    {"InsideSecondBlock", 12, 1, false},
    {"StringCutShort", 8 + 8 + 8 * 2, 1, true},
};

class TruncationTest : public CipherArchiveTest,
                       public ::testing::WithParamInterface<CTruncation> {};

TEST_P(TruncationTest, RaisesEndOfFile) {
    const CTruncation& row = GetParam();
    m_bytes = Stored("pw", {}, [](CArchive& ar) {
        ar << 42;
        ar << std::string("abcdef");
    });
    m_bytes.truncate(row.m_keepBytes);
    CCipherArchive& ar = Loading("pw");
    for (int i = 0; i < row.m_intsBeforeFailure; ++i)
        EXPECT_EQ(ar.ReadInt(), 42);
    try {
        if (row.m_failsInString)
            ar.ReadString();
        else
            ar.ReadInt();
        FAIL() << "no error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::EndOfFile);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, TruncationTest, ::testing::ValuesIn(TRUNCATIONS),
                         [](const auto& row) { return std::string(row.param.m_name); });

TEST_F(CipherArchiveTest, HugeCountReadsToTheEndWithoutTrustingIt) {
    m_bytes = Stored("", {}, [](CArchive& ar) { ar << INT32_MAX << 'a' << 'b'; });
    CCipherArchive& ar = Loading("");
    try {
        ar.ReadString();
        FAIL() << "no error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::EndOfFile);
    }
}

// Hands out its bytes at most 4,099 at a time, as a pipe may: blocks then
// arrive split across reads.
class CTrickleDevice final : public QIODevice {
public:
    explicit CTrickleDevice(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    bool isSequential() const override { return true; }
    int m_nReads = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min({maxSize, qint64(4099), qint64(m_bytes.size()) - m_nAt});
        std::memcpy(data, m_bytes.constData() + m_nAt, std::size_t(n));
        m_nAt += n;
        ++m_nReads;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_nAt = 0;
};

// Texts longer than a chunk, and texts that start or end at a chunk's edge,
// read back whole, whether the file hands out whole chunks or odd pieces.
TEST_F(CipherArchiveTest, TextsAcrossChunksAndSplitReadsReadBackWhole) {
    std::vector<std::string> texts;
    for (const int length : {0, 1, 7, 4096, 4097, 8190, 9000, 20000, 3}) {
        std::string text(std::size_t(length), ' ');
        for (int i = 0; i < length; ++i)
            text[std::size_t(i)] = char(i * 37 + length);
        texts.push_back(text);
    }
    m_bytes = Stored("chunks", SeededFiller(5), [&](CArchive& ar) {
        for (const std::string& text : texts) {
            ar << std::int32_t(text.size());
            ar.WriteString(text);
        }
    });
    const auto readAll = [&](CCipherArchive& ar) {
        for (const std::string& text : texts) {
            ASSERT_EQ(ar.ReadInt(), std::int32_t(text.size()));
            ASSERT_EQ(ar.ReadString(), text) << "length " << text.size();
        }
        EXPECT_THROW(ar.ReadInt(), CArchiveException);
    };
    readAll(Loading("chunks"));

    CTrickleDevice trickle(m_bytes);
    trickle.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    CCipherArchive ar("chunks", trickle, CCipherArchive::Load);
    readAll(ar);
    EXPECT_GT(trickle.m_nReads, m_bytes.size() / 4099);
}

TEST(CLibcRandomTest, IsTheCLibraryGenerator) {
    // srand(1); rand() of the C library this format comes from.
    CLibcRandom random(1);
    EXPECT_EQ(random.Next(), 41u);
    EXPECT_EQ(random.Next(), 18467u);
    EXPECT_EQ(random.Next(), 6334u);
    FillerSource seeded = SeededFiller(1);
    EXPECT_EQ(seeded(), 41u);
}

// Many values, crossing the archive's internal chunks: the bytes must be those
// of enciphering one block at a time with the generator's words in order.
TEST_F(CipherArchiveTest, BatchedBytesEqualOneBlockAtATime) {
    const std::string key = "batch";
    const int count = 20000;
    m_bytes = Stored(key, SeededFiller(99), [&](CArchive& ar) {
        for (int i = 0; i < count; ++i)
            ar.WriteInt(i * 7919 - 5000000);
    });
    ASSERT_EQ(m_bytes.size(), 8 * count);
    SetCipherKey(MakeKeyBlock(key));
    CLibcRandom words(99);
    for (int i = 0; i < count; ++i) {
        Block block = PlainBlock(i * 7919 - 5000000, words.Next());
        EncipherBlock(block.data());
        ASSERT_EQ(BlockAt(m_bytes, i), block) << "block " << i;
    }
    CCipherArchive& ar = Loading(key);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(ar.ReadInt(), i * 7919 - 5000000);
    EXPECT_THROW(ar.ReadInt(), CArchiveException);
}

TEST_F(CipherArchiveTest, ClockSeededWordsStillReadBack) {
    m_bytes = Stored("x", {}, [](CArchive& ar) { ar << 65537 << 65537; });
    CCipherArchive& ar = Loading("x");
    EXPECT_EQ(ar.ReadInt(), 65537);
    EXPECT_EQ(ar.ReadInt(), 65537);
}

TEST_F(CipherArchiveTest, ConstructionSetsTheKeyRegister) {
    Block viaArchive{};
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        CCipherArchive archive("secret12", buffer, CCipherArchive::Load);
        EncipherBlock(viaArchive.data());
    }
    Block direct{};
    SetCipherKey(MakeKeyBlock("secret12"));
    EncipherBlock(direct.data());
    EXPECT_EQ(viaArchive, direct);
}

TEST_F(CipherArchiveTest, WriteToAFullDeviceReportsDiskFull) {
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "no /dev/full";
    CCipherArchive archive("", full, CCipherArchive::Store);
    try {
        archive.WriteString(std::string(100000, 'x'));
        archive.Close();
        FAIL() << "no error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::DiskFull);
    }
}

} // namespace
