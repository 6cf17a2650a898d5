// SPDX-License-Identifier: MIT
// Loads arbitrary bytes as the data file "Quillbox.dat" (empty key) through
// the same code the program uses. An input that starts with 'P' holds
// plaintext blocks instead, enciphered here before they are written, so the
// fuzzer can reach the records directly (a trailing part block stays as is). Whatever loads must
// save and load back to the same tree. A crash, a leak, undefined behaviour or a differing round
// trip is a finding; a reported file error is not.

#include "store/Cipher.h"
#include "store/DataFile.h"
#include "store/Settings.h"
#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Dump(const CItem& item) {
    std::string text;
    if (const auto* folder = dynamic_cast<const CFolder*>(&item)) {
        text = "F" + std::to_string(folder->GetName().size()) + ":" + folder->GetName() + "[";
        for (int i = 0; i < folder->GetCount(); ++i)
            text += Dump(*folder->GetChild(i));
        return text + "]";
    }
    if (const auto* entry = dynamic_cast<const CEntry*>(&item))
        return (entry->IsBlank() ? "B" : "E") + std::to_string(entry->GetName().size()) + ":" +
               entry->GetName() + std::to_string(entry->GetTarget().size()) + ":" +
               entry->GetTarget();
    return "S";
}

// Prefers a memory-backed folder for speed.
QTemporaryDir& Scratch() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/qb-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/qb-fuzz-XXXXXX"));
    return dir;
}

// Loads the data file in folder; true when it loaded without a file error.
bool Load(std::unique_ptr<CFolder>& top, CSettings& settings, CDataFileState& state) {
    if (top)
        EndTree(std::move(top));
    top = StartTree(nullptr);
    try {
        LoadTree(*top, settings, state);
        return true;
    } catch (const CFileError&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTemporaryDir& dir = Scratch();
    if (!dir.isValid())
        std::abort();
    const QString path = dir.filePath(QString::fromLatin1(DATA_FILE_NAME));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        std::vector<std::uint8_t> bytes(data, data + size);
        if (!bytes.empty() && bytes[0] == 'P') {
            bytes.erase(bytes.begin());
            SetCipherKey(MakeKeyBlock(""));
            EncipherBlocks(bytes.data(), bytes.size() / 8);
        }
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    CSettings settings(nullptr); // no settings store: nothing read or written
    CDataFileState state{dir.path()};
    std::unique_ptr<CFolder> top;
    if (Load(top, settings, state) && !state.m_bKeepOldFile) {
        // What loaded whole must come back the same after a save.
        const std::string loaded = Dump(*top);
        SaveTree(*top, settings, state, ConstantFiller(0));
        if (!Load(top, settings, state) || Dump(*top) != loaded) {
            std::fprintf(stderr, "round trip changed the tree\n");
            std::abort();
        }
    }
    EndTree(std::move(top));
    ResetTreeState();
    return 0;
}
