// SPDX-License-Identifier: MIT
#pragma once
// The one settings record: the password check value, the dock window's
// position and the current password, which keys the data file. The record
// reads and writes its store and nothing else: which check value counts, and
// when the record is written relative to the data file, are the file rules'
// (store/DataFile.h).
//
// The check value of a password p (1 to 8 bytes) is p's key block enciphered
// under itself, its two little-endian halves added modulo 2^32; 0 means no
// password. Only the check value and the position are kept in the settings
// store ("Passwd", and "Pos" = x << 16 | (y & 0xFFFF)); the password never is.
// "LockIdle" holds the minutes of no input after which the window locks; it
// is written only once it was set (0: never locks).

#include "store/SettingsStore.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QString;

// The check value of a password of at most 8 bytes (the empty one gives 0).
// Leaves the cipher key register holding the password's key block.
std::uint32_t PasswordCheck(std::string_view password);

// Only the first 8 bytes of a password count.
constexpr std::size_t MAX_PASSWORD_BYTES = 8;

class CSettings {
public:
    // Uses the user's settings store.
    CSettings();
    // Uses store; with none, Load and Save read and write nothing.
    explicit CSettings(std::unique_ptr<ISettingsStore> store);
    ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    // Reads the store: a missing check value leaves the record's; a missing
    // or zero position gives 100, 100. A store that cannot be opened leaves
    // the record as it was and gives false.
    bool Load();
    // Writes the check value and the packed position to the store: 1 when
    // they were stored (or there is no store), 0 when they could not be.
    int Save();
    // Whether the record differs from what its store was last read or
    // written with (a store never read or written differs), so that a save
    // that changes nothing writes nothing: a synced settings folder then
    // carries no needless change between machines.
    bool Changed() const;
    // The full path of the settings file (empty with no store).
    QString StoreFileName() const;

    // Makes the first 8 bytes of password the current password and computes
    // its check value (0 for the empty password).
    void SetPassword(std::string_view password);
    // Accepts typed (its first 8 bytes) when its check value matches the
    // stored, non-zero one: then it becomes the current password and the
    // result is 1. Otherwise 0 and the current password is empty.
    int VerifyPassword(std::string_view typed);

    // x and y as 16-bit two's complement halves, x high; read back signed.
    static std::uint32_t PackPosition(int x, int y);
    static void UnpackPosition(std::uint32_t packed, int& x, int& y);

    std::uint32_t m_dwPasswordCheck = 0;
    int m_nDockX = 0;
    int m_nDockY = 0;
    std::uint32_t m_nLockIdleMinutes = 0;
    std::string m_strPassword;

private:
    std::unique_ptr<ISettingsStore> m_pStore;
    // What the store holds as far as this record knows.
    std::optional<std::uint32_t> m_storedCheck, m_storedPos, m_storedLockIdle;
};
