// SPDX-License-Identifier: MIT
#pragma once
// The HTML bookmark file most browsers and bookmark services read and write:
//
//   <!DOCTYPE NETSCAPE-Bookmark-file-1>
//   <META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
//   <DL><p>
//       <DT><H3>Folder</H3>
//       <DL><p>
//           <DT><A HREF="https://example.org/">Name</A>
//           <DD>description
//           <HR>
//       </DL><p>
//   </DL><p>
//
// A heading (<H3>) makes a folder, and the list (<DL>) that follows it holds
// the folder's items; links (<A>) are bookmarks, <HR> separators. Files in the
// wild are tag soup (unclosed <DT>, no outer <DL>, headings without a list),
// so reading goes through libxml2's HTML parser and follows its stream of
// elements in document order rather than the shape of the parsed document.

#include "exchange/ImportTree.h"

#include <QByteArray>
#include <QByteArrayView>

class CFolder;
class QIODevice;

// Reads a bookmark file's bytes. The charset comes from a byte-order mark, else
// from the file's META declaration, else UTF-8; bytes that are not valid in
// UTF-8 are read as Windows-1252. A file with neither the bookmark file's
// DOCTYPE nor any <DT> item is not a bookmark file (Failed), nor is one that
// holds nothing.
CImportResult ReadBookmarkHtml(QByteArrayView bytes, const ProgressFn& progress = {});

// Reads the file at path, an XBEL document or a bookmark file by what it holds
// (Failed with the reason when it cannot be read).
CImportResult ReadBookmarkFile(const QString& path, const ProgressFn& progress = {});

// The whole tree below top as a bookmark file in UTF-8: names as the window
// shows them, separators as <HR>, local paths as file:// URLs, an address
// starting with "www." as http://. An entry without a target is written as a
// link without an address.
QByteArray WriteBookmarkHtml(const CFolder& top);

// The same file written to device as it is made, a little at a time; false
// when the device did not take all of it (its errorString says why).
bool WriteBookmarkHtml(const CFolder& top, QIODevice& device);
