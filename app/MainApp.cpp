#include "app/MainApp.h"

#include "app/InstanceLock.h"
#include "app/MainDialog.h"

#include <QGuiApplication>

bool CMainApp::InitInstance() {
    if (m_services.lock.TryAcquire() == IInstanceLock::heldElsewhere) {
        m_bSecondCopy = true;
        return false;
    }
    // The main window's modal run is the program's only one and ends only
    // through its close command, which saves. A dock window closing while the
    // main window is hidden is not the last window of the program.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    CMainDialog dialog(m_services.settings, m_services.shell, m_services.picker,
                       m_services.dataFolder);
    dialog.DoModal();
    return false;
}

int CMainApp::ExitInstance() {
    m_services.lock.Release();
    return 0;
}
