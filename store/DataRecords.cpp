#include "store/DataRecords.h"

#include "tree/Item.h"

#include <QIODevice>

ReadOutcome ReadTreeRecords(QIODevice& device, std::string_view key, CFolder& root) {
    if (!device.isSequential() && device.size() == 0)
        return ReadOutcome::empty;
    CCipherArchive archive(key, device, CCipherArchive::load);
    if (archive.ReadInt() != DATA_FILE_VERSION) {
        archive.Close();
        return ReadOutcome::otherFormat;
    }
    archive.ReadInt();    // the top folder's tag
    archive.ReadString(); // and its name: the top folder stays "Root"
    root.Serialize(archive);
    const bool more = !archive.AtEnd();
    archive.Close();
    return more ? ReadOutcome::trailing : ReadOutcome::loaded;
}

bool OpensWithKey(QIODevice& device, std::string_view key) {
    CCipherArchive archive(key, device, CCipherArchive::load);
    try {
        return archive.ReadInt() == DATA_FILE_VERSION;
    } catch (const CArchiveException& e) {
        if (e.m_cause == CArchiveException::endOfFile)
            return false;
        throw;
    }
}

void WriteTreeRecords(QIODevice& device, std::string_view key, CFolder& root, FillerSource filler) {
    CCipherArchive archive(key, device, CCipherArchive::store, std::move(filler));
    archive.WriteInt(DATA_FILE_VERSION);
    root.Serialize(archive);
    archive.Close();
}
