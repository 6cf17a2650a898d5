#pragma once
// The main window: a frameless dialog cut from the skin "MainWnd" that holds
// the three list columns (three consecutive depths of the tree), the address
// box, the password boxes and the bitmap buttons and labels. It never opens
// another window of its own (but for the dock window): it switches between
// four panels (main, password prompt, options, about) by showing, hiding,
// enabling and disabling its controls.
//
// Controls are known by numeric identifiers; GetDlgItem finds one
// and each carries its role name as objectName ("BtnGo", "List1", ...).

#include "store/DataFile.h"
#include "tree/AddressBox.h"

#include <QDialog>
#include <QIcon>
#include <QLineEdit>
#include <array>
#include <initializer_list>
#include <memory>
#include <string>

class CBookmarkListCtrl;
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

// Control identifiers.
enum : int {
    IDC_DEFAULT = 1000,
    IDC_LIST1 = 1001,
    IDC_LIST2 = 1002,
    IDC_LIST3 = 1003,
    IDC_USEPASSWD = 1004,
    IDC_NEWPASSWD = 1005,
    IDC_CONFIRM = 1006,
    IDC_PROMPTPASSWD = 1007,
    IDC_ADDRESS = 1011,
    IDC_BTNCLOSE = 2000,
    IDC_BTNMINI = 2001,
    IDC_BTNHELP = 2002,
    IDC_BTNABOUT = 2004,
    IDC_BTNGO = 2005,
    IDC_BTNDOCK = 2006,
    IDC_BTNOPT = 2007,
    IDC_BTNMAIN = 2008,
    IDC_BTNTITLE = 2009,
    IDC_BTNADD = 2010,
    IDC_BTNADDSEP = 2011,
    IDC_BTNDEL = 2012,
    IDC_BTNUP = 2013,
    IDC_BTNDOWN = 2014,
    IDC_BTNREN = 2015,
    IDC_BTNOK = 2016,
    IDC_BTNSAVE = 2017,
    IDC_ABOUTTEXT = 2021,
    IDC_LBLCONFIRM = 2023,
    IDC_LBLINPUT = 2024,
    IDC_LBLUSEPASSWD = 2027,
    IDC_LBLPASSWD = 2028,
    IDC_LBLINVALID = 2032,
    IDC_LBLNOTMATCH = 2033,
    IDC_BTNSELECT = 2035,
    IDC_NAVUP = 2040,
    IDC_NAVDOWN = 2041,
    IDC_NAVTOP = 2042,
    IDC_NAVDEEPEST = 2043,
};

// Editing codes: the identifier of a button or "OP" menu command modulo 10.
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
    int BindColumns(CItemObserver* level);

    void DoEditCommand(CBookmarkListCtrl* list, int code);
    // The window's commands by identifier: buttons, "OP" menu commands, the
    // hidden navigation buttons, and 1 (close) and 2 (cancel).
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

public slots:
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
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
    void OnUsePasswordClicked();
    void OnSavePassword();
    void NavigateUp();
    void NavigateDown();
    void NavigateTop();
    void NavigateDeepest();
    CItemObserver* LevelBefore(CItemObserver* level) const;
    void ReportFileError(const CFileError& error);
    void EndTree();
    void SetState(std::initializer_list<int> ids, bool enabledOrShown, bool visibility);

    CSettings& m_settings;
    IShell& m_shell;
    IPathPicker& m_picker;
    CDataFileState m_dataState;

    // The controls are the window's children (Qt owns them); the skin, the
    // tree and the menus are owned here.
    std::unique_ptr<CWindowSkin> m_pSkin;
    std::array<CQBBitmapButton*, 25> m_buttons{}; // by increasing identifier, owned by Qt
    CAddressEdit* m_pAddress = nullptr;
    std::array<CBookmarkListCtrl*, 3> m_lists{}; // left, middle, right
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
    std::array<QPushButton*, 4> m_nav{};

    bool m_bInitialised = false;
};
