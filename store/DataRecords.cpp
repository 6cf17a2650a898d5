// SPDX-License-Identifier: MIT
#include "store/DataRecords.h"

#include "tree/Item.h"

#include <QIODevice>

EReadOutcome ReadTreeRecords(QIODevice& device, std::string_view key, CFolder& root) {
    if (!device.isSequential() && device.size() == 0)
        return EReadOutcome::Empty;
    CCipherArchive archive(key, device, CCipherArchive::Load);
    if (archive.ReadInt() != DATA_FILE_VERSION) {
        archive.Close();
        return EReadOutcome::OtherFormat;
    }
    archive.ReadInt();    // the top folder's tag
    archive.ReadString(); // and its name: the top folder stays "Root"
    root.Serialize(archive);
    const bool more = !archive.AtEnd();
    archive.Close();
    return more ? EReadOutcome::Trailing : EReadOutcome::Loaded;
}

bool OpensWithKey(QIODevice& device, std::string_view key) {
    CCipherArchive archive(key, device, CCipherArchive::Load);
    try {
        return archive.ReadInt() == DATA_FILE_VERSION;
    } catch (const CArchiveException& e) {
        if (e.m_cause == CArchiveException::EndOfFile)
            return false;
        throw;
    }
}

void WriteTreeRecords(QIODevice& device, std::string_view key, CFolder& root, FillerSource filler) {
    CCipherArchive archive(key, device, CCipherArchive::Store, std::move(filler));
    archive.WriteInt(DATA_FILE_VERSION);
    root.Serialize(archive);
    archive.Close();
}
