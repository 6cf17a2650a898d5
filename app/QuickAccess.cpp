// SPDX-License-Identifier: MIT
#include "app/QuickAccess.h"

#include "app/MainDialog.h"
#include "app/Shell.h"
#include "skin/DockDialog.h"
#include "skin/MenuRenderer.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/MenuNumbering.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QCursor>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

namespace {

// The dock window while it stands in for the main window.
CDockDialog* OpenDock(const CMainDialog& dialog) {
    for (CDockDialog* dock : dialog.findChildren<CDockDialog*>())
        if (dock->isVisible())
            return dock;
    return nullptr;
}

} // namespace

CQuickAccess::CQuickAccess(CMainDialog& dialog) : m_dialog(dialog) {}

CQuickAccess::~CQuickAccess() = default;

void CQuickAccess::Handle(EAppRequest request) {
    switch (request) {
    case EAppRequest::Menu:
        ShowTreeMenu(QCursor::pos());
        break;
    case EAppRequest::Find:
        ShowFindPalette();
        break;
    case EAppRequest::Show:
        ShowMainWindow();
        break;
    case EAppRequest::None:
        break;
    }
}

void CQuickAccess::ShowTreeMenu(const QPoint& globalPos) {
    // One menu at a time, ours or any other pop-up of the program.
    if (m_bMenuOpen || QApplication::activePopupWidget())
        return;
    CFolder* top = m_dialog.GetTopFolder();
    CMenu* content = m_dialog.GetContentMenu();
    const QWidget* modal = QApplication::activeModalWidget();
    CDockDialog* dock = OpenDock(m_dialog);
    // At the password prompt, or while a message or a file dialog waits for
    // the user, the window that needs the user comes up instead.
    if (!top || !content || (modal && modal != &m_dialog && modal != dock)) {
        ShowMainWindow();
        return;
    }
    m_bMenuOpen = true;
    if (dock) {
        // The tree is in menu display while the dock window is open.
        dock->ShowMenu(globalPos);
        m_bMenuOpen = false;
        return;
    }
    ShowTreeMenus(top);
    // "&Lock" at the bottom while a password keeps the tree, as at the dock.
    const std::unique_ptr<CMenu> withLock = m_dialog.CanLock() ? WithLockItem(*content) : nullptr;
    const unsigned id = TrackPopupMenu(withLock ? *withLock : *content, globalPos, &m_dialog);
    // The menu's loop ran events: the tree may have been taken down meanwhile.
    if (m_dialog.GetTopFolder() != top) {
        m_bMenuOpen = false;
        return;
    }
    HideTreeMenus(top);
    m_bMenuOpen = false;
    if (id >= unsigned(FIRST_ENTRY_MENU_ID)) {
        const std::string target = FindTargetById(top, id);
        if (!target.empty())
            OpenTarget(m_dialog.GetShell(), TextFromBytes(target));
    } else if (id == ID_CONTENT_RETURNMAIN) {
        ShowMainWindow();
    } else if (id == ID_CONTENT_LOCK) {
        QMetaObject::invokeMethod(
            &m_dialog, [this] { m_dialog.OnCommand(IDC_LOCK); }, Qt::QueuedConnection);
    } else if (id == ID_CONTENT_CLOSE) {
        // Posted, as the dock window's "Close" is: the menu's event ends first.
        QMetaObject::invokeMethod(
            &m_dialog, [this] { m_dialog.OnCommand(CmdClose); }, Qt::QueuedConnection);
    }
}

void CQuickAccess::ShowMainWindow() {
    if (CDockDialog* dock = OpenDock(m_dialog)) {
        dock->OnCmdMsg(ID_CONTENT_RETURNMAIN);
        return;
    }
    if (m_dialog.isMinimized() || !m_dialog.isVisible())
        m_dialog.showNormal();
    m_dialog.raise();
    m_dialog.activateWindow();
}

void CQuickAccess::ShowFindPalette() {
    // At the password prompt there is nothing to find: the window comes up.
    // Otherwise the palette opens over the main window, brought to the front,
    // or over the dock window while that stands in for it.
    if (!OpenDock(m_dialog) || !m_dialog.GetTopFolder())
        ShowMainWindow();
    if (m_dialog.GetTopFolder())
        m_dialog.ShowFindPalette();
}

void CQuickAccess::EnableTrayIcon() {
    if (m_pTray || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_pTray = std::make_unique<QSystemTrayIcon>(m_dialog.windowIcon());
    m_pTray->setToolTip(QStringLiteral("Quillbox"));
    // The cascade opens after the tray's own menu has closed.
    const auto later = [this](auto action) {
        return [this, action] { QTimer::singleShot(0, this, action); };
    };
    m_trayMenu.addAction(QStringLiteral("&Bookmarks"),
                         later([this] { ShowTreeMenu(QCursor::pos()); }));
    m_trayMenu.addAction(QStringLiteral("&Show Quillbox"), later([this] { ShowMainWindow(); }));
    QAction* lock = m_trayMenu.addAction(QStringLiteral("&Lock"),
                                         later([this] { m_dialog.OnCommand(IDC_LOCK); }));
    // Offered only while a password (of either format) keeps the tree.
    connect(&m_trayMenu, &QMenu::aboutToShow, this,
            [this, lock] { lock->setEnabled(m_dialog.CanLock()); });
    m_pTray->setContextMenu(&m_trayMenu);
    connect(m_pTray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    ShowTreeMenu(QCursor::pos());
            });
    m_pTray->show();
}
