// SPDX-License-Identifier: MIT
#include "store/CipherArchive.h"

#include <QFileDevice>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

// Plaintext blocks handled per batched cipher call.
constexpr std::size_t CHUNK_BYTES = 64 * 1024;
constexpr std::size_t BLOCK = 8;
// Texts up to this length are reserved whole without asking the file.
constexpr std::int32_t SHORT_TEXT = 4096;

CArchiveException FailureOf(const QIODevice& device, int errnoValue, const char* what) {
    return CArchiveException(FailureCause(device, errnoValue), what, errnoValue);
}

void PutLittleEndian(std::uint8_t* out, std::uint32_t word) {
    out[0] = static_cast<std::uint8_t>(word);
    out[1] = static_cast<std::uint8_t>(word >> 8);
    out[2] = static_cast<std::uint8_t>(word >> 16);
    out[3] = static_cast<std::uint8_t>(word >> 24);
}

std::uint32_t GetLittleEndian(const std::uint8_t* in) {
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
           std::uint32_t(in[3]) << 24;
}

} // namespace

CArchiveException::ECause FailureCause(const QIODevice& device, int errnoValue) {
    if (errnoValue == ENOSPC || errnoValue == EDQUOT)
        return CArchiveException::DiskFull;
    if (errnoValue == EIO)
        return CArchiveException::HardIO;
    if (const auto* file = qobject_cast<const QFileDevice*>(&device)) {
        if (file->error() == QFileDevice::ResourceError)
            return CArchiveException::DiskFull;
    }
    return CArchiveException::Generic;
}

FillerSource SeededFiller(std::uint32_t seed) {
    return [random = CLibcRandom(seed)]() mutable { return random.Next(); };
}

FillerSource ConstantFiller(std::uint32_t word) {
    return [word] { return word; };
}

std::uint32_t MillisecondTicks() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

CCipherArchive::CCipherArchive(std::string_view key, QIODevice& file, EMode mode,
                               FillerSource filler)
    : m_pFile(&file), m_mode(mode), m_key(MakeKeyBlock(key)), m_filler(std::move(filler)),
      m_random(MillisecondTicks()) {
    SetCipherKey(m_key);
    m_buffer.reserve(CHUNK_BYTES);
}

CCipherArchive::~CCipherArchive() {
    if (m_pFile && m_mode == Store) {
        try {
            Flush();
        } catch (const CArchiveException&) {
            // Close reports write errors; a destructor cannot.
        }
    }
}

void CCipherArchive::WriteInt(std::int32_t value) {
    if (!m_pFile || m_mode != Store)
        throw CArchiveException(CArchiveException::Generic, "archive is not open for storing");
    const std::uint32_t filler = m_filler ? m_filler() : m_random.Next();
    const std::size_t at = m_buffer.size();
    m_buffer.resize(at + BLOCK);
    PutLittleEndian(&m_buffer[at], static_cast<std::uint32_t>(value));
    PutLittleEndian(&m_buffer[at + 4], filler);
    if (m_buffer.size() >= CHUNK_BYTES)
        Flush();
}

void CCipherArchive::WriteString(const std::string& text) {
    WriteInt(static_cast<std::int32_t>(text.size()));
    for (const char c : text)
        WriteInt(static_cast<std::int32_t>(static_cast<std::int8_t>(c)));
}

std::int32_t CCipherArchive::ReadInt() {
    if (m_nDeciphered - m_nPos < BLOCK) [[unlikely]]
        NeedBlock();
    const std::uint32_t value = GetLittleEndian(&m_buffer[m_nPos]);
    m_nPos += BLOCK;
    return static_cast<std::int32_t>(value);
}

std::string CCipherArchive::ReadString() {
    const std::int32_t count = ReadInt();
    std::string text;
    if (count <= 0)
        return text;
    // The count may be damaged: reserve no more than the file can still hold
    // (asking the file costs a system call, so only for long texts).
    std::size_t reserve = static_cast<std::size_t>(count);
    if (count > SHORT_TEXT) {
        const qint64 left = qint64((m_nDeciphered - m_nPos) / BLOCK) +
                            std::max<qint64>(0, m_pFile->bytesAvailable()) / qint64(BLOCK);
        reserve = static_cast<std::size_t>(std::min<qint64>(count, left));
    }
    text.reserve(reserve);
    // Each character is the low byte of its block: take as many as are
    // deciphered at a time.
    std::size_t left = static_cast<std::size_t>(count);
    while (left > 0) {
        if (m_nDeciphered - m_nPos < BLOCK)
            NeedBlock();
        const std::size_t n = std::min(left, (m_nDeciphered - m_nPos) / BLOCK);
        const std::size_t at = text.size();
        text.resize(at + n);
        char* out = text.data() + at;
        const std::uint8_t* in = m_buffer.data() + m_nPos;
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<char>(in[BLOCK * i]);
        m_nPos += n * BLOCK;
        left -= n;
    }
    return text;
}

void CCipherArchive::Close() {
    if (!m_pFile)
        return;
    if (m_mode == Store) {
        Flush();
        if (auto* file = qobject_cast<QFileDevice*>(m_pFile)) {
            errno = 0;
            if (!file->flush()) {
                const int err = errno;
                m_pFile = nullptr;
                throw FailureOf(*file, err, "flush failed");
            }
        }
    }
    m_pFile = nullptr;
    m_buffer.clear();
    m_nPos = m_nDeciphered = m_nEnd = 0;
}

void CCipherArchive::Flush() {
    if (m_buffer.empty())
        return;
    SetCipherKey(m_key);
    EncipherBlocks(m_buffer.data(), m_buffer.size() / BLOCK);
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        errno = 0;
        const qint64 written = m_pFile->write(reinterpret_cast<const char*>(m_buffer.data() + done),
                                              qint64(m_buffer.size() - done));
        if (written <= 0) {
            const int err = errno;
            m_buffer.clear();
            throw FailureOf(*m_pFile, err, "write failed");
        }
        done += static_cast<std::size_t>(written);
    }
    m_buffer.clear();
}

// Makes sure a deciphered block is unread, or throws: the end-of-file error
// when the file has no whole block more, a generic one when the archive is
// not open for loading.
void CCipherArchive::NeedBlock() {
    if (!m_pFile || m_mode != Load)
        throw CArchiveException(CArchiveException::Generic, "archive is not open for loading");
    while (m_nDeciphered - m_nPos < BLOCK) {
        if (!Refill())
            throw CArchiveException(CArchiveException::EndOfFile, "read past the end");
    }
}

bool CCipherArchive::AtEnd() {
    if (!m_pFile || m_mode != Load)
        return true;
    return m_nEnd > m_nPos ? false : !Refill();
}

// Reads the next bytes of the file behind those still unread and deciphers
// every complete block. False when the file has nothing more.
bool CCipherArchive::Refill() {
    const std::size_t kept = m_nEnd - m_nPos;
    if (kept > 0)
        std::memmove(m_buffer.data(), m_buffer.data() + m_nPos, kept);
    m_nDeciphered -= m_nPos;
    m_nEnd = kept;
    m_nPos = 0;
    if (m_buffer.size() < std::max(kept + BLOCK, CHUNK_BYTES))
        m_buffer.resize(std::max(kept + BLOCK, CHUNK_BYTES));
    errno = 0;
    const qint64 got = m_pFile->read(reinterpret_cast<char*>(m_buffer.data() + kept),
                                     qint64(m_buffer.size() - kept));
    if (got < 0) {
        const int err = errno;
        throw FailureOf(*m_pFile, err, "read failed");
    }
    m_nEnd = kept + static_cast<std::size_t>(got);
    const std::size_t whole = (m_nEnd - m_nDeciphered) / BLOCK;
    if (whole > 0) {
        SetCipherKey(m_key);
        DecipherBlocks(m_buffer.data() + m_nDeciphered, whole);
        m_nDeciphered += whole * BLOCK;
    }
    return got > 0;
}
