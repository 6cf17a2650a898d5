// SPDX-License-Identifier: MIT
// The gate circuits of the bitsliced cipher against the plain S-box tables:
// every box, every one of its 64 inputs, all four output bits. One evaluation
// covers all inputs at once, input x on bit x of each word.

#include "store/CipherSBoxes.h"

#include <cstdint>
#include <gtest/gtest.h>

#define QB_CIPHER_INLINE inline
#include "store/CipherBoxes.inc"

namespace {

using Word = std::uint64_t;
using BoxFn = void (*)(const Word*, Word&, Word&, Word&, Word&);

const BoxFn BOXES[8] = {Box1<Word>, Box2<Word>, Box3<Word>, Box4<Word>,
                        Box5<Word>, Box6<Word>, Box7<Word>, Box8<Word>};

class CipherBoxesTest : public testing::TestWithParam<int> {};

TEST_P(CipherBoxesTest, CircuitGivesTheTableEntryForEveryInput) {
    const int box = GetParam();
    // a[i]: input bit a(i+1) of each of the 64 inputs; a1 is the top bit of x.
    Word a[6] = {};
    for (int x = 0; x < 64; ++x)
        for (int i = 0; i < 6; ++i)
            if ((x >> (5 - i)) & 1)
                a[i] |= Word{1} << x;
    Word out[4] = {};
    BOXES[box](a, out[0], out[1], out[2], out[3]);
    for (int x = 0; x < 64; ++x) {
        const int row = ((x >> 4) & 2) | (x & 1); // a1 a6
        const int column = (x >> 1) & 15;         // a2 .. a5
        int got = 0;
        for (const Word bit : out)
            got = (got << 1) | static_cast<int>((bit >> x) & 1);
        EXPECT_EQ(got, S_BOXES[box * 64 + row * 16 + column])
            << "box " << box + 1 << ", row " << row << ", column " << column;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBox, CipherBoxesTest, testing::Range(0, 8));

} // namespace
