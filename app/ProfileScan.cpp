// SPDX-License-Identifier: MIT
#include "app/ProfileScan.h"

#include <QCoreApplication>
#include <QLocale>
#include <QThread>
#include <utility>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("Exchange", text);
}

} // namespace

CProfileScan::CProfileScan(QString home, QString configHome, ReadFn read)
    : m_home(std::move(home)), m_configHome(std::move(configHome)), m_read(std::move(read)) {}

CProfileScan::~CProfileScan() {
    m_pStop->store(true);
    if (m_pThread) {
        m_pThread->wait();
        delete m_pThread;
    }
}

void CProfileScan::Start() {
    if (m_bStarted)
        return;
    m_bStarted = true;
    QList<CBrowserProfile> found = FindBrowserProfiles(m_home, m_configHome);
    for (const CBrowserProfile& profile : found)
        m_profiles.append({profile, CProfile::Counting, 0, {}});
    if (found.isEmpty())
        return;
    // The thread only reads its own copies and posts each count back here;
    // what it posts after this object is gone is dropped with the object.
    m_pThread = QThread::create([this, found = std::move(found), read = m_read, stop = m_pStop] {
        const ProgressFn goOn = [stop](qint64, qint64) { return !stop->load(); };
        for (int i = 0; i < found.size() && !stop->load(); ++i) {
            const CImportResult result = read(found.at(i), goOn);
            CProfile counted{found.at(i), CProfile::Counted, CountBookmarks(result.m_root), {}};
            if (result.m_status == CImportResult::Cancelled)
                return;
            if (result.m_status == CImportResult::Failed) {
                counted.m_state = CProfile::Unreadable;
                counted.m_why = result.m_error;
            }
            QMetaObject::invokeMethod(
                this,
                [this, i, counted = std::move(counted)] {
                    m_profiles[i] = counted;
                    emit Counted(i);
                },
                Qt::QueuedConnection);
        }
    });
    m_pThread->setObjectName(QStringLiteral("Profile count"));
    m_pThread->start(QThread::LowPriority);
}

bool CProfileScan::Finished() const {
    return m_bStarted && std::none_of(m_profiles.cbegin(), m_profiles.cend(), [](const auto& p) {
               return p.m_state == CProfile::Counting;
           });
}

QString CProfileScan::Label(const CProfile& profile) {
    const QString name =
        Tr("%1 \u2013 %2").arg(profile.m_profile.m_browser, profile.m_profile.m_profile);
    switch (profile.m_state) {
    case CProfile::Counting:
        return Tr("%1 (counting\u2026)").arg(name);
    case CProfile::Unreadable:
        return Tr("%1 (cannot be read)").arg(name);
    case CProfile::Counted:
        break;
    }
    return Tr("%1 (%2)").arg(name,
                             profile.m_bookmarks == 1
                                 ? Tr("1 bookmark")
                                 : Tr("%1 bookmarks").arg(QLocale().toString(profile.m_bookmarks)));
}
