// SPDX-License-Identifier: MIT
// Loads arbitrary bytes as a strong data file under the password "fuzz".
// An input that starts with 'P' holds the plain records instead, sealed here
// under that password with a fixed salt and nonce before they are loaded, so
// the fuzzer reaches the record reader behind the seal. Whatever loads must
// seal and load back to the same tree. Headers that ask for more than cheap
// key derivations (yet within the loader's bounds) are skipped to keep runs
// fast; out-of-range ones still reach the loader. A crash, a leak, undefined
// behaviour or a differing round trip is a finding; a refusal is not.

#include "store/StrongFormat.h"
#include "tree/Item.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QBuffer>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sodium.h>
#include <string>

namespace {

constexpr CStrongParams CHEAP{1, 8};

std::string Dump(const CItem& item) {
    if (const auto* folder = dynamic_cast<const CFolder*>(&item)) {
        std::string text =
            "F" + std::to_string(folder->GetName().size()) + ":" + folder->GetName() + "[";
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

CStrongKey& Key() {
    static const std::shared_ptr<CStrongKey> key = CStrongKey::FromPassword("fuzz", CHEAP);
    return *key;
}

// A strong file of plain under Key(), with a zero salt and nonce.
QByteArray SealPlain(const std::uint8_t* plain, std::size_t size) {
    QByteArray file(
        qsizetype(STRONG_HEADER_BYTES + size + crypto_aead_xchacha20poly1305_ietf_ABYTES), '\0');
    auto* header = reinterpret_cast<unsigned char*>(file.data());
    std::memcpy(header, StrongMagic().data(), STRONG_MAGIC_BYTES);
    const std::uint64_t sealed = size + crypto_aead_xchacha20poly1305_ietf_ABYTES;
    const unsigned char fields[12] = {1,
                                      0,
                                      STRONG_SALT_BYTES,
                                      STRONG_NONCE_BYTES,
                                      CHEAP.m_nOpsLimit,
                                      0,
                                      0,
                                      0,
                                      CHEAP.m_nMemoryKiB,
                                      0,
                                      0,
                                      0};
    std::memcpy(header + 16, fields, sizeof fields);
    for (int i = 0; i < 8; ++i)
        header[68 + i] = static_cast<unsigned char>(sealed >> (8 * i));
    const CSecretBytes key = Key().OpeningKey(header + 28, CHEAP);
    crypto_aead_xchacha20poly1305_ietf_encrypt(header + STRONG_HEADER_BYTES, nullptr, plain, size,
                                               header, STRONG_HEADER_BYTES, nullptr, header + 44,
                                               key.Data());
    return file;
}

bool Expensive(const QByteArray& file) {
    if (!StartsStrong(file) || file.size() < qsizetype(STRONG_HEADER_BYTES))
        return false;
    const auto word = [&file](int at) {
        std::uint32_t value = 0;
        std::memcpy(&value, file.constData() + at, 4);
        return value;
    };
    const CStrongParams params{word(20), word(24)};
    return StrongParamsInRange(params) && (params.m_nOpsLimit > 2 || params.m_nMemoryKiB > 64);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray file = size > 0 && data[0] == 'P'
                          ? SealPlain(data + 1, size - 1)
                          : QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    if (Expensive(file))
        return 0;
    std::unique_ptr<CFolder> top = StartTree(nullptr);
    QBuffer in(&file);
    in.open(QIODevice::ReadOnly);
    if (ReadStrongRecords(in, Key(), *top) == EStrongOutcome::Loaded) {
        const std::string loaded = Dump(*top);
        QByteArray again;
        QBuffer out(&again);
        out.open(QIODevice::WriteOnly);
        WriteStrongRecords(out, Key(), *top);
        EndTree(std::move(top));
        top = StartTree(nullptr);
        QBuffer back(&again);
        back.open(QIODevice::ReadOnly);
        if (ReadStrongRecords(back, Key(), *top) != EStrongOutcome::Loaded ||
            Dump(*top) != loaded) {
            std::fprintf(stderr, "round trip changed the tree\n");
            std::abort();
        }
    } else if (top->GetCount() != 0) {
        std::fprintf(stderr, "a refused file left items behind\n");
        std::abort();
    }
    EndTree(std::move(top));
    ResetTreeState();
    return 0;
}
