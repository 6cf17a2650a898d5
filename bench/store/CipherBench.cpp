// SPDX-License-Identifier: MIT
// Speed of the data file's block cipher per 8-byte block, against OpenSSL's
// DES in ECB mode with a prepared key schedule, measured in the same run.
// OpenSSL is only the speed to beat: it computes another cipher.
//
// At the end a summary prints, for each of our cases, the reference time per
// block divided by ours; 1.0 or more means ours is at least as fast.

#define OPENSSL_SUPPRESS_DEPRECATED
#include "BenchReporter.h"
#include "store/Cipher.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <openssl/des.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t BLOCKS = 4096; // 32 KB, one medium data file's worth of blocks

std::vector<std::uint8_t> RandomBlocks() {
    std::vector<std::uint8_t> bytes(8 * BLOCKS);
    std::mt19937 random(7);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

void CountBlocks(benchmark::State& state) {
    state.counters["per_block"] = benchmark::Counter(static_cast<double>(BLOCKS),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void OpenSslEcb(benchmark::State& state, int direction) {
    DES_cblock key = {'s', 'e', 'c', 'r', 'e', 't', '1', '2'};
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    std::vector<std::uint8_t> in = RandomBlocks();
    std::vector<std::uint8_t> out(in.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < BLOCKS; ++i)
            DES_ecb_encrypt(reinterpret_cast<const_DES_cblock*>(in.data() + 8 * i),
                            reinterpret_cast<DES_cblock*>(out.data() + 8 * i), &schedule,
                            direction);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountBlocks(state);
}

void OursOneByOne(benchmark::State& state, bool decipher) {
    SetCipherKey(MakeKeyBlock("secret12"));
    std::vector<std::uint8_t> blocks = RandomBlocks();
    for (auto _ : state) {
        for (std::size_t i = 0; i < BLOCKS; ++i) {
            if (decipher)
                DecipherBlock(blocks.data() + 8 * i);
            else
                EncipherBlock(blocks.data() + 8 * i);
        }
        benchmark::DoNotOptimize(blocks.data());
        benchmark::ClobberMemory();
    }
    CountBlocks(state);
}

void OursBatched(benchmark::State& state, bool decipher, bool avx2, bool avx512) {
    AllowCipherAvx2(avx2);
    AllowCipherAvx512(avx512);
    SetCipherKey(MakeKeyBlock("secret12"));
    std::vector<std::uint8_t> blocks = RandomBlocks();
    for (auto _ : state) {
        if (decipher)
            DecipherBlocks(blocks.data(), BLOCKS);
        else
            EncipherBlocks(blocks.data(), BLOCKS);
        benchmark::DoNotOptimize(blocks.data());
        benchmark::ClobberMemory();
    }
    CountBlocks(state);
    AllowCipherAvx2(true);
    AllowCipherAvx512(true);
}

// Our time per block beside the reference's, and reference / ours.
void PrintRatio(const CBenchReporter& reporter, const std::string& ours,
                const std::string& reference) {
    const std::optional<double> ratio = reporter.Ratio(reference, ours);
    if (!ratio)
        return;
    std::printf("%-26s %7.1f ns/block  %-22s %7.1f ns/block  ratio %5.2f\n", ours.c_str(),
                *reporter.Seconds(ours) * 1e9 / BLOCKS, reference.c_str(),
                *reporter.Seconds(reference) * 1e9 / BLOCKS, *ratio);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("OpenSslEcbEncrypt", OpenSslEcb, DES_ENCRYPT);
    benchmark::RegisterBenchmark("OpenSslEcbDecrypt", OpenSslEcb, DES_DECRYPT);
    benchmark::RegisterBenchmark("EncipherBlock", OursOneByOne, false);
    benchmark::RegisterBenchmark("DecipherBlock", OursOneByOne, true);
    benchmark::RegisterBenchmark("EncipherBlocks", OursBatched, false, true, true);
    benchmark::RegisterBenchmark("DecipherBlocks", OursBatched, true, true, true);
    // AVX2 lanes, as on a processor without AVX-512.
    benchmark::RegisterBenchmark("EncipherBlocksAvx2", OursBatched, false, true, false);
    benchmark::RegisterBenchmark("DecipherBlocksAvx2", OursBatched, true, true, false);
    // The portable path, as on a processor without AVX2.
    benchmark::RegisterBenchmark("EncipherBlocksPortable", OursBatched, false, false, false);
    benchmark::RegisterBenchmark("DecipherBlocksPortable", OursBatched, true, false, false);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf(
        "\nCipher speed per block, reference time / ours (>= 1.0: ours at least as fast)\n");
    for (const char* batch : {"Block", "Blocks", "BlocksAvx2", "BlocksPortable"}) {
        PrintRatio(reporter, std::string("Encipher") + batch, "OpenSslEcbEncrypt");
        PrintRatio(reporter, std::string("Decipher") + batch, "OpenSslEcbDecrypt");
    }
    benchmark::Shutdown();
    return 0;
}
