// SPDX-License-Identifier: MIT
#pragma once
// A deliberately slow, literal form of the data file's block cipher, written
// straight from the federal standard's tables: one int per bit, 1-based bit
// positions, the key schedule redone for every block, halves shifted left with
// zero fill, and S-box 8 row 0 column 2 holding 3. The fast and batched paths
// in store/Cipher.cpp are checked against it.

#include <array>
#include <cstdint>

namespace reference {

inline constexpr int IP[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                               62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                               57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                               61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

inline constexpr int IP_INV[64] = {40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
                                   38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
                                   36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
                                   34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

inline constexpr int E[48] = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                              12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                              22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

inline constexpr int P[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                              2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

inline constexpr int PC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

inline constexpr int PC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

inline constexpr int SHIFTS[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// box * 64 + row * 16 + column; S8 row 0 column 2 is 3 here (the standard has 8).
inline constexpr int S[8 * 64] = {
    // S1
    14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7, 0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11,
    9, 5, 3, 8, 4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0, 15, 12, 8, 2, 4, 9, 1, 7, 5,
    11, 3, 14, 10, 0, 6, 13,
    // S2
    15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10, 3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10,
    6, 9, 11, 5, 0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15, 13, 8, 10, 1, 3, 15, 4, 2,
    11, 6, 7, 12, 0, 5, 14, 9,
    // S3
    10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8, 13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12,
    11, 15, 1, 13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7, 1, 10, 13, 0, 6, 9, 8, 7, 4,
    15, 14, 3, 11, 5, 2, 12,
    // S4
    7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15, 13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1,
    10, 14, 9, 10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4, 3, 15, 0, 6, 10, 1, 13, 8, 9,
    4, 5, 11, 12, 7, 2, 14,
    // S5
    2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9, 14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10,
    3, 9, 8, 6, 4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14, 11, 8, 12, 7, 1, 14, 2, 13, 6,
    15, 0, 9, 10, 4, 5, 3,
    // S6
    12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11, 10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14,
    0, 11, 3, 8, 9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6, 4, 3, 2, 12, 9, 5, 15, 10,
    11, 14, 1, 7, 6, 0, 8, 13,
    // S7
    4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1, 13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12,
    2, 15, 8, 6, 1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2, 6, 11, 13, 8, 1, 4, 10, 7, 9,
    5, 0, 15, 14, 2, 3, 12,
    // S8
    13, 2, 3, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11,
    0, 14, 9, 2, 7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8, 2, 1, 14, 7, 4, 10, 8, 13,
    15, 12, 9, 0, 3, 5, 6, 11};

using Key = std::array<std::uint8_t, 8>;
using RoundKeys = std::array<std::array<int, 48>, 16>;

inline int Xor(int a, int b) {
    return a + b == 1 ? 1 : 0;
}

inline void Expand(const std::uint8_t bytes[8], int bits[64]) {
    for (int i = 0; i < 64; ++i)
        bits[i] = (bytes[i / 8] >> (7 - i % 8)) & 1;
}

inline RoundKeys MakeRoundKeys(const Key& key) {
    int k[64];
    Expand(key.data(), k);
    int cd[56];
    for (int i = 0; i < 56; ++i)
        cd[i] = k[PC1[i] - 1];
    RoundKeys out{};
    for (int r = 0; r < 16; ++r) {
        for (int n = 0; n < SHIFTS[r]; ++n) {
            for (int half = 0; half < 56; half += 28) {
                for (int j = 0; j < 27; ++j)
                    cd[half + j] = cd[half + j + 1];
                cd[half + 27] = 0;
            }
        }
        for (int i = 0; i < 48; ++i)
            out[r][i] = cd[PC2[i] - 1];
    }
    return out;
}

inline void F(const int r[32], const int k[48], int out[32]) {
    int x[48];
    for (int i = 0; i < 48; ++i)
        x[i] = Xor(r[E[i] - 1], k[i]);
    int s[32];
    for (int b = 0; b < 8; ++b) {
        const int* v = x + 6 * b;
        const int row = 2 * v[0] + v[5];
        const int column = 8 * v[1] + 4 * v[2] + 2 * v[3] + v[4];
        const int value = S[b * 64 + row * 16 + column];
        for (int j = 0; j < 4; ++j)
            s[4 * b + j] = (value >> (3 - j)) & 1;
    }
    for (int i = 0; i < 32; ++i)
        out[i] = s[P[i] - 1];
}

inline void Cipher(const Key& key, std::uint8_t block[8], bool decipher) {
    const RoundKeys keys = MakeRoundKeys(key);
    int in[64];
    Expand(block, in);
    int l[32], r[32];
    for (int i = 0; i < 32; ++i) {
        l[i] = in[IP[i] - 1];
        r[i] = in[IP[32 + i] - 1];
    }
    for (int round = 0; round < 16; ++round) {
        const auto& k = keys[decipher ? 15 - round : round];
        int f[32];
        F(r, k.data(), f);
        for (int i = 0; i < 32; ++i) {
            const int next = Xor(l[i], f[i]);
            l[i] = r[i];
            r[i] = next;
        }
    }
    int pre[64];
    for (int i = 0; i < 32; ++i) {
        pre[i] = r[i];
        pre[32 + i] = l[i];
    }
    for (int i = 0; i < 8; ++i) {
        int byte = 0;
        for (int j = 0; j < 8; ++j)
            byte = (byte << 1) | pre[IP_INV[8 * i + j] - 1];
        block[i] = static_cast<std::uint8_t>(byte);
    }
}

inline void Encipher(const Key& key, std::uint8_t block[8]) {
    Cipher(key, block, false);
}

inline void Decipher(const Key& key, std::uint8_t block[8]) {
    Cipher(key, block, true);
}

} // namespace reference
