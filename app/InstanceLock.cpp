// SPDX-License-Identifier: MIT
#include "app/InstanceLock.h"

#include "store/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A real folder (not a link) of this user's that nobody else may enter.
bool IsOwnPrivateFolder(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

} // namespace

CFileInstanceLock::CFileInstanceLock(const QString& folder)
    : m_fileName(QDir(folder).filePath(QLatin1String(INSTANCE_NAME) + QLatin1String(".lock"))),
      m_lock(m_fileName) {
    m_lock.setStaleLockTime(0);
}

CFileInstanceLock::~CFileInstanceLock() {
    Release();
}

IInstanceLock::EResult CFileInstanceLock::TryAcquire() {
    if (m_lock.isLocked())
        return Acquired;
    if (m_lock.tryLock(0))
        return Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? HeldElsewhere : Unavailable;
}

void CFileInstanceLock::Release() {
    if (m_lock.isLocked())
        m_lock.unlock();
}

QString CFileInstanceLock::DefaultFolder() {
    return PrivateRuntimeFolder(
        qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

QString CFileInstanceLock::PrivateRuntimeFolder(const QString& runtime, const QString& temp,
                                                const QString& cache) {
    if (IsOwnPrivateFolder(runtime))
        return runtime;
    // Named after the user, so that users never share it; made 0700 here, or
    // taken only when it is ours and private: a folder another user made
    // first under this name is passed over.
    QString own = QDir(temp).filePath(
        QStringLiteral("quillbox-%1").arg(static_cast<qulonglong>(::geteuid())));
    if (::mkdir(QFile::encodeName(own).constData(), S_IRWXU) == 0 || errno == EEXIST)
        if (IsOwnPrivateFolder(own))
            return own;
    QString fallback = QDir(cache).filePath(QStringLiteral("Quillbox/run"));
    MakePrivateFolder(fallback);
    return fallback;
}
