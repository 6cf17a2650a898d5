#include "store/SettingsStore.h"

#include <QSettings>
#include <QString>

namespace {

QString Name(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

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
