#include "app/MainDialog.h"

#include "app/PathPicker.h"
#include "app/Shell.h"
#include "skin/BitmapResource.h"
#include "skin/BookmarkListCtrl.h"
#include "skin/DockDialog.h"
#include "skin/QBBitmapButton.h"
#include "skin/TextCodec.h"
#include "skin/WindowSkin.h"
#include "store/Settings.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFocusEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSessionManager>
#include <limits>

namespace {

constexpr char WINDOW_TITLE[] = "Quillbox";
constexpr char SKIN_NAME[] = "MainWnd";

// The skinned buttons and labels: identifier, template text (the bitmap's
// name, also the objectName), enabled in the template.
struct ButtonDef {
    int id;
    const char* text;
    bool enabled;
};
constexpr ButtonDef BUTTONS[] = {
    {IDC_BTNCLOSE, "BtnClose", true},
    {IDC_BTNMINI, "BtnMini", true},
    {IDC_BTNHELP, "BtnHelp", true},
    {IDC_BTNABOUT, "BtnAbout", true},
    {IDC_BTNGO, "BtnGo", true},
    {IDC_BTNDOCK, "BtnDock", true},
    {IDC_BTNOPT, "BtnOpt", true},
    {IDC_BTNMAIN, "BtnMain", true},
    {IDC_BTNTITLE, "btnTitle", true},
    {IDC_BTNADD, "BtnAdd", true},
    {IDC_BTNADDSEP, "BtnAddSep", true},
    {IDC_BTNDEL, "BtnDel", true},
    {IDC_BTNUP, "BtnUp", true},
    {IDC_BTNDOWN, "BtnDown", true},
    {IDC_BTNREN, "BtnRen", true},
    {IDC_BTNOK, "BtnOK", true},
    {IDC_BTNSAVE, "BtnSave", true},
    {IDC_ABOUTTEXT, "BtnAboutText", false},
    {IDC_LBLCONFIRM, "BtnConfirm", false},
    {IDC_LBLINPUT, "BtnInput", false},
    {IDC_LBLUSEPASSWD, "BtnUsePasswd", false},
    {IDC_LBLPASSWD, "BtnPasswd", false},
    {IDC_LBLINVALID, "BtnInvalidPasswd", false},
    {IDC_LBLNOTMATCH, "BtnNotMatch", false},
    {IDC_BTNSELECT, "BtnSelect", true},
};
static_assert(std::size(BUTTONS) == 25);

// PlaceControls: the fixed rectangles, edit controls first, then the buttons,
// each in increasing order of identifier. A button's size is its bitmap's.
struct Placement {
    int id;
    QRect rect;
};
const Placement PLACEMENTS[] = {
    {IDC_USEPASSWD, {102, 112, 14, 15}},   {IDC_NEWPASSWD, {238, 148, 154, 24}},
    {IDC_CONFIRM, {238, 189, 154, 24}},    {IDC_PROMPTPASSWD, {200, 172, 175, 24}},
    {IDC_ADDRESS, {170, 345, 266, 24}},    {IDC_BTNCLOSE, {511, 206, 39, 23}},
    {IDC_BTNMINI, {511, 249, 39, 23}},     {IDC_BTNHELP, {18, 278, 44, 23}},
    {IDC_BTNABOUT, {28, 319, 44, 23}},     {IDC_BTNGO, {439, 343, 26, 18}},
    {IDC_BTNDOCK, {511, 286, 39, 23}},     {IDC_BTNOPT, {12, 237, 44, 23}},
    {IDC_BTNMAIN, {12, 195, 44, 23}},      {IDC_BTNTITLE, {196, 10, 65, 20}},
    {IDC_BTNADD, {133, 343, 11, 23}},      {IDC_BTNADDSEP, {133, 382, 28, 23}},
    {IDC_BTNDEL, {75, 343, 18, 23}},       {IDC_BTNUP, {100, 340, 23, 23}},
    {IDC_BTNDOWN, {100, 400, 21, 23}},     {IDC_BTNREN, {100, 366, 25, 23}},
    {IDC_BTNOK, {368, 250, 46, 18}},       {IDC_BTNSAVE, {378, 262, 26, 18}},
    {IDC_ABOUTTEXT, {102, 89, 47, 20}},    {IDC_LBLCONFIRM, {161, 187, 32, 15}},
    {IDC_LBLINPUT, {158, 130, 53, 15}},    {IDC_LBLUSEPASSWD, {116, 107, 56, 21}},
    {IDC_LBLPASSWD, {147, 145, 47, 15}},   {IDC_LBLINVALID, {200, 208, 51, 15}},
    {IDC_LBLNOTMATCH, {236, 224, 60, 16}}, {IDC_BTNSELECT, {469, 343, 26, 18}},
};

// The template's size, 327 x 274 dialog units of its 8-point font, until the
// skin gives the window its own.
constexpr QSize TEMPLATE_SIZE(491, 445);

} // namespace

// ---------------------------------------------------------------- CAddressEdit

CAddressEdit::CAddressEdit(QWidget* parent) : QLineEdit(parent) {
    // A line edit keeps 32767 characters by default; a longer target would be
    // cut where it shows and cut again when the box hands it back.
    setMaxLength(std::numeric_limits<int>::max());
}

void CAddressEdit::EnableWithButtons(bool enable) {
    setEnabled(enable);
    if (QWidget* parent = parentWidget()) {
        if (auto* go =
                parent->findChild<QWidget*>(QStringLiteral("BtnGo"), Qt::FindDirectChildrenOnly))
            go->setEnabled(enable);
        if (auto* select = parent->findChild<QWidget*>(QStringLiteral("BtnSelect"),
                                                       Qt::FindDirectChildrenOnly))
            select->setEnabled(enable);
    }
}

void CAddressEdit::SetText(const std::string& text) {
    m_strShownBytes = text;
    m_strShownText = TextFromBytes(text);
    setText(m_strShownText);
    setCursorPosition(0); // show the start of a long address, not its end
}

std::string CAddressEdit::GetTargetBytes() const {
    const QString now = text();
    return now == m_strShownText ? m_strShownBytes : BytesFromText(now);
}

void CAddressEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit killFocus();
}

// ----------------------------------------------------------------- CMainDialog

CMainDialog::CMainDialog(CSettings& settings, IShell& shell, IPathPicker& picker,
                         const QString& dataFolder, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint),
      m_settings(settings), m_shell(shell), m_picker(picker),
      m_pSkin(std::make_unique<CWindowSkin>()), m_icon(LoadProgramIcon()) {
    m_dataState.m_strFolder = dataFolder;
    CreateControls();
    resize(TEMPLATE_SIZE);
    // A desktop logout may end the process without the close command: the
    // session's edits are saved when the session manager asks, and the
    // window stays as it is.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SaveTree(); });
}

CMainDialog::~CMainDialog() {
    EndTree();
    if (g_pAddressBox == m_pAddress)
        g_pAddressBox = nullptr;
    // The children outlive this part of the object: what they report while
    // they are taken down (the focus leaving them) must not reach it.
    m_pAddress->disconnect(this);
    for (CBookmarkListCtrl* list : m_lists) {
        list->onSelection = nullptr;
        list->onFocusIn = nullptr;
        list->onActivate = nullptr;
        list->onGo = nullptr;
        list->onMenuCommand = nullptr;
    }
    for (QLineEdit* box : {m_pNewPassword, m_pConfirm, m_pPromptPassword})
        box->removeEventFilter(this);
}

void CMainDialog::CreateControls() {
    m_pDefault = new QPushButton(this);
    m_pDefault->setObjectName(QStringLiteral("Default"));
    m_pDefault->setDefault(true);
    m_pDefault->setEnabled(false);
    m_pDefault->hide();

    const char* listNames[] = {"List1", "List2", "List3"};
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        m_lists[i] = new CBookmarkListCtrl(this);
        m_lists[i]->setObjectName(QString::fromLatin1(listNames[i]));
        m_lists[i]->onSelection = [this](CBookmarkListCtrl* list) { OnListNotify(list); };
        m_lists[i]->onFocusIn = [this](CBookmarkListCtrl* list) { OnListNotify(list); };
        m_lists[i]->onActivate = [this](CBookmarkListCtrl* list) { SetActiveList(list); };
        m_lists[i]->onGo = [this](CBookmarkListCtrl*) { OnCommand(IDC_BTNGO); };
        m_lists[i]->onMenuCommand = [this](CBookmarkListCtrl*, unsigned id) { OnCommand(int(id)); };
    }

    m_pUsePassword = new QCheckBox(this);
    m_pUsePassword->setObjectName(QStringLiteral("UsePassword"));
    m_pUsePassword->setAccessibleName(QStringLiteral("use password"));
    connect(m_pUsePassword, &QCheckBox::clicked, this, [this] { OnUsePasswordClicked(); });

    const auto makePasswordBox = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setEchoMode(QLineEdit::Password);
        box->installEventFilter(this);
        return box;
    };
    m_pNewPassword = makePasswordBox("NewPassword");
    m_pConfirm = makePasswordBox("ConfirmPassword");
    m_pPromptPassword = makePasswordBox("PromptPassword");

    m_pAddress = new CAddressEdit(this);
    m_pAddress->setObjectName(QStringLiteral("Address"));
    connect(m_pAddress, &CAddressEdit::killFocus, this, [this] { OnAddressKillFocus(); });

    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonDef& def = BUTTONS[i];
        auto* button = new CQBBitmapButton(this);
        button->setObjectName(QString::fromLatin1(def.text));
        button->setText(QString::fromLatin1(def.text));
        button->setEnabled(def.enabled);
        const int id = def.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        m_buttons[i] = button;
    }

    const char* navTexts[] = {"<", ">", "<<", ">>"};
    const char* navNames[] = {"NavUp", "NavDown", "NavTop", "NavDeepest"};
    for (std::size_t i = 0; i < m_nav.size(); ++i) {
        m_nav[i] = new QPushButton(QString::fromLatin1(navTexts[i]), this);
        m_nav[i]->setObjectName(QString::fromLatin1(navNames[i]));
        m_nav[i]->setAutoDefault(false);
        m_nav[i]->hide();
        const int id = IDC_NAVUP + int(i);
        connect(m_nav[i], &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    }
}

QWidget* CMainDialog::GetDlgItem(int id) const {
    switch (id) {
    case IDC_DEFAULT:
        return m_pDefault;
    case IDC_LIST1:
        return m_lists[0];
    case IDC_LIST2:
        return m_lists[1];
    case IDC_LIST3:
        return m_lists[2];
    case IDC_USEPASSWD:
        return m_pUsePassword;
    case IDC_NEWPASSWD:
        return m_pNewPassword;
    case IDC_CONFIRM:
        return m_pConfirm;
    case IDC_PROMPTPASSWD:
        return m_pPromptPassword;
    case IDC_ADDRESS:
        return m_pAddress;
    default:
        break;
    }
    if (id >= IDC_NAVUP && id <= IDC_NAVDEEPEST)
        return m_nav[std::size_t(id - IDC_NAVUP)];
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (BUTTONS[i].id == id)
            return m_buttons[i];
    return nullptr;
}

int CMainDialog::DoModal() {
    if (!m_bInitialised)
        OnInitDialog();
    // A loop of its own rather than QDialog::exec, whose loop ends whenever
    // the window is hidden: the window hides while the dock window stands in
    // for it, and the run must go on. Only done() (OnOK) ends it.
    QEventLoop loop;
    const QMetaObject::Connection ended =
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    disconnect(ended);
    // Ended by something other than OnOK (which saves and ends the tree), such
    // as the application exiting: what was edited is saved before it goes.
    if (m_pTopFolder)
        SaveTree();
    return result();
}

bool CMainDialog::OnInitDialog() {
    m_bInitialised = true;
    setWindowIcon(m_icon);
    setWindowTitle(QString::fromLatin1(WINDOW_TITLE));
    PlaceControls();

    m_pEditMenu = MakeEditMenu();
    m_pContentMenu = MakeContentMenu();
    for (CBookmarkListCtrl* list : m_lists)
        list->SetEditMenu(m_pEditMenu.get());

    m_pActiveList = m_lists[0];
    g_pAddressBox = m_pAddress;

    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (!m_buttons[i]->Init(BUTTONS[i].id, m_pSkin.get(), this))
            return false;

    m_pUsePassword->setEnabled(false);
    GetDlgItem(IDC_BTNDOCK)->setEnabled(false);
    PlaceColumns(3);

    LoadSettings(m_settings, m_dataState);
    m_pUsePassword->setEnabled(true);

    if (m_settings.m_dwPasswordCheck != 0) {
        ShowPasswordPrompt();
    } else {
        GetDlgItem(IDC_BTNDOCK)->setEnabled(true);
        LoadTree();
        BindColumns(g_pFirstLevel);
        ShowMainPanel();
    }
    return m_pSkin->Load(this, QString::fromLatin1(SKIN_NAME)) != 0;
}

void CMainDialog::PlaceControls() {
    for (const Placement& place : PLACEMENTS)
        if (QWidget* control = GetDlgItem(place.id))
            control->setGeometry(place.rect);
}

void CMainDialog::PlaceColumns(int count) {
    for (int i = 0; i < count; ++i) {
        if (QWidget* column = GetDlgItem(IDC_LIST1 + 3 - count + i)) {
            column->setGeometry(60 + 148 * i, 51, 143, 261);
            column->update();
        }
    }
}

void CMainDialog::SetState(std::initializer_list<int> ids, bool on, bool visibility) {
    for (int id : ids) {
        if (QWidget* control = GetDlgItem(id)) {
            if (visibility)
                control->setVisible(on);
            else
                control->setEnabled(on);
        }
    }
}

namespace {
constexpr bool ENABLE = false; // the SetState flag: change enabled state
constexpr bool SHOW = true;    // the SetState flag: change visibility
} // namespace

void CMainDialog::ShowMainPanel() {
    SetState({IDC_BTNADD, IDC_BTNADDSEP, IDC_BTNDEL, IDC_BTNUP, IDC_BTNDOWN, IDC_BTNREN}, true,
             ENABLE);
    SetState({IDC_BTNGO, IDC_BTNSELECT, IDC_ADDRESS}, false, ENABLE);
    SetState({IDC_LIST1, IDC_LIST2, IDC_LIST3}, true, SHOW);
    SetState({IDC_PROMPTPASSWD, IDC_LBLINPUT, IDC_BTNOK, IDC_LBLINVALID, IDC_USEPASSWD,
              IDC_LBLUSEPASSWD, IDC_NEWPASSWD, IDC_CONFIRM, IDC_LBLPASSWD, IDC_LBLCONFIRM,
              IDC_BTNSAVE, IDC_LBLNOTMATCH, IDC_ABOUTTEXT},
             false, SHOW);
}

void CMainDialog::ShowAboutPanel() {
    SetState({IDC_BTNADD, IDC_BTNADDSEP, IDC_BTNDEL, IDC_BTNUP, IDC_BTNDOWN, IDC_BTNREN, IDC_BTNGO,
              IDC_BTNSELECT, IDC_ADDRESS},
             false, ENABLE);
    SetState({IDC_LIST1, IDC_LIST2, IDC_LIST3, IDC_PROMPTPASSWD, IDC_LBLINPUT, IDC_BTNOK,
              IDC_LBLINVALID, IDC_USEPASSWD, IDC_LBLUSEPASSWD, IDC_NEWPASSWD, IDC_CONFIRM,
              IDC_LBLPASSWD, IDC_LBLCONFIRM, IDC_BTNSAVE, IDC_LBLNOTMATCH},
             false, SHOW);
    SetState({IDC_ABOUTTEXT}, true, SHOW);
}

void CMainDialog::ShowOptionsPanel() {
    SetState({IDC_BTNADD, IDC_BTNADDSEP, IDC_BTNDEL, IDC_BTNUP, IDC_BTNDOWN, IDC_BTNREN, IDC_BTNGO,
              IDC_BTNSELECT, IDC_ADDRESS},
             false, ENABLE);
    SetState({IDC_LIST1, IDC_LIST2, IDC_LIST3, IDC_PROMPTPASSWD, IDC_LBLINPUT, IDC_BTNOK,
              IDC_LBLINVALID},
             false, SHOW);
    SetState({IDC_USEPASSWD, IDC_LBLUSEPASSWD}, true, SHOW);
    SetState({IDC_NEWPASSWD, IDC_CONFIRM, IDC_LBLPASSWD, IDC_LBLCONFIRM, IDC_BTNSAVE,
              IDC_LBLNOTMATCH, IDC_ABOUTTEXT},
             false, SHOW);
    const QString password = TextFromBytes(m_settings.m_strPassword);
    m_pNewPassword->setText(password);
    m_pConfirm->setText(password);
    const bool on = !m_settings.m_strPassword.empty();
    m_pUsePassword->setChecked(on);
    if (on)
        SetState({IDC_NEWPASSWD, IDC_CONFIRM, IDC_LBLPASSWD, IDC_LBLCONFIRM}, true, SHOW);
    SetState({IDC_BTNSAVE}, true, SHOW);
}

void CMainDialog::ShowPasswordPrompt() {
    SetState({IDC_BTNMAIN, IDC_BTNOPT, IDC_BTNABOUT, IDC_BTNADD, IDC_BTNADDSEP, IDC_BTNDEL,
              IDC_BTNUP, IDC_BTNDOWN, IDC_BTNREN, IDC_BTNGO, IDC_BTNSELECT, IDC_ADDRESS},
             false, ENABLE);
    SetState({IDC_LIST1, IDC_LIST2, IDC_LIST3}, false, SHOW);
    SetState({IDC_PROMPTPASSWD, IDC_LBLINPUT, IDC_BTNOK}, true, SHOW);
    SetState({IDC_LBLINVALID, IDC_USEPASSWD, IDC_LBLUSEPASSWD, IDC_NEWPASSWD, IDC_CONFIRM,
              IDC_LBLPASSWD, IDC_LBLCONFIRM, IDC_BTNSAVE, IDC_LBLNOTMATCH, IDC_ABOUTTEXT},
             false, SHOW);
}

// ------------------------------------------------------------------- the tree

void CMainDialog::LoadTree() {
    EndTree();
    m_pTopFolder = StartTree(m_pContentMenu.get());
    try {
        ::LoadTree(*m_pTopFolder, m_settings, m_dataState);
    } catch (const CFileError& error) {
        // What was read before the damage stays in the tree and is shown.
        ReportFileError(error);
    }
}

bool CMainDialog::SaveTree() {
    if (!m_pTopFolder)
        return true;
    try {
        ::SaveTree(*m_pTopFolder, m_settings, m_dataState);
    } catch (const CFileError& error) {
        ReportFileError(error);
        return false;
    }
    return true;
}

int CMainDialog::BindColumns(CItemObserver* level) {
    if (!m_pTopFolder)
        return 0;
    return ::BindColumns(level, m_pTopFolder.get(), m_lists[0], m_lists[1], m_lists[2]);
}

void CMainDialog::EndTree() {
    if (!m_pTopFolder)
        return;
    for (CBookmarkListCtrl* list : m_lists)
        list->SetObserver(nullptr);
    ::EndTree(std::move(m_pTopFolder));
}

void CMainDialog::ReportFileError(const CFileError& error) {
    QMessageBox::critical(this, QString::fromLatin1(WINDOW_TITLE), error.Message());
}

// ------------------------------------------------------------------ commands

void CMainDialog::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

void CMainDialog::OnCommand(int id) {
    switch (id) {
    case 1:
        OnOK();
        return;
    case 2:
        OnCancel();
        return;
    case IDC_BTNCLOSE:
        PostCommand(1);
        return;
    case IDC_BTNMINI:
        QMetaObject::invokeMethod(
            this, [this] { showMinimized(); }, Qt::QueuedConnection);
        return;
    case IDC_BTNDOCK:
        OnDock();
        return;
    case IDC_BTNMAIN:
        ShowMainPanel();
        return;
    case IDC_BTNABOUT:
        ShowAboutPanel();
        return;
    case IDC_BTNOPT:
        ShowOptionsPanel();
        return;
    case IDC_BTNTITLE:
        OnTitle();
        return;
    case IDC_BTNGO:
        OnGo();
        return;
    case IDC_BTNSELECT:
        OnSelect();
        return;
    case IDC_BTNHELP:
        OnHelp();
        return;
    case IDC_BTNSAVE:
        OnSavePassword();
        return;
    case IDC_BTNOK:
        OnPromptOK();
        return;
    case IDC_NAVUP:
        NavigateUp();
        return;
    case IDC_NAVDOWN:
        NavigateDown();
        return;
    case IDC_NAVTOP:
        NavigateTop();
        return;
    case IDC_NAVDEEPEST:
        NavigateDeepest();
        return;
    default:
        break;
    }
    if (id >= IDC_BTNADD && id <= IDC_BTNREN) {
        DoEditCommand(m_pActiveList, id % 10);
        return;
    }
    if (id >= int(ID_OP_INSERT) && id <= int(ID_OP_RENAME)) {
        // The list the menu was opened on keeps the focus.
        QWidget* focused = focusWidget();
        for (CBookmarkListCtrl* list : m_lists)
            if (focused == list) {
                DoEditCommand(list, id % 10);
                return;
            }
    }
}

void CMainDialog::DoEditCommand(CBookmarkListCtrl* list, int code) {
    if (!list || !list->GetObserver())
        return;
    CItem* folder = list->GetShownItem();
    if (!folder || !folder->IsContainer())
        return;
    int sel = list->GetFirstSelectedRow();
    switch (code) {
    case EDIT_INSERT:
        if (sel == -1)
            sel = list->GetRowCount();
        list->InsertRow(sel, std::string());
        list->scrollToItem(list->item(sel));
        list->setFocus();
        list->editItem(list->item(sel));
        return;
    case EDIT_INSERTSEP:
        folder->Insert(sel, std::make_unique<CItem>(SEPARATOR_TEXT));
        break;
    case EDIT_DELETE:
        folder->Remove(sel);
        break;
    case EDIT_UP:
        folder->MoveUp(sel);
        break;
    case EDIT_DOWN:
        folder->MoveDown(sel);
        break;
    case EDIT_RENAME:
        list->setFocus();
        if (QListWidgetItem* row = list->item(sel))
            list->editItem(row);
        return;
    default:
        return;
    }
    list->setFocus();
}

void CMainDialog::OnListNotify(CBookmarkListCtrl* list) {
    if (!list->GetObserver())
        return;
    CItem* shown = list->GetShownItem();
    // While a new entry is being named the list holds one row more than the
    // item has children, and its rows past that one are not the children of
    // the same number: the selection is the item's own until the name is in.
    if (shown && list->GetRowCount() == shown->GetCount())
        shown->Select(list->GetFirstSelectedRow());
}

void CMainDialog::OnAddressKillFocus() {
    if (CItem* item = m_pAddress->GetCurrentItem())
        item->SetTarget(m_pAddress->GetTargetBytes());
}

void CMainDialog::OnGo() {
    OpenTarget(m_shell, m_pAddress->text());
}

void CMainDialog::OnSelect() {
    const std::optional<QString> chosen =
        m_picker.PickFileOrFolder(QString::fromLatin1(BROWSE_PROMPT));
    if (!chosen)
        return;
    m_pAddress->setText(*chosen);
    m_pAddress->setFocus();
}

void CMainDialog::OnHelp() {
    m_shell.Open(HelpFilePath());
}

void CMainDialog::OnTitle() {
    m_shell.Open(QString::fromLatin1(BLANK_PAGE));
    m_shell.Open(QString::fromLatin1(HOME_PAGE_URL));
}

void CMainDialog::OnDock() {
    if (!m_pTopFolder)
        return;
    hide();
    int result = CDockDialog::RESULT_RETURN;
    {
        CDockDialog dock(
            m_pTopFolder.get(), m_pContentMenu.get(),
            [this](const std::string& target) { OpenTarget(m_shell, TextFromBytes(target)); },
            m_settings.m_nDockX, m_settings.m_nDockY, this);
        result = dock.exec();
        m_settings.m_nDockX = dock.GetDockX();
        m_settings.m_nDockY = dock.GetDockY();
    }
    showNormal();
    // The dock window's Close is the main window's close command.
    if (result == CDockDialog::RESULT_CLOSE)
        PostCommand(1);
}

void CMainDialog::OnOK() {
    if (m_pTopFolder) {
        if (!SaveTree())
            return;
        EndTree();
    }
    QDialog::accept();
}

// ----------------------------------------------------------- password panels

void CMainDialog::OnPromptOK() {
    const QString typed = m_pPromptPassword->text();
    if (typed.isEmpty())
        return;
    if (!m_settings.VerifyPassword(BytesFromText(typed))) {
        GetDlgItem(IDC_LBLINVALID)->show();
        return;
    }
    SetState({IDC_BTNMAIN, IDC_BTNOPT, IDC_BTNABOUT, IDC_BTNDOCK}, true, ENABLE);
    LoadTree();
    BindColumns(g_pFirstLevel);
    ShowMainPanel();
}

void CMainDialog::OnUsePasswordClicked() {
    SetState({IDC_NEWPASSWD, IDC_CONFIRM, IDC_LBLPASSWD, IDC_LBLCONFIRM},
             m_pUsePassword->isChecked(), SHOW);
}

void CMainDialog::OnSavePassword() {
    std::string password;
    if (m_pUsePassword->isChecked()) {
        const QString typed = m_pNewPassword->text();
        if (typed.isEmpty())
            return;
        if (typed != m_pConfirm->text()) {
            GetDlgItem(IDC_LBLNOTMATCH)->show();
            return;
        }
        password = BytesFromText(typed);
    }
    m_settings.SetPassword(password);
    if (!SaveTree())
        return;
    ShowMainPanel();
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_pPromptPassword)
            GetDlgItem(IDC_LBLINVALID)->hide();
        else if (watched == m_pNewPassword)
            GetDlgItem(IDC_LBLNOTMATCH)->hide();
    }
    return QDialog::eventFilter(watched, event);
}

// --------------------------------------------------------- column navigation

CItemObserver* CMainDialog::LevelBefore(CItemObserver* level) const {
    for (CItemObserver* each = g_pFirstLevel; each; each = each->GetNextLevel())
        if (each->GetNextLevel() == level)
            return each;
    return nullptr;
}

void CMainDialog::NavigateTop() {
    BindColumns(g_pFirstLevel);
}

void CMainDialog::NavigateDown() {
    if (CItemObserver* leftmost = m_lists[0]->GetObserver())
        if (CItemObserver* next = leftmost->GetNextLevel())
            BindColumns(next);
}

void CMainDialog::NavigateUp() {
    if (!m_pTopFolder)
        return;
    CItemObserver* target = m_lists[0]->GetObserver();
    while (target && target != g_pFirstLevel) {
        CItemObserver* candidate = LevelBefore(target);
        if (!candidate)
            break;
        if (candidate != g_pFirstLevel && BindColumns(candidate))
            return;
        target = candidate;
    }
    BindColumns(g_pFirstLevel);
}

void CMainDialog::NavigateDeepest() {
    if (!m_pTopFolder)
        return;
    CItemObserver* target = nullptr;
    for (;;) {
        CItemObserver* candidate = LevelBefore(target);
        if (!candidate || candidate == g_pFirstLevel)
            break;
        if (BindColumns(candidate))
            return;
        target = candidate;
    }
    BindColumns(g_pFirstLevel);
}

// --------------------------------------------------- painting and dragging

void CMainDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_pSkin->Paint(painter);
}
