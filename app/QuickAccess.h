// SPDX-License-Identifier: MIT
#pragma once
// Reaching the tree without finding the main window first: the requests of
// later starts ("quillbox --menu" bound to a key of the desktop, which works
// on Wayland too, where a program cannot grab keys) and a tray icon when the
// desktop has a tray. Both pop up the dock window's cascade of the whole tree
// at the mouse pointer. Only one such menu is open at a time; a request that
// comes while one is open is dropped.

#include "app/InstanceChannel.h"

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <memory>

class CMainDialog;
class QSystemTrayIcon;

class CQuickAccess final : public QObject {
    Q_OBJECT
public:
    explicit CQuickAccess(CMainDialog& dialog);
    ~CQuickAccess() override;

    // Acts on a request of a later start. The tree is offered only while it
    // is loaded; at the password prompt the main window comes up instead.
    void Handle(EAppRequest request);

    // The "Content" pop-up (the whole tree, then "Return Main" and "Close")
    // at globalPos. A chosen entry opens its target, "Return Main" brings the
    // main window up, "Close" closes it as its close button does. While the
    // dock window stands in for the main window, the dock shows its own menu.
    void ShowTreeMenu(const QPoint& globalPos);
    // The main window in front, or the dock window's "Return Main".
    void ShowMainWindow();
    // The quick-find palette (--find), as Ctrl+F opens it.
    void ShowFindPalette();

    // A tray icon with the same cascade, when the desktop has a tray.
    void EnableTrayIcon();
    bool IsMenuOpen() const { return m_bMenuOpen; }

private:
    CMainDialog& m_dialog;
    bool m_bMenuOpen = false;
    std::unique_ptr<QSystemTrayIcon> m_pTray;
    QMenu m_trayMenu;
};
