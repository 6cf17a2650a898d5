#include "app/MainApp.h"

#include "app/InstanceLock.h"
#include "app/MainDialog.h"

bool CMainApp::InitInstance() {
    if (m_services.lock.TryAcquire() == IInstanceLock::heldElsewhere) {
        m_bSecondCopy = true;
        return false;
    }
    CMainDialog dialog(m_services.settings, m_services.shell, m_services.picker,
                       m_services.dataFolder);
    dialog.DoModal();
    return false;
}

int CMainApp::ExitInstance() {
    m_services.lock.Release();
    return 0;
}
