// SPDX-License-Identifier: MIT
// Import of a 100,000-bookmark file (1,000 folders of 100, about 15 MB) into
// the tree, against libxml2's HTML parser alone walking the same document
// with empty callbacks; export of the same tree to a file, against writing
// the same bytes with one plain write (and the export's own work without the
// file, and the floor below which no export goes: reading the tree once, plus
// that write); and the heap at the import's peak per bookmark.

#include "ExchangeSite.h"
#include "exchange/BookmarkHtml.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <memory>
#include <utility>

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

const CExchangeFormat HTML{
    [](QByteArrayView bytes) { return ReadBookmarkHtml(bytes); },
    [](const CFolder& top) { return WriteBookmarkHtml(top); },
    [](const CFolder& top, QIODevice& device) { return WriteBookmarkHtml(top, device); }};

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
        if (const auto* entry = ExactKind<CEntry>(item))
            copy(entry->Target(), 4096);
        else if (const auto* inner = ExactKind<CFolder>(item))
            copied += CopyTree(*inner, out);
    }
    return copied;
}

void BM_TreeRead(benchmark::State& state) {
    const CExported& site = Exported(Document(), HTML);
    static char out[8192];
    for (auto _ : state)
        benchmark::DoNotOptimize(CopyTree(*site.m_top, out));
}

// A device that takes every byte and keeps none.
class CNowhere : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override { return size; }
};

// The export's own work: the same export, without the file.
void BM_ExportUnwritten(benchmark::State& state) {
    const CExported& site = Exported(Document(), HTML);
    for (auto _ : state) {
        CNowhere nowhere;
        nowhere.open(QIODevice::WriteOnly);
        WriteBookmarkHtml(*site.m_top, nowhere);
    }
}

BENCHMARK(BM_ExportUnwritten)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);
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
    RegisterExchangeCases(&Document, HTML, FOLDERS * PER_FOLDER, "html");
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintExchangeSummary(reporter, "BM_ParseOnly",
                         {{"export without the file", "BM_ExportUnwritten", "BM_PlainWrite",
                           CBenchReporter::ETime::Cpu}});
    // What no writer can go below: the tree read once plus the plain write.
    for (const auto& [time, how] : {std::pair(CBenchReporter::ETime::Cpu, ""),
                                    std::pair(CBenchReporter::ETime::Real, " by the clock")}) {
        const std::optional<double> read = reporter.Seconds("BM_TreeRead", time);
        const std::optional<double> plain = reporter.Seconds("BM_PlainWrite", time);
        if (read && plain)
            std::printf("  export floor%s (reading the tree + the plain write): %8.2f ms: "
                        "ratio %.2f\n",
                        how, (*read + *plain) * 1e3, (*read + *plain) / *plain);
    }
    PrintMemoryPerBookmark();
    benchmark::Shutdown();
    return 0;
}
