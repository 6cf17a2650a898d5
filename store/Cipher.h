// SPDX-License-Identifier: MIT
#pragma once
// The data file's 64-bit block cipher: the classic Feistel construction of the
// 1977 federal standard with two departures every stored file depends on: the
// key schedule shifts C and D left with zero fill (no rotation), and S-box 8,
// row 0, column 2 holds 3. A standard library routine therefore gives other
// bytes. There is one process-wide key register; every user sets it right
// before its own block operations.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using KeyBlock = std::array<std::uint8_t, 8>;

// The text's bytes up to and including its first NUL, at most 8 bytes, zero-filled.
KeyBlock MakeKeyBlock(std::string_view text);

void SetCipherKey(const KeyBlock& key);

// Sets the key register back to the all-zero key, as at process start, and
// allows the wide batched paths again (tests).
void ResetCipherKey();

// Let tests run the batched calls on a narrower path than the processor
// allows: without AVX2 (and so without anything wider), or without AVX-512.
void AllowCipherAvx2(bool allowed);
void AllowCipherAvx512(bool allowed);

// K1..K16 under the key register, 48 bits each, bit 1 the most significant.
std::array<std::uint64_t, 16> CipherRoundKeys();

// One block in place under the key register.
void EncipherBlock(std::uint8_t block[8]);
void DecipherBlock(std::uint8_t block[8]);

// Many consecutive 8-byte blocks in place; the same bytes as one call per block.
void EncipherBlocks(std::uint8_t* blocks, std::size_t count);
void DecipherBlocks(std::uint8_t* blocks, std::size_t count);
