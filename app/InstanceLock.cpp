#include "app/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

CFileInstanceLock::CFileInstanceLock(const QString& folder)
    : m_fileName(QDir(folder).filePath(QLatin1String(INSTANCE_NAME) + QLatin1String(".lock"))),
      m_lock(m_fileName) {
    m_lock.setStaleLockTime(0);
}

CFileInstanceLock::~CFileInstanceLock() {
    Release();
}

IInstanceLock::Result CFileInstanceLock::TryAcquire() {
    if (m_lock.isLocked())
        return acquired;
    if (m_lock.tryLock(0))
        return acquired;
    return m_lock.error() == QLockFile::LockFailedError ? heldElsewhere : unavailable;
}

void CFileInstanceLock::Release() {
    if (m_lock.isLocked())
        m_lock.unlock();
}

QString CFileInstanceLock::DefaultFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}
