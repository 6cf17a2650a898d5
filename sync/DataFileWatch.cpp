#include "sync/DataFileWatch.h"

#include "store/RegularFile.h"
#include "sync/ConflictCopies.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

CDataFileWatch::CDataFileWatch(const QString& dataFilePath, QObject* parent)
    : QObject(parent), m_strPath(QFileInfo(dataFilePath).absoluteFilePath()),
      m_strFolder(QFileInfo(m_strPath).path()), m_strName(QFileInfo(m_strPath).fileName()) {
    m_seen = LookAt(m_strPath); // until MarkSeen: what was there when watching began
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

CDataFileWatch::CLook CDataFileWatch::LookAt(const QString& path) {
    CLook look;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || !OpenRegularForReading(file)) // never waits on a pipe
        return look;
    const QByteArray bytes = file.readAll();
    look.exists = true;
    look.size = bytes.size();
    look.modified = info.lastModified();
    look.hash = HashOf(bytes);
    return look;
}

void CDataFileWatch::MarkSeen() {
    m_seen = LookAt(m_strPath);
    m_bHavePending = m_bReported = false;
}

void CDataFileWatch::MarkSeen(const QByteArray& bytes) {
    m_seen = CLook{true, bytes.size(), {}, HashOf(bytes)};
    m_bHavePending = m_bReported = false;
}

bool CDataFileWatch::IsSeen() const {
    return LookAt(m_strPath) == m_seen;
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

    const CLook now = LookAt(m_strPath);
    if (now == m_seen || !now.exists) {
        // Back to what was seen, or gone for a moment mid-rename.
        m_bHavePending = false;
        if (!now.exists)
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
