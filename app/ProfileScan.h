// SPDX-License-Identifier: MIT
#pragma once
// The browser profiles found for this user, each with its bookmark count or
// the reason it cannot be read. Finding them is quick (a look at a few
// folders); counting means reading every profile whole, so it runs once, on
// a thread of its own, and each count is told as it arrives. The Import menu
// and the empty collection's offers show what is known so far and never
// wait.

#include "exchange/BrowserProfiles.h"

#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

class CProfileScan final : public QObject {
    Q_OBJECT
public:
    struct CProfile {
        enum EState { Counting, Counted, Unreadable };

        CBrowserProfile m_profile;
        EState m_state = Counting;
        int m_bookmarks = 0; // Counted
        QString m_why;       // Unreadable: the reason, for the user
    };
    // Reads one profile (on the scan's thread); a false from progress asks
    // it to stop.
    using ReadFn = std::function<CImportResult(const CBrowserProfile&, const ProgressFn&)>;

    // The profiles below home and configHome (exchange/BrowserProfiles.h).
    CProfileScan(QString home, QString configHome, ReadFn read = &ReadBrowserProfile);
    // Stops the counting and waits for its thread.
    ~CProfileScan() override;

    // Finds the profiles and starts counting them; later calls do nothing.
    void Start();
    bool Started() const { return m_bStarted; }
    // Every profile is counted (or found unreadable).
    bool Finished() const;
    const QList<CProfile>& Profiles() const { return m_profiles; }

    // "Firefox – default-release (1,234 bookmarks)", or what stands in for
    // the count while it is unknown or cannot be had.
    static QString Label(const CProfile& profile);

signals:
    // Profile index's count (or its reason) arrived.
    void Counted(int index);

private:
    QString m_home;
    QString m_configHome;
    ReadFn m_read;
    bool m_bStarted = false;
    QList<CProfile> m_profiles;
    std::shared_ptr<std::atomic<bool>> m_pStop = std::make_shared<std::atomic<bool>>(false);
    QThread* m_pThread = nullptr;
};
