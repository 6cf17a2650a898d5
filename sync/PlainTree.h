// SPDX-License-Identifier: MIT
#pragma once
// Copies between the program's tree (tree/Item.h) and the plain items the
// merge and the history work on (sync/TreeMerge.h).

#include "sync/TreeMerge.h"

#include <functional>
#include <string>
#include <string_view>

struct CDataFileState;
class CItem;
class CFolder;
class CSettings;
class QIODevice;

// item and everything below it. A blank entry is an entry with an empty target.
CPlainItem PlainCopy(const CItem& item);

// Appends plain's children, with everything below them, to folder (as
// reading a file does: no display, no change noted).
void AppendPlainChildren(CFolder& folder, const CPlainItem& plain);

// Writes plain as a data file's records under key (store/DataRecords.h).
void WritePlainTree(QIODevice& device, std::string_view key, const CPlainItem& plain);

// Reads a whole data file's records under key; false (tree untouched) when
// the bytes are not ours under that key, cut short or damaged.
bool ReadPlainTree(QIODevice& device, std::string_view key, CPlainItem* tree);

// How plain trees are written to and read from copies kept beside the data
// file's history: as the data file is, in its format under its key. read is
// false (tree untouched) for bytes that do not open or are damaged; write
// throws CArchiveException when the device refuses the bytes.
struct CPlainCodec {
    std::function<void(QIODevice&, const CPlainItem&)> m_write;
    std::function<bool(QIODevice&, CPlainItem*)> m_read;
};

// The classic format under key.
CPlainCodec ClassicCodec(const std::string& key);
// As the data file of a run is written and read (store/DataFile.h's
// WriteTreeAs and ReadTreeAs): the strong format while state holds a strong
// key, else the classic one under settings' password. Both are kept by
// reference and read at each use, so a new password counts at once.
CPlainCodec DataFileCodec(const CSettings& settings, const CDataFileState& state);
