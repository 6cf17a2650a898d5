// SPDX-License-Identifier: MIT
#pragma once
// The data file's contents on any device: the format number 65537, then the
// top folder's record (tag 1, its name, its children), every value through
// the enciphering archive under one key. Nothing here knows about files,
// folders or settings; the file rules (store/DataFile.h) decide which device
// and which key.

#include "store/CipherArchive.h"

#include <cstdint>
#include <string_view>

class CFolder;
class QIODevice;

inline constexpr std::int32_t DATA_FILE_VERSION = 65537;

enum class EReadOutcome {
    Loaded,     // the format number matched and the records were read
    Trailing,   // as loaded, but bytes follow the last record
    Empty,      // the device holds no bytes (a random-access one; a stream that
                // ends at once reads as a file cut short)
    OtherFormat // a format number other than ours, or a wrong key
};

// Reads the top folder's records from device (open for reading) under key
// into root, an empty top folder; the stored top folder's tag and name are
// read and dropped (root keeps its own name). Throws CArchiveException when
// the device fails or ends inside a value, or the records are damaged; root
// then holds what was read.
EReadOutcome ReadTreeRecords(QIODevice& device, std::string_view key, CFolder& root);

// Whether key opens the records on device (open for reading): the first
// block deciphers to the format number. Reads that block only; false for a
// device with fewer bytes. Throws CArchiveException when the device fails.
bool OpensWithKey(QIODevice& device, std::string_view key);

// Writes the format number and root's records to device (open for writing)
// under key. Throws CArchiveException when the device refuses the bytes.
void WriteTreeRecords(QIODevice& device, std::string_view key, CFolder& root,
                      FillerSource filler = {});
