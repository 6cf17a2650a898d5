// SPDX-License-Identifier: MIT
#pragma once
// The dock window: a 40 x 40 frameless window with the picture "DockWin" that
// stands in for the hidden main window. It stays on top of other windows, has
// no taskbar button, runs modally and is dragged by any point. A right press
// shows the main window's "Content" pop-up at the pointer: the whole tree as a
// cascade of menus (filled while the dock window is open), then "&Return Main"
// and "&Close", and below them "&Lock" while the caller's lock offer says the
// collection can be locked (SetLockOffer). Choosing an entry opens its target
// and the dock window stays open; "&Return Main" or a double click end it with
// RESULT_RETURN, "&Close" ends it with RESULT_CLOSE, after which the caller
// closes the main window. Escape and the window manager's close request do
// nothing. Typing a letter opens the quick-find palette (skin/FindPalette.h)
// over the tree: an entry chosen there opens as from the menu and the dock
// window stays; an item to reveal ends the dock window with RESULT_RETURN and
// is kept (GetRevealRows) for the main window to show.
//
// The caller owns everything the dock window uses: the top folder and the
// "Content" pop-up outlive it. The position goes in and comes back out as two
// ints; the caller keeps it in the settings record.
//
// Use:  CDockDialog dock(top, content, opener, x, y, mainWindow);
//       const int result = dock.exec();  // opening runs OnInitDialog
//       x = dock.GetDockX(); y = dock.GetDockY();

#include "skin/WindowSkin.h"
#include "tree/MenuResource.h"

#include <QDialog>
#include <QList>
#include <QRect>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class CItem;
class CMenu;

class CDockDialog final : public QDialog {
    Q_OBJECT
public:
    // How the dock window ended.
    static constexpr int RESULT_RETURN = QDialog::Accepted;
    static constexpr int RESULT_CLOSE = static_cast<int>(ID_CONTENT_CLOSE);

    // Where the dock window goes when the saved position is on no screen.
    static constexpr int DEFAULT_X = 100;
    static constexpr int DEFAULT_Y = 100;

    // Opens a chosen entry's target (bytes, as stored in the tree).
    using Opener = std::function<void(const std::string&)>;

    CDockDialog(CItem* pTopFolder, CMenu* pContentMenu, Opener opener, int nDockX, int nDockY,
                QWidget* pParent = nullptr);
    // A dock window destroyed while still open takes its menus down first.
    ~CDockDialog() override;

    // The saved position: as given, then as placed by OnInitDialog, then where
    // the window was when OnOK ended it.
    int GetDockX() const { return m_nDockX; }
    int GetDockY() const { return m_nDockY; }

    // Runs once each time the window opens (show, open or exec): places the
    // window at the saved position (100, 100 when that lies on no screen,
    // see CheckedPosition), switches the tree to menu display and
    // fills the menus, then loads the skin. Returns the skin's result.
    int OnInitDialog();
    // Stores the position, empties the menus, switches back to the columns
    // and ends the modal run with nResult.
    void OnOK(int nResult = RESULT_RETURN);
    // Nothing: the dock window closes only through OnOK.
    void OnCancel() {}

    // A command of the "Content" pop-up: an entry's id opens the entry; the
    // two own commands end the dock window (posted, so the current event is
    // finished first).
    void OnCmdMsg(unsigned nID);
    // Shows the "Content" pop-up at globalPos and, once it has closed, posts
    // the chosen command.
    void ShowMenu(const QPoint& globalPos);
    // "&Lock" at the pop-up's bottom whenever canLock says so; choosing it
    // calls lock (which is expected to end the dock window). Without an
    // offer the pop-up has no such item.
    void SetLockOffer(std::function<bool()> canLock, std::function<void()> lock) {
        m_canLock = std::move(canLock);
        m_lock = std::move(lock);
    }

    // Opens the quick-find palette below the dock window with text typed.
    void OpenFindPalette(const QString& text);
    // The rows (from the top folder down) of the item the palette chose to
    // reveal, or none.
    const std::vector<int>& GetRevealRows() const { return m_revealRows; }

    // The target of the entry that carries menu command nID (tree order as
    // the menu projection numbers it), or an empty string.
    static std::string FindTargetById(const CItem* pItem, unsigned nID);

    // The saved position when it lies on one of the screens (given by their
    // geometries), its right and bottom edges included; otherwise (DEFAULT_X,
    // DEFAULT_Y), x and y together. With one screen at the origin this resets
    // an x beyond the right edge, a y beyond the bottom edge and any negative
    // coordinate. With several, a dock left on another screen stays there,
    // but one in a corner of the desktop that no screen covers comes back.
    static QPoint CheckedPosition(int nDockX, int nDockY, const QList<QRect>& screens);

public slots:
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PostCommand(unsigned nID);
    void PostOK(int nResult);
    void TakeDownMenus();

    CItem* m_pTopFolder;
    CMenu* m_pContentMenu;
    Opener m_opener;
    std::function<bool()> m_canLock;
    std::function<void()> m_lock;
    int m_nDockX;
    int m_nDockY;
    bool m_bOpen = false; // between OnInitDialog and OnOK
    std::vector<int> m_revealRows;
    CWindowSkin m_skin;
};
