// SPDX-License-Identifier: MIT
// Import of a 100,000-bookmark XBEL document (1,000 folders of 100) into the
// tree, against libxml2's XML reader alone stepping through the same document
// with the same options; export of the same tree, against writing the same
// bytes with one plain write.

#include "BenchReporter.h"
#include "exchange/Xbel.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <libxml/xmlreader.h>
#include <memory>

namespace {

constexpr int FOLDERS = 1000;
constexpr int PER_FOLDER = 100;

const QByteArray& Document() {
    static const QByteArray document = [] {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\">\n";
        for (int f = 0; f < FOLDERS; ++f) {
            xml += "  <folder folded=\"yes\">\n    <title>Folder " + QByteArray::number(f) +
                   " &amp; friends</title>\n";
            for (int b = 0; b < PER_FOLDER; ++b) {
                const QByteArray n = QByteArray::number(f * PER_FOLDER + b);
                xml += "    <bookmark href=\"https://www.example.com/section/page-" + n +
                       ".html?ref=bookmarks&amp;id=" + n +
                       "\" added=\"2020-09-13T12:26:40Z\">\n      <title>Bookmark " + n +
                       " about something worth keeping</title>\n    </bookmark>\n";
            }
            xml += "  </folder>\n";
        }
        xml += "</xbel>\n";
        return xml;
    }();
    return document;
}

void NoError(void*, xmlErrorPtr) {}

void BM_ReaderOnly(benchmark::State& state) {
    const QByteArray& xml = Document();
    for (auto _ : state) {
        xmlTextReaderPtr reader =
            xmlReaderForMemory(xml.constData(), int(xml.size()), nullptr, nullptr,
                               XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        xmlTextReaderSetStructuredErrorHandler(reader, &NoError, nullptr);
        int nodes = 0;
        while (xmlTextReaderRead(reader) == 1)
            ++nodes;
        benchmark::DoNotOptimize(nodes);
        xmlFreeTextReader(reader);
    }
}

// Read and placed in a tree; taking the tree down again is not timed.
void BM_Import(benchmark::State& state) {
    const QByteArray& xml = Document();
    for (auto _ : state) {
        std::unique_ptr<CFolder> top = StartTree(nullptr);
        const CImportResult result = ReadXbel(xml);
        PlaceImport(*top, result.m_root, "Imported");
        state.PauseTiming();
        if (result.m_counts.m_bookmarks != FOLDERS * PER_FOLDER)
            state.SkipWithError("not every bookmark was read");
        EndTree(std::move(top));
        ResetTreeState();
        state.ResumeTiming();
    }
}

struct CExported {
    QTemporaryDir m_folder;
    std::unique_ptr<CFolder> m_top;
    QByteArray m_bytes;
};

CExported& Exported() {
    static CExported site = [] {
        CExported made;
        made.m_top = StartTree(nullptr);
        PlaceImport(*made.m_top, ReadXbel(Document()).m_root, "Imported");
        made.m_bytes = WriteXbel(*made.m_top);
        return made;
    }();
    return site;
}

void BM_PlainWrite(benchmark::State& state) {
    CExported& site = Exported();
    for (auto _ : state) {
        QFile file(site.m_folder.filePath("plain.xbel"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(site.m_bytes);
    }
}

void BM_Export(benchmark::State& state) {
    CExported& site = Exported();
    for (auto _ : state) {
        QFile file(site.m_folder.filePath("export.xbel"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !WriteXbel(*site.m_top, file))
            state.SkipWithError("the export was not written");
    }
}

BENCHMARK(BM_ReaderOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nsummary (goal within 2x of the reference):\n");
    const char* const cases[][3] = {{"import", "BM_Import", "BM_ReaderOnly"},
                                    {"export", "BM_Export", "BM_PlainWrite"}};
    for (const auto& [op, ours, reference] : cases) {
        if (const std::optional<double> ratio = reporter.Ratio(ours, reference))
            std::printf("  %s: %8.2f ms, reference %8.2f ms: ratio %.2f\n", op,
                        *reporter.Seconds(ours) * 1e3, *reporter.Seconds(reference) * 1e3, *ratio);
    }
    benchmark::Shutdown();
    return 0;
}
