// SPDX-License-Identifier: MIT
// Import of a 100,000-bookmark file (1,000 folders of 100, about 15 MB) into
// the tree, against libxml2's HTML parser alone walking the same document
// with empty callbacks; export of the same tree to a file, against writing
// the same bytes with one plain write (and the floor below which no export
// goes: reading the tree once, plus that write); and the heap at the import's
// peak per bookmark.

#include "BenchReporter.h"
#include "exchange/BookmarkHtml.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <memory>

namespace {

constexpr int FOLDERS = 1000;
constexpr int PER_FOLDER = 100;

const QByteArray& Document() {
    static const QByteArray document = [] {
        QByteArray html =
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
            "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
        for (int f = 0; f < FOLDERS; ++f) {
            html += "    <DT><H3 ADD_DATE=\"1600000000\" LAST_MODIFIED=\"1600000000\">Folder " +
                    QByteArray::number(f) + " &amp; friends</H3>\n    <DL><p>\n";
            for (int b = 0; b < PER_FOLDER; ++b) {
                const QByteArray n = QByteArray::number(f * PER_FOLDER + b);
                html += "        <DT><A HREF=\"https://www.example.com/section/page-" + n +
                        ".html?ref=bookmarks&amp;id=" + n + "\" ADD_DATE=\"1600000000\">Bookmark " +
                        n + " about something worth keeping</A>\n";
            }
            html += "    </DL><p>\n";
        }
        html += "</DL><p>\n";
        return html;
    }();
    return document;
}

void NoElement(void*, const xmlChar*, const xmlChar**) {}
void NoEnd(void*, const xmlChar*) {}
void NoText(void*, const xmlChar*, int) {}
void NoError(void*, xmlErrorPtr) {}

void BM_ParseOnly(benchmark::State& state) {
    const QByteArray& html = Document();
    for (auto _ : state) {
        htmlParserCtxtPtr parser = htmlCreateMemoryParserCtxt(html.constData(), int(html.size()));
        std::memset(parser->sax, 0, sizeof *parser->sax);
        parser->sax->startElement = &NoElement;
        parser->sax->endElement = &NoEnd;
        parser->sax->characters = &NoText;
        parser->sax->serror = &NoError;
        parser->sax->initialized = XML_SAX2_MAGIC;
        htmlCtxtUseOptions(parser, HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
        htmlParseDocument(parser);
        htmlFreeParserCtxt(parser);
    }
}

// Read and placed in a tree; taking the tree down again is not timed.
void BM_Import(benchmark::State& state) {
    const QByteArray& html = Document();
    for (auto _ : state) {
        std::unique_ptr<CFolder> top = StartTree(nullptr);
        const CImportResult result = ReadBookmarkHtml(html);
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
        PlaceImport(*made.m_top, ReadBookmarkHtml(Document()).m_root, "Imported");
        made.m_bytes = WriteBookmarkHtml(*made.m_top);
        return made;
    }();
    return site;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void BM_PlainWrite(benchmark::State& state) {
    CExported& site = Exported();
    for (auto _ : state)
        WriteFile(site.m_folder.filePath("plain.html"), site.m_bytes);
}

// Streamed to the file as it is made, the way the window and the command
// line export.
void BM_Export(benchmark::State& state) {
    CExported& site = Exported();
    for (auto _ : state) {
        QFile file(site.m_folder.filePath("export.html"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !WriteBookmarkHtml(*site.m_top, file))
            state.SkipWithError("the export was not written");
    }
}

// The least any export does besides writing: every name and address of the
// tree read once and copied out, without escaping or markup. Each lives in
// its own allocation, so this is mostly waiting for memory.
std::size_t CopyTree(const CFolder& folder, char* out) {
    std::size_t copied = 0;
    const auto copy = [&](const std::string& text, std::size_t at) {
        const std::size_t size = std::min<std::size_t>(text.size(), 4096);
        std::copy_n(text.data(), size, out + at);
        copied += text.size();
    };
    for (int i = 0; i < folder.GetCount(); ++i) {
        const CItem* item = folder.GetChild(i);
        copy(item->GetName(), 0);
        if (const auto* entry = dynamic_cast<const CEntry*>(item))
            copy(entry->Target(), 4096);
        else if (const auto* inner = dynamic_cast<const CFolder*>(item))
            copied += CopyTree(*inner, out);
    }
    return copied;
}

void BM_TreeRead(benchmark::State& state) {
    CExported& site = Exported();
    static char out[8192];
    for (auto _ : state)
        benchmark::DoNotOptimize(CopyTree(*site.m_top, out));
}

BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeRead)->Unit(benchmark::kMillisecond);

// The heap's peak during an import is when the read import tree and the tree
// it was placed in are both alive.
void PrintMemoryPerBookmark() {
    malloc_trim(0);
    const std::size_t before = HeapInUse();
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    std::size_t peak = 0;
    {
        const CImportResult result = ReadBookmarkHtml(Document());
        PlaceImport(*top, result.m_root, "Imported");
        peak = HeapInUse() - before;
    }
    const std::size_t kept = HeapInUse() - before;
    const int bookmarks = FOLDERS * PER_FOLDER;
    std::printf("memory: importing %d bookmarks from %.1f MB peaks at %.0f bytes of heap per "
                "bookmark (%.0f kept in the tree)\n",
                bookmarks, static_cast<double>(Document().size()) / 1e6, double(peak) / bookmarks,
                double(kept) / bookmarks);
    EndTree(std::move(top));
    ResetTreeState();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nsummary (goal within 2x of the reference):\n");
    const char* const cases[][3] = {{"import", "BM_Import", "BM_ParseOnly"},
                                    {"export", "BM_Export", "BM_PlainWrite"}};
    for (const auto& [op, ours, reference] : cases) {
        if (const std::optional<double> ratio = reporter.Ratio(ours, reference))
            std::printf("  %s: %8.2f ms, reference %8.2f ms: ratio %.2f\n", op,
                        *reporter.Seconds(ours) * 1e3, *reporter.Seconds(reference) * 1e3, *ratio);
    }
    // What no writer can go below: the tree read once plus the plain write.
    const std::optional<double> read = reporter.Seconds("BM_TreeRead");
    const std::optional<double> plain = reporter.Seconds("BM_PlainWrite");
    if (read && plain)
        std::printf("  export floor (reading the tree + the plain write): %8.2f ms: ratio %.2f\n",
                    (*read + *plain) * 1e3, (*read + *plain) / *plain);
    PrintMemoryPerBookmark();
    benchmark::Shutdown();
    return 0;
}
