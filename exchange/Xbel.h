// SPDX-License-Identifier: MIT
#pragma once
// XBEL, the XML Bookmark Exchange Language 1.0 that desktop bookmark editors
// keep their bookmarks in and bookmark sync tools store in a shared folder:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <xbel version="1.0">
//     <folder>
//       <title>Folder</title>
//       <bookmark href="https://example.org/"><title>Name</title><desc>...</desc></bookmark>
//       <separator/>
//     </folder>
//   </xbel>
//
// Folders and bookmarks take their names from their <title>; <desc> texts are
// left out and counted; <info>/<metadata> and elements of other vocabularies
// are passed over; an <alias> has no address of its own and is counted as one.

#include "exchange/ImportTree.h"

#include <QByteArray>
#include <QByteArrayView>

class CFolder;
class QIODevice;

// Whether bytes start like an XBEL document (an XML prolog, comments or a
// DOCTYPE, then an <xbel> element), whatever the file's name.
bool LooksLikeXbel(QByteArrayView bytes);

// Reads an XBEL document. Entity declarations are refused (an internal subset
// that declares entities is how the exponential and the external-entity
// attacks start), no DTD or other file is ever loaded, and folders nest no
// deeper than the tree keeps. A document that is not XBEL, is not well formed,
// or holds nothing is Failed; one that breaks off after some items keeps
// them and is marked truncated.
CImportResult ReadXbel(QByteArrayView bytes, const ProgressFn& progress = {});

// The whole tree below top as an XBEL document in UTF-8: names as the window
// shows them, local paths as file:// URLs, an address starting with "www." as
// http://, separators as <separator/>.
bool WriteXbel(const CFolder& top, QIODevice& device);
QByteArray WriteXbel(const CFolder& top);

// Whether an export to path is written as XBEL (its name ends in ".xbel");
// any other name gets the HTML bookmark file.
bool IsXbelPath(const QString& path);

// Whether the local file at path starts like an XBEL document.
bool IsXbelFile(const QString& path);
