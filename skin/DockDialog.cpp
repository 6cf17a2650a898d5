// SPDX-License-Identifier: MIT
#include "skin/DockDialog.h"

#include "skin/FindPalette.h"
#include "skin/MenuRenderer.h"
#include "skin/WindowSkin.h"
#include "tree/Item.h"
#include "tree/Menu.h"
#include "tree/MenuNumbering.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <memory>

CDockDialog::CDockDialog(CItem* pTopFolder, CMenu* pContentMenu, Opener opener, int nDockX,
                         int nDockY, QWidget* pParent)
    : QDialog(pParent), m_pTopFolder(pTopFolder), m_pContentMenu(pContentMenu),
      m_opener(std::move(opener)), m_nDockX(nDockX), m_nDockY(nDockY) {
    // On top of every window, without frame, caption or taskbar button.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setModal(true);
    setObjectName(QStringLiteral("DockWin"));
    // Never shown (no frame), but names the window to the desktop's tools and
    // to scripts (xdotool search --name).
    setWindowTitle(QStringLiteral("Quillbox dock"));
    // The size without a skin (30 x 22 dialog units); the skin sets 40 x 40.
    resize(45, 36);
}

CDockDialog::~CDockDialog() {
    if (m_bOpen)
        TakeDownMenus();
}

void CDockDialog::setVisible(bool visible) {
    if (visible && !m_bOpen && !isVisible())
        OnInitDialog();
    QDialog::setVisible(visible);
}

QPoint CDockDialog::CheckedPosition(int nDockX, int nDockY, const QList<QRect>& screens) {
    const auto x = static_cast<long long>(nDockX);
    const auto y = static_cast<long long>(nDockY);
    for (const QRect& screen : screens) {
        // The right and bottom edges are the first pixel outside the screen;
        // a position on them still counts as on it.
        if (x >= screen.x() && x <= static_cast<long long>(screen.x()) + screen.width() &&
            y >= screen.y() && y <= static_cast<long long>(screen.y()) + screen.height())
            return {nDockX, nDockY};
    }
    return {DEFAULT_X, DEFAULT_Y};
}

int CDockDialog::OnInitDialog() {
    // A dock left on any screen stays there; one that no screen shows any
    // more would leave the user without a window to return by.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    // Where the platform places windows itself, the stored place is kept
    // for the next start on one that does not.
    if (!screens.isEmpty() && CWindowSkin::PlatformPlacesWindows()) {
        const QPoint checked = CheckedPosition(m_nDockX, m_nDockY, screens);
        m_nDockX = checked.x();
        m_nDockY = checked.y();
    }
    move(m_nDockX, m_nDockY);

    m_bOpen = true;
    ShowTreeMenus(m_pTopFolder);

    return m_skin.Load(this, QStringLiteral("DockWin"));
}

void CDockDialog::OnOK(int nResult) {
    // A second posted end (a double click and a menu command in one go)
    // finds the window closed already.
    if (!m_bOpen)
        return;
    // Where the platform reports no position (native Wayland, x() and y()
    // are 0), the stored one stays as it was.
    if (CWindowSkin::PlatformPlacesWindows()) {
        m_nDockX = x();
        m_nDockY = y();
    }
    TakeDownMenus();
    QDialog::done(nResult);
}

void CDockDialog::TakeDownMenus() {
    CFindPalette::CloseAll(this);
    HideTreeMenus(m_pTopFolder);
    m_bOpen = false;
}

void CDockDialog::OnCmdMsg(unsigned nID) {
    if (nID >= static_cast<unsigned>(FIRST_ENTRY_MENU_ID)) {
        const std::string target = FindTargetById(m_pTopFolder, nID);
        if (!target.empty() && m_opener)
            m_opener(target);
        return;
    }
    if (nID == ID_CONTENT_LOCK && m_lock)
        m_lock();
    else if (nID == ID_CONTENT_RETURNMAIN)
        PostOK(RESULT_RETURN);
    else if (nID == ID_CONTENT_CLOSE)
        PostOK(RESULT_CLOSE);
}

std::string CDockDialog::FindTargetById(const CItem* pItem, unsigned nID) {
    return ::FindTargetById(pItem, nID);
}

void CDockDialog::ShowMenu(const QPoint& globalPos) {
    if (!m_pContentMenu)
        return;
    // Returns when the menu has closed; the choice is handled after this
    // event, as a command arriving later would be.
    const std::unique_ptr<CMenu> withLock =
        m_canLock && m_canLock() ? WithLockItem(*m_pContentMenu) : nullptr;
    if (const unsigned id = TrackPopupMenu(withLock ? *withLock : *m_pContentMenu, globalPos, this))
        PostCommand(id);
}

void CDockDialog::PostCommand(unsigned nID) {
    QMetaObject::invokeMethod(
        this, [this, nID] { OnCmdMsg(nID); }, Qt::QueuedConnection);
}

void CDockDialog::PostOK(int nResult) {
    QMetaObject::invokeMethod(
        this, [this, nResult] { OnOK(nResult); }, Qt::QueuedConnection);
}

void CDockDialog::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    m_skin.Paint(dc);
}

void CDockDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        ShowMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void CDockDialog::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        PostOK(RESULT_RETURN);
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

void CDockDialog::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
        event->accept();
        OpenFindPalette(text);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDockDialog::OpenFindPalette(const QString& text) {
    if (!m_bOpen || !m_pTopFolder)
        return;
    auto* palette = new CFindPalette(m_pTopFolder, this);
    palette->m_onOpen = [this](const std::string& target) {
        if (m_opener)
            m_opener(target);
    };
    palette->m_onReveal = [this](const std::vector<int>& rows) {
        m_revealRows = rows;
        PostOK(RESULT_RETURN);
    };
    // Below the dock window; kept on its screen.
    palette->Open(frameGeometry().bottomLeft() + QPoint(0, 6), text);
}
