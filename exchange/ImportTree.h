// SPDX-License-Identifier: MIT
#pragma once
// What an import read, before it goes into the bookmark tree: a plain tree of
// folders, entries and separators (names and targets in UTF-8), with counts
// of what came in and of what was left out because the tree cannot hold it.
//
// Every reader fills one CImportResult; PlaceImport then puts the whole of it
// into the tree as one new folder appended to the top folder, so nothing the
// user had is touched and taking that one folder out again undoes it.

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CFolder;

struct CImportNode {
    enum EKind { Folder, Entry, Separator };

    EKind m_kind = Folder;
    std::string m_name;
    std::string m_target;
    std::vector<CImportNode> m_children; // folders only
};

// Folders inside an import may nest this deep: the import's own folder sits
// below the top folder, and the data file refuses folders nested deeper than
// MAX_FOLDER_DEPTH (tree/Item.h) when it is read again.
int MaxImportDepth();

struct CImportCounts {
    int m_bookmarks = 0;
    int m_folders = 0;
    int m_separators = 0;
    // Left out, by kind.
    int m_descriptions = 0; // <DD> texts
    int m_noAddress = 0;    // links without an address
    int m_queries = 0;      // place: queries
    int m_scripts = 0;      // javascript: bookmarklets
    int m_tags = 0;         // tags (a browser keeps them in a folder of their own)
    // Bytes that were not UTF-8 in a file declared so, read as U+FFFD.
    int m_replaced = 0;

    int Skipped() const { return m_descriptions + m_noAddress + m_queries + m_scripts + m_tags; }
};

struct CImportResult {
    enum EStatus { Ok, Cancelled, Failed };

    EStatus m_status = Ok;
    QString m_error;          // why it Failed, for the user
    bool m_truncated = false; // the input ended early; what it held was read
    CImportNode m_root;       // its children are what was read
    CImportCounts m_counts;
};

// Called now and then with the work done so far out of total (any unit); a
// false return cancels the work.
using ProgressFn = std::function<bool(qint64 done, qint64 total)>;

// A name as it is kept: white space at both ends removed, every inner run of
// white space made one space. Control characters count as white space; a
// non-breaking space does not.
std::string NormalizeName(std::string_view text);

// Adds a bookmark named name for the address href to folder, or counts why it
// cannot be one: no address, a place: query, a javascript: bookmarklet.
// Control characters are taken out of the address; a file:// address becomes the local path; an
// empty name takes the address.
void AddLink(CImportNode& folder, CImportCounts& counts, std::string_view name,
             std::string_view href);

// Whether target starts with a URL scheme ("https:", "file:"); a scheme has
// two letters at least, so that a drive letter ("C:") stays a path.
bool HasUrlScheme(std::string_view target);

// The whole of an import as one folder named name, built off the tree: one
// item for one insertion at the end of the top folder, which undo can take
// out again as one step.
std::unique_ptr<CFolder> BuildImportFolder(const CImportNode& root, const std::string& name);

// Inserts BuildImportFolder's folder at the end of top, where the columns
// show it selected (a change of the tree like any insertion). Returns that
// folder; null when top refused it.
CFolder* PlaceImport(CFolder& top, const CImportNode& root, const std::string& name);

// The one message the user sees after an import.
QString ImportSummary(const CImportResult& result);

// The folder an import lands in: "Imported <source> <yyyy-MM-dd>".
std::string ImportFolderName(const QString& source);
