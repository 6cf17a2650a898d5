// SPDX-License-Identifier: MIT
#pragma once
// The tree's items on the clipboard and in drag and drop.
//
// Items travel as ITEMS_MIME_TYPE: a child count followed by each item's
// record, exactly as the data file stores a folder's content (tree/Item.h,
// Serialize), as 32-bit little-endian integers and length-prefixed byte
// strings. Entries with a target also go as URLs (a local path as a file://
// URL) and as text, one target a line, so they drop into a browser, a file
// manager or a text field.
//
// What comes in becomes new items: the tree's own items first; else links
// (text/uri-list, named by the page titles of text/x-moz-url when given) and
// files or folders (named by the file's name, the path as target), one entry
// each; else text, taken whole as the target of one entry. Anything else
// gives nothing.
//
// One paste or drop brings at most MAX_DROP_ITEMS items in at most
// MAX_DROP_BYTES bytes of the format it is read from; more is refused whole,
// with a message, before it is decoded (a 40 MB list would otherwise become
// millions of items in memory first).

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class CItem;
class QMimeData;

extern const QString ITEMS_MIME_TYPE;

QByteArray EncodeItems(const std::vector<const CItem*>& items);
// The items of EncodeItems; nothing when the bytes are damaged.
std::vector<std::unique_ptr<CItem>> DecodeItems(const QByteArray& bytes);

inline constexpr qsizetype MAX_DROP_ITEMS = 20000;
inline constexpr qsizetype MAX_DROP_BYTES = qsizetype(32) << 20;

// The items EncodeItems wrote in bytes, folders' content included, counted
// without making them; stops counting past limit. Damaged bytes count as far
// as they read.
qsizetype CountEncodedItems(const QByteArray& bytes, qsizetype limit);

std::unique_ptr<QMimeData> MakeItemsMime(const std::vector<const CItem*>& items);
// refusal, when given, receives the message for data over the bounds (and
// nothing comes back); it is left as it is otherwise.
std::vector<std::unique_ptr<CItem>> ItemsFromMime(const QMimeData& mime,
                                                  QString* refusal = nullptr);
// Whether ItemsFromMime could make anything of data of these formats.
bool AcceptsMime(const QMimeData& mime);

// A target as a URL: a local path (starting with '/') as a file:// URL, else
// the target as it is when it parses as a URL with a scheme; else invalid.
class QUrl;
QUrl UrlFromTarget(const std::string& target);
// A file:// URL for an absolute path of bytes, also bytes that are not UTF-8
// (then percent-encoded as they are, so that the file opened is this one).
QUrl LocalFileUrl(const QByteArray& path);
