// SPDX-License-Identifier: MIT
#pragma once
// What the two exchange benchmarks (HTML and XBEL) share: the timed import of
// a generated document into a fresh tree, the tree an export writes, the
// export and its reference (the same bytes in one plain write), and the
// summary of both ratios.

#include "BenchReporter.h"
#include "exchange/ImportTree.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <vector>

// The format under test: its reader and its two writers.
struct CExchangeFormat {
    CImportResult (*m_read)(QByteArrayView bytes);
    QByteArray (*m_write)(const CFolder& top);
    bool (*m_writeTo)(const CFolder& top, QIODevice& device);
};

// Read and placed in a tree; taking the tree down again is not timed.
inline void TimeImport(benchmark::State& state, const QByteArray& document,
                       const CExchangeFormat& format, int bookmarks) {
    for (auto _ : state) {
        std::unique_ptr<CFolder> top = StartTree(nullptr);
        const CImportResult result = format.m_read(document);
        PlaceImport(*top, result.m_root, "Imported");
        state.PauseTiming();
        if (result.m_counts.m_bookmarks != bookmarks)
            state.SkipWithError("not every bookmark was read");
        EndTree(std::move(top));
        ResetTreeState();
        state.ResumeTiming();
    }
}

// The document read into a tree once, and that tree's export in memory.
struct CExported {
    QTemporaryDir m_folder;
    std::unique_ptr<CFolder> m_top;
    QByteArray m_bytes;
};

// One per program: made on the first call, from the first call's document.
inline const CExported& Exported(const QByteArray& document, const CExchangeFormat& format) {
    static const std::unique_ptr<CExported> site = [&] {
        auto made = std::make_unique<CExported>();
        made->m_top = StartTree(nullptr);
        PlaceImport(*made->m_top, format.m_read(document).m_root, "Imported");
        made->m_bytes = format.m_write(*made->m_top);
        return made;
    }();
    return *site;
}

inline void TimePlainWrite(benchmark::State& state, const CExported& site, const QString& name) {
    for (auto _ : state) {
        QFile file(site.m_folder.filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(site.m_bytes);
    }
}

// Streamed to the file as it is made, the way the window and the command
// line export.
inline void TimeExport(benchmark::State& state, const CExported& site, const QString& name,
                       const CExchangeFormat& format) {
    for (auto _ : state) {
        QFile file(site.m_folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !format.m_writeTo(*site.m_top, file))
            state.SkipWithError("the export was not written");
    }
}

// BM_Import, BM_PlainWrite and BM_Export of the format over the document,
// the exported files named export.<ending> and plain.<ending>.
inline void RegisterExchangeCases(const QByteArray& (*document)(), const CExchangeFormat& format,
                                  int bookmarks, const QString& ending) {
    benchmark::RegisterBenchmark("BM_Import", [=](benchmark::State& state) {
        TimeImport(state, document(), format, bookmarks);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PlainWrite", [=](benchmark::State& state) {
        TimePlainWrite(state, Exported(document(), format), "plain." + ending);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Export", [=](benchmark::State& state) {
        TimeExport(state, Exported(document(), format), "export." + ending, format);
    })->Unit(benchmark::kMillisecond);
}

// One line of the summary: ours against the reference, in one kind of time.
struct CExchangeRatio {
    const char* m_what;
    const char* m_ours;
    const char* m_reference;
    CBenchReporter::ETime m_time;
};

// "import" against importReference and "export" against BM_PlainWrite, in
// CPU time; the export by the clock as well, since part of a write's cost is
// the kernel's, which a virtual machine may not count as the process's; then
// the format's own lines.
inline void PrintExchangeSummary(const CBenchReporter& reporter, const char* importReference,
                                 std::initializer_list<CExchangeRatio> more = {}) {
    using ETime = CBenchReporter::ETime;
    std::vector<CExchangeRatio> lines = {
        {"import", "BM_Import", importReference, ETime::Cpu},
        {"export", "BM_Export", "BM_PlainWrite", ETime::Cpu},
        {"export by the clock", "BM_Export", "BM_PlainWrite", ETime::Real}};
    lines.insert(lines.end(), more);
    std::printf("\nsummary (goal within 2x of the reference):\n");
    for (const CExchangeRatio& c : lines) {
        if (const std::optional<double> ratio = reporter.Ratio(c.m_ours, c.m_reference, c.m_time))
            std::printf("  %s: %8.2f ms, reference %8.2f ms: ratio %.2f\n", c.m_what,
                        *reporter.Seconds(c.m_ours, c.m_time) * 1e3,
                        *reporter.Seconds(c.m_reference, c.m_time) * 1e3, *ratio);
    }
}
