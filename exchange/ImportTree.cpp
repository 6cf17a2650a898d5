// SPDX-License-Identifier: MIT
#include "exchange/ImportTree.h"

#include "tree/Item.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>
#include <QUrl>
#include <cstring>

int MaxImportDepth() {
    return MAX_FOLDER_DEPTH - 1;
}

std::string NormalizeName(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    bool space = false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) <= ' ') { // white space and control characters
            space = !name.empty();
            continue;
        }
        if (space)
            name += ' ';
        space = false;
        name += c;
    }
    return name;
}

bool HasUrlScheme(std::string_view target) {
    const auto letter = [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    if (target.empty() || !letter(target[0]))
        return false;
    for (std::size_t i = 1; i < target.size(); ++i) {
        const char c = target[i];
        if (c == ':')
            return i >= 2;
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '.' && c != '-')
            return false;
    }
    return false;
}

void AddLink(CImportNode& folder, CImportCounts& counts, std::string_view name,
             std::string_view href) {
    // Control characters (tabs and line breaks too) are no part of an address.
    std::string address;
    address.reserve(href.size());
    for (const char c : href)
        if (static_cast<unsigned char>(c) >= ' ')
            address += c;
    address = TrimWhiteSpace(address);
    const auto scheme = [&address](const char* prefix) {
        const auto size = static_cast<qsizetype>(std::strlen(prefix));
        return static_cast<qsizetype>(address.size()) >= size &&
               QByteArrayView(address.data(), size).compare(prefix, Qt::CaseInsensitive) == 0;
    };
    if (address.empty()) {
        ++counts.m_noAddress;
        return;
    }
    if (scheme("javascript:")) {
        ++counts.m_scripts;
        return;
    }
    if (scheme("place:")) {
        ++counts.m_queries;
        return;
    }
    folder.m_children.push_back(CImportNode{CImportNode::Entry, NormalizeName(name), address, {}});
    CImportNode& entry = folder.m_children.back();
    if (scheme("file:")) {
        const QString path = QUrl(QString::fromStdString(address)).toLocalFile();
        if (!path.isEmpty())
            entry.m_target = path.toStdString();
    }
    if (entry.m_name.empty())
        entry.m_name = entry.m_target;
    ++counts.m_bookmarks;
}

namespace {

// Fills folder (built off the tree) with the children of node.
void Fill(CFolder& folder, const CImportNode& node) {
    for (const CImportNode& child : node.m_children) {
        switch (child.m_kind) {
        case CImportNode::Separator:
            folder.Append(std::make_unique<CItem>(SEPARATOR_TEXT));
            break;
        case CImportNode::Entry:
            folder.Append(std::make_unique<CEntry>(child.m_name, child.m_target, nullptr));
            break;
        case CImportNode::Folder: {
            auto made = std::make_unique<CFolder>(child.m_name);
            Fill(*made, child);
            folder.Append(std::move(made));
            break;
        }
        }
    }
}

QString Plural(int count, const char* one, const char* many) {
    return QCoreApplication::translate("Import", count == 1 ? one : many)
        .arg(QLocale().toString(count));
}

} // namespace

std::unique_ptr<CFolder> BuildImportFolder(const CImportNode& root, const std::string& name) {
    auto folder = std::make_unique<CFolder>(name);
    Fill(*folder, root);
    return folder;
}

CFolder* PlaceImport(CFolder& top, const CImportNode& root, const std::string& name) {
    std::unique_ptr<CFolder> folder = BuildImportFolder(root, name);
    CFolder* placed = folder.get();
    const int count = top.GetCount();
    top.Insert(-1, std::move(folder));
    return top.GetCount() > count ? placed : nullptr;
}

QString ImportSummary(const CImportResult& result) {
    const CImportCounts& n = result.m_counts;
    QString text = QCoreApplication::translate("Import", "Imported %1, %2 and %3.")
                       .arg(Plural(n.m_bookmarks, "%1 bookmark", "%1 bookmarks"),
                            Plural(n.m_folders, "%1 folder", "%1 folders"),
                            Plural(n.m_separators, "%1 separator", "%1 separators"));
    QStringList skipped;
    if (n.m_descriptions)
        skipped << Plural(n.m_descriptions, "%1 description", "%1 descriptions");
    if (n.m_noAddress)
        skipped << Plural(n.m_noAddress, "%1 link without an address",
                          "%1 links without an address");
    if (n.m_queries)
        skipped << Plural(n.m_queries, "%1 query (place:)", "%1 queries (place:)");
    if (n.m_scripts)
        skipped << Plural(n.m_scripts, "%1 bookmarklet (javascript:)",
                          "%1 bookmarklets (javascript:)");
    if (n.m_tags)
        skipped << Plural(n.m_tags, "%1 tag", "%1 tags");
    if (!skipped.isEmpty())
        text += QLatin1Char('\n') +
                QCoreApplication::translate("Import", "Skipped (Quillbox cannot keep them): %1.")
                    .arg(skipped.join(QLatin1String(", ")));
    if (n.m_replaced)
        text += QLatin1Char('\n') +
                Plural(n.m_replaced, "%1 character that was not valid UTF-8 was read as U+FFFD.",
                       "%1 characters that were not valid UTF-8 were read as U+FFFD.");
    if (result.m_truncated)
        text += QLatin1Char('\n') +
                QCoreApplication::translate("Import",
                                            "The file ends early: what it holds was imported.");
    return text;
}

std::string ImportFolderName(const QString& source) {
    return (QCoreApplication::translate("Import", "Imported %1 %2")
                .arg(source, QDate::currentDate().toString(Qt::ISODate)))
        .toStdString();
}
