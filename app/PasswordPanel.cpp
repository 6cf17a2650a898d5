// SPDX-License-Identifier: MIT
#include "app/PasswordPanel.h"

#include "app/MainControls.h"
#include "store/DataFile.h"
#include "store/Settings.h"
#include "text/TextCodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>
#include <optional>
#include <string>

namespace {

// Shown at the prompt when the data file does not open with the key in use.
constexpr char PROTECTED_TEXT[] =
    "Quillbox.dat is protected by another password. Type that password, or press M to go on "
    "without it (the file is then kept as a backup).";

// The same when the file was replaced while the program ran.
constexpr char CHANGED_ELSEWHERE_TEXT[] =
    "Quillbox.dat was changed on another machine and is now protected by another password. Type "
    "that password, or press M to go on without it (the file is then kept as a backup).";

// Asked before a strong data file goes back to the classic format.
constexpr char WEAKER_TEXT[] =
    "Without strong protection Quillbox.dat is written in the classic format again, which keeps "
    "out casual eyes only: 8 password bytes, a weak cipher and no protection against changes. "
    "Go on?";

// A wait cursor while a strong key is derived (about half a second).
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

CPasswordPanel::CPasswordPanel(IPasswordHost& host, CSettings& settings, CDataFileState& dataState)
    : m_host(host), m_settings(settings), m_dataState(dataState),
      m_pUsePassword(qobject_cast<QCheckBox*>(host.Control(IDC_USEPASSWD))),
      m_pStrong(qobject_cast<QCheckBox*>(host.Control(IDC_STRONG))),
      m_pNewPassword(qobject_cast<QLineEdit*>(host.Control(IDC_NEWPASSWD))),
      m_pConfirm(qobject_cast<QLineEdit*>(host.Control(IDC_CONFIRM))),
      m_pPromptPassword(qobject_cast<QLineEdit*>(host.Control(IDC_PROMPTPASSWD))) {
    connect(m_pUsePassword, &QCheckBox::clicked, this,
            [this] { ShowPasswordFields(m_pUsePassword->isChecked()); });
    for (QLineEdit* box : {m_pNewPassword, m_pConfirm, m_pPromptPassword}) {
        box->setEchoMode(QLineEdit::Password);
        box->installEventFilter(this);
    }
    if (auto* label = qobject_cast<QLabel*>(host.Control(IDC_LBLPROTECTED))) {
        label->setText(QString::fromUtf8(PROTECTED_TEXT));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(QStringLiteral("color: #7a1f12; font-weight: bold;"));
    }
    if (auto* label = qobject_cast<QLabel*>(host.Control(IDC_LBLSTRONGEMPTY))) {
        label->setText(QStringLiteral("Strong protection needs a password."));
        label->setStyleSheet(QStringLiteral("color: #7a1f12; font-weight: bold;"));
    }
    if (auto* label = qobject_cast<QLabel*>(host.Control(IDC_LBLLOCKIDLE))) {
        label->setText(QStringLiteral("Lock after minutes idle (0: never):"));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (auto* minutes = qobject_cast<QSpinBox*>(host.Control(IDC_LOCKIDLE)))
        minutes->setRange(0, 24 * 60);
    // Ticking strong protection asks for a password as "use password" does.
    connect(m_pStrong, &QCheckBox::clicked, this, [this] {
        if (m_pStrong->isChecked() && !m_pUsePassword->isChecked()) {
            m_pUsePassword->setChecked(true);
            ShowPasswordFields(true);
        }
    });
    connect(m_pUsePassword, &QCheckBox::clicked, this, [this] {
        if (!m_pUsePassword->isChecked())
            m_pStrong->setChecked(false);
    });
}

CPasswordPanel::~CPasswordPanel() {
    if (Checking()) { // the window goes during a check: its answer is dropped
        m_checker.Join();
        QApplication::restoreOverrideCursor();
    }
    for (QLineEdit* box : {m_pNewPassword, m_pConfirm, m_pPromptPassword})
        box->removeEventFilter(this);
}

void CPasswordPanel::FillOptions() {
    const QString password = TextFromBytes(m_settings.m_strPassword);
    m_pNewPassword->setText(password);
    m_pConfirm->setText(password);
    // A strong key keeps its password to itself: the fields stay empty, and
    // saving them empty keeps it.
    const bool strong = m_dataState.m_pStrongKey != nullptr;
    const bool on = strong || !m_settings.m_strPassword.empty();
    m_pUsePassword->setChecked(on);
    m_pStrong->setChecked(strong);
    if (auto* minutes = qobject_cast<QSpinBox*>(m_host.Control(IDC_LOCKIDLE)))
        minutes->setValue(int(m_settings.m_nLockIdleMinutes));
    if (on)
        ShowPasswordFields(true);
}

void CPasswordPanel::ShowPasswordFields(bool show) {
    for (int id : {IDC_NEWPASSWD, IDC_CONFIRM, IDC_LBLPASSWD, IDC_LBLCONFIRM})
        m_host.Control(id)->setVisible(show);
}

void CPasswordPanel::OnPromptOK() {
    const QString typed = m_pPromptPassword->text();
    if (typed.isEmpty() || m_host.HasTree() || Checking())
        return;
    if (DataFileFormat(m_dataState) == EDataFormat::Strong) {
        CheckStrong(BytesFromText(typed));
        return;
    }
    Answer(AnswerPrompt(m_settings, m_dataState, BytesFromText(typed)));
}

void CPasswordPanel::CheckStrong(std::string typed) {
    for (int id : {IDC_PROMPTPASSWD, IDC_BTNOK})
        m_host.Control(id)->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto key = std::make_shared<std::shared_ptr<CStrongKey>>();
    m_checker.Run(
        [folder = m_dataState.m_strFolder, typed = std::move(typed), key]() mutable {
            *key = StrongKeyThatOpens(folder, typed);
            std::fill(typed.begin(), typed.end(), '\0');
        },
        [this, key] {
            QApplication::restoreOverrideCursor();
            for (int id : {IDC_PROMPTPASSWD, IDC_BTNOK})
                m_host.Control(id)->setEnabled(true);
            // Gone on without the password meanwhile: the answer is late.
            if (m_host.HasTree())
                return;
            m_pPromptPassword->setFocus();
            Answer(AnswerStrongPrompt(m_settings, m_dataState, std::move(*key)));
        });
}

void CPasswordPanel::Answer(EPromptAnswer answer) {
    switch (answer) {
    case EPromptAnswer::Accepted:
        m_pPromptPassword->clear(); // the password is not kept in the box
        LeavePrompt();
        return;
    case EPromptAnswer::OtherKey: // a match that does not open the data file
        ShowProtected();
        return;
    case EPromptAnswer::Refused:
        m_host.Control(IDC_LBLINVALID)->show();
        return;
    }
}

void CPasswordPanel::OnPromptGoOn() {
    if (Checking())
        return;
    // As if no password were set: the fallback's tree is shown, and the data
    // file is kept as a backup when it is first replaced.
    m_settings.SetPassword({});
    LeavePrompt();
}

void CPasswordPanel::ShowProtected() {
    m_host.Control(IDC_LBLPROTECTED)->show();
    m_host.Control(IDC_BTNMAIN)->setEnabled(true); // goes on without the data file
}

void CPasswordPanel::ShowChangedElsewhere() {
    if (auto* label = qobject_cast<QLabel*>(m_host.Control(IDC_LBLPROTECTED)))
        label->setText(QString::fromUtf8(CHANGED_ELSEWHERE_TEXT));
    m_pPromptPassword->clear();
    ShowProtected();
}

void CPasswordPanel::ShowLocked() {
    m_pPromptPassword->clear();
    m_pPromptPassword->setFocus();
}

void CPasswordPanel::LeavePrompt() {
    m_host.Control(IDC_LBLPROTECTED)->hide();
    if (auto* label = qobject_cast<QLabel*>(m_host.Control(IDC_LBLPROTECTED)))
        label->setText(QString::fromUtf8(PROTECTED_TEXT));
    // What the prompt disabled and the main panel leaves alone.
    for (const CControl& row : CONTROLS)
        if (StateIn(row, EPanel::Prompt) == EControlState::Disable &&
            StateIn(row, EPanel::Main) == EControlState::Keep)
            m_host.Control(row.m_id)->setEnabled(true);
    m_host.OpenTree();
}

void CPasswordPanel::OnSavePassword() {
    const bool wasStrong = m_dataState.m_pStrongKey != nullptr;
    const bool use = m_pUsePassword->isChecked();
    const bool strong = use && m_pStrong->isChecked();
    m_host.Control(IDC_LBLSTRONGEMPTY)->hide();
    m_host.Control(IDC_LBLNOTMATCH)->hide();
    std::string password;
    if (use) {
        const QString typed = m_pNewPassword->text();
        if (typed != m_pConfirm->text()) {
            m_host.Control(IDC_LBLNOTMATCH)->show();
            return;
        }
        if (typed.isEmpty() && !(strong && wasStrong)) { // empty fields keep a strong key
            if (strong)
                m_host.Control(IDC_LBLSTRONGEMPTY)->show();
            return;
        }
        password = BytesFromText(typed);
    }
    if (wasStrong && !strong && !m_host.Confirm(QString::fromUtf8(WEAKER_TEXT)))
        return;
    m_pNewPassword->clear();
    m_pConfirm->clear();
    if (auto* minutes = qobject_cast<QSpinBox*>(m_host.Control(IDC_LOCKIDLE)))
        m_settings.m_nLockIdleMinutes = std::uint32_t(minutes->value());
    if (strong) {
        if (!password.empty())
            m_dataState.m_pStrongKey = CStrongKey::FromPassword(password, m_strongParams);
        // The data file alone checks a strong password: no check value.
        m_settings.SetPassword({});
    } else {
        m_dataState.m_pStrongKey.reset();
        m_settings.SetPassword(password);
    }
    std::fill(password.begin(), password.end(), '\0');
    bool saved = false;
    {
        std::optional<CWaitCursor> wait;
        if (strong)
            wait.emplace();
        saved = m_host.Save();
    }
    if (saved)
        m_host.ShowMainPanel();
}

bool CPasswordPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_pPromptPassword)
            m_host.Control(IDC_LBLINVALID)->hide();
        else if (watched == m_pNewPassword)
            m_host.Control(IDC_LBLNOTMATCH)->hide();
    }
    return QObject::eventFilter(watched, event);
}
