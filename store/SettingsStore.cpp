// SPDX-License-Identifier: MIT
#include "store/SettingsStore.h"

#include "store/PrivateFolder.h"
#include "store/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <map>
#include <string>

namespace {

QString Name(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

struct CQSettingsStore::Impl {
    QString m_strIniPath; // empty: the user's settings
    std::unique_ptr<QSettings> m_pSettings;
    std::map<std::string, std::uint32_t> m_written; // since Open

    std::unique_ptr<QSettings> Make() const;
    bool ReadsBack() const;
    QStringList Paths() const;
    bool AnySpecial() const;
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

// The files QSettings reads for us, the one it writes first: the user's own
// and the organisation's beside it. Known without making a QSettings, which
// would read them at once.
QStringList CQSettingsStore::Impl::Paths() const {
    if (!m_strIniPath.isEmpty())
        return {m_strIniPath};
    const QDir config(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return {config.filePath(QStringLiteral("Quillbox/Quillbox.conf")),
            config.filePath(QStringLiteral("Quillbox.conf"))};
}

// A pipe or a device in a settings file's place is never read: QSettings
// would wait on it forever.
bool CQSettingsStore::Impl::AnySpecial() const {
    const QStringList paths = Paths();
    return std::any_of(paths.begin(), paths.end(), IsSpecialFile);
}

bool CQSettingsStore::Open() {
    m_pImpl->m_pSettings.reset();
    if (m_pImpl->AnySpecial())
        return false;
    m_pImpl->m_pSettings = m_pImpl->Make();
    if (m_pImpl->m_pSettings->status() == QSettings::AccessError) {
        m_pImpl->m_pSettings.reset();
        return false;
    }
    m_pImpl->m_written.clear();
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
    if (!m_pImpl->m_pSettings)
        return;
    m_pImpl->m_pSettings->setValue(Name(name), uint(value));
    m_pImpl->m_written[std::string(name)] = value;
}

bool CQSettingsStore::Impl::ReadsBack() const {
    const std::unique_ptr<QSettings> check = Make();
    check->beginGroup(QStringLiteral("1.1"));
    for (const auto& [name, value] : m_written) {
        bool ok = false;
        if (check->value(Name(name)).toUInt(&ok) != value || !ok)
            return false;
    }
    return true;
}

bool CQSettingsStore::Close() {
    if (!m_pImpl->m_pSettings)
        return false;
    if (m_pImpl->AnySpecial()) { // put there since Open: sync() would read it
        m_pImpl->m_pSettings.reset();
        return false;
    }
    QSettings& settings = *m_pImpl->m_pSettings;
    settings.endGroup();
    const QString path = settings.fileName();
    // The settings folder is the owner's alone, so nobody else can put
    // another settings file in its place.
    if (!m_pImpl->m_written.empty())
        MakePrivateFolder(QFileInfo(path).absolutePath());
    if (!m_pImpl->m_written.empty() && !QFileInfo::exists(path)) {
        // A new settings file is the owner's alone: made empty first, it
        // keeps that mode when the values are written over it.
        QFile(path).open(QIODevice::WriteOnly | QIODevice::NewOnly,
                         QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    settings.sync();
    // sync() reports nothing itself: an unwritable file shows in the status.
    const QSettings::Status status = settings.status();
    m_pImpl->m_pSettings.reset();
    if (status != QSettings::FormatError)
        return status == QSettings::NoError;
    // A file that could not be parsed (a NUL byte, a lone backslash, random
    // bytes) is written over all the same, but its status keeps that first
    // error and would hide a later one: what is on disk now tells.
    return m_pImpl->ReadsBack();
}

QString CQSettingsStore::FileName() const {
    if (m_pImpl->m_pSettings)
        return m_pImpl->m_pSettings->fileName();
    return m_pImpl->Paths().constFirst();
}
