// SPDX-License-Identifier: MIT
#pragma once
// The main window: a frameless dialog cut from the skin "MainWnd" that holds
// the three list columns (three consecutive depths of the tree), the address
// box, the password boxes and the bitmap buttons and labels. It never opens
// another window of its own (but for the dock window): it switches between
// four panels (main, password prompt, options, about) by showing, hiding,
// enabling and disabling its controls.
//
// Controls are known by numeric identifiers; GetDlgItem finds one
// and each carries its role name as objectName ("BtnGo", "List1", ...). The
// table in app/MainControls.h lists them with their places and panel states.

#include "app/AddressEdit.h"
#include "app/CollectionSync.h"
#include "app/CommandTable.h"
#include "app/ControlSet.h"
#include "app/MainControls.h"
#include "app/MessageBox.h"
#include "app/PasswordPanel.h"
#include "app/SavePolicy.h"
#include "app/WorkerThread.h"
#include "store/DataFile.h"

#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class CBookmarkListCtrl;
class CColumns;
class CEditActions;
class CEmptyState;
class CFolder;
class CItemObserver;
class CMenu;
class CSettings;
class CTidyActions;
class CWindowExchange;
class CWindowSkin;
class QLabel;
class IPathPicker;
class IShell;

// The window's own commands besides the controls' identifiers.
enum : int {
    CmdClose = 1,  // save and end the run (OnOK)
    CmdCancel = 2, // Escape and the window manager's close request (OnCancel)
};

// The window's concerns have classes of their own: the controls by the table
// (app/ControlSet.h), the save policy (app/SavePolicy.h), the password panels
// (app/PasswordPanel.h), the columns and their navigation (app/Columns.h),
// the editing (app/EditActions.h), import and export (app/WindowExchange.h)
// and the commands' table (app/CommandTable.h). The window owns the tree and
// puts them together.
class CMainDialog final : public QDialog,
                          private ISaveTarget,
                          private IPasswordHost,
                          private ISyncHost {
    Q_OBJECT
public:
    // settings: the process's settings record; the data files live in
    // dataFolder (empty: the current directory).
    CMainDialog(CSettings& settings, IShell& shell, IPathPicker& picker,
                const QString& dataFolder = QString(), QWidget* parent = nullptr);
    ~CMainDialog() override;

    // Initialises (once) and runs the window; returns when OnOK ends it. A run
    // ended otherwise (the application exits) saves a loaded tree first, as
    // does the session manager's request to commit data during the run.
    int DoModal();
    // The system asks the program to end (app/EndSignals.h): a name or an
    // address being typed goes in and the tree is saved as by the close
    // command; then every event loop ends, the run's too. A failed save is
    // reported and the window stays, as after a failed close.
    void OnEndRequest();
    // Sets the window up: controls, buttons, settings, then the prompt or the
    // tree, last the skin. false when a button or the skin could not be set up.
    bool OnInitDialog();

    void ShowMainPanel() override;
    void ShowOptionsPanel();

    // The tree: built empty and filled from the data file; written back whole.
    // Both report a CFileError themselves: LoadTree keeps what was read,
    // SaveTree returns false and leaves the old file as it was.
    void LoadTree();
    bool SaveTree();
    // After each change the tree is saved again once the user has paused
    // (app/SavePolicy.h).
    void SetSavePause(int ms) { m_save.SetPause(ms); }
    int BindColumns(CItemObserver* level);

    // A quiet note over the bottom of the window (no modal box): what came
    // in from disk, a data file found elsewhere. It goes after a while or
    // when clicked.
    void ShowNote(const QString& text) override;
    QString NoteText() const;
    // The data file's watch and merges; null until the window is set up.
    CCollectionSync* Sync() const { return m_pSync.get(); }
    // Where the history of merged trees lives (the user's state folder);
    // set before the window is set up. Empty keeps none.
    void SetStateFolder(const QString& folder) { m_strStateFolder = folder; }

    // The quick-find palette (Ctrl+F) over the window, or over the dock window
    // while that stands in for it; nothing while no tree is loaded (the
    // password prompt). Enter there opens an entry as Go does.
    void ShowFindPalette();
    // Shows the item that rows lead to (a row per depth from the top folder)
    // selected in its folder's column, on the main panel, that column
    // focused; nothing when the rows lead nowhere.
    void RevealPath(const std::vector<int>& rows);

    // The window's commands by identifier: buttons, "OP" menu commands, the
    // hidden navigation buttons, CmdClose and CmdCancel.
    void OnCommand(int id);

    // The close command: save, destroy the level chain, then the tree, end
    // the modal run. A failed save is reported and the window stays open.
    void OnOK();
    // Escape and the window manager's close request: nothing.
    void OnCancel() {}

    QWidget* GetDlgItem(int id) const;
    CFolder* GetTopFolder() const { return m_pTopFolder.get(); }
    CMenu* GetContentMenu() const { return m_pContentMenu.get(); }
    CBookmarkListCtrl* GetActiveList() const { return m_pActiveList; }
    void SetActiveList(CBookmarkListCtrl* list) { m_pActiveList = list; }
    CBookmarkListCtrl* GetList(int index) const { return m_lists.at(std::size_t(index)); }
    IShell& GetShell() const { return m_shell; }
    // Where errors are shown (a modal box unless replaced).
    void SetMessageBox(IMessageBox& box) { m_pMessageBox = &box; }
    // Lock (IDC_LOCK, Ctrl+L, the tray, the bottom of the dock's and the tree's
    // pop-up): saves, drops the tree, the password and the strong key, and
    // shows the prompt. Only while a password of either format is set; the
    // settings' LockIdle minutes of no input do the same. A dock window closes
    // first; an open message keeps the tree.
    bool CanLock() const;
    void Lock();
    // The idle lock's time in milliseconds in place of the settings'
    // minutes (tests); 0 goes back to the minutes.
    void SetIdleLockMs(int ms) {
        m_nIdleMs = ms;
        RestartIdleTimer();
    }
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The work of the strong keys the options make (tests use cheap ones).
    void SetStrongParams(const CStrongParams& params);
    // Whether the next strong save key is being derived on the worker thread
    // (after the tree was opened or saved under a strong key), so that the
    // save after the next edit does not derive on the GUI thread.
    bool PreparingSaveKey() const { return m_keyWorker.Busy(); }
    // Whether the prompt checks a typed password on its worker thread.
    bool CheckingPassword() const;

public slots:
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // A bookmark file dropped on the window is imported.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateControl(const CControl& row);
    void MakeCommands();
    void PostCommand(int id);
    // The list a menu was opened on (or a key pressed in): the focused one.
    CBookmarkListCtrl* FocusedList() const;
    void OnSelect();
    // BtnDock: hides the main window, runs the dock window modally (it keeps
    // the dock position in the settings record) and shows the main window
    // again; the dock window's Close then closes the main window.
    void OnDock();
    // After an import: the main panel shows the new folder.
    void ShowImported();
    void EndTree();

    // ISaveTarget and IPasswordHost
    bool HasTree() const override { return m_pTopFolder != nullptr; }
    void WriteTree() override;
    bool IsBusy() const override;
    void HandInTyping() override;
    void Tell(const CFileError& error) override;
    bool FileHoldsTree() const override { return m_dataState.m_bFileHoldsTree; }
    void WriteSettings() override;
    QWidget* Control(int id) const override { return GetDlgItem(id); }
    void OpenTree() override;
    bool Save() override;

    // ISyncHost
    CFolder* SyncTop() const override { return m_pTopFolder.get(); }
    CTreeEditor& SyncEditor() override;
    bool SyncBusy() const override { return IsBusy(); }
    bool HasOwnChanges() const override {
        return m_save.FileState() == CSavePolicy::EFileState::Behind;
    }
    void TreeInStep() override { m_save.MarkInStep(); }
    bool SaveMerged() override { return SaveTree(); }
    void PasswordChangedElsewhere() override;
    // Takes the tree down and shows the prompt (locked or changed elsewhere).
    void HideTree();
    void RestartIdleTimer();
    // Derives the strong key's next save key on the worker thread.
    void PrepareSaveKey();
    bool Confirm(const QString& text) override;
    std::optional<std::string> AskCopyPassword(const QString& path) override;

    CSettings& m_settings;
    IShell& m_shell;
    IPathPicker& m_picker;
    IMessageBox* m_pMessageBox = &DesktopMessageBox();
    CDataFileState m_dataState;

    // The controls are the window's children (Qt owns them); the skin, the
    // tree and the menus are owned here.
    std::unique_ptr<CWindowSkin> m_pSkin;
    CControlSet m_controls;
    CAddressEdit* m_pAddress = nullptr;
    std::array<CBookmarkListCtrl*, 3> m_lists{}; // left, middle, right
    std::unique_ptr<CEditActions> m_pEdit;       // the undoable edits of the tree
    std::unique_ptr<CFolder> m_pTopFolder;
    QIcon m_icon;
    std::unique_ptr<CMenu> m_pEditMenu;
    std::unique_ptr<CMenu> m_pContentMenu;
    CBookmarkListCtrl* m_pActiveList = nullptr;

    std::unique_ptr<CColumns> m_pColumns;
    std::unique_ptr<CPasswordPanel> m_pPassword;
    std::unique_ptr<CWindowExchange> m_pExchange; // import and export
    std::unique_ptr<CEmptyState> m_pEmptyState;   // the first column's offers
    std::unique_ptr<CTidyActions> m_pTidy;        // link check and duplicates
    CCommandTable m_commands;
    bool m_bInitialised = false;
    CSavePolicy m_save{*this, m_settings};
    QString m_strStateFolder;
    std::unique_ptr<CCollectionSync> m_pSync;
    QLabel* m_pNote = nullptr;
    QTimer m_idleTimer; // runs while the idle lock is on and a tree is shown
    int m_nIdleMs = 0;
    QTimer m_noteTimer;
    bool m_bLocking = false;   // Lock's own save prepares no next key
    CWorkerThread m_keyWorker; // joined before the window goes
};
