// SPDX-License-Identifier: MIT
#pragma once
// The marker of a running copy. Only its existence counts: it is never waited
// on. The kernel drops it when the process dies, so a copy that crashed or was
// killed does not block the next start.

#include <QLockFile>
#include <QString>

class IInstanceLock {
public:
    enum EResult {
        Acquired,      // this is the only copy
        HeldElsewhere, // another copy runs: end at once
        Unavailable,   // the marker could not be made: run anyway
    };
    virtual ~IInstanceLock() = default;
    virtual EResult TryAcquire() = 0;
    virtual void Release() = 0;
};

inline constexpr char INSTANCE_NAME[] = "QuillboxV1.1_001_19760122";

// A lock file named after INSTANCE_NAME in the user's runtime folder. Qt holds
// an flock on it while it is locked and recognises the file of a dead process
// as stale; it never treats a live copy's file as stale by its age.
class CFileInstanceLock final : public IInstanceLock {
public:
    explicit CFileInstanceLock(const QString& folder = DefaultFolder());
    ~CFileInstanceLock() override;
    CFileInstanceLock(const CFileInstanceLock&) = delete;
    CFileInstanceLock& operator=(const CFileInstanceLock&) = delete;

    EResult TryAcquire() override;
    void Release() override;

    // The user's runtime folder ($XDG_RUNTIME_DIR) when it is the user's own
    // and private; without one, a private folder of the user's in the
    // temporary folder, or in the cache folder when someone else got there
    // first. Never a folder another user could own or open.
    static QString DefaultFolder();
    static QString PrivateRuntimeFolder(const QString& runtime, const QString& temp,
                                        const QString& cache);
    QString FileName() const { return m_fileName; }

private:
    QString m_fileName;
    QLockFile m_lock;
};
