// SPDX-License-Identifier: MIT
#include "sync/DataFileWatch.h"

#include "store/RegularFile.h"
#include "sync/ConflictCopies.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

CDataFileWatch::CDataFileWatch(const QString& dataFilePath, QObject* parent)
    : QObject(parent), m_strPath(QFileInfo(dataFilePath).absoluteFilePath()),
      m_strFolder(QFileInfo(m_strPath).path()), m_strName(QFileInfo(m_strPath).fileName()) {
    m_seen = Look(); // until MarkSeen: what was there when watching began
    m_copies = FindConflictCopies(m_strFolder, m_strName);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_soon.start(); });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_soon.start(); });
    m_soon.setSingleShot(true);
    m_soon.setInterval(50);
    connect(&m_soon, &QTimer::timeout, this, &CDataFileWatch::Check);
    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &CDataFileWatch::Check);
    m_poll.start();
    Rewatch();
}

void CDataFileWatch::SetPollInterval(int milliseconds) {
    m_poll.setInterval(milliseconds);
}
void CDataFileWatch::SetSettleTime(int milliseconds) {
    m_nSettle = milliseconds;
}

QByteArray CDataFileWatch::HashOf(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

CDataFileWatch::CStat CDataFileWatch::StatOf(const QString& path) {
    CStat stat;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return stat;
    stat.m_exists = true;
    stat.m_inode = info.st_ino;
    stat.m_size = quint64(info.st_size);
    stat.m_modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stat.m_changed = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stat;
}

CDataFileWatch::CLook CDataFileWatch::Look() const {
    const CStat stat = StatOf(m_strPath);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!stat.m_exists) {
        m_lastStat = stat;
        m_lastLook = CLook{};
        return m_lastLook;
    }
    const bool recent = now - stat.m_changed / 1000000 < RECENT_MS;
    if (stat == m_lastStat && !recent && now - m_lastHashed < REHASH_MS)
        return m_lastLook;
    CLook look;
    QFile file(m_strPath);
    // Never waits on something that only looks like a file by now.
    if (OpenRegularForReading(file)) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&file);
        look.m_exists = true;
        look.m_size = file.size();
        look.m_hash = hash.result();
    }
    m_lastStat = stat;
    m_lastLook = look;
    m_lastHashed = now;
    return look;
}

void CDataFileWatch::MarkSeen() {
    m_lastStat = CStat{}; // hash what is there now, whatever the times say
    m_seen = Look();
    m_bHavePending = m_bReported = false;
}

void CDataFileWatch::MarkSeen(const QByteArray& bytes) {
    m_seen = CLook{true, bytes.size(), HashOf(bytes)};
    m_bHavePending = m_bReported = false;
}

bool CDataFileWatch::IsSeen() const {
    m_lastStat = CStat{};
    return Look() == m_seen;
}

void CDataFileWatch::RetryLater() {
    m_bReported = false;
    m_bHavePending = false;
    m_soon.start(std::max(m_nSettle, 1000));
}

void CDataFileWatch::Rewatch() {
    // A rename over the file ends the file's watch; the folder's stays.
    if (!m_watcher.directories().contains(m_strFolder))
        m_watcher.addPath(m_strFolder);
    if (QFileInfo::exists(m_strPath) && !m_watcher.files().contains(m_strPath))
        m_watcher.addPath(m_strPath);
}

void CDataFileWatch::Check() {
    Rewatch();
    const QStringList copies = FindConflictCopies(m_strFolder, m_strName);
    bool grew = false;
    for (const QString& copy : copies)
        grew = grew || !m_copies.contains(copy);
    m_copies = copies;
    if (grew)
        emit ConflictCopiesChanged();

    const CLook now = Look();
    if (now == m_seen || !now.m_exists) {
        // Back to what was seen, or gone for a moment mid-rename.
        m_bHavePending = false;
        if (!now.m_exists)
            m_soon.start(m_nSettle);
        return;
    }
    if (m_bReported && now == m_reported)
        return;
    if (!m_bHavePending || !(now == m_pending)) {
        // New bytes: look again once they have had time to settle.
        m_pending = now;
        m_bHavePending = true;
        m_soon.start(m_nSettle);
        return;
    }
    m_bHavePending = false;
    m_reported = now;
    m_bReported = true;
    emit FileChanged();
}
