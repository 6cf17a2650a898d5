// SPDX-License-Identifier: MIT
#include "store/Cipher.h"

#include "store/CipherSBoxes.h"

#include <bit>
#include <cstring>

// Table-driven form of the bit-by-bit cipher. A block is held as a 64-bit word
// whose most significant bit is bit 1 (the top bit of byte 0). The 16 round keys
// are derived once per key register value and kept until the register changes;
// the initial and final permutations are eight byte lookups each, and each round
// function is eight lookups in tables that combine an S-box with the permutation P.
//
// Many blocks at once are enciphered bitsliced: 64 blocks per 64-bit lane are
// transposed so that one word holds the same bit of each of them; the
// permutations then become renamings of words and each S-box a fixed gate circuit
// (CipherBoxes.inc, written by store/tools/makeboxes.cpp). Wider lanes, when the
// processor has them, take 256 (AVX2) or 512 (AVX-512) blocks per pass. Every
// path gives the bytes of the bit-by-bit description.

namespace {

// The standard's tables, as 1-based bit positions.
constexpr std::uint8_t INITIAL_PERM[64] = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::uint8_t FINAL_PERM[64] = {
    40, 8,  48, 16, 56, 24, 64, 32, 39, 7,  47, 15, 55, 23, 63, 31, 38, 6,  46, 14, 54, 22,
    62, 30, 37, 5,  45, 13, 53, 21, 61, 29, 36, 4,  44, 12, 52, 20, 60, 28, 35, 3,  43, 11,
    51, 19, 59, 27, 34, 2,  42, 10, 50, 18, 58, 26, 33, 1,  41, 9,  49, 17, 57, 25};

constexpr std::uint8_t PERM_P[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                     2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::uint8_t CHOICE1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                      10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                      63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                      14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::uint8_t CHOICE2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::uint8_t EXPANSION[48] = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11, 12, 13, 12, 13, 14, 15, 16, 17,
    16, 17, 18, 19, 20, 21, 20, 21, 22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

constexpr std::uint8_t SHIFTS[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// Bit `pos` (1-based, 1 = most significant) of a `width`-bit value.
constexpr std::uint64_t BitAt(std::uint64_t value, int pos, int width) {
    return (value >> (width - pos)) & 1u;
}

// Applies a table of 1-based positions: output bit i+1 is input bit table[i].
constexpr std::uint64_t Permute(std::uint64_t in, int inWidth, const std::uint8_t* table,
                                int outWidth) {
    std::uint64_t out = 0;
    for (int i = 0; i < outWidth; ++i)
        out = (out << 1) | BitAt(in, table[i], inWidth);
    return out;
}

constexpr std::uint32_t Rotl(std::uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

// Rotates both 32-bit halves of a 64-bit value left by n (0 < n < 32).
constexpr std::uint64_t RotlHalves(std::uint64_t v, int n) {
    const auto hi = static_cast<std::uint32_t>(v >> 32);
    const auto lo = static_cast<std::uint32_t>(v);
    return (static_cast<std::uint64_t>(Rotl(hi, n)) << 32) | Rotl(lo, n);
}

constexpr int HALF_ROTATION = 5;

// The round function f(R, K) takes its eight 6-bit S-box inputs from R in an
// overlapping, wrapping pattern: the input of box b (0-based) is R's positions
// 4b .. 4b+5 with position 0 meaning 32 and 33 meaning 1. Rotated left by 5, R
// holds boxes 0, 6, 4, 2 in bits 0-5, 8-13, 16-21, 24-29; rotated by 9, boxes
// 1, 7, 5, 3. Both halves are therefore kept rotated left by 5 during the
// rounds (the initial and final permutation tables include that rotation, the
// S-box tables give f rotated alike), and round keys are packed to match.
constexpr int EVEN_BOXES[4] = {0, 6, 4, 2};
constexpr int ODD_BOXES[4] = {1, 7, 5, 3};

struct CRoundKey {
    std::uint32_t m_even = 0;
    std::uint32_t m_odd = 0;
};

struct CTables {
    std::uint32_t
        m_sp[8][256]; // box b, byte whose low 6 bits are its input -> P of its output, rotated
    std::uint64_t m_ip[8][256]; // byte i of the block -> its bits after IP, halves rotated
    std::uint64_t m_fp[8][256]; // byte i of the rotated preoutput -> its bits after IP^-1
};

CTables g_tables;
bool g_tablesReady = false;

// The key register and what is derived from it. A zero register gives zero
// round keys, so the zero-initialised state is already consistent.
struct CKeyState {
    KeyBlock m_key{};
    std::uint64_t m_roundKeys[16] = {}; // K1..K16, 48 bits, bit 1 most significant
    CRoundKey m_packed[16] = {};
    std::uint64_t m_masks[16][48] = {}; // every bit of K1..K16 as 0 or all ones
    bool m_scheduled = false;
};

CKeyState g_key;

void BuildTables() {
    for (int b = 0; b < 8; ++b) {
        for (int v = 0; v < 256; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int column = (v >> 1) & 15;
            const std::uint64_t s = S_BOXES[b * 64 + row * 16 + column];
            const auto f = static_cast<std::uint32_t>(Permute(s << (28 - 4 * b), 32, PERM_P, 32));
            g_tables.m_sp[b][v] = Rotl(f, HALF_ROTATION);
        }
    }
    for (int i = 0; i < 8; ++i) {
        for (int v = 0; v < 256; ++v) {
            const std::uint64_t in = static_cast<std::uint64_t>(v) << (56 - 8 * i);
            g_tables.m_ip[i][v] = RotlHalves(Permute(in, 64, INITIAL_PERM, 64), HALF_ROTATION);
            g_tables.m_fp[i][v] = Permute(RotlHalves(in, 32 - HALF_ROTATION), 64, FINAL_PERM, 64);
        }
    }
    g_tablesReady = true;
}

void Schedule() {
    if (!g_tablesReady)
        BuildTables();
    std::uint64_t key = 0;
    for (std::uint8_t byte : g_key.m_key)
        key = (key << 8) | byte;
    const std::uint64_t cd = Permute(key, 64, CHOICE1, 56);
    std::uint64_t c = cd >> 28;
    std::uint64_t d = cd & 0xFFFFFFFu;
    for (int r = 0; r < 16; ++r) {
        // Zero fill: the bits shifted out of position 1 are lost.
        c = (c << SHIFTS[r]) & 0xFFFFFFFu;
        d = (d << SHIFTS[r]) & 0xFFFFFFFu;
        const std::uint64_t k = Permute((c << 28) | d, 56, CHOICE2, 48);
        g_key.m_roundKeys[r] = k;
        CRoundKey packed;
        for (int i = 0; i < 4; ++i) {
            const auto chunk = [k](int box) {
                return static_cast<std::uint32_t>((k >> (42 - 6 * box)) & 63u);
            };
            packed.m_even |= chunk(EVEN_BOXES[i]) << (8 * i);
            packed.m_odd |= chunk(ODD_BOXES[i]) << (8 * i);
        }
        g_key.m_packed[r] = packed;
        for (int i = 0; i < 48; ++i)
            g_key.m_masks[r][i] = BitAt(k, i + 1, 48) ? ~std::uint64_t{0} : 0;
    }
    g_key.m_scheduled = true;
}

inline void EnsureScheduled() {
    if (!g_key.m_scheduled) [[unlikely]]
        Schedule();
}

// f(R, K) rotated left by 5, from R rotated left by 5.
inline std::uint32_t RoundFunction(std::uint32_t r, CRoundKey k) {
    const auto& sp = g_tables.m_sp;
    const std::uint32_t x = r ^ k.m_even;
    const std::uint32_t y = Rotl(r, 4) ^ k.m_odd;
    return sp[0][x & 255] ^ sp[6][(x >> 8) & 255] ^ sp[4][(x >> 16) & 255] ^ sp[2][x >> 24] ^
           sp[1][y & 255] ^ sp[7][(y >> 8) & 255] ^ sp[5][(y >> 16) & 255] ^ sp[3][y >> 24];
}

// Blocks are big-endian: byte 0 holds bits 1 to 8.
inline std::uint64_t BigEndian(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap64(v);
    else
        return v;
}

inline std::uint64_t LoadBlock(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return BigEndian(v);
}

inline void StoreBlock(std::uint8_t* p, std::uint64_t v) {
    v = BigEndian(v);
    std::memcpy(p, &v, sizeof v);
}

inline std::uint64_t ByteTable(const std::uint64_t (&table)[8][256], std::uint64_t v) {
    return table[0][v >> 56] | table[1][(v >> 48) & 255] | table[2][(v >> 40) & 255] |
           table[3][(v >> 32) & 255] | table[4][(v >> 24) & 255] | table[5][(v >> 16) & 255] |
           table[6][(v >> 8) & 255] | table[7][v & 255];
}

// One block; deciphering takes the round keys in the order K16..K1.
inline void CipherOne(std::uint8_t* block, bool decipher) {
    const std::uint64_t in = ByteTable(g_tables.m_ip, LoadBlock(block));
    std::uint32_t l = static_cast<std::uint32_t>(in >> 32);
    std::uint32_t r = static_cast<std::uint32_t>(in);
    const CRoundKey* keys = g_key.m_packed;
    if (!decipher) {
        for (int i = 0; i < 16; i += 2) {
            l ^= RoundFunction(r, keys[i]);
            r ^= RoundFunction(l, keys[i + 1]);
        }
    } else {
        for (int i = 15; i > 0; i -= 2) {
            l ^= RoundFunction(r, keys[i]);
            r ^= RoundFunction(l, keys[i - 1]);
        }
    }
    // Preoutput R16 || L16: after an even number of rounds without the last
    // swap, the halves are exchanged here.
    const std::uint64_t pre = (static_cast<std::uint64_t>(r) << 32) | l;
    StoreBlock(block, ByteTable(g_tables.m_fp, pre));
}

// ---------------------------------------------------------------------------
// Bitsliced passes.

#if defined(__GNUC__)
#define QB_CIPHER_INLINE inline __attribute__((always_inline))
#else
#define QB_CIPHER_INLINE inline
#endif

// One word per bit position holding that bit of 64 * Lanes blocks.
template <int Lanes> struct LaneOf;
template <> struct LaneOf<1> { using Type = std::uint64_t; };
template <> struct LaneOf<2> { typedef std::uint64_t Type __attribute__((vector_size(16))); };
template <> struct LaneOf<4> { typedef std::uint64_t Type __attribute__((vector_size(32))); };
template <> struct LaneOf<8> { typedef std::uint64_t Type __attribute__((vector_size(64))); };
template <int Lanes> using Lane = typename LaneOf<Lanes>::Type;

#include "store/CipherBoxes.inc"

// Output bit q (0-based, before P) of the S-boxes lands on bit kAfterP[q] of f.
constexpr auto kAfterP = [] {
    std::array<std::uint8_t, 32> where{};
    for (int i = 0; i < 32; ++i)
        where[PERM_P[i] - 1] = static_cast<std::uint8_t>(i);
    return where;
}();

#define QB_CIPHER_BOX(n)                                                                           \
    Box##n(x + 6 * ((n)-1), l[kAfterP[4 * ((n)-1)]], l[kAfterP[4 * ((n)-1) + 1]],                  \
           l[kAfterP[4 * ((n)-1) + 2]], l[kAfterP[4 * ((n)-1) + 3]])

// l ^= f(r, key) for every block.
template <class W> QB_CIPHER_INLINE void HalfRound(W* l, const W* r, const std::uint64_t* key) {
    W x[48];
#pragma GCC unroll 48
    for (int i = 0; i < 48; ++i)
        x[i] = r[EXPANSION[i] - 1] ^ key[i];
    QB_CIPHER_BOX(1);
    QB_CIPHER_BOX(2);
    QB_CIPHER_BOX(3);
    QB_CIPHER_BOX(4);
    QB_CIPHER_BOX(5);
    QB_CIPHER_BOX(6);
    QB_CIPHER_BOX(7);
    QB_CIPHER_BOX(8);
}

#undef QB_CIPHER_BOX

// One step of the transposition below: swaps the off-diagonal J x J blocks.
template <int J, class W> QB_CIPHER_INLINE void TransposeStep(W* a, std::uint64_t mask) {
#pragma GCC unroll 64
    for (int k = 0; k < 64; ++k) {
        if ((k & J) == 0) {
            const W t = (a[k] ^ (a[k | J] >> J)) & mask;
            a[k] ^= t;
            a[k | J] ^= t << J;
        }
    }
}

// Transposes the 64 x 64 bit matrix in each lane: bit 63-j of word i becomes
// bit 63-i of word j.
template <class W> QB_CIPHER_INLINE void Transpose(W* a) {
    TransposeStep<32>(a, 0x00000000FFFFFFFFu);
    TransposeStep<16>(a, 0x0000FFFF0000FFFFu);
    TransposeStep<8>(a, 0x00FF00FF00FF00FFu);
    TransposeStep<4>(a, 0x0F0F0F0F0F0F0F0Fu);
    TransposeStep<2>(a, 0x3333333333333333u);
    TransposeStep<1>(a, 0x5555555555555555u);
}

// Blocks are transposed as they lie in memory, each read as a native 64-bit
// word: block bit b (1-based, bit 1 the top bit of byte 0) then ends up in
// word WORD_OF_BIT[b] (on a big-endian processor simply b - 1).
constexpr auto WORD_OF_BIT = [] {
    std::array<std::uint8_t, 65> word{};
    for (int b = 1; b <= 64; ++b) {
        const int byte = (b - 1) / 8;
        const int fromTop = (b - 1) % 8;
        const int bit =
            std::endian::native == std::endian::little ? 8 * byte + 7 - fromTop : 64 - b;
        word[b] = static_cast<std::uint8_t>(63 - bit);
    }
    return word;
}();

// Enciphers or deciphers 64 * Lanes consecutive blocks in place.
template <int Lanes>
QB_CIPHER_INLINE void BitslicedPass(std::uint8_t* blocks, const std::uint64_t (*masks)[48],
                                    bool decipher) {
    using W = Lane<Lanes>;
    static_assert(sizeof(W) == 8 * Lanes);
    // Lane g of word k is block Lanes * k + g: the blocks as they lie.
    W w[64];
#pragma GCC unroll 64
    for (int k = 0; k < 64; ++k)
        std::memcpy(&w[k], blocks + sizeof(W) * k, sizeof(W));
    Transpose(w);

    // w[WORD_OF_BIT[b]] now holds bit b of every block.
    W l[32], r[32];
#pragma GCC unroll 32
    for (int i = 0; i < 32; ++i) {
        l[i] = w[WORD_OF_BIT[INITIAL_PERM[i]]];
        r[i] = w[WORD_OF_BIT[INITIAL_PERM[32 + i]]];
    }
    for (int i = 0; i < 16; i += 2) {
        HalfRound(l, r, masks[decipher ? 15 - i : i]);
        HalfRound(r, l, masks[decipher ? 14 - i : i + 1]);
    }
    // Preoutput R16 || L16.
#pragma GCC unroll 64
    for (int i = 0; i < 64; ++i) {
        const int from = FINAL_PERM[i] - 1;
        w[WORD_OF_BIT[i + 1]] = from < 32 ? r[from] : l[from - 32];
    }

    Transpose(w);
#pragma GCC unroll 64
    for (int k = 0; k < 64; ++k)
        std::memcpy(blocks + sizeof(W) * k, &w[k], sizeof(W));
}

template <int Lanes> void BitslicedPasses(std::uint8_t* blocks, std::size_t passes, bool decipher) {
    for (std::size_t p = 0; p < passes; ++p)
        BitslicedPass<Lanes>(blocks + p * 8 * 64 * Lanes, g_key.m_masks, decipher);
}

#if defined(__x86_64__) || defined(__i386__)
#define QB_CIPHER_WIDE 1
__attribute__((target("avx2"))) void BitslicedPassesAvx2(std::uint8_t* blocks, std::size_t passes,
                                                         bool decipher) {
    for (std::size_t p = 0; p < passes; ++p)
        BitslicedPass<4>(blocks + p * 8 * 256, g_key.m_masks, decipher);
}

__attribute__((target("avx512f"))) void BitslicedPassesAvx512(std::uint8_t* blocks,
                                                              std::size_t passes, bool decipher) {
    for (std::size_t p = 0; p < passes; ++p)
        BitslicedPass<8>(blocks + p * 8 * 512, g_key.m_masks, decipher);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
}
#endif

bool g_avx2Allowed = true;
bool g_avx512Allowed = true;

// Below this many blocks one lookup-table call per block is quicker than a pass.
constexpr std::size_t FEW_BLOCKS = 16;

void CipherMany(std::uint8_t* blocks, std::size_t count, bool decipher) {
    EnsureScheduled();
    std::size_t done = 0;
#ifdef QB_CIPHER_WIDE
    if (g_avx2Allowed && g_avx512Allowed && HasAvx512()) {
        const std::size_t passes = count / 512;
        BitslicedPassesAvx512(blocks, passes, decipher);
        done = passes * 512;
    }
    if (g_avx2Allowed && HasAvx2()) {
        const std::size_t passes = (count - done) / 256;
        BitslicedPassesAvx2(blocks + 8 * done, passes, decipher);
        done += passes * 256;
    }
#endif
    {
        const std::size_t passes = (count - done) / 128;
        BitslicedPasses<2>(blocks + 8 * done, passes, decipher);
        done += passes * 128;
    }
    std::size_t rest = count - done;
    if (rest >= FEW_BLOCKS) {
        // One more pass over a zero-padded copy of the last blocks.
        std::uint8_t padded[8 * 128] = {};
        std::memcpy(padded, blocks + 8 * done, 8 * rest);
        if (rest <= 64)
            BitslicedPasses<1>(padded, 1, decipher);
        else
            BitslicedPasses<2>(padded, 1, decipher);
        std::memcpy(blocks + 8 * done, padded, 8 * rest);
        done = count;
    }
    for (; done < count; ++done)
        CipherOne(blocks + 8 * done, decipher);
}

} // namespace

KeyBlock MakeKeyBlock(std::string_view text) {
    // The text ends at its first NUL, which is copied too: the key is zero-filled already.
    KeyBlock key{};
    for (std::size_t i = 0; i < key.size() && i < text.size() && text[i] != '\0'; ++i)
        key[i] = static_cast<std::uint8_t>(text[i]);
    return key;
}

void SetCipherKey(const KeyBlock& key) {
    if (key != g_key.m_key || !g_key.m_scheduled) {
        g_key.m_key = key;
        g_key.m_scheduled = false;
    }
}

void ResetCipherKey() {
    SetCipherKey(KeyBlock{});
    g_avx2Allowed = true;
    g_avx512Allowed = true;
}

void AllowCipherAvx2(bool allowed) {
    g_avx2Allowed = allowed;
}

void AllowCipherAvx512(bool allowed) {
    g_avx512Allowed = allowed;
}

std::array<std::uint64_t, 16> CipherRoundKeys() {
    EnsureScheduled();
    std::array<std::uint64_t, 16> keys{};
    std::memcpy(keys.data(), g_key.m_roundKeys, sizeof g_key.m_roundKeys);
    return keys;
}

void EncipherBlock(std::uint8_t block[8]) {
    EnsureScheduled();
    CipherOne(block, false);
}

void DecipherBlock(std::uint8_t block[8]) {
    EnsureScheduled();
    CipherOne(block, true);
}

void EncipherBlocks(std::uint8_t* blocks, std::size_t count) {
    CipherMany(blocks, count, false);
}

void DecipherBlocks(std::uint8_t* blocks, std::size_t count) {
    CipherMany(blocks, count, true);
}
