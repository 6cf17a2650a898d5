// SPDX-License-Identifier: MIT
#include "app/MainDialog.h"

#include "app/Columns.h"
#include "app/EditActions.h"
#include "app/EmptyState.h"
#include "app/PathPicker.h"
#include "app/Shell.h"
#include "app/TidyActions.h"
#include "app/WindowExchange.h"
#include "edit/EditKeys.h"
#include "skin/BitmapResource.h"
#include "skin/BookmarkListCtrl.h"
#include "skin/DockDialog.h"
#include "skin/FindPalette.h"
#include "skin/QBBitmapButton.h"
#include "skin/WindowSkin.h"
#include "store/Settings.h"
#include "text/TextCodec.h"
#include "tree/Item.h"
#include "tree/MenuResource.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QInputDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSessionManager>
#include <QShortcut>
#include <QSpinBox>
#include <algorithm>

namespace {

constexpr char WINDOW_TITLE[] = "Quillbox";
constexpr char SKIN_NAME[] = "MainWnd";

// The hidden command buttons' texts, from IDC_NAVUP on.
constexpr const char* NAV_TEXTS[] = {"<", ">", "<<", ">>"};
static_assert(IDC_NAVUP + int(std::size(NAV_TEXTS)) - 1 == IDC_NAVDEEPEST);

// The editing buttons and the "OP" menu's commands run in the order of the
// editing codes.
static_assert(IDC_BTNADD + int(EditRename) == IDC_BTNREN);
static_assert(int(ID_OP_INSERT) + int(EditRename) == int(ID_OP_RENAME));
// A list column's keys for the next and the previous depth are the hidden
// navigation commands.
static_assert(int(ID_COLUMNS_UP) == IDC_NAVUP && int(ID_COLUMNS_DOWN) == IDC_NAVDOWN);

// The template's size, 327 x 274 dialog units of its 8-point font, until the
// skin gives the window its own.
constexpr QSize TEMPLATE_SIZE(491, 445);

// How long a note stays: long enough to read it.
int NoteMilliseconds(const QString& text) {
    return std::max(6000, 70 * static_cast<int>(text.size()));
}

// The note over the bottom of the window; a click puts it away.
class CNoteLabel final : public QLabel {
public:
    explicit CNoteLabel(QWidget* parent) : QLabel(parent) {
        setObjectName(QStringLiteral("Note"));
        setWordWrap(true);
        setMargin(8);
        setStyleSheet(QStringLiteral("QLabel#Note { background: rgba(38, 44, 58, 230); color: "
                                     "white; border-radius: 6px; }"));
        hide();
    }

protected:
    void mousePressEvent(QMouseEvent*) override { hide(); }
};

} // namespace

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
    m_pColumns = std::make_unique<CColumns>(m_lists, [this] { return m_pTopFolder.get(); });
    m_pEdit = std::make_unique<CEditActions>(*m_pColumns);
    for (CBookmarkListCtrl* list : m_lists)
        m_pEdit->Attach(list);
    m_pEdit->SetTell([this](const QString& text) {
        m_pMessageBox->Warning(this, QString::fromLatin1(WINDOW_TITLE), text);
    });
    m_pExchange = std::make_unique<CWindowExchange>(
        CWindowExchange::CWindow{this, [this] { return m_pTopFolder.get(); },
                                 [this]() -> IMessageBox& { return *m_pMessageBox; },
                                 [this] { ShowImported(); }},
        m_pEdit->Editor(), m_picker);
    m_pEmptyState = std::make_unique<CEmptyState>(
        m_lists[0], *m_pExchange, [this] { return m_pTopFolder && m_pTopFolder->GetCount() == 0; });
    m_pTidy = std::make_unique<CTidyActions>(
        CTidyActions::CWindow{this, [this] { return m_pTopFolder.get(); },
                              [this] { return m_dataState.m_strFolder; },
                              [this](const std::vector<int>& rows) { RevealPath(rows); }},
        m_pEdit->Editor());
    m_pPassword = std::make_unique<CPasswordPanel>(static_cast<IPasswordHost&>(*this), m_settings,
                                                   m_dataState);
    MakeCommands();
    resize(TEMPLATE_SIZE);
    m_pNote = new CNoteLabel(this);
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, m_pNote, &QWidget::hide);
    // A desktop logout may end the process without the close command: the
    // session's edits are saved when the session manager asks, and the
    // window stays as it is.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SaveTree(); });
    // Any input to the program's windows restarts the idle lock's time.
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] { Lock(); });
    qApp->installEventFilter(this);
}

CMainDialog::~CMainDialog() {
    qApp->removeEventFilter(this);
    EndTree();
    if (g_pAddressBox == m_pAddress)
        g_pAddressBox = nullptr;
    // The children outlive this part of the object: what they report while
    // they are taken down (the focus leaving them) must not reach it.
    m_pAddress->disconnect(this);
    for (CBookmarkListCtrl* list : m_lists) {
        list->m_onSelection = nullptr;
        list->m_onFocusIn = nullptr;
        list->m_onActivate = nullptr;
        list->m_onGo = nullptr;
        list->m_onMenuCommand = nullptr;
        m_pEdit->Detach(list);
    }
    m_pPassword.reset();
}

void CMainDialog::CreateControls() {
    m_controls.Create([this](const CControl& row) { return CreateControl(row); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] { ShowFindPalette(); });
    auto* lock = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(lock, &QShortcut::activated, this, [this] { OnCommand(IDC_LOCK); });
}

QWidget* CMainDialog::CreateControl(const CControl& row) {
    const int id = row.m_id;
    switch (row.m_kind) {
    case EControlKind::Default: {
        auto* button = new QPushButton(this);
        button->setDefault(true);
        button->setEnabled(false);
        button->hide();
        return button;
    }
    case EControlKind::List: {
        auto* list = new CBookmarkListCtrl(this);
        list->m_onSelection = &CColumns::FollowSelection;
        list->m_onFocusIn = &CColumns::FollowSelection;
        list->m_onActivate = [this](CBookmarkListCtrl* each) { SetActiveList(each); };
        list->m_onGo = [this](CBookmarkListCtrl*) { OnCommand(IDC_BTNGO); };
        list->m_onMenuCommand = [this](CBookmarkListCtrl*, unsigned command) {
            OnCommand(int(command));
        };
        m_lists.at(std::size_t(id - IDC_LIST1)) = list;
        return list;
    }
    case EControlKind::CheckBox:
        return new QCheckBox(this);
    case EControlKind::PasswordBox: // set up by the password panel
        return new QLineEdit(this);
    case EControlKind::AddressBox:
        m_pAddress = new CAddressEdit(this);
        connect(m_pAddress, &CAddressEdit::KillFocus, this, [this] {
            if (CItem* item = m_pAddress->GetCurrentItem())
                m_pEdit->CommitAddress(item, m_pAddress->GetTargetBytes());
        });
        return m_pAddress;
    case EControlKind::Button:
    case EControlKind::Label: {
        auto* button = new CQBBitmapButton(this);
        button->setText(QString::fromLatin1(row.m_name));
        button->setEnabled(row.m_kind == EControlKind::Button);
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        return button;
    }
    case EControlKind::Text: // the password panel's explanation
        return new QLabel(this);
    case EControlKind::Number: // set up by the password panel
        return new QSpinBox(this);
    case EControlKind::HiddenCommand: {
        const bool nav = id >= IDC_NAVUP && id <= IDC_NAVDEEPEST;
        auto* button = new QPushButton(
            QString::fromLatin1(nav ? NAV_TEXTS[std::size_t(id - IDC_NAVUP)] : row.m_name), this);
        button->setAutoDefault(false);
        button->hide();
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return button;
    }
    }
    return nullptr;
}

QWidget* CMainDialog::GetDlgItem(int id) const {
    return m_controls.Get(id);
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
    if (!m_save.SavedForEnd())
        SaveTree();
    return result();
}

void CMainDialog::OnEndRequest() {
    // Ends the dock window's run, a menu's or a message's as well as this
    // window's: the tree is taken down only after they have let go of it.
    if (m_save.SaveForEnd())
        QCoreApplication::exit(0);
}

void CMainDialog::HandInTyping() {
    // As when the pointer leaves for the close button: the name editor and
    // the address box hand in what they hold.
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
}

bool CMainDialog::OnInitDialog() {
    m_bInitialised = true;
    setWindowIcon(m_icon);
    setWindowTitle(QString::fromLatin1(WINDOW_TITLE));
    m_controls.Place();

    m_pEditMenu = MakeEditMenu();
    AppendEditCommands(*m_pEditMenu);
    AppendTidyCommands(*m_pEditMenu);
    m_pContentMenu = MakeContentMenu();
    for (CBookmarkListCtrl* list : m_lists)
        list->SetEditMenu(m_pEditMenu.get());

    m_pActiveList = m_lists[0];
    g_pAddressBox = m_pAddress;

    for (const CControl& row : CONTROLS)
        if (HasBitmap(row) && !static_cast<CQBBitmapButton*>(GetDlgItem(row.m_id))
                                   ->Init(row.m_id, m_pSkin.get(), this))
            return false;

    GetDlgItem(IDC_USEPASSWD)->setEnabled(false);
    GetDlgItem(IDC_BTNDOCK)->setEnabled(false);
    m_controls.PlaceColumns(3);

    LoadSettings(m_settings, m_dataState);
    GetDlgItem(IDC_USEPASSWD)->setEnabled(true);
    m_pSync = std::make_unique<CCollectionSync>(static_cast<ISyncHost&>(*this), m_settings,
                                                m_dataState, m_strStateFolder);

    const EPasswordNeed need = PasswordNeeded(m_settings, m_dataState);
    if (need != EPasswordNeed::None) {
        m_controls.ShowPanel(EPanel::Prompt);
        if (need == EPasswordNeed::DataFile)
            m_pPassword->ShowProtected();
    } else {
        GetDlgItem(IDC_BTNDOCK)->setEnabled(true);
        OpenTree();
    }
    return m_pSkin->Load(this, QString::fromLatin1(SKIN_NAME)) != 0;
}

void CMainDialog::ShowMainPanel() {
    m_controls.ShowPanel(EPanel::Main);
}

void CMainDialog::ShowOptionsPanel() {
    m_controls.ShowPanel(EPanel::Options);
    m_pPassword->FillOptions();
}

// ------------------------------------------------------------------- the tree

void CMainDialog::LoadTree() {
    EndTree();
    if (m_pSync)
        m_pSync->BeforeLoad();
    m_pTopFolder = StartTree(m_pContentMenu.get());
    try {
        ::LoadTree(*m_pTopFolder, m_settings, m_dataState);
    } catch (const CFileError& error) {
        // What was read before the damage stays in the tree and is shown.
        Tell(error);
    }
    m_pEdit->SetTop(m_pTopFolder.get());
    m_save.MarkInStep(); // the tree is the file's (what the file lacks, it says itself)
}

void CMainDialog::OpenTree() {
    LoadTree();
    BindColumns(g_pFirstLevel);
    ShowMainPanel();
    if (m_pSync)
        m_pSync->Loaded();
    RestartIdleTimer();
    PrepareSaveKey();
}

bool CMainDialog::Save() {
    m_save.MarkChanged(); // a new password is a change of the file
    const bool saved = SaveTree();
    RestartIdleTimer(); // a lock needs a password
    return saved;
}

CTreeEditor& CMainDialog::SyncEditor() {
    return m_pEdit->Editor();
}

void CMainDialog::HideTree() {
    m_idleTimer.stop();
    EndTree();
    for (CBookmarkListCtrl* list : m_lists)
        list->DeleteAllRows();
    m_pAddress->clear();
    m_controls.ShowPanel(EPanel::Prompt);
}

void CMainDialog::PasswordChangedElsewhere() {
    HideTree();
    m_pPassword->ShowChangedElsewhere();
}

bool CMainDialog::CanLock() const {
    return m_pTopFolder && (m_dataState.m_pStrongKey || !m_settings.m_strPassword.empty());
}

void CMainDialog::Lock() {
    if (!CanLock())
        return;
    // The dock window shows the tree: it closes first, and the lock follows
    // once its run has ended.
    for (CDockDialog* dock : findChildren<CDockDialog*>())
        if (dock->isVisible()) {
            dock->OnOK();
            QTimer::singleShot(0, this, [this] { Lock(); });
            return;
        }
    // A message or a file dialog that waits for the user keeps the tree.
    const QWidget* modal = QApplication::activeModalWidget();
    if (QApplication::activePopupWidget() || (modal && modal != this)) {
        RestartIdleTimer();
        return;
    }
    m_bLocking = true;
    const bool saved = SaveTree();
    m_bLocking = false;
    if (!saved) {
        RestartIdleTimer();
        return;
    }
    HideTree();
    // The prompt takes the password again: the check value stays for it, the
    // password and the strong key go.
    m_dataState.m_pStrongKey.reset();
    std::fill(m_settings.m_strPassword.begin(), m_settings.m_strPassword.end(), '\0');
    m_settings.m_strPassword.clear();
    m_pPassword->ShowLocked();
}

void CMainDialog::RestartIdleTimer() {
    if (m_settings.m_nLockIdleMinutes == 0 || !CanLock()) {
        m_idleTimer.stop();
        return;
    }
    m_idleTimer.start(
        m_nIdleMs > 0
            ? m_nIdleMs
            : int(std::min<std::uint32_t>(m_settings.m_nLockIdleMinutes, 24 * 60) * 60 * 1000));
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        if (m_idleTimer.isActive())
            RestartIdleTimer();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

bool CMainDialog::Confirm(const QString& text) {
    return m_pMessageBox->Question(this, QString::fromLatin1(WINDOW_TITLE), text);
}

void CMainDialog::SetStrongParams(const CStrongParams& params) {
    m_pPassword->SetStrongParams(params);
}

std::optional<std::string> CMainDialog::AskCopyPassword(const QString& path) {
    bool ok = false;
    const QString typed = QInputDialog::getText(
        this, QString::fromLatin1(WINDOW_TITLE),
        QStringLiteral("The conflict copy %1 is protected by another password.\nType its "
                       "password to merge it into the collection:")
            .arg(path),
        QLineEdit::Password, QString(), &ok);
    if (!ok || typed.isEmpty())
        return std::nullopt;
    return BytesFromText(typed);
}

void CMainDialog::ShowNote(const QString& text) {
    if (text.isEmpty())
        return;
    m_pNote->setText(text);
    // Over the bottom of the three columns, inside the window's shape.
    const QRect columns =
        GetDlgItem(IDC_LIST1)->geometry().united(GetDlgItem(IDC_LIST3)->geometry());
    const int width = std::max(200, columns.width() - 16);
    m_pNote->setFixedWidth(width);
    const int height = std::min(m_pNote->heightForWidth(width), columns.height());
    m_pNote->setFixedHeight(height);
    m_pNote->move(columns.left() + (columns.width() - width) / 2,
                  std::max(columns.top(), columns.bottom() - height - 8));
    m_pNote->raise();
    m_pNote->show();
    m_noteTimer.start(NoteMilliseconds(text));
}

QString CMainDialog::NoteText() const {
    return m_pNote->isVisible() ? m_pNote->text() : QString();
}

bool CMainDialog::SaveTree() {
    return m_save.Save();
}

void CMainDialog::WriteTree() {
    // What arrived on disk and was not seen yet comes in first: a save never
    // replaces bytes it has not seen.
    if (m_pSync)
        m_pSync->BeforeSave();
    ::SaveTree(*m_pTopFolder, m_settings, m_dataState);
    if (!m_bLocking)
        PrepareSaveKey(); // the save took the prepared key
    if (m_pSync)
        m_pSync->Saved();
}

void CMainDialog::PrepareSaveKey() {
    const std::shared_ptr<CStrongKey> key = m_dataState.m_pStrongKey;
    // Claimed here, so that a save from now on waits for the worker's key
    // rather than deriving one of its own.
    if (!key || !key->ClaimPreparation())
        return;
    // The job holds the key until its derivation ends: a Lock meanwhile
    // drops the window's reference, and the worker's goes (and wipes the
    // password) when it is done.
    m_keyWorker.Run([key] { key->PrepareClaimed(); });
}

bool CMainDialog::CheckingPassword() const {
    return m_pPassword->Checking();
}

void CMainDialog::WriteSettings() {
    SaveSettings(m_settings, m_dataState);
}

bool CMainDialog::IsBusy() const {
    return QApplication::activePopupWidget() != nullptr ||
           std::any_of(m_lists.begin(), m_lists.end(),
                       [](const CBookmarkListCtrl* list) { return list->IsEditing(); });
}

int CMainDialog::BindColumns(CItemObserver* level) {
    return m_pColumns->Bind(level);
}

void CMainDialog::EndTree() {
    if (!m_pTopFolder)
        return;
    m_pTidy->Stop();
    m_pEdit->SetTop(nullptr); // the history goes with the tree
    CFindPalette::CloseAll(this);
    for (CBookmarkListCtrl* list : m_lists)
        list->SetObserver(nullptr);
    ::EndTree(std::move(m_pTopFolder));
}

void CMainDialog::Tell(const CFileError& error) {
    m_pMessageBox->Error(this, QString::fromLatin1(WINDOW_TITLE), error.Message());
}

// ------------------------------------------------------------------ commands

void CMainDialog::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

void CMainDialog::OnCommand(int id) {
    m_commands.Run(id);
}

void CMainDialog::MakeCommands() {
    m_commands.Add(CmdClose, [this] { OnOK(); })
        .Add(CmdCancel, [this] { OnCancel(); })
        .Add(IDC_BTNCLOSE, [this] { PostCommand(CmdClose); })
        .Add(IDC_BTNMINI,
             [this] {
                 QMetaObject::invokeMethod(
                     this, [this] { showMinimized(); }, Qt::QueuedConnection);
             })
        .Add(IDC_BTNDOCK, [this] { OnDock(); })
        .Add(IDC_BTNMAIN,
             [this] {
                 if (m_pTopFolder)
                     ShowMainPanel();
                 else // only the prompt for another password enables it
                     m_pPassword->OnPromptGoOn();
             })
        .Add(IDC_BTNIMPORT, [this] { m_pExchange->Import(GetDlgItem(IDC_BTNIMPORT)); })
        .Add(IDC_BTNEXPORT, [this] { m_pExchange->Export(); })
        .Add(IDC_BTNLINKS, [this] { m_pTidy->CheckLinks(nullptr); })
        .Add(IDC_BTNDOUBLES, [this] { m_pTidy->FindDuplicates(nullptr); })
        .Add(int(ID_OP_CHECKLINKS),
             [this] { m_pTidy->CheckLinks(CTidyActions::ScopeOf(FocusedList())); })
        .Add(int(ID_OP_DUPLICATES),
             [this] { m_pTidy->FindDuplicates(CTidyActions::ScopeOf(FocusedList())); })
        .Add(IDC_BTNABOUT, [this] { m_controls.ShowPanel(EPanel::About); })
        .Add(IDC_BTNOPT, [this] { ShowOptionsPanel(); })
        .Add(IDC_BTNTITLE,
             [this] {
                 m_shell.Open(QString::fromLatin1(BLANK_PAGE));
                 m_shell.Open(QString::fromLatin1(HOME_PAGE_URL));
             })
        .Add(IDC_BTNGO, [this] { OpenTarget(m_shell, m_pAddress->text()); })
        .Add(IDC_BTNSELECT, [this] { OnSelect(); })
        .Add(IDC_BTNHELP, [this] { m_shell.Open(HelpTarget(m_shell)); })
        .Add(IDC_BTNSAVE, [this] { m_pPassword->OnSavePassword(); })
        .Add(IDC_BTNOK, [this] { m_pPassword->OnPromptOK(); })
        .Add(IDC_LOCK, [this] { Lock(); })
        .Add(IDC_NAVUP, [this] { m_pColumns->StepUp(); })
        .Add(IDC_NAVDOWN, [this] { m_pColumns->StepDown(); })
        .Add(IDC_NAVTOP, [this] { m_pColumns->ShowTop(); })
        .Add(IDC_NAVDEEPEST, [this] { m_pColumns->ShowDeepest(); })
        .Add(
            int(ID_OP_CUT), int(ID_OP_REDO),
            [this](int offset) { m_pEdit->OnCommand(FocusedList(), ID_OP_CUT + unsigned(offset)); })
        .Add(IDC_BTNADD, IDC_BTNREN, [this](int code) { m_pEdit->EditRow(m_pActiveList, code); })
        .Add(int(ID_OP_INSERT), int(ID_OP_RENAME), [this](int code) {
            // The list the menu was opened on keeps the focus.
            for (CBookmarkListCtrl* list : m_lists)
                if (focusWidget() == list)
                    m_pEdit->EditRow(list, code);
        });
}

CBookmarkListCtrl* CMainDialog::FocusedList() const {
    CBookmarkListCtrl* list = m_pActiveList;
    for (CBookmarkListCtrl* each : m_lists)
        if (focusWidget() == each)
            list = each;
    return list;
}

void CMainDialog::OnSelect() {
    const std::optional<QString> chosen =
        m_picker.PickFileOrFolder(QString::fromLatin1(BROWSE_PROMPT));
    if (!chosen)
        return;
    m_pAddress->setText(*chosen);
    m_pAddress->setFocus();
}

void CMainDialog::OnOK() {
    if (m_pTopFolder) {
        if (!SaveTree())
            return;
        EndTree();
    }
    QDialog::accept();
}

void CMainDialog::ShowImported() {
    // The top folder's columns, with the new folder (selected) and its items.
    BindColumns(g_pFirstLevel);
    ShowMainPanel();
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_pExchange->DroppableFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDialog::dropEvent(QDropEvent* event) {
    const QString path = m_pExchange->DroppableFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    m_pExchange->ImportDropped(path);
}

// ------------------------------------------------------------------ painting

void CMainDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_pSkin->Paint(painter);
}
