// SPDX-License-Identifier: MIT
#include "app/MainApp.h"

#include "app/EndSignals.h"
#include "app/InstanceLock.h"
#include "app/MainDialog.h"
#include "app/MessageBox.h"
#include "app/QuickAccess.h"
#include "store/DataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>

bool CMainApp::InitInstance() {
    if (m_services.m_lock.TryAcquire() == IInstanceLock::HeldElsewhere) {
        m_bSecondCopy = true;
        if (TellOtherFolder())
            return false;
        // A copy that is still starting listens a moment later.
        if (m_request != EAppRequest::None && !m_channelPath.isEmpty() &&
            !SendRequest(m_channelPath, m_request, 5000)) {
            m_bFailed = true;
            std::fputs("quillbox: the running copy does not answer.\n", stderr);
        }
        return false;
    }
    // A pipe read would wait forever with the marker held: refuse it unread.
    const QString special =
        SpecialFilesMessage(m_services.m_settings, CDataFileState{m_services.m_dataFolder});
    if (!special.isEmpty()) {
        Tell(special);
        m_bFailed = true;
        return false;
    }
    // The main window's modal run is the program's only one and ends only
    // through its close command, which saves. A dock window closing while the
    // main window is hidden is not the last window of the program.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    CMainDialog dialog(m_services.m_settings, m_services.m_shell, m_services.m_picker,
                       m_services.m_dataFolder);
    dialog.SetStateFolder(m_services.m_stateFolder);
    if (!m_services.m_startNote.isEmpty())
        QTimer::singleShot(0, &dialog,
                           [&dialog, this] { dialog.ShowNote(m_services.m_startNote); });
    CQuickAccess quick(dialog);
    CInstanceServer server;
    // The marker is ours, so what lies at the path is a killed copy's.
    server.SetDataFolder(QDir(m_services.m_dataFolder).absolutePath());
    if (!m_channelPath.isEmpty() && server.Listen(m_channelPath))
        QObject::connect(&server, &CInstanceServer::Requested, &quick, &CQuickAccess::Handle,
                         Qt::QueuedConnection);
    quick.EnableTrayIcon();
    if (m_request != EAppRequest::None)
        QTimer::singleShot(0, &quick, [&quick, this] { quick.Handle(m_request); });
    // A logout, a shutdown, kill or Ctrl+C saves like the close command.
    CEndSignals endSignals([&dialog] { dialog.OnEndRequest(); });
    dialog.DoModal();
    return false;
}

bool CMainApp::TellOtherFolder() {
    if (m_channelPath.isEmpty())
        return false;
    const std::optional<QString> theirs = AskDataFolder(m_channelPath, 2000);
    const QString ours = QDir(m_services.m_dataFolder).absolutePath();
    if (!theirs || QFileInfo(*theirs).canonicalFilePath() == QFileInfo(ours).canonicalFilePath())
        return false;
    const QString text =
        QStringLiteral("Quillbox is already running with the data folder %1, so this start "
                       "does not open %2. To use %2, close the running copy first (its Close "
                       "button saves and ends it), then start Quillbox again.")
            .arg(QDir::toNativeSeparators(*theirs), QDir::toNativeSeparators(ours));
    // A request from a desktop key still reaches the running copy: it was
    // bound without a thought for folders.
    if (m_request != EAppRequest::None) {
        std::fprintf(stderr, "quillbox: %s\n", text.toLocal8Bit().constData());
        return false;
    }
    Tell(text);
    m_bFailed = true;
    return true;
}

void CMainApp::Tell(const QString& text) {
    std::fprintf(stderr, "quillbox: %s\n", text.toLocal8Bit().constData());
    IMessageBox& box = m_services.m_messages ? *m_services.m_messages : DesktopMessageBox();
    box.Error(nullptr, QStringLiteral("Quillbox"), text);
}

int CMainApp::ExitInstance() {
    m_services.m_lock.Release();
    return m_bFailed ? 1 : 0;
}
