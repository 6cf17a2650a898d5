// SPDX-License-Identifier: MIT
#pragma once
// Notices when the data file on disk is no longer the one this run last saw:
// another machine's version arrived through a sync engine, or a conflict copy
// appeared beside it.
//
// Sync engines write the new version beside the old one and rename it over,
// so the folder is watched as well as the file; and since network folders
// give no events at all, the file is also looked at every pollInterval:
// size, time and a hash of the bytes. A changed file is reported only once
// it has held the same bytes for a moment (an engine's half-written file is
// not taken), at most once for the same bytes; RetryLater asks again for
// bytes that could not be used (a file cut short).
//
// How the main window uses the sync layer:
//   - at start: MarkSeen(), then load; record the loaded tree in the
//     CMergeHistory (sync/MergeHistory.h); then merge any conflict copies
//     (sync/ConflictCopies.h) as below, one at a time, and mark each merged;
//   - on FileChanged(): load the file on disk into a plain tree under the key
//     in use (sync/PlainTree.h; a file that does not open with it goes to the
//     password prompt, a damaged one to RetryLater()); when this run changed
//     nothing since the last load or save, show it; else MergeTrees(history
//     .ChooseBase(arriving), mine, arriving) (sync/TreeMerge.h), show the
//     result as one undoable step with summary.Note(), and save;
//   - before every save: IsSeen(), and when not, merge first (a save never
//     replaces bytes it has not seen); after the save: MarkSeen() and record
//     the saved tree in the history;
//   - on ConflictCopiesChanged(): merge the new copies like an arriving file.

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

class CDataFileWatch final : public QObject {
    Q_OBJECT
public:
    // dataFilePath: the data file; its folder is watched. Watching starts at
    // once; nothing is seen until MarkSeen.
    explicit CDataFileWatch(const QString& dataFilePath, QObject* parent = nullptr);

    // How often the file is looked at without an event (default 1000 ms) and
    // how long its bytes must stay the same before a change counts (250 ms).
    void SetPollInterval(int milliseconds);
    void SetSettleTime(int milliseconds);

    // Takes the bytes on disk now as seen: call right before loading the data
    // file and right after saving it. A change between the call and the load
    // is reported later (a harmless reload).
    void MarkSeen();
    // Takes bytes (as loaded or saved) as the ones seen.
    void MarkSeen(const QByteArray& bytes);
    // Whether the file on disk holds the bytes last seen (a missing file
    // counts as seen when none was seen). Reads and hashes the file.
    bool IsSeen() const;
    // The bytes of the last FileChanged could not be used: report them again
    // after a while, or sooner when they change.
    void RetryLater();

    // The conflict copies reported by ConflictCopiesChanged so far.
    const QStringList& ConflictCopies() const { return m_copies; }

signals:
    // The data file holds bytes not seen and has held them for the settle time.
    void FileChanged();
    // The set of conflict copies beside the data file grew.
    void ConflictCopiesChanged();

private:
    struct CLook {
        bool m_exists = false;
        qint64 m_size = -1;
        QByteArray m_hash;
        bool operator==(const CLook& other) const {
            return m_exists == other.m_exists && m_size == other.m_size && m_hash == other.m_hash;
        }
    };
    // What the file's inode says, to know when its bytes need hashing again.
    struct CStat {
        bool m_exists = false;
        quint64 m_inode = 0, m_size = 0;
        qint64 m_modified = 0, m_changed = 0; // nanoseconds
        bool operator==(const CStat&) const = default;
    };
    // The file as it is now. Its bytes are read and hashed only when its
    // inode, size or times moved since the last look, while its last change
    // is recent (a write within the same clock tick shows no new time), and
    // at least every REHASH_MS (a network folder may report stale times).
    CLook Look() const;
    static CStat StatOf(const QString& path);
    static QByteArray HashOf(const QByteArray& bytes);
    static constexpr qint64 RECENT_MS = 2000;
    static constexpr qint64 REHASH_MS = 30000;
    void Check();
    void Rewatch();

    QString m_strPath, m_strFolder, m_strName;
    QFileSystemWatcher m_watcher;
    QTimer m_poll, m_soon;
    int m_nSettle = 250;
    mutable CStat m_lastStat;
    mutable CLook m_lastLook;
    mutable qint64 m_lastHashed = 0; // ms since the epoch
    CLook m_seen;                    // the bytes this run last loaded or saved
    CLook m_pending;                 // a change being watched until it settles
    CLook m_reported;                // the last change reported
    bool m_bHavePending = false, m_bReported = false;
    QStringList m_copies;
};
