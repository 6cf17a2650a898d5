// SPDX-License-Identifier: MIT
#include "store/StrongFormat.h"

#include "store/DataRecords.h"
#include "tree/Item.h"

#include <QIODevice>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <sodium.h>
#include <stdexcept>

namespace {

constexpr std::array<char, STRONG_MAGIC_BYTES> MAGIC = {
    '\x89', 'Q', 'u', 'i', 'l', 'l', 'b', 'o', 'x', '-', 'S', 'e', 'a', 'l', '\r', '\n'};

// Where the header's fields start.
constexpr std::size_t AT_VERSION = 16;
constexpr std::size_t AT_SALT_LENGTH = 18;
constexpr std::size_t AT_NONCE_LENGTH = 19;
constexpr std::size_t AT_OPS = 20;
constexpr std::size_t AT_MEMORY = 24;
constexpr std::size_t AT_SALT = 28;
constexpr std::size_t AT_NONCE = 44;
constexpr std::size_t AT_SEALED_LENGTH = 68;
static_assert(AT_SEALED_LENGTH + 8 == STRONG_HEADER_BYTES);
static_assert(STRONG_SALT_BYTES == crypto_pwhash_argon2id_SALTBYTES);
static_assert(STRONG_NONCE_BYTES == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(STRONG_KEY_BYTES == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
static_assert(STRONG_PARAMS.m_nOpsLimit >= crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE);
static_assert(std::size_t(STRONG_PARAMS.m_nMemoryKiB) * 1024 >=
              crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE);
static_assert(STRONG_MIN_OPS >= crypto_pwhash_argon2id_OPSLIMIT_MIN);
static_assert(STRONG_MIN_MEMORY_KIB * 1024 >= crypto_pwhash_argon2id_MEMLIMIT_MIN);

constexpr std::size_t TAG_BYTES = crypto_aead_xchacha20poly1305_ietf_ABYTES;

std::atomic<std::uint64_t> g_derivations{0};
thread_local std::uint64_t g_threadDerivations = 0;

void NeedSodium() {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

void PutLittleEndian(unsigned char* out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t GetLittleEndian(const unsigned char* in, std::size_t bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes; i-- > 0;)
        value = value << 8 | in[i];
    return value;
}

// The records as plain values in locked memory: an integer is 4 bytes, a
// string its count and then its bytes. Storing grows the buffer; loading
// never reads past its end (EndOfFile) and never trusts a count beyond it.
class CSealedArchive final : public CArchive {
public:
    // Storing.
    CSealedArchive() : m_buffer(64 * 1024) {}
    // Loading size bytes of plain.
    CSealedArchive(const unsigned char* plain, std::size_t size)
        : m_pRead(plain), m_nEnd(size), m_bLoading(true) {}

    bool IsLoading() const override { return m_bLoading; }

    void WriteInt(std::int32_t value) override {
        unsigned char* out = Grow(4);
        PutLittleEndian(out, static_cast<std::uint32_t>(value), 4);
    }
    std::int32_t ReadInt() override {
        const unsigned char* in = Take(4);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLittleEndian(in, 4)));
    }
    void WriteString(const std::string& text) override {
        WriteInt(static_cast<std::int32_t>(text.size()));
        if (!text.empty())
            std::memcpy(Grow(text.size()), text.data(), text.size());
    }
    std::string ReadString() override {
        const std::int32_t count = ReadInt();
        if (count <= 0)
            return {};
        const unsigned char* in = Take(std::size_t(count));
        return {reinterpret_cast<const char*>(in), std::size_t(count)};
    }

    bool AtEnd() const { return m_nPos == m_nEnd; }
    const unsigned char* Bytes() const { return m_bLoading ? m_pRead : m_buffer.Data(); }
    std::size_t Size() const { return m_nEnd; }

private:
    unsigned char* Grow(std::size_t n) {
        if (m_buffer.Size() - m_nEnd < n) {
            CSecretBytes bigger(std::max(m_buffer.Size() * 2, m_nEnd + n));
            std::memcpy(bigger.Data(), m_buffer.Data(), m_nEnd);
            m_buffer = std::move(bigger);
        }
        unsigned char* out = m_buffer.Data() + m_nEnd;
        m_nEnd += n;
        return out;
    }
    const unsigned char* Take(std::size_t n) {
        if (m_nEnd - m_nPos < n)
            throw CArchiveException(CArchiveException::EndOfFile, "read past the end");
        const unsigned char* in = m_pRead + m_nPos;
        m_nPos += n;
        return in;
    }

    CSecretBytes m_buffer;
    const unsigned char* m_pRead = nullptr;
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0;
    bool m_bLoading = false;
};

void EmptyFolder(CFolder& root) {
    while (root.GetCount() > 0)
        root.Take(root.GetCount() - 1);
}

// Reads up to size bytes; fewer only at the device's end.
QByteArray ReadUpTo(QIODevice& device, std::size_t size) {
    QByteArray bytes;
    while (std::size_t(bytes.size()) < size) {
        const std::size_t want = std::min<std::size_t>(size - std::size_t(bytes.size()), 1 << 16);
        const qsizetype at = bytes.size();
        bytes.resize(at + qsizetype(want));
        errno = 0;
        const qint64 got = device.read(bytes.data() + at, qint64(want));
        if (got < 0) {
            const int err = errno;
            throw CArchiveException(FailureCause(device, err), "read failed", err);
        }
        bytes.resize(at + qsizetype(got));
        if (got == 0 && !device.waitForReadyRead(-1))
            break;
    }
    return bytes;
}

} // namespace

const std::array<char, STRONG_MAGIC_BYTES>& StrongMagic() {
    return MAGIC;
}

bool StrongParamsInRange(const CStrongParams& params) {
    return params.m_nOpsLimit >= STRONG_MIN_OPS && params.m_nOpsLimit <= STRONG_MAX_OPS &&
           params.m_nMemoryKiB >= STRONG_MIN_MEMORY_KIB &&
           params.m_nMemoryKiB <= STRONG_MAX_MEMORY_KIB;
}

bool StartsStrong(const QByteArray& bytes) {
    return bytes.size() >= qsizetype(STRONG_MAGIC_BYTES) &&
           std::memcmp(bytes.constData(), MAGIC.data(), STRONG_MAGIC_BYTES) == 0;
}

EDataFormat DeviceFormat(QIODevice& device) {
    const QByteArray first = device.peek(STRONG_MAGIC_BYTES);
    if (first.isEmpty())
        return EDataFormat::Empty;
    return StartsStrong(first) ? EDataFormat::Strong : EDataFormat::Classic;
}

std::uint64_t StrongDerivations() {
    return g_derivations.load();
}

std::uint64_t StrongDerivationsOnThisThread() {
    return g_threadDerivations;
}

CSecretBytes::CSecretBytes(std::size_t size) : m_nSize(size) {
    NeedSodium();
    m_pData = static_cast<unsigned char*>(sodium_malloc(std::max<std::size_t>(size, 1)));
    if (!m_pData)
        throw std::bad_alloc();
}

CSecretBytes::CSecretBytes(const void* data, std::size_t size) : CSecretBytes(size) {
    if (size > 0)
        std::memcpy(m_pData, data, size);
}

CSecretBytes::~CSecretBytes() {
    sodium_free(m_pData); // wipes; takes null
}

CSecretBytes::CSecretBytes(CSecretBytes&& other) noexcept
    : m_pData(std::exchange(other.m_pData, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)) {}

CSecretBytes& CSecretBytes::operator=(CSecretBytes&& other) noexcept {
    if (this != &other) {
        sodium_free(m_pData);
        m_pData = std::exchange(other.m_pData, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
    }
    return *this;
}

std::shared_ptr<CStrongKey> CStrongKey::FromPassword(std::string_view password,
                                                     CStrongParams params) {
    if (password.empty())
        return nullptr;
    return std::make_shared<CStrongKey>(password, params);
}

CStrongKey::CStrongKey(std::string_view password, CStrongParams params)
    : m_password(password.data(), password.size()), m_params(params) {}

CSecretBytes CStrongKey::Derive(const unsigned char* salt, const CStrongParams& params) const {
    CSecretBytes key(STRONG_KEY_BYTES);
    ++g_derivations;
    ++g_threadDerivations;
    if (crypto_pwhash(key.Data(), key.Size(), reinterpret_cast<const char*>(m_password.Data()),
                      m_password.Size(), salt, params.m_nOpsLimit,
                      std::size_t(params.m_nMemoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
        // The only way it fails within the checked limits.
        throw CArchiveException(CArchiveException::Generic, "key derivation failed", ENOMEM);
    return key;
}

CSecretBytes CStrongKey::OpeningKey(const unsigned char* salt, const CStrongParams& params) const {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_opened.m_key.Empty() && m_openedParams.m_nOpsLimit == params.m_nOpsLimit &&
            m_openedParams.m_nMemoryKiB == params.m_nMemoryKiB &&
            std::memcmp(m_opened.m_salt.data(), salt, STRONG_SALT_BYTES) == 0)
            return {m_opened.m_key.Data(), m_opened.m_key.Size()};
    }
    CSecretBytes key = Derive(salt, params);
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::memcpy(m_opened.m_salt.data(), salt, STRONG_SALT_BYTES);
    m_opened.m_key = CSecretBytes(key.Data(), key.Size());
    m_openedParams = params;
    return key;
}

void CStrongKey::PrepareSaveKey() {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_prepareEnded.wait(lock, [this] { return !m_bPreparing; });
        if (!m_prepared.m_key.Empty())
            return;
        m_bPreparing = true;
    }
    PrepareClaimed();
}

bool CStrongKey::ClaimPreparation() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bPreparing || !m_prepared.m_key.Empty())
        return false;
    m_bPreparing = true;
    return true;
}

void CStrongKey::PrepareClaimed() {
    CSaveKey next;
    try {
        NeedSodium();
        randombytes_buf(next.m_salt.data(), next.m_salt.size());
        next.m_key = Derive(next.m_salt.data(), m_params);
    } catch (...) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bPreparing = false;
        }
        m_prepareEnded.notify_all();
        throw;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_prepared = std::move(next);
        m_bPreparing = false;
    }
    m_prepareEnded.notify_all();
}

bool CStrongKey::HasSaveKey() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return !m_prepared.m_key.Empty();
}

CStrongKey::CSaveKey CStrongKey::TakeSaveKey() {
    PrepareSaveKey();
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::move(m_prepared); // leaves m_prepared's key empty
}

namespace {

// The plain records of the strong file on device, or empty when it does not
// open. The header is checked before anything is allocated or derived.
CSecretBytes Unseal(QIODevice& device, const CStrongKey& key) {
    const QByteArray headerBytes = ReadUpTo(device, STRONG_HEADER_BYTES);
    if (std::size_t(headerBytes.size()) < STRONG_HEADER_BYTES || !StartsStrong(headerBytes))
        return {};
    const auto* header = reinterpret_cast<const unsigned char*>(headerBytes.constData());
    const CStrongParams params{std::uint32_t(GetLittleEndian(header + AT_OPS, 4)),
                               std::uint32_t(GetLittleEndian(header + AT_MEMORY, 4))};
    const std::uint64_t sealedLength = GetLittleEndian(header + AT_SEALED_LENGTH, 8);
    if (GetLittleEndian(header + AT_VERSION, 2) != STRONG_VERSION ||
        header[AT_SALT_LENGTH] != STRONG_SALT_BYTES ||
        header[AT_NONCE_LENGTH] != STRONG_NONCE_BYTES || !StrongParamsInRange(params) ||
        sealedLength < TAG_BYTES || sealedLength > STRONG_MAX_SEALED_BYTES)
        return {};
    // A file that is not as long as it says is refused before its bytes are read.
    if (!device.isSequential() && std::uint64_t(device.size() - device.pos()) != sealedLength)
        return {};
    const QByteArray sealed = ReadUpTo(device, std::size_t(sealedLength));
    if (std::uint64_t(sealed.size()) != sealedLength || !ReadUpTo(device, 1).isEmpty())
        return {};

    const CSecretBytes fileKey = key.OpeningKey(header + AT_SALT, params);
    CSecretBytes plain(std::size_t(sealedLength - TAG_BYTES));
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            plain.Data(), nullptr, nullptr,
            reinterpret_cast<const unsigned char*>(sealed.constData()), sealedLength, header,
            STRONG_HEADER_BYTES, header + AT_NONCE, fileKey.Data()) != 0)
        return {};
    return plain;
}

// Unseal with a machine that has too little memory for the key derivation
// or the records reported as a failure of the file.
CSecretBytes UnsealOrFail(QIODevice& device, const CStrongKey& key) {
    try {
        return Unseal(device, key);
    } catch (const std::bad_alloc&) {
        throw CArchiveException(CArchiveException::Generic, "out of memory", ENOMEM);
    }
}

} // namespace

bool StrongSealOpens(QIODevice& device, const CStrongKey& key) {
    return !UnsealOrFail(device, key).Empty();
}

EStrongOutcome ReadStrongRecords(QIODevice& device, const CStrongKey& key, CFolder& root) {
    const CSecretBytes plain = UnsealOrFail(device, key);
    if (plain.Empty())
        return EStrongOutcome::Refused;
    // Sealed by someone who knew the password: still read with care.
    try {
        CSealedArchive archive(plain.Data(), plain.Size());
        if (archive.ReadInt() == DATA_FILE_VERSION) {
            archive.ReadInt();    // the top folder's tag
            archive.ReadString(); // and its name: the top folder stays "Root"
            root.Serialize(archive);
            if (archive.AtEnd())
                return EStrongOutcome::Loaded;
        }
    } catch (const CArchiveException&) {
    }
    EmptyFolder(root);
    return EStrongOutcome::Refused;
}

void WriteStrongRecords(QIODevice& device, CStrongKey& key, CFolder& root) {
    CSealedArchive archive;
    CStrongKey::CSaveKey saveKey;
    try {
        archive.WriteInt(DATA_FILE_VERSION);
        root.Serialize(archive);
        saveKey = key.TakeSaveKey();
    } catch (const std::bad_alloc&) {
        throw CArchiveException(CArchiveException::Generic, "out of memory", ENOMEM);
    }
    const std::size_t sealedLength = archive.Size() + TAG_BYTES;
    QByteArray file(qsizetype(STRONG_HEADER_BYTES + sealedLength), '\0');
    auto* header = reinterpret_cast<unsigned char*>(file.data());
    std::memcpy(header, MAGIC.data(), MAGIC.size());
    PutLittleEndian(header + AT_VERSION, STRONG_VERSION, 2);
    header[AT_SALT_LENGTH] = STRONG_SALT_BYTES;
    header[AT_NONCE_LENGTH] = STRONG_NONCE_BYTES;
    PutLittleEndian(header + AT_OPS, key.Params().m_nOpsLimit, 4);
    PutLittleEndian(header + AT_MEMORY, key.Params().m_nMemoryKiB, 4);
    std::memcpy(header + AT_SALT, saveKey.m_salt.data(), STRONG_SALT_BYTES);
    randombytes_buf(header + AT_NONCE, STRONG_NONCE_BYTES);
    PutLittleEndian(header + AT_SEALED_LENGTH, sealedLength, 8);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        header + STRONG_HEADER_BYTES, &written, archive.Bytes(), archive.Size(), header,
        STRONG_HEADER_BYTES, nullptr, header + AT_NONCE, saveKey.m_key.Data());
    errno = 0;
    if (device.write(file) != file.size()) {
        const int err = errno;
        throw CArchiveException(FailureCause(device, err), "write failed", err);
    }
}
