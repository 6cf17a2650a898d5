#include "store/Settings.h"

#include "store/Cipher.h"
#include "store/DataFile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>

namespace {

constexpr int DEFAULT_DOCK_POS = 100;

std::string_view FirstBytes(std::string_view text) {
    return text.substr(0, std::min(text.size(), MAX_PASSWORD_BYTES));
}

QString Name(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

// ---------------------------------------------------------------------------

struct CQSettingsStore::Impl {
    QString m_strIniPath; // empty: the user's settings
    std::unique_ptr<QSettings> m_pSettings;
    bool m_bUnparsedAtOpen = false;

    std::unique_ptr<QSettings> Make() const;
};

CQSettingsStore::CQSettingsStore() : m_pImpl(std::make_unique<Impl>()) {}

CQSettingsStore::CQSettingsStore(const QString& iniPath) : m_pImpl(std::make_unique<Impl>()) {
    m_pImpl->m_strIniPath = iniPath;
}

CQSettingsStore::~CQSettingsStore() = default;

std::unique_ptr<QSettings> CQSettingsStore::Impl::Make() const {
    if (m_strIniPath.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Quillbox"), QStringLiteral("Quillbox"));
    return std::make_unique<QSettings>(m_strIniPath, QSettings::IniFormat);
}

bool CQSettingsStore::Open() {
    m_pImpl->m_pSettings = m_pImpl->Make();
    if (m_pImpl->m_pSettings->status() == QSettings::AccessError) {
        m_pImpl->m_pSettings.reset();
        return false;
    }
    m_pImpl->m_bUnparsedAtOpen = m_pImpl->m_pSettings->status() == QSettings::FormatError;
    m_pImpl->m_pSettings->beginGroup(QStringLiteral("1.1"));
    return true;
}

std::optional<std::uint32_t> CQSettingsStore::Read(std::string_view name) {
    if (!m_pImpl->m_pSettings)
        return std::nullopt;
    const QVariant value = m_pImpl->m_pSettings->value(Name(name));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const uint word = value.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return word;
}

void CQSettingsStore::Write(std::string_view name, std::uint32_t value) {
    if (m_pImpl->m_pSettings)
        m_pImpl->m_pSettings->setValue(Name(name), uint(value));
}

bool CQSettingsStore::Close() {
    if (!m_pImpl->m_pSettings)
        return false;
    m_pImpl->m_pSettings->endGroup();
    m_pImpl->m_pSettings->sync();
    // sync() reports nothing itself: an unwritable file shows in the status.
    // The status keeps its first error, so a file that could not be parsed
    // when it was opened (and is written over all the same) hides any later
    // one; it must not make every save fail.
    const QSettings::Status status = m_pImpl->m_pSettings->status();
    const bool stored = status == QSettings::NoError ||
                        (status == QSettings::FormatError && m_pImpl->m_bUnparsedAtOpen);
    m_pImpl->m_pSettings.reset();
    return stored;
}

QString CQSettingsStore::FileName() const {
    if (m_pImpl->m_pSettings)
        return m_pImpl->m_pSettings->fileName();
    return m_pImpl->Make()->fileName();
}

// ---------------------------------------------------------------------------

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

CSettings::CSettings(std::unique_ptr<ISettingsStore> store)
    : m_pszDataFile(DATA_FILE_NAME), m_pStore(std::move(store)) {}

CSettings::~CSettings() = default;

std::uint32_t CSettings::PackPosition(int x, int y) {
    return (static_cast<std::uint32_t>(x) << 16) | (static_cast<std::uint32_t>(y) & 0xFFFFu);
}

void CSettings::UnpackPosition(std::uint32_t packed, int& x, int& y) {
    x = static_cast<int>(packed >> 16);
    y = static_cast<int>(packed & 0xFFFFu);
}

void CSettings::Load() {
    Load(QString());
}

void CSettings::Load(const QString& folder) {
    if (!m_pStore || !m_pStore->Open())
        return;
    if (const auto check = m_pStore->Read("Passwd"))
        m_dwPasswordCheck = *check;
    if (m_dwPasswordCheck != 0) {
        // A check value counts only while there is a data file to read with it.
        QFile file(DataFilePath(folder, m_pszDataFile));
        if (!OpenForReadingCreated(file) || file.size() == 0)
            m_dwPasswordCheck = 0;
    }
    const std::uint32_t pos = m_pStore->Read("Pos").value_or(0);
    if (pos == 0) {
        m_nDockX = m_nDockY = DEFAULT_DOCK_POS;
    } else {
        UnpackPosition(pos, m_nDockX, m_nDockY);
    }
    m_pStore->Close();
}

int CSettings::Save() {
    if (!m_pStore)
        return 1;
    if (!m_pStore->Open())
        return 0;
    m_pStore->Write("Passwd", m_dwPasswordCheck);
    m_pStore->Write("Pos", PackPosition(m_nDockX, m_nDockY));
    return m_pStore->Close() ? 1 : 0;
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
