#pragma once
// Copies between the program's tree (tree/Item.h) and the plain items the
// merge and the history work on (sync/TreeMerge.h).

#include "sync/TreeMerge.h"

#include <string_view>

class CItem;
class CFolder;
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
