// SPDX-License-Identifier: MIT
// Reading the HTML bookmark file: its bytes made UTF-8 by the charset they
// declare, then libxml2's HTML parser followed element by element.

#include "exchange/BookmarkHtml.h"
#include "exchange/Xbel.h"
#include "tree/TextFold.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstring>
#include <initializer_list>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <limits>

namespace {

// The largest file an import reads: several times a million bookmarks in the
// HTML bookmark file.
constexpr qint64 MAX_BOOKMARK_FILE_SIZE = qint64(1) << 30;

QString Tr(const char* text) {
    return QCoreApplication::translate("Import", text);
}

// ------------------------------------------------------------ charset

// The charset a META element near the start declares ("charset=NAME" in its
// content or its charset attribute), empty when there is none.
QByteArray DeclaredCharset(QByteArrayView bytes) {
    const QByteArray head =
        bytes.first(std::min<qsizetype>(bytes.size(), 4096)).toByteArray().toLower();
    qsizetype at = head.indexOf("charset");
    while (at >= 0) {
        qsizetype i = at + 7;
        while (i < head.size() && (head[i] == ' ' || head[i] == '\t'))
            ++i;
        if (i < head.size() && head[i] == '=') {
            ++i;
            while (i < head.size() && (head[i] == ' ' || head[i] == '"' || head[i] == '\''))
                ++i;
            const qsizetype begin = i;
            while (i < head.size() && (std::isalnum(static_cast<unsigned char>(head[i])) ||
                                       std::strchr("-_.:", head[i])))
                ++i;
            if (i > begin)
                return head.mid(begin, i - begin);
        }
        at = head.indexOf("charset", at + 7);
    }
    return {};
}

QByteArray Decode(QStringDecoder decoder, QByteArrayView bytes) {
    const QString text = decoder.decode(bytes);
    return text.toUtf8();
}

// The charset names Qt's codecs do not know by the name a file gives.
QByteArray KnownCharset(const QByteArray& charset) {
    // The Mac's system encoding, as iCab on the Mac names it, is Mac Roman.
    if (charset == "x-mac-system" || charset == "x-mac-roman")
        return "macintosh";
    return charset;
}

// How many characters a decoder replaced: U+FFFD in text that the bytes did
// not hold themselves.
int Replaced(const QByteArray& utf8, QByteArrayView bytes) {
    const QByteArrayView mark("\xEF\xBF\xBD");
    return static_cast<int>(utf8.count(mark) - bytes.toByteArray().count(mark));
}

// The bytes as UTF-8: a view of bytes itself, or of *converted when they had
// to be converted. A file declared UTF-8 (a byte-order mark or its META) that
// holds bytes that are not has those bytes replaced by U+FFFD, counted in
// *replaced; an undeclared one is read as Windows-1252.
QByteArrayView AsUtf8(QByteArrayView bytes, QByteArray* converted, int* replaced) {
    const auto starts = [&bytes](const char* mark, qsizetype size) {
        return bytes.size() >= size && std::memcmp(bytes.data(), mark, size) == 0;
    };
    QByteArray charset;
    if (starts("\xEF\xBB\xBF", 3)) {
        bytes = bytes.sliced(3);
        charset = "utf-8";
    } else if (starts("\xFF\xFE", 2)) {
        return *converted = Decode(QStringDecoder(QStringDecoder::Utf16LE), bytes.sliced(2));
    } else if (starts("\xFE\xFF", 2)) {
        return *converted = Decode(QStringDecoder(QStringDecoder::Utf16BE), bytes.sliced(2));
    } else {
        charset = KnownCharset(DeclaredCharset(bytes));
    }
    // A declared UTF-16 in a file readable as ASCII is wrong; so is UTF-8
    // over bytes that are not.
    if (!charset.isEmpty() && !charset.startsWith("utf")) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return *converted = Decode(std::move(decoder), bytes);
    }
    if (IsValidUtf8(std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size()))))
        return bytes;
    if (charset == "utf-8" || charset == "utf8") {
        *converted = Decode(QStringDecoder(QStringDecoder::Utf8), bytes);
        *replaced = Replaced(*converted, bytes);
        return *converted;
    }
    return *converted = Decode(QStringDecoder("windows-1252"), bytes);
}

// Counts "<dl" and "</dl" tags; a file whose lists are not all closed ends early.
bool ListsLeftOpen(QByteArrayView text) {
    qsizetype open = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
        ++p;
        const bool closing = p < end && *p == '/';
        const char* q = closing ? p + 1 : p;
        if (end - q >= 3 && (q[0] | 0x20) == 'd' && (q[1] | 0x20) == 'l' &&
            !std::isalnum(static_cast<unsigned char>(q[2])))
            open += closing ? -1 : 1;
    }
    return open > 0;
}

class CHtmlReader {
public:
    CHtmlReader(CImportResult& result, const ProgressFn& progress, qint64 total)
        : m_result(result), m_progress(progress), m_total(total) {
        m_folders.push_back(&result.m_root);
    }

    static void OnStart(void* self, const xmlChar* name, const xmlChar** atts) {
        static_cast<CHtmlReader*>(self)->Start(reinterpret_cast<const char*>(name), atts);
    }
    static void OnEnd(void* self, const xmlChar* name) {
        static_cast<CHtmlReader*>(self)->End(reinterpret_cast<const char*>(name));
    }
    static void OnText(void* self, const xmlChar* text, int size) {
        auto* reader = static_cast<CHtmlReader*>(self);
        if (reader->m_capture != None)
            reader->m_text.append(reinterpret_cast<const char*>(text),
                                  static_cast<std::size_t>(size));
    }
    static void OnDoctype(void* self, const xmlChar* name, const xmlChar*, const xmlChar*) {
        if (name && QByteArrayView(reinterpret_cast<const char*>(name))
                            .compare("NETSCAPE-Bookmark-file-1", Qt::CaseInsensitive) == 0)
            static_cast<CHtmlReader*>(self)->m_bookmarkFile = true;
    }

    void SetParser(htmlParserCtxtPtr parser) { m_parser = parser; }
    bool LooksLikeBookmarks() const { return m_bookmarkFile; }

private:
    enum ECapture { None, Heading, Link };

    CImportNode& Current() { return *m_folders.back(); }

    CImportNode& Add(CImportNode::EKind kind) {
        Current().m_children.push_back(CImportNode{kind, {}, {}, {}});
        return Current().m_children.back();
    }

    void Stop() { xmlStopParser(m_parser); }

    void Start(const char* name, const xmlChar** atts) {
        if (m_progress && (++m_elements & 1023) == 0) {
            const qint64 done = m_parser->input->cur - m_parser->input->base;
            if (!m_progress(done, m_total)) {
                m_result.m_status = CImportResult::Cancelled;
                Stop();
                return;
            }
        }
        // An item's start ends a heading or a link left open: the parser
        // would nest what follows inside it.
        const bool item = IsOneOf(name, {"dt", "dd", "dl", "hr", "h3"});
        if ((item && m_capture != None) || (m_capture == Link && std::strcmp(name, "a") == 0))
            EndCapture();
        if (std::strcmp(name, "dt") == 0) {
            m_bookmarkFile = true;
        } else if (std::strcmp(name, "h3") == 0) {
            m_capture = Heading;
            m_text.clear();
            m_pending = false;
        } else if (std::strcmp(name, "a") == 0) {
            if (m_capture != None)
                return; // a link inside a heading
            m_capture = Link;
            m_text.clear();
            m_href.clear();
            for (const xmlChar** at = atts; at && at[0]; at += 2) {
                if (xmlStrcasecmp(at[0], BAD_CAST "href") == 0 && at[1])
                    m_href = reinterpret_cast<const char*>(at[1]);
            }
            m_pending = false;
        } else if (std::strcmp(name, "dl") == 0) {
            // The list right after a heading holds that folder's items; any
            // other list just goes on with the folder it is in.
            const bool opens = m_pending;
            m_pending = false;
            if (opens) {
                if (static_cast<int>(m_folders.size()) > MaxImportDepth()) {
                    m_result.m_status = CImportResult::Failed;
                    m_result.m_error = Tr("The folders in this file are nested deeper than %1 "
                                          "levels, which Quillbox cannot keep.")
                                           .arg(MaxImportDepth());
                    Stop();
                    return;
                }
                m_folders.push_back(&Current().m_children.back());
            }
            m_lists.push_back(opens);
        } else if (std::strcmp(name, "hr") == 0) {
            Add(CImportNode::Separator);
            ++m_result.m_counts.m_separators;
            m_pending = false;
        } else if (std::strcmp(name, "dd") == 0) {
            ++m_result.m_counts.m_descriptions;
        }
    }

    static bool IsOneOf(const char* name, std::initializer_list<const char*> names) {
        for (const char* each : names)
            if (std::strcmp(name, each) == 0)
                return true;
        return false;
    }

    void EndCapture() {
        if (m_capture == Heading) {
            m_capture = None;
            CImportNode& folder = Add(CImportNode::Folder);
            folder.m_name = NormalizeName(m_text);
            if (folder.m_name.empty())
                folder.m_name = Tr("Folder").toStdString();
            ++m_result.m_counts.m_folders;
            m_pending = true;
        } else if (m_capture == Link) {
            m_capture = None;
            AddLink(Current(), m_result.m_counts, m_text, m_href);
        }
    }

    void End(const char* name) {
        if ((m_capture == Heading && std::strcmp(name, "h3") == 0) ||
            (m_capture == Link && std::strcmp(name, "a") == 0)) {
            EndCapture();
        } else if (std::strcmp(name, "dl") == 0 && !m_lists.empty()) {
            if (m_lists.back())
                m_folders.pop_back();
            m_lists.pop_back();
            m_pending = false;
        }
    }

    CImportResult& m_result;
    const ProgressFn& m_progress;
    const qint64 m_total;
    htmlParserCtxtPtr m_parser = nullptr;

    std::vector<CImportNode*> m_folders; // the folders open, the import's own first
    std::vector<bool> m_lists;           // each open list: whether it opened a folder
    bool m_pending = false;              // a heading was just read: its list may follow
    bool m_bookmarkFile = false;
    ECapture m_capture = None;
    std::string m_text;
    std::string m_href;
    unsigned m_elements = 0;
};

void IgnoreMessage(void*, const char*, ...) {}
void IgnoreError(void*, xmlErrorPtr) {}

} // namespace

CImportResult ReadBookmarkHtml(QByteArrayView bytes, const ProgressFn& progress) {
    CImportResult result;
    const auto notBookmarks = [&result] {
        result.m_status = CImportResult::Failed;
        result.m_error = Tr("This is not a bookmark file.");
        result.m_root.m_children.clear();
        return std::move(result);
    };
    if (bytes.size() >= std::numeric_limits<int>::max())
        return notBookmarks();
    QByteArray converted;
    const QByteArrayView text = AsUtf8(bytes, &converted, &result.m_counts.m_replaced);
    if (text.isEmpty() || text.size() >= std::numeric_limits<int>::max())
        return notBookmarks();

    xmlInitParser();
    htmlParserCtxtPtr parser =
        htmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size()));
    if (!parser)
        return notBookmarks();
    CHtmlReader reader(result, progress, text.size());
    reader.SetParser(parser);
    xmlSAXHandler& sax = *parser->sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = &CHtmlReader::OnStart;
    sax.endElement = &CHtmlReader::OnEnd;
    sax.characters = &CHtmlReader::OnText;
    sax.cdataBlock = &CHtmlReader::OnText;
    sax.internalSubset = &CHtmlReader::OnDoctype;
    sax.warning = &IgnoreMessage;
    sax.error = &IgnoreMessage;
    sax.fatalError = &IgnoreMessage;
    sax.serror = &IgnoreError;
    sax.initialized = XML_SAX2_MAGIC;
    parser->userData = &reader;
    htmlCtxtUseOptions(parser, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                   HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NODEFDTD);
    xmlSwitchEncoding(parser, XML_CHAR_ENCODING_UTF8);
    htmlParseDocument(parser);
    htmlFreeParserCtxt(parser);

    if (result.m_status != CImportResult::Ok) {
        result.m_root.m_children.clear();
        return result;
    }
    if (!reader.LooksLikeBookmarks())
        return notBookmarks();
    if (result.m_root.m_children.empty()) {
        result.m_status = CImportResult::Failed;
        result.m_error = result.m_counts.Skipped() ? Tr("The file holds nothing Quillbox can keep.")
                                                   : Tr("The file holds no bookmarks.");
        return result;
    }
    result.m_truncated = ListsLeftOpen(text);
    return result;
}

CImportResult ReadBookmarkFile(const QString& path, const ProgressFn& progress) {
    const auto failed = [&path](const QString& why) {
        CImportResult result;
        result.m_status = CImportResult::Failed;
        result.m_error = Tr("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), why);
        return result;
    };
    // A device, a pipe or a folder is no bookmark file: opening a pipe would
    // wait for a writer, and a device may never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return failed(Tr("it is not a regular file."));
    if (info.size() > MAX_BOOKMARK_FILE_SIZE)
        return failed(Tr("it is larger than %1 MB, more than any bookmark file.")
                          .arg(MAX_BOOKMARK_FILE_SIZE >> 20));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    // The content decides, not the name: XBEL, else the HTML bookmark file.
    const QByteArray bytes = file.readAll();
    return LooksLikeXbel(bytes) ? ReadXbel(bytes, progress) : ReadBookmarkHtml(bytes, progress);
}
