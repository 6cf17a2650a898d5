// SPDX-License-Identifier: MIT
#pragma once
// The password's part of the main window: the prompt for the password at the
// start (with the explanation that the data file is under another one), and
// the options panel's "use password" box with the new password and its
// confirmation, and its "strong protection" box (store/StrongFormat.h).
// Works on the window's controls (app/MainControls.h).

#include "app/WorkerThread.h"
#include "store/StrongFormat.h"

#include <QObject>

struct CDataFileState;
enum class EPromptAnswer;
class CSettings;
class QCheckBox;
class QLineEdit;
class QWidget;

// What the password panel needs of the window.
class IPasswordHost {
public:
    virtual ~IPasswordHost() = default;
    virtual QWidget* Control(int id) const = 0;
    // Whether a tree is loaded (none while the prompt is up).
    virtual bool HasTree() const = 0;
    // The prompt was answered: load the tree and show the main panel.
    virtual void OpenTree() = 0;
    // Writes the tree with the settings now in force; false when it failed
    // (and the user was told).
    virtual bool Save() = 0;
    virtual void ShowMainPanel() = 0;
    // Asks the user to go on with text; true for yes.
    virtual bool Confirm(const QString& text) = 0;
};

class CPasswordPanel final : public QObject {
public:
    // Takes over the password controls of host, which are made already.
    CPasswordPanel(IPasswordHost& host, CSettings& settings, CDataFileState& dataState);
    ~CPasswordPanel() override;
    CPasswordPanel(const CPasswordPanel&) = delete;
    CPasswordPanel& operator=(const CPasswordPanel&) = delete;

    // The prompt's explanation that the data file is under another password.
    void ShowProtected();
    // The same, for a data file that another machine put under a new
    // password while the tree was shown.
    void ShowChangedElsewhere();
    // The prompt after Lock: an empty password field, no explanation.
    void ShowLocked();
    // BtnOK at the prompt: the typed password opens the tree, or says why not.
    // A strong data file is opened on a worker thread (a key derivation takes
    // about half a second): meanwhile the window paints, the password field
    // and BtnOK are disabled under a wait cursor, and the answer comes after.
    void OnPromptOK();
    // Whether the prompt's password is being checked on the worker.
    bool Checking() const { return m_checker.Busy(); }
    // BtnMain at the prompt for the data file's own password: go on without it.
    void OnPromptGoOn();
    // The options panel has opened: its boxes show the password in use.
    void FillOptions();
    // BtnSave: the password (or none) and its format as the boxes say, then
    // the main panel. A strong password is never empty; leaving the strong
    // format asks the user first.
    void OnSavePassword();
    // The work of the strong keys made in the options (tests use cheap ones).
    void SetStrongParams(const CStrongParams& params) { m_strongParams = params; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LeavePrompt();
    void Answer(EPromptAnswer answer);
    void CheckStrong(std::string typed);
    // The new password, its confirmation and their labels.
    void ShowPasswordFields(bool show);

    IPasswordHost& m_host;
    CSettings& m_settings;
    CDataFileState& m_dataState;
    QCheckBox* m_pUsePassword;
    QCheckBox* m_pStrong;
    QLineEdit* m_pNewPassword;
    QLineEdit* m_pConfirm;
    QLineEdit* m_pPromptPassword;
    CStrongParams m_strongParams = STRONG_PARAMS;
    CWorkerThread m_checker; // the prompt's check of a strong password
};
