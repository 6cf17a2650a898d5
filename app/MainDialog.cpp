#include "app/MainDialog.h"

#include "app/EditActions.h"
#include "app/ExchangeActions.h"
#include "app/PathPicker.h"
#include "app/Shell.h"
#include "edit/EditKeys.h"
#include "skin/BitmapResource.h"
#include "skin/BookmarkListCtrl.h"
#include "skin/DockDialog.h"
#include "skin/FindPalette.h"
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
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFocusEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSessionManager>
#include <QShortcut>
#include <algorithm>
#include <limits>

namespace {

constexpr char WINDOW_TITLE[] = "Quillbox";
constexpr char SKIN_NAME[] = "MainWnd";

QRect RectOf(const SControl& control) {
    return {control.rect.x, control.rect.y, control.rect.w, control.rect.h};
}

// The hidden command buttons' texts, from IDC_NAVUP on.
// Shown at the prompt when the data file does not open with the key in use.
constexpr char PROTECTED_TEXT[] =
    "Quillbox.dat is protected by another password. Type that password, or press M to go on "
    "without it (the file is then kept as a backup).";

constexpr const char* NAV_TEXTS[] = {"<", ">", "<<", ">>"};
static_assert(IDC_NAVUP + int(std::size(NAV_TEXTS)) - 1 == IDC_NAVDEEPEST);

// The editing buttons and the "OP" menu's commands run in the order of the
// editing codes.
static_assert(IDC_BTNADD + int(EDIT_RENAME) == IDC_BTNREN);
static_assert(int(ID_OP_INSERT) + int(EDIT_RENAME) == int(ID_OP_RENAME));

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
    setAcceptDrops(true);
    CreateControls();
    m_pEdit = std::make_unique<CEditActions>(*this);
    for (CBookmarkListCtrl* list : m_lists)
        m_pEdit->Attach(list);
    resize(TEMPLATE_SIZE);
    // A desktop logout may end the process without the close command: the
    // session's edits are saved when the session manager asks, and the
    // window stays as it is.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SaveTree(); });
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setInterval(SAVE_PAUSE_MS);
    connect(&m_pauseTimer, &QTimer::timeout, this, [this] { SaveAfterPause(); });
    m_nSavedChanges = g_nTreeChanges;
    g_onTreeChange = [this] { m_pauseTimer.start(); };
}

CMainDialog::~CMainDialog() {
    g_onTreeChange = nullptr;
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
        m_pEdit->Detach(list);
    }
    for (QLineEdit* box : {m_pNewPassword, m_pConfirm, m_pPromptPassword})
        box->removeEventFilter(this);
}

void CMainDialog::CreateControls() {
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        const SControl& row = CONTROLS[i];
        QWidget* control = CreateControl(row);
        control->setObjectName(QString::fromLatin1(row.name));
        if (*row.toolTip)
            control->setToolTip(QString::fromUtf8(row.toolTip));
        if (*row.accessibleName)
            control->setAccessibleName(QString::fromUtf8(row.accessibleName));
        m_controls[i] = control;
    }

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] { ShowFindPalette(); });
}

QWidget* CMainDialog::CreateControl(const SControl& row) {
    const int id = row.id;
    switch (row.kind) {
    case EControlKind::Default:
        m_pDefault = new QPushButton(this);
        m_pDefault->setDefault(true);
        m_pDefault->setEnabled(false);
        m_pDefault->hide();
        return m_pDefault;
    case EControlKind::List: {
        auto* list = new CBookmarkListCtrl(this);
        list->onSelection = [this](CBookmarkListCtrl* each) { OnListNotify(each); };
        list->onFocusIn = [this](CBookmarkListCtrl* each) { OnListNotify(each); };
        list->onActivate = [this](CBookmarkListCtrl* each) { SetActiveList(each); };
        list->onGo = [this](CBookmarkListCtrl*) { OnCommand(IDC_BTNGO); };
        list->onMenuCommand = [this](CBookmarkListCtrl*, unsigned command) {
            OnCommand(int(command));
        };
        m_lists.at(std::size_t(id - IDC_LIST1)) = list;
        return list;
    }
    case EControlKind::CheckBox:
        m_pUsePassword = new QCheckBox(this);
        connect(m_pUsePassword, &QCheckBox::clicked, this, [this] { OnUsePasswordClicked(); });
        return m_pUsePassword;
    case EControlKind::PasswordBox: {
        auto* box = new QLineEdit(this);
        box->setEchoMode(QLineEdit::Password);
        box->installEventFilter(this);
        (id == IDC_NEWPASSWD ? m_pNewPassword
         : id == IDC_CONFIRM ? m_pConfirm
                             : m_pPromptPassword) = box;
        return box;
    }
    case EControlKind::AddressBox:
        m_pAddress = new CAddressEdit(this);
        connect(m_pAddress, &CAddressEdit::killFocus, this, [this] { OnAddressKillFocus(); });
        return m_pAddress;
    case EControlKind::Button:
    case EControlKind::Label: {
        auto* button = new CQBBitmapButton(this);
        button->setText(QString::fromLatin1(row.name));
        button->setEnabled(row.kind == EControlKind::Button);
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        return button;
    }
    case EControlKind::Text: {
        auto* label = new QLabel(QString::fromUtf8(PROTECTED_TEXT), this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(QStringLiteral("color: #7a1f12; font-weight: bold;"));
        return label;
    }
    case EControlKind::HiddenCommand: {
        auto* button =
            new QPushButton(QString::fromLatin1(NAV_TEXTS[std::size_t(id - IDC_NAVUP)]), this);
        button->setAutoDefault(false);
        button->hide();
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return button;
    }
    }
    return nullptr;
}

QWidget* CMainDialog::GetDlgItem(int id) const {
    const std::size_t index = ControlIndex(id);
    return index < CONTROL_COUNT ? m_controls[index] : nullptr;
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
    if (m_pTopFolder && !m_bSavedForEnd)
        SaveTree();
    return result();
}

void CMainDialog::OnEndRequest() {
    // A second request while the first one's failure is on the screen.
    if (m_bEnding)
        return;
    m_bEnding = true;
    // As when the pointer leaves for the close button: the name editor and
    // the address box hand in what they hold.
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    const bool saved = SaveTree();
    m_bEnding = false;
    if (!saved)
        return;
    m_bSavedForEnd = true;
    // Ends the dock window's run, a menu's or a message's as well as this
    // window's: the tree is taken down only after they have let go of it.
    QCoreApplication::exit(0);
}

bool CMainDialog::OnInitDialog() {
    m_bInitialised = true;
    setWindowIcon(m_icon);
    setWindowTitle(QString::fromLatin1(WINDOW_TITLE));
    PlaceControls();

    m_pEditMenu = MakeEditMenu();
    AppendEditCommands(*m_pEditMenu);
    m_pContentMenu = MakeContentMenu();
    for (CBookmarkListCtrl* list : m_lists)
        list->SetEditMenu(m_pEditMenu.get());

    m_pActiveList = m_lists[0];
    g_pAddressBox = m_pAddress;

    for (std::size_t i = 0; i < CONTROL_COUNT; ++i)
        if (HasBitmap(CONTROLS[i]) && !static_cast<CQBBitmapButton*>(m_controls[i])
                                           ->Init(CONTROLS[i].id, m_pSkin.get(), this))
            return false;

    m_pUsePassword->setEnabled(false);
    GetDlgItem(IDC_BTNDOCK)->setEnabled(false);
    PlaceColumns(3);

    LoadSettings(m_settings, m_dataState);
    m_pUsePassword->setEnabled(true);

    const PasswordNeed need = PasswordNeeded(m_settings, m_dataState);
    if (need != PasswordNeed::none) {
        ShowPasswordPrompt();
        if (need == PasswordNeed::dataFile)
            ShowProtected();
    } else {
        GetDlgItem(IDC_BTNDOCK)->setEnabled(true);
        LoadTree();
        BindColumns(g_pFirstLevel);
        ShowMainPanel();
    }
    return m_pSkin->Load(this, QString::fromLatin1(SKIN_NAME)) != 0;
}

void CMainDialog::PlaceControls() {
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i)
        if (CONTROLS[i].kind != EControlKind::List && !CONTROLS[i].rect.IsEmpty())
            m_controls[i]->setGeometry(RectOf(CONTROLS[i]));
}

// With fewer than three columns, the rightmost lists take the leftmost places.
void CMainDialog::PlaceColumns(int count) {
    for (int i = 0; i < count; ++i) {
        if (QWidget* column = GetDlgItem(IDC_LIST1 + 3 - count + i)) {
            column->setGeometry(RectOf(CONTROLS[ControlIndex(IDC_LIST1 + i)]));
            column->update();
        }
    }
}

void CMainDialog::SetState(QWidget* control, EControlState state) {
    switch (state) {
    case EControlState::Enable:
    case EControlState::Disable:
        control->setEnabled(state == EControlState::Enable);
        break;
    case EControlState::Show:
    case EControlState::Hide:
    case EControlState::Later:
        control->setVisible(state == EControlState::Show);
        break;
    case EControlState::Keep:
        break;
    }
}

void CMainDialog::SetState(std::initializer_list<int> ids, EControlState state) {
    for (int id : ids)
        if (QWidget* control = GetDlgItem(id))
            SetState(control, state);
}

void CMainDialog::ShowPanel(EPanel panel) {
    using enum EControlState;
    const auto apply = [this, panel](std::initializer_list<EControlState> states) {
        for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
            const EControlState state = StateIn(CONTROLS[i], panel);
            if (std::find(states.begin(), states.end(), state) != states.end())
                SetState(m_controls[i], state);
        }
    };
    // A control that loses the focus by hiding or disabling hands it on to the
    // next one in the tab chain. The main panel shows its lists before it
    // hides the rest, so the focus can land on a list; the others hide first,
    // so the focus leaving a list does not land on what they show.
    apply({Enable});
    apply({Disable});
    if (panel == EPanel::Main) {
        apply({Show});
        apply({Hide, Later});
    } else {
        apply({Hide, Later});
        apply({Show});
    }
}

void CMainDialog::ShowMainPanel() {
    ShowPanel(EPanel::Main);
}

void CMainDialog::ShowAboutPanel() {
    ShowPanel(EPanel::About);
}

void CMainDialog::ShowOptionsPanel() {
    ShowPanel(EPanel::Options);
    const QString password = TextFromBytes(m_settings.m_strPassword);
    m_pNewPassword->setText(password);
    m_pConfirm->setText(password);
    const bool on = !m_settings.m_strPassword.empty();
    m_pUsePassword->setChecked(on);
    if (on)
        ShowPasswordFields(true);
}

void CMainDialog::ShowPasswordPrompt() {
    ShowPanel(EPanel::Prompt);
}

void CMainDialog::ShowPasswordFields(bool show) {
    SetState({IDC_NEWPASSWD, IDC_CONFIRM, IDC_LBLPASSWD, IDC_LBLCONFIRM},
             show ? EControlState::Show : EControlState::Hide);
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
    m_pEdit->SetTop(m_pTopFolder.get());
}

bool CMainDialog::SaveTree() {
    if (!m_pTopFolder)
        return true;
    try {
        ::SaveTree(*m_pTopFolder, m_settings, m_dataState);
    } catch (const CSettingsError& error) {
        m_nSavedChanges = g_nTreeChanges;
        // The data file is saved. The user hears once that the dock's place
        // was not stored, and closing goes on; a check value that was not
        // stored is said once too, and that once the window stays, so the
        // settings can be mended and stored by the next save. The next start
        // opens the data file either way: it asks for the password in use.
        if (!error.m_bCheckChanged) {
            if (!m_bToldPositionNotStored)
                ReportFileError(error);
            m_bToldPositionNotStored = true;
            return true;
        }
        if (m_toldCheckNotStored == m_settings.m_dwPasswordCheck)
            return true;
        m_toldCheckNotStored = m_settings.m_dwPasswordCheck;
        ReportFileError(error);
        return false;
    } catch (const CFileError& error) {
        // A save after a pause says so once, however often it is tried again.
        if (!m_bSavingAfterPause || !m_bPauseFailureShown)
            ReportFileError(error);
        m_bPauseFailureShown = m_bPauseFailureShown || m_bSavingAfterPause;
        return false;
    }
    m_nSavedChanges = g_nTreeChanges;
    m_bPauseFailureShown = false;
    return true;
}

void CMainDialog::SaveAfterPause() {
    if (!m_pTopFolder || g_nTreeChanges == m_nSavedChanges)
        return;
    // Not while a name is typed or a menu is open: the typing goes on
    // undisturbed, and a message would take the focus from the name editor,
    // which would put the half-typed name in. Another pause will come.
    bool typing = QApplication::activePopupWidget() != nullptr;
    for (const CBookmarkListCtrl* list : m_lists)
        typing = typing || list->IsEditing();
    if (typing) {
        m_pauseTimer.start();
        return;
    }
    m_bSavingAfterPause = true;
    SaveTree();
    m_bSavingAfterPause = false;
}

int CMainDialog::BindColumns(CItemObserver* level) {
    if (!m_pTopFolder)
        return 0;
    return ::BindColumns(level, m_pTopFolder.get(), m_lists[0], m_lists[1], m_lists[2]);
}

void CMainDialog::EndTree() {
    if (!m_pTopFolder)
        return;
    m_pEdit->SetTop(nullptr); // the history goes with the tree
    CFindPalette::CloseAll(this);
    for (CBookmarkListCtrl* list : m_lists)
        list->SetObserver(nullptr);
    ::EndTree(std::move(m_pTopFolder));
}

void CMainDialog::ReportFileError(const CFileError& error) {
    m_pMessageBox->Error(this, QString::fromLatin1(WINDOW_TITLE), error.Message());
}

// ------------------------------------------------------------------ commands

void CMainDialog::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

// NOLINTNEXTLINE(readability-function-size): one case per command, in one place
void CMainDialog::OnCommand(int id) {
    switch (id) {
    case CMD_CLOSE:
        OnOK();
        return;
    case CMD_CANCEL:
        OnCancel();
        return;
    case IDC_BTNCLOSE:
        PostCommand(CMD_CLOSE);
        return;
    case IDC_BTNMINI:
        QMetaObject::invokeMethod(
            this, [this] { showMinimized(); }, Qt::QueuedConnection);
        return;
    case IDC_BTNDOCK:
        OnDock();
        return;
    case IDC_BTNMAIN:
        if (!m_pTopFolder) {
            OnPromptGoOn(); // only the prompt for another password enables it
            return;
        }
        ShowMainPanel();
        return;
    case IDC_BTNIMPORT:
        OnImport();
        return;
    case IDC_BTNEXPORT:
        OnExport();
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
    if (id >= int(ID_OP_CUT) && id <= int(ID_OP_REDO)) {
        // The list the menu was opened on (or the key pressed in) has the focus.
        CBookmarkListCtrl* list = m_pActiveList;
        for (CBookmarkListCtrl* each : m_lists)
            if (focusWidget() == each)
                list = each;
        m_pEdit->OnCommand(list, unsigned(id));
        return;
    }
    if (id >= IDC_BTNADD && id <= IDC_BTNREN) {
        DoEditCommand(m_pActiveList, id - IDC_BTNADD);
        return;
    }
    if (id >= int(ID_OP_INSERT) && id <= int(ID_OP_RENAME)) {
        // The list the menu was opened on keeps the focus.
        QWidget* focused = focusWidget();
        for (CBookmarkListCtrl* list : m_lists)
            if (focused == list) {
                DoEditCommand(list, id - int(ID_OP_INSERT));
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
    case EDIT_DELETE:
    case EDIT_UP:
    case EDIT_DOWN:
        m_pEdit->Edit(folder, sel, code); // undoable
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
        m_pEdit->CommitAddress(item, m_pAddress->GetTargetBytes());
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
    m_shell.Open(HelpTarget(m_shell));
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
    std::vector<int> reveal;
    {
        CDockDialog dock(
            m_pTopFolder.get(), m_pContentMenu.get(),
            [this](const std::string& target) { OpenTarget(m_shell, TextFromBytes(target)); },
            m_settings.m_nDockX, m_settings.m_nDockY, this);
        result = dock.exec();
        m_settings.m_nDockX = dock.GetDockX();
        m_settings.m_nDockY = dock.GetDockY();
        reveal = dock.GetRevealRows();
    }
    showNormal();
    if (result == CDockDialog::RESULT_RETURN && !reveal.empty())
        RevealPath(reveal);
    // The dock window's Close is the main window's close command.
    if (result == CDockDialog::RESULT_CLOSE)
        PostCommand(CMD_CLOSE);
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

void CMainDialog::OnImport() {
    if (m_pTopFolder &&
        ImportFromMenu(this, GetDlgItem(IDC_BTNIMPORT), PlaceImported(), *m_pMessageBox))
        ShowImported();
}

void CMainDialog::OnExport() {
    if (m_pTopFolder)
        ExportBookmarks(this, *m_pTopFolder, *m_pMessageBox);
}

PlaceFolderFn CMainDialog::PlaceImported() {
    return [this](std::unique_ptr<CFolder> folder) {
        if (m_pTopFolder) // one undoable step
            m_pEdit->Editor().AppendFolder(m_pTopFolder.get(), std::move(folder));
    };
}

void CMainDialog::ShowImported() {
    // The top folder's columns, with the new folder (selected) and its items.
    BindColumns(g_pFirstLevel);
    ShowMainPanel();
}

namespace {

// The one local file a drag carries, or an empty text.
QString DraggedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() && LooksLikeBookmarkFile(url.toLocalFile()) ? url.toLocalFile()
                                                                         : QString();
}

} // namespace

void CMainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (m_pTopFolder && !DraggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDialog::dropEvent(QDropEvent* event) {
    const QString path = DraggedFile(event->mimeData());
    if (!m_pTopFolder || path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drag has ended: the source is not kept waiting on the messages.
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            if (m_pTopFolder && ImportBookmarkFile(this, path, PlaceImported(), *m_pMessageBox))
                ShowImported();
        },
        Qt::QueuedConnection);
}

void CMainDialog::OnPromptOK() {
    const QString typed = m_pPromptPassword->text();
    if (typed.isEmpty() || m_pTopFolder)
        return;
    switch (AnswerPrompt(m_settings, m_dataState, BytesFromText(typed))) {
    case PromptAnswer::accepted:
        LeavePrompt();
        return;
    case PromptAnswer::otherKey: // a match that does not open the data file
        ShowProtected();
        return;
    case PromptAnswer::refused:
        GetDlgItem(IDC_LBLINVALID)->show();
        return;
    }
}

void CMainDialog::OnPromptGoOn() {
    // As if no password were set: the fallback's tree is shown, and the data
    // file is kept as a backup when it is first replaced.
    m_settings.SetPassword({});
    LeavePrompt();
}

void CMainDialog::ShowProtected() {
    GetDlgItem(IDC_LBLPROTECTED)->show();
    GetDlgItem(IDC_BTNMAIN)->setEnabled(true); // goes on without the data file
}

void CMainDialog::LeavePrompt() {
    GetDlgItem(IDC_LBLPROTECTED)->hide();
    // What the prompt disabled and the main panel leaves alone.
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i)
        if (StateIn(CONTROLS[i], EPanel::Prompt) == EControlState::Disable &&
            StateIn(CONTROLS[i], EPanel::Main) == EControlState::Keep)
            m_controls[i]->setEnabled(true);
    LoadTree();
    BindColumns(g_pFirstLevel);
    ShowMainPanel();
}

void CMainDialog::OnUsePasswordClicked() {
    ShowPasswordFields(m_pUsePassword->isChecked());
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
