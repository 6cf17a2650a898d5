// SPDX-License-Identifier: MIT
#pragma once
// The archive that every stored integer and string of the data file passes
// through. Each 32-bit integer is one 8-byte block enciphered under the
// archive's key: bytes 0-3 hold the value (little-endian, two's complement),
// bytes 4-7 a filler word from the C library's generator (0..32767, so bytes
// 6 and 7 are always 0); readers ignore the filler. A string is its byte count
// followed by one such integer per byte, the byte taken as signed 8-bit (0xE9
// is stored as -23). Nothing else surrounds a value.
//
// Blocks are enciphered and deciphered 64 KiB at a time with the batched
// cipher calls; the bytes are exactly those of one block at a time.

#include "store/Cipher.h"
#include "tree/Archive.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// The C library's linear congruential generator (srand/rand).
class CLibcRandom {
public:
    explicit CLibcRandom(std::uint32_t seed) : m_state(seed) {}
    std::uint32_t Next() {
        m_state = m_state * 214013u + 2531011u;
        return (m_state >> 16) & 0x7FFFu;
    }

private:
    std::uint32_t m_state;
};

// Where an archive takes its filler words from. Empty: the C library
// generator seeded from the millisecond clock when the archive is made.
using FillerSource = std::function<std::uint32_t()>;

// The generator seeded with seed, as srand(seed) would.
FillerSource SeededFiller(std::uint32_t seed);
// Every filler word is word.
FillerSource ConstantFiller(std::uint32_t word);
// The millisecond tick count that seeds every archive by default.
std::uint32_t MillisecondTicks();

// The failure a device reported, in the archive's terms. errnoValue is errno
// taken right after the failing call.
CArchiveException::ECause FailureCause(const QIODevice& device, int errnoValue);

class CCipherArchive final : public CArchive {
public:
    enum EMode { Store = 0, Load = 1 };

    // Sets the cipher key register to the key block of key and seeds the
    // filler words (from the clock unless filler is given). The device must be
    // open for writing (store) or reading (load); it is not owned.
    CCipherArchive(std::string_view key, QIODevice& file, EMode mode, FillerSource filler = {});
    // Writes out what is still buffered if Close was not called (errors are
    // then lost; call Close to see them).
    ~CCipherArchive() override;
    CCipherArchive(const CCipherArchive&) = delete;
    CCipherArchive& operator=(const CCipherArchive&) = delete;

    bool IsLoading() const override { return m_mode == Load; }

    void WriteInt(std::int32_t value) override;
    std::int32_t ReadInt() override;
    void WriteString(const std::string& text) override;
    std::string ReadString() override;

    // Loading: true when no byte is left to read, in the archive's buffer or
    // on the device. Throws CArchiveException when the device fails.
    bool AtEnd();

    // Writes out the buffer and detaches the device. Throws CArchiveException
    // when the device refuses the bytes.
    void Close();

private:
    void Flush();
    void NeedBlock();
    bool Refill();

    QIODevice* m_pFile;
    EMode m_mode;
    KeyBlock m_key;
    FillerSource m_filler;
    CLibcRandom m_random;
    // Store: plaintext blocks not yet written. Load: m_buffer[0, m_nEnd) holds
    // bytes read from the file, deciphered up to m_nDeciphered; m_nPos is the
    // next unread byte.
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_nPos = 0;
    std::size_t m_nDeciphered = 0;
    std::size_t m_nEnd = 0;
};
