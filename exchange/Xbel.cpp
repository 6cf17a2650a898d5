// SPDX-License-Identifier: MIT
#include "exchange/Xbel.h"

#include "exchange/MarkupWriter.h"
#include "tree/Item.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <libxml/xmlreader.h>
#include <limits>
#include <memory>
#include <vector>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("Import", text);
}

QString NestedTooDeep() {
    return Tr("The folders in this file are nested deeper than %1 levels, which Quillbox cannot "
              "keep.")
        .arg(MaxImportDepth());
}

// ------------------------------------------------------------ the prolog

bool StartsWith(QByteArrayView bytes, qsizetype at, const char* text) {
    const auto size = static_cast<qsizetype>(std::strlen(text));
    return bytes.size() - at >= size && bytes.sliced(at, size) == QByteArrayView(text, size);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the text after the first `end` at or after `at` starts; -1 when there
// is none.
qsizetype After(QByteArrayView bytes, qsizetype at, const char* end) {
    const qsizetype found = bytes.indexOf(QByteArrayView(end), at);
    return found < 0 ? -1 : found + static_cast<qsizetype>(std::strlen(end));
}

struct CProlog {
    bool m_xbel = false;     // the first element is <xbel>
    bool m_entities = false; // the document type declares entities
};

// Reads what stands before the first element: a byte-order mark, the XML
// declaration, comments, processing instructions and the document type with
// its internal subset.
CProlog ReadProlog(QByteArrayView bytes) {
    CProlog prolog;
    qsizetype at = StartsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    while (at >= 0 && at < bytes.size()) {
        if (IsSpace(bytes[at])) {
            ++at;
        } else if (StartsWith(bytes, at, "<?")) {
            at = After(bytes, at, "?>");
        } else if (StartsWith(bytes, at, "<!--")) {
            at = After(bytes, at + 4, "-->");
        } else if (StartsWith(bytes, at, "<!DOCTYPE")) {
            const qsizetype close = bytes.indexOf('>', at);
            const qsizetype open = bytes.indexOf('[', at);
            if (open >= 0 && (close < 0 || open < close)) {
                const qsizetype end = After(bytes, open, "]");
                const QByteArrayView subset =
                    bytes.sliced(open, (end < 0 ? bytes.size() : end) - open);
                prolog.m_entities = subset.indexOf(QByteArrayView("<!ENTITY")) >= 0;
                at = end < 0 ? -1 : After(bytes, end, ">");
            } else {
                at = close < 0 ? -1 : close + 1;
            }
        } else {
            prolog.m_xbel = StartsWith(bytes, at, "<xbel") &&
                            (at + 5 == bytes.size() || IsSpace(bytes[at + 5]) ||
                             bytes[at + 5] == '>' || bytes[at + 5] == '/');
            return prolog;
        }
    }
    return prolog;
}

// ------------------------------------------------------------ reading

class CXbelReader {
public:
    CXbelReader(CImportResult& result, const ProgressFn& progress, qint64 total)
        : m_result(result), m_progress(progress), m_total(total) {
        m_folders.push_back(&result.m_root);
    }

    // Reads the whole document; false when it broke off (not well formed).
    bool Read(xmlTextReaderPtr reader) {
        int status;
        while ((status = xmlTextReaderRead(reader)) == 1) {
            switch (xmlTextReaderNodeType(reader)) {
            case XML_READER_TYPE_ELEMENT:
                if (!Start(reader))
                    return true;
                if (xmlTextReaderIsEmptyElement(reader))
                    End();
                break;
            case XML_READER_TYPE_END_ELEMENT:
                End();
                break;
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_WHITESPACE:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                if (m_capture)
                    if (const xmlChar* value = xmlTextReaderConstValue(reader))
                        m_text += reinterpret_cast<const char*>(value);
                break;
            default:
                break;
            }
        }
        // Folders a broken document left open keep what they hold.
        for (; m_folders.size() > 1; m_folders.pop_back())
            if (Current().m_name.empty())
                Current().m_name = Tr("Folder").toStdString();
        return status == 0;
    }

private:
    enum ERole { Xbel, Folder, Bookmark, Title, Desc, Other };

    CImportNode& Current() { return *m_folders.back(); }

    ERole Parent() const { return m_open.empty() ? Other : m_open.back(); }

    bool Fail(const QString& why) {
        m_result.m_status = CImportResult::Failed;
        m_result.m_error = why;
        return false;
    }

    // Takes an element's start; false stops the reading.
    bool Start(xmlTextReaderPtr reader) {
        if (m_progress && (++m_elements & 1023) == 0 &&
            !m_progress(xmlTextReaderByteConsumed(reader), m_total)) {
            m_result.m_status = CImportResult::Cancelled;
            return false;
        }
        const char* name = reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader));
        const bool inList = Parent() == Xbel || Parent() == Folder;
        const auto is = [name](const char* what) { return name && std::strcmp(name, what) == 0; };
        ERole role = Other;
        if (m_open.empty()) {
            if (!is("xbel"))
                return Fail(Tr("This is not a bookmark file."));
            role = Xbel;
        } else if (inList && is("folder")) {
            if (static_cast<int>(m_folders.size()) > MaxImportDepth())
                return Fail(NestedTooDeep());
            Current().m_children.push_back(CImportNode{CImportNode::Folder, {}, {}, {}});
            m_folders.push_back(&Current().m_children.back());
            ++m_result.m_counts.m_folders;
            m_named = false;
            role = Folder;
        } else if (inList && is("bookmark")) {
            // The attribute's value in place, without a copy to free.
            m_href.clear();
            if (xmlTextReaderMoveToAttribute(reader, BAD_CAST "href") == 1) {
                if (const xmlChar* href = xmlTextReaderConstValue(reader))
                    m_href = reinterpret_cast<const char*>(href);
                xmlTextReaderMoveToElement(reader);
            }
            m_title.clear();
            m_named = false;
            role = Bookmark;
        } else if (inList && is("separator")) {
            Current().m_children.push_back(CImportNode{CImportNode::Separator, {}, {}, {}});
            ++m_result.m_counts.m_separators;
        } else if (inList && is("alias")) {
            ++m_result.m_counts.m_noAddress; // points at another item, has no address itself
        } else if ((Parent() == Folder || Parent() == Bookmark) && is("title") && !m_named) {
            role = Title;
        } else if ((Parent() == Folder || Parent() == Bookmark) && is("desc")) {
            role = Desc;
        }
        m_capture = role == Title || role == Desc;
        if (m_capture)
            m_text.clear();
        m_open.push_back(role);
        return true;
    }

    void End() {
        if (m_open.empty())
            return;
        const ERole role = m_open.back();
        m_open.pop_back();
        m_capture = false;
        if (role == Title) {
            m_named = true;
            if (Parent() == Folder)
                Current().m_name = NormalizeName(m_text);
            else
                m_title = m_text;
        } else if (role == Desc) {
            if (!NormalizeName(m_text).empty())
                ++m_result.m_counts.m_descriptions;
        } else if (role == Folder) {
            if (Current().m_name.empty())
                Current().m_name = Tr("Folder").toStdString();
            m_folders.pop_back();
        } else if (role == Bookmark) {
            AddLink(Current(), m_result.m_counts, m_title, m_href);
        }
        // A title or description ends inside its folder or bookmark, whose
        // later <title>s name nothing.
        if (role == Folder || role == Bookmark)
            m_named = true;
    }

    CImportResult& m_result;
    const ProgressFn& m_progress;
    const qint64 m_total;
    std::vector<CImportNode*> m_folders; // the folders open, the import's own first
    std::vector<ERole> m_open;           // every element open, outermost first
    bool m_capture = false;              // the text read belongs to a title or description
    bool m_named = false;                // the open folder or bookmark has its title
    std::string m_text;
    std::string m_title;
    std::string m_href;
    unsigned m_elements = 0;
};

void IgnoreMessage(void*, const char*, ...) {}

// Notes whether libxml2 gave up on the document for nesting deeper than it
// reads (it stops before the tree's own bound would).
void NoteError(void* tooDeep, xmlErrorPtr error) {
    if (error && error->code == XML_ERR_INTERNAL_ERROR && error->message &&
        std::strstr(error->message, "depth"))
        *static_cast<bool*>(tooDeep) = true;
}

// ------------------------------------------------------------ writing

// The document as it is written: in pieces of about 64 KiB handed to the
// device, so that no copy of the whole file is made.
// Elements indent by two spaces a level.
void Indent(CMarkupWriter& out, int depth) {
    out.Spaces(2 * static_cast<std::size_t>(depth));
}

void WriteTitle(CMarkupWriter& out, const std::string& name, int depth) {
    Indent(out, depth);
    out.Raw("<title>");
    out.Text(name);
    out.Raw("</title>\n");
}

void WriteChildren(CMarkupWriter& out, const CFolder& folder, int depth) {
    const int count = folder.GetCount();
    for (int i = 0; i < count; ++i) {
        const CItem* item = folder.GetChild(i);
        Indent(out, depth);
        const auto* entry = ExactKind<CEntry>(item);
        const auto* inner = entry ? nullptr : ExactKind<CFolder>(item);
        // A separator, like an item of no kind written here, is a separator.
        if ((entry && entry->IsSeparator() && entry->Target().empty()) || (!entry && !inner)) {
            out.Raw("<separator/>\n");
        } else if (entry) {
            if (entry->IsBlank()) {
                out.Raw("<bookmark>\n");
            } else {
                out.Raw("<bookmark href=\"");
                WriteAddress(out, entry->Target());
                out.Raw("\">\n");
            }
            WriteTitle(out, entry->GetName(), depth + 1);
            Indent(out, depth);
            out.Raw("</bookmark>\n");
        } else {
            out.Raw("<folder>\n");
            WriteTitle(out, inner->GetName(), depth + 1);
            WriteChildren(out, *inner, depth + 1);
            Indent(out, depth);
            out.Raw("</folder>\n");
        }
    }
}

} // namespace

bool LooksLikeXbel(QByteArrayView bytes) {
    return ReadProlog(bytes.first(std::min<qsizetype>(bytes.size(), 64 * 1024))).m_xbel;
}

CImportResult ReadXbel(QByteArrayView bytes, const ProgressFn& progress) {
    CImportResult result;
    const auto fail = [&result](const QString& why) {
        result.m_status = CImportResult::Failed;
        result.m_error = why;
        result.m_root.m_children.clear();
        return std::move(result);
    };
    const CProlog prolog = ReadProlog(bytes);
    if (!prolog.m_xbel || bytes.size() >= std::numeric_limits<int>::max())
        return fail(Tr("This is not a bookmark file."));
    if (prolog.m_entities)
        return fail(Tr("The file declares entities of its own, which Quillbox does not read."));

    xmlInitParser();
    // No entity substitution, no DTD loading, nothing from the network.
    const std::unique_ptr<xmlTextReader, void (*)(xmlTextReaderPtr)> reader(
        xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        &xmlFreeTextReader);
    if (!reader)
        return fail(Tr("This is not a bookmark file."));
    bool tooDeep = false;
    xmlTextReaderSetStructuredErrorHandler(reader.get(), &NoteError, &tooDeep);
    // Encoding errors go to libxml2's generic channel: keep them off the terminal.
    xmlSetGenericErrorFunc(nullptr, &IgnoreMessage);
    CXbelReader xbel(result, progress, bytes.size());
    const bool whole = xbel.Read(reader.get());
    xmlSetGenericErrorFunc(nullptr, nullptr);
    if (tooDeep)
        return fail(NestedTooDeep());
    if (result.m_status != CImportResult::Ok) {
        result.m_root.m_children.clear();
        return result;
    }
    if (result.m_root.m_children.empty())
        return fail(result.m_counts.Skipped() ? Tr("The file holds nothing Quillbox can keep.")
                                              : Tr("The file holds no bookmarks."));
    result.m_truncated = !whole;
    return result;
}

bool WriteXbel(const CFolder& top, QIODevice& device) {
    CMarkupWriter out(device, CMarkupWriter::EControls::AsSpace);
    out.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
            "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
            "<xbel version=\"1.0\">\n");
    WriteChildren(out, top, 1);
    out.Raw("</xbel>\n");
    return out.Finish();
}

bool IsXbelPath(const QString& path) {
    return path.endsWith(QLatin1String(".xbel"), Qt::CaseInsensitive);
}

bool IsXbelFile(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) &&
           LooksLikeXbel(file.read(64 * 1024));
}

QByteArray WriteXbel(const CFolder& top) {
    return WrittenBytes([&top](QIODevice& device) { return WriteXbel(top, device); });
}
