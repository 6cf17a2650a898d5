// SPDX-License-Identifier: MIT
#pragma once

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Makes a folder unwritable for this process, also when it runs as root
// (where permissions alone do not stop it); undone in the destructor.
class CLockedFolder {
public:
    explicit CLockedFolder(const QString& path) : m_strPath(path) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        if (Writable() && geteuid() == 0) {
            m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                m_bImmutable = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
            }
        }
    }
    ~CLockedFolder() {
        if (m_bImmutable) {
            int flags = 0;
            ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
        }
        if (m_fd >= 0)
            ::close(m_fd);
        QFile::setPermissions(m_strPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    CLockedFolder(const CLockedFolder&) = delete;
    CLockedFolder& operator=(const CLockedFolder&) = delete;

    bool Writable() const {
        QFile probe(m_strPath + QStringLiteral("/probe"));
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.remove();
        return true;
    }

private:
    QString m_strPath;
    int m_fd = -1;
    bool m_bImmutable = false;
};
