// SPDX-License-Identifier: MIT
// Building the main window's shape from its skin bitmap ("MainWnd", 556 x 452),
// against a plain pass that only reads every pixel once and compares it with
// the key colour, measured in the same run. A third case unites one rectangle
// per run, row by row, to show what merging equal rows saves.
//
// The summary at the end prints each case's time divided by the plain pass's:
// how many plain passes one region build costs.

#include "BenchReporter.h"
#include "skin/BitmapResource.h"
#include "skin/WindowSkin.h"

#include <QImage>
#include <QRegion>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <optional>
#include <string>

namespace {

const QImage& MainSkin() {
    static const QImage image = LoadBitmapResource("MainWnd");
    return image;
}

void PlainPass(benchmark::State& state) {
    const QImage& image = MainSkin();
    const int width = image.width();
    const int height = image.height();
    for (auto _ : state) {
        int opaque = 0;
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x)
                opaque += !IsKeyPixel(line[x]);
        }
        benchmark::DoNotOptimize(opaque);
    }
}

void BuildRegion(benchmark::State& state) {
    const QImage& image = MainSkin();
    for (auto _ : state) {
        QRegion region = CWindowSkin::BuildRegion(image);
        benchmark::DoNotOptimize(region);
    }
}

void UnionPerRun(benchmark::State& state) {
    const QImage& image = MainSkin();
    const int width = image.width();
    const int height = image.height();
    for (auto _ : state) {
        QRegion region;
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            int x = 0;
            while (x < width) {
                while (x < width && IsKeyPixel(line[x]))
                    ++x;
                if (x >= width)
                    break;
                const int start = x;
                while (x < width && !IsKeyPixel(line[x]))
                    ++x;
                region += QRect(start, y, x - start, 1);
            }
        }
        benchmark::DoNotOptimize(region);
    }
}

// Both times per iteration, and name / reference.
void PrintRatio(const CBenchReporter& reporter, const std::string& name,
                const std::string& reference) {
    const std::optional<double> ratio = reporter.Ratio(name, reference);
    if (!ratio)
        return;
    std::printf("%-14s %9.1f us   %-10s %8.1f us   ratio %6.2f\n", name.c_str(),
                *reporter.Seconds(name) * 1e6, reference.c_str(),
                *reporter.Seconds(reference) * 1e6, *ratio);
}

} // namespace

int main(int argc, char** argv) {
    if (MainSkin().isNull()) {
        std::fprintf(stderr, "the MainWnd bitmap is missing\n");
        return 1;
    }
    benchmark::RegisterBenchmark("PlainPass", PlainPass);
    benchmark::RegisterBenchmark("BuildRegion", BuildRegion);
    benchmark::RegisterBenchmark("UnionPerRun", UnionPerRun);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CBenchReporter reporter(CBenchReporter::ETime::Real);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nShape of MainWnd (%d x %d, %d rectangles), time / plain pass over its pixels\n",
                MainSkin().width(), MainSkin().height(),
                static_cast<int>(CWindowSkin::BuildRegion(MainSkin()).rectCount()));
    PrintRatio(reporter, "BuildRegion", "PlainPass");
    PrintRatio(reporter, "UnionPerRun", "PlainPass");
    return 0;
}
