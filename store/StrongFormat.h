// SPDX-License-Identifier: MIT
#pragma once
// The strong data file: the tree's records sealed under a key derived from
// the whole password, so that a changed bit, a cut, an extension or a wrong
// password are all refused alike and nothing is ever loaded in part.
//
// Layout (integers little-endian):
//   0  magic            16 bytes "\x89Quillbox-Seal\r\n"
//  16  format version    2 bytes (1)
//  18  salt length       1 byte  (16)
//  19  nonce length      1 byte  (24)
//  20  opslimit          4 bytes  Argon2id passes
//  24  memlimit          4 bytes  Argon2id memory in KiB
//  28  salt             16 bytes
//  44  nonce            24 bytes
//  68  sealed length     8 bytes  the bytes after the header
//  76  sealed records   XChaCha20-Poly1305 (the 76 header bytes as associated
//                       data) of the classic file's records: the format number
//                       65537, then the top folder's record, every integer as
//                       4 bytes and every string as its count and its bytes.
// The key is Argon2id (version 1.3) of the password and the salt with the
// header's limits. Every save draws a new salt and nonce.
//
// A classic file is a sequence of 8-byte enciphered blocks, so any bytes can
// start one in principle; the magic is 16 bytes (two blocks), which under any
// key matches by chance about once in 2^64 files, and under the empty key
// (the unprotected file) never: none of the 32768 first blocks that key can
// give equals the magic's first 8 bytes.
//
// The header is checked before anything is allocated or derived: the version,
// the lengths, the limits (at most STRONG_MAX_OPS passes and
// STRONG_MAX_MEMORY_KIB, so a hostile file cannot make us derive with
// gigabytes of memory) and the sealed length against the file's own size.

#include "store/CipherArchive.h"

#include <QByteArray>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

class CFolder;
class QIODevice;

inline constexpr std::size_t STRONG_MAGIC_BYTES = 16;
inline constexpr std::size_t STRONG_HEADER_BYTES = 76;
inline constexpr std::size_t STRONG_SALT_BYTES = 16;
inline constexpr std::size_t STRONG_NONCE_BYTES = 24;
inline constexpr std::size_t STRONG_KEY_BYTES = 32;
inline constexpr std::uint16_t STRONG_VERSION = 1;
// The bounds a file's limits must keep. The least is libsodium's minimum (a
// file with weak limits still needs the password: its key does not open
// another's seal); the most bounds what a hostile file can cost.
inline constexpr std::uint32_t STRONG_MIN_OPS = 1;
inline constexpr std::uint32_t STRONG_MAX_OPS = 8;
inline constexpr std::uint32_t STRONG_MIN_MEMORY_KIB = 8;
inline constexpr std::uint32_t STRONG_MAX_MEMORY_KIB = 512 * 1024;
// The most sealed bytes a file may announce (a collection is a few MB).
inline constexpr std::uint64_t STRONG_MAX_SEALED_BYTES = std::uint64_t(1) << 30;

const std::array<char, STRONG_MAGIC_BYTES>& StrongMagic();

// The key derivation's work. Saves record theirs in the header.
struct CStrongParams {
    std::uint32_t m_nOpsLimit;
    std::uint32_t m_nMemoryKiB;
};
// What saves use: above libsodium's interactive limits (2 passes, 64 MiB),
// about half a second on a 2-core build machine of 2026 (3 passes over
// 192 MiB measured 0.48 s; bench/store prints it).
inline constexpr CStrongParams STRONG_PARAMS{3, 192 * 1024};
bool StrongParamsInRange(const CStrongParams& params);

// Whether bytes (a file's first bytes) start with the strong magic.
bool StartsStrong(const QByteArray& bytes);

enum class EDataFormat {
    Empty,   // no bytes (or none could be read)
    Classic, // the enciphered blocks of the classic format (or any other bytes)
    Strong,
};
// Peeks at device's first bytes (open for reading; the position is kept).
EDataFormat DeviceFormat(QIODevice& device);

// How many key derivations ran in this process (tests see that a refused
// header derived nothing), and how many ran on the calling thread (tests see
// that a save on the GUI thread took a key prepared elsewhere).
std::uint64_t StrongDerivations();
std::uint64_t StrongDerivationsOnThisThread();

// Bytes in memory that libsodium locks against swapping, guards and wipes
// when they are freed. Move-only.
class CSecretBytes {
public:
    CSecretBytes() = default;
    // Throws std::bad_alloc when no guarded memory can be had.
    explicit CSecretBytes(std::size_t size);
    CSecretBytes(const void* data, std::size_t size);
    ~CSecretBytes();
    CSecretBytes(CSecretBytes&& other) noexcept;
    CSecretBytes& operator=(CSecretBytes&& other) noexcept;
    CSecretBytes(const CSecretBytes&) = delete;
    CSecretBytes& operator=(const CSecretBytes&) = delete;

    unsigned char* Data() const { return m_pData; }
    std::size_t Size() const { return m_nSize; }
    bool Empty() const { return m_pData == nullptr; }

private:
    unsigned char* m_pData = nullptr;
    std::size_t m_nSize = 0;
};

// A session's strong password, kept whole in locked memory so that every
// save can derive a key for its new salt. A save derives once (about half a
// second with STRONG_PARAMS) unless PrepareSaveKey has already derived the
// key for it, e.g. on a worker thread while the user works. Dropping the last
// reference (Lock) wipes the password and any prepared key.
class CStrongKey {
public:
    // Null for the empty password, which the strong format refuses. params:
    // the work of the keys this session derives for saving (tests use cheap
    // ones).
    static std::shared_ptr<CStrongKey> FromPassword(std::string_view password,
                                                    CStrongParams params = STRONG_PARAMS);
    CStrongKey(std::string_view password, CStrongParams params);

    const CStrongParams& Params() const { return m_params; }

    // Derives the key for the next save with a fresh salt. Thread-safe; a
    // call while another thread prepares waits for that key rather than
    // deriving a second, and a key already prepared is kept. Throws
    // CArchiveException (generic, ENOMEM) when the derivation's memory
    // cannot be had.
    void PrepareSaveKey();
    // Whether a save key is prepared and not yet taken.
    bool HasSaveKey() const;
    // PrepareSaveKey in two steps, for a worker thread: ClaimPreparation,
    // on the thread that saves, marks a preparation under way (a save from
    // then on waits for its key) and is false when a key is prepared or being
    // prepared already; each true claim must be followed by PrepareClaimed
    // (on any thread), which derives the key.
    bool ClaimPreparation();
    void PrepareClaimed();

    // The key for salt under params (one derivation), in locked memory.
    CSecretBytes Derive(const unsigned char* salt, const CStrongParams& params) const;
    // As Derive, but the key of the salt last opened is kept (in locked
    // memory) and not derived again: the prompt's check and the load that
    // follows derive once. Thread-safe.
    CSecretBytes OpeningKey(const unsigned char* salt, const CStrongParams& params) const;

    // The prepared key and its salt (waiting for a preparation under way), or
    // a new salt and its key derived now. Each key is handed out once.
    struct CSaveKey {
        std::array<unsigned char, STRONG_SALT_BYTES> m_salt{};
        CSecretBytes m_key;
    };
    CSaveKey TakeSaveKey();

private:
    CSecretBytes m_password;
    CStrongParams m_params;
    mutable std::mutex m_mutex;
    std::condition_variable m_prepareEnded;
    bool m_bPreparing = false; // a thread derives the next save key
    CSaveKey m_prepared;
    mutable CSaveKey m_opened;
    mutable CStrongParams m_openedParams{};
};

enum class EStrongOutcome {
    Loaded,
    // The file was changed or damaged, or the password is another: these
    // cannot be told apart, and nothing was loaded.
    Refused,
};

// Reads a whole strong file from device (open for reading, at its start) into
// root, an empty top folder (which keeps its own name). refused leaves root
// empty. Throws CArchiveException only when the device itself fails or the
// memory for the key or the records cannot be had (generic, ENOMEM).
EStrongOutcome ReadStrongRecords(QIODevice& device, const CStrongKey& key, CFolder& root);

// Whether device (open for reading, at its start) holds a strong file that
// key opens; nothing is parsed. Throws CArchiveException only when the
// device itself fails.
bool StrongSealOpens(QIODevice& device, const CStrongKey& key);

// Seals root's records in memory under a new salt and nonce and writes the
// file to device (open for writing). Throws CArchiveException when the device
// refuses the bytes or memory runs out (generic, ENOMEM).
void WriteStrongRecords(QIODevice& device, CStrongKey& key, CFolder& root);
