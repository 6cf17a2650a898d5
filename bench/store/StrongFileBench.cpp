// SPDX-License-Identifier: MIT
// Saving and loading a generated collection of 10,000 entries (20 per folder,
// names of about 20 bytes, addresses of about 60) in the strong format
// against the classic format, measured in the same run, through the same
// file rules. The strong cases leave the key derivation out: a save's key is
// prepared before its timing starts (as a worker thread would), and a load
// finds the key of the file's salt kept from the first load. The derivation
// with the parameters saves use is timed on its own, with the memory it takes.
//
// The summary prints each operation's ratio of strong to classic (goal: at
// most 1x), then the derivation's time and memory.

#include "BenchReporter.h"
#include "store/DataFile.h"
#include "store/Settings.h"
#include "store/StrongFormat.h"
#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int ENTRIES = 10000;
constexpr int ENTRIES_PER_FOLDER = 20;

std::string Text(std::mt19937& random, int length) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    std::string text(std::size_t(length), ' ');
    for (char& c : text)
        c = letters[random() % (sizeof letters - 1)];
    return text;
}

std::unique_ptr<CFolder> MakeCollection() {
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    std::mt19937 random{ENTRIES};
    for (int made = 0; made < ENTRIES;) {
        auto folder = std::make_unique<CFolder>(Text(random, 16 + int(random() % 9)));
        CFolder* f = folder.get();
        top->Append(std::move(folder));
        for (int i = 0; i < ENTRIES_PER_FOLDER && made < ENTRIES; ++i, ++made)
            f->Append(std::make_unique<CEntry>(Text(random, 16 + int(random() % 9)),
                                               "https://" + Text(random, 44 + int(random() % 17)),
                                               nullptr));
    }
    return top;
}

// A folder with the collection saved in one format. The strong key's own
// derivations are cheap: they are not what is measured.
struct CSite {
    QTemporaryDir m_dir;
    CDataFileState m_state;
    CSettings m_settings{nullptr}; // no settings store: nothing read or written
    explicit CSite(bool strong) {
        m_state.m_strFolder = m_dir.path();
        if (strong)
            m_state.m_pStrongKey = CStrongKey::FromPassword("a passphrase of some length", {1, 8});
        else
            m_settings.SetPassword("secret12");
        std::unique_ptr<CFolder> top = MakeCollection();
        SaveTree(*top, m_settings, m_state);
        EndTree(std::move(top));
    }
};
CSite& SiteFor(bool strong) {
    static CSite classic(false);
    static CSite sealed(true);
    return strong ? sealed : classic;
}

template <typename Body> void Run(benchmark::State& state, bool strong, Body body) {
    CSite& site = SiteFor(strong);
    std::unique_ptr<CFolder> top = MakeCollection();
    for (auto _ : state) {
        if (site.m_state.m_pStrongKey)
            site.m_state.m_pStrongKey->PrepareSaveKey();
        const auto start = std::chrono::steady_clock::now();
        body(site, top);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
    EndTree(std::move(top));
    ResetTreeState();
}

void Save(benchmark::State& state, bool strong) {
    Run(state, strong, [](CSite& site, std::unique_ptr<CFolder>& top) {
        SaveTree(*top, site.m_settings, site.m_state);
    });
}
void Load(benchmark::State& state, bool strong) {
    Run(state, strong, [](CSite& site, std::unique_ptr<CFolder>& top) {
        EndTree(std::move(top));
        top = StartTree(nullptr);
        LoadTree(*top, site.m_settings, site.m_state);
    });
}
void BM_ClassicSave(benchmark::State& state) {
    Save(state, false);
}
void BM_StrongSave(benchmark::State& state) {
    Save(state, true);
}
void BM_ClassicLoad(benchmark::State& state) {
    Load(state, false);
}
void BM_StrongLoad(benchmark::State& state) {
    Load(state, true);
}

#define TIMED ->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK(BM_ClassicSave) TIMED;
BENCHMARK(BM_StrongSave) TIMED;
BENCHMARK(BM_ClassicLoad) TIMED;
BENCHMARK(BM_StrongLoad) TIMED;

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The derivation every save (and the first load of a file) runs.
void PrintDerivation() {
    const auto key = CStrongKey::FromPassword("a passphrase of some length");
    const std::array<unsigned char, STRONG_SALT_BYTES> salt{};
    const long peakBefore = PeakKiB();
    std::vector<double> seconds;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        key->Derive(salt.data(), STRONG_PARAMS);
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("key derivation (Argon2id, %u passes over %u MiB): median %.3f s of 3 (goal about "
                "0.5 s); peak memory grew by %ld MiB\n",
                STRONG_PARAMS.m_nOpsLimit, STRONG_PARAMS.m_nMemoryKiB / 1024, seconds[1],
                (PeakKiB() - peakBefore) / 1024);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CBenchReporter reporter(CBenchReporter::ETime::Real); // the manual time
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nsummary (strong / classic, %d entries, no key derivation; goal at most 1x):\n",
                ENTRIES);
    const std::array<std::array<const char*, 3>, 2> cases = {
        {{"save", "BM_StrongSave", "BM_ClassicSave"}, {"load", "BM_StrongLoad", "BM_ClassicLoad"}}};
    for (const auto& [op, strongCase, classicCase] : cases) {
        const std::string strong = std::string(strongCase) + "/manual_time";
        const std::string classic = std::string(classicCase) + "/manual_time";
        if (const std::optional<double> ratio = reporter.Ratio(strong, classic))
            std::printf("  %s: strong %7.2f ms, classic %7.2f ms: ratio %.2f\n", op,
                        *reporter.Seconds(strong) * 1e3, *reporter.Seconds(classic) * 1e3, *ratio);
    }
    PrintDerivation();
    benchmark::Shutdown();
    return 0;
}
