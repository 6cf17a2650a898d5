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

#include "app/MainControls.h"
#include "app/MessageBox.h"
#include "store/DataFile.h"
#include "tree/AddressBox.h"

#include <QDialog>
#include <QIcon>
#include <QLineEdit>
#include <QTimer>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CBookmarkListCtrl;
class CEditActions;
class CFolder;
class CItem;
class CItemObserver;
class CMenu;
class CQBBitmapButton;
class CSettings;
class CWindowSkin;
class IPathPicker;
class IShell;
class QCheckBox;
class QPushButton;

// The window's own commands besides the controls' identifiers.
enum : int {
    CMD_CLOSE = 1,  // save and end the run (OnOK)
    CMD_CANCEL = 2, // Escape and the window manager's close request (OnCancel)
};

// Editing codes, in the order of the editing buttons (IDC_BTNADD..IDC_BTNREN)
// and of the "OP" menu's commands (ID_OP_INSERT..ID_OP_RENAME).
enum : int { EDIT_INSERT = 0, EDIT_INSERTSEP, EDIT_DELETE, EDIT_UP, EDIT_DOWN, EDIT_RENAME };

// The address box (control 1011). It shows the target of the entry a level
// displays, keeps that item, and enables itself together with Go and Select.
// Losing the focus is reported with killFocus(); the window then commits the
// text to the current item.
class CAddressEdit final : public QLineEdit, public IAddressBox {
    Q_OBJECT
public:
    explicit CAddressEdit(QWidget* parent);

    void SetCurrentItem(CItem* item) override { m_pCurrentItem = item; }
    CItem* GetCurrentItem() const override { return m_pCurrentItem; }
    // The box itself, then the parent's Go (2005) and Select (2035) buttons.
    void EnableWithButtons(bool enable) override;
    void SetText(const std::string& text) override;

    // The bytes to store for the text now in the box: the bytes last given to
    // SetText while the text is unchanged (so a target that is not UTF-8 is
    // kept as it is), otherwise the text as UTF-8.
    std::string GetTargetBytes() const;

signals:
    void killFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    CItem* m_pCurrentItem = nullptr;
    std::string m_strShownBytes;
    QString m_strShownText;
};

class CMainDialog final : public QDialog {
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

    void PlaceControls();
    void PlaceColumns(int count);
    void ShowMainPanel();
    void ShowAboutPanel();
    void ShowOptionsPanel();
    void ShowPasswordPrompt();

    // The tree: built empty and filled from the data file; written back whole.
    // Both report a CFileError themselves: LoadTree keeps what was read,
    // SaveTree returns false and leaves the old file as it was.
    void LoadTree();
    bool SaveTree();
    // After each change the tree is saved again once the user has paused
    // (SAVE_PAUSE_MS, restarted by every change), so that a crash loses no
    // more than that; not while a name is typed or a menu is open, which
    // waits for the next pause. A failure is reported once, not at every
    // pause; the next change and the close command try again.
    static constexpr int SAVE_PAUSE_MS = 3000;
    void SetSavePause(int ms) { m_pauseTimer.setInterval(ms); }
    int BindColumns(CItemObserver* level);

    // The quick-find palette (Ctrl+F) over the window, or over the dock window
    // while that stands in for it; nothing while no tree is loaded (the
    // password prompt). Enter there opens an entry as Go does.
    void ShowFindPalette();
    // Shows the item that rows lead to (a row per depth from the top folder)
    // selected in its folder's column, on the main panel, that column
    // focused; nothing when the rows lead nowhere.
    void RevealPath(const std::vector<int>& rows);

    void DoEditCommand(CBookmarkListCtrl* list, int code);
    // The window's commands by identifier: buttons, "OP" menu commands, the
    // hidden navigation buttons, CMD_CLOSE and CMD_CANCEL.
    void OnCommand(int id);

    // The close command: save, destroy the level chain, then the tree, end
    // the modal run. A failed save is reported and the window stays open.
    void OnOK();
    // Escape and the window manager's close request: nothing.
    void OnCancel() {}

    QWidget* GetDlgItem(int id) const;
    CFolder* GetTopFolder() const { return m_pTopFolder.get(); }
    CMenu* GetEditMenu() const { return m_pEditMenu.get(); }
    CMenu* GetContentMenu() const { return m_pContentMenu.get(); }
    CBookmarkListCtrl* GetActiveList() const { return m_pActiveList; }
    void SetActiveList(CBookmarkListCtrl* list) { m_pActiveList = list; }
    CAddressEdit* GetAddressEdit() const { return m_pAddress; }
    CBookmarkListCtrl* GetList(int index) const { return m_lists.at(std::size_t(index)); }
    CSettings& GetSettings() const { return m_settings; }
    IShell& GetShell() const { return m_shell; }
    // Where errors are shown (a modal box unless replaced).
    void SetMessageBox(IMessageBox& box) { m_pMessageBox = &box; }

public slots:
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // A bookmark file dropped on the window is imported.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateControl(const SControl& row);
    void PostCommand(int id);
    void OnListNotify(CBookmarkListCtrl* list);
    void OnAddressKillFocus();
    void OnGo();
    void OnSelect();
    void OnHelp();
    void OnTitle();
    // BtnDock: hides the main window, runs the dock window modally (it keeps
    // the dock position in the settings record) and shows the main window
    // again; the dock window's Close then closes the main window.
    void OnDock();
    void OnPromptOK();
    // Import (a menu of sources) and Export on the options panel; after an
    // import the main panel shows the new folder.
    void OnImport();
    void OnExport();
    void ShowImported();
    // Where an import's folder goes: one insertion at the end of the top folder.
    std::function<void(std::unique_ptr<CFolder>)> PlaceImported();
    // BtnMain at the prompt for the data file's own password: go on without it.
    void OnPromptGoOn();
    // The prompt's explanation that the data file is under another password.
    void ShowProtected();
    // From the accepted prompt to the main panel with the tree loaded.
    void LeavePrompt();
    void OnUsePasswordClicked();
    void OnSavePassword();
    void NavigateUp();
    void NavigateDown();
    void NavigateTop();
    void NavigateDeepest();
    CItemObserver* LevelBefore(CItemObserver* level) const;
    void SaveAfterPause();
    void ReportFileError(const CFileError& error);
    void EndTree();
    // Opens a panel: every control takes the panel's state in the table.
    void ShowPanel(EPanel panel);
    void SetState(std::initializer_list<int> ids, EControlState state);
    static void SetState(QWidget* control, EControlState state);
    // The new password, its confirmation and their labels.
    void ShowPasswordFields(bool show);

    CSettings& m_settings;
    IShell& m_shell;
    IPathPicker& m_picker;
    IMessageBox* m_pMessageBox = &DesktopMessageBox();
    CDataFileState m_dataState;

    // The controls are the window's children (Qt owns them); the skin, the
    // tree and the menus are owned here.
    std::unique_ptr<CWindowSkin> m_pSkin;
    std::array<QWidget*, CONTROL_COUNT> m_controls{}; // by row of the table, owned by Qt
    CAddressEdit* m_pAddress = nullptr;
    std::array<CBookmarkListCtrl*, 3> m_lists{}; // left, middle, right
    std::unique_ptr<CEditActions> m_pEdit;       // the undoable edits of the tree
    std::unique_ptr<CFolder> m_pTopFolder;
    QIcon m_icon;
    std::unique_ptr<CMenu> m_pEditMenu;
    std::unique_ptr<CMenu> m_pContentMenu;
    CBookmarkListCtrl* m_pActiveList = nullptr;

    QPushButton* m_pDefault = nullptr;
    QCheckBox* m_pUsePassword = nullptr;
    QLineEdit* m_pNewPassword = nullptr;
    QLineEdit* m_pConfirm = nullptr;
    QLineEdit* m_pPromptPassword = nullptr;

    bool m_bInitialised = false;
    // Settings that could not be stored, already told to the user.
    bool m_bToldPositionNotStored = false;
    std::optional<std::uint32_t> m_toldCheckNotStored;

    QTimer m_pauseTimer;                    // runs from a change to the save after it
    unsigned long long m_nSavedChanges = 0; // g_nTreeChanges when the tree was last written
    bool m_bSavingAfterPause = false;       // SaveTree runs for SaveAfterPause
    bool m_bPauseFailureShown = false;      // since the last save that worked
    bool m_bEnding = false;                 // OnEndRequest is saving
    bool m_bSavedForEnd = false;            // OnEndRequest saved and ended the loops
};
