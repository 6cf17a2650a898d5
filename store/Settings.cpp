// SPDX-License-Identifier: MIT
#include "store/Settings.h"

#include "store/Cipher.h"

#include <QString>

namespace {

constexpr int DEFAULT_DOCK_POS = 100;

std::string_view FirstBytes(std::string_view text) {
    return text.substr(0, std::min(text.size(), MAX_PASSWORD_BYTES));
}

} // namespace

std::uint32_t PasswordCheck(std::string_view password) {
    if (password.empty())
        return 0;
    const KeyBlock key = MakeKeyBlock(password);
    SetCipherKey(key);
    KeyBlock block = key;
    EncipherBlock(block.data());
    const auto half = [&block](int at) {
        return std::uint32_t(block[at]) | std::uint32_t(block[at + 1]) << 8 |
               std::uint32_t(block[at + 2]) << 16 | std::uint32_t(block[at + 3]) << 24;
    };
    return half(0) + half(4);
}

CSettings::CSettings() : CSettings(std::make_unique<CQSettingsStore>()) {}

CSettings::CSettings(std::unique_ptr<ISettingsStore> store) : m_pStore(std::move(store)) {}

CSettings::~CSettings() = default;

std::uint32_t CSettings::PackPosition(int x, int y) {
    return (static_cast<std::uint32_t>(x) << 16) | (static_cast<std::uint32_t>(y) & 0xFFFFu);
}

void CSettings::UnpackPosition(std::uint32_t packed, int& x, int& y) {
    // Signed halves: a screen left of or above the primary one has negative
    // coordinates.
    x = static_cast<std::int16_t>(packed >> 16);
    y = static_cast<std::int16_t>(packed & 0xFFFFu);
}

bool CSettings::Load() {
    if (!m_pStore || !m_pStore->Open())
        return false;
    m_storedCheck = m_pStore->Read("Passwd");
    if (m_storedCheck)
        m_dwPasswordCheck = *m_storedCheck;
    m_storedPos = m_pStore->Read("Pos");
    m_storedLockIdle = m_pStore->Read("LockIdle");
    m_nLockIdleMinutes = m_storedLockIdle.value_or(0);
    const std::uint32_t pos = m_storedPos.value_or(0);
    if (pos == 0) {
        m_nDockX = m_nDockY = DEFAULT_DOCK_POS;
    } else {
        UnpackPosition(pos, m_nDockX, m_nDockY);
    }
    m_pStore->Close();
    return true;
}

int CSettings::Save() {
    if (!m_pStore)
        return 1;
    if (!m_pStore->Open())
        return 0;
    m_pStore->Write("Passwd", m_dwPasswordCheck);
    m_pStore->Write("Pos", PackPosition(m_nDockX, m_nDockY));
    const bool lockIdle = m_storedLockIdle || m_nLockIdleMinutes != 0;
    if (lockIdle)
        m_pStore->Write("LockIdle", m_nLockIdleMinutes);
    if (!m_pStore->Close())
        return 0;
    m_storedCheck = m_dwPasswordCheck;
    m_storedPos = PackPosition(m_nDockX, m_nDockY);
    if (lockIdle)
        m_storedLockIdle = m_nLockIdleMinutes;
    return 1;
}

bool CSettings::Changed() const {
    return m_storedCheck != m_dwPasswordCheck || m_storedPos != PackPosition(m_nDockX, m_nDockY) ||
           m_storedLockIdle.value_or(0) != m_nLockIdleMinutes;
}

QString CSettings::StoreFileName() const {
    return m_pStore ? m_pStore->FileName() : QString();
}

void CSettings::SetPassword(std::string_view password) {
    m_strPassword = std::string(FirstBytes(password));
    m_dwPasswordCheck = PasswordCheck(m_strPassword);
}

int CSettings::VerifyPassword(std::string_view typed) {
    m_strPassword.clear();
    if (m_dwPasswordCheck == 0)
        return 0;
    const std::string_view candidate = FirstBytes(typed);
    // The empty text (check value 0) never matches a stored, non-zero value.
    if (PasswordCheck(candidate) != m_dwPasswordCheck)
        return 0;
    m_strPassword = std::string(candidate);
    return 1;
}
