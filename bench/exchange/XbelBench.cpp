// SPDX-License-Identifier: MIT
// Import of a 100,000-bookmark XBEL document (1,000 folders of 100) into the
// tree, against libxml2's XML reader alone stepping through the same document
// with the same options; export of the same tree, against writing the same
// bytes with one plain write.

#include "ExchangeSite.h"
#include "exchange/Xbel.h"

#include <libxml/xmlreader.h>

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

const CExchangeFormat XBEL{
    [](QByteArrayView bytes) { return ReadXbel(bytes); },
    [](const CFolder& top) { return WriteXbel(top); },
    [](const CFolder& top, QIODevice& device) { return WriteXbel(top, device); }};

BENCHMARK(BM_ReaderOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterExchangeCases(&Document, XBEL, FOLDERS * PER_FOLDER, "xbel");
    CBenchReporter reporter(CBenchReporter::ETime::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintExchangeSummary(reporter, "BM_ReaderOnly");
    benchmark::Shutdown();
    return 0;
}
