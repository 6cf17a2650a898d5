// SPDX-License-Identifier: MIT
#pragma once
// The application object: the guard that lets one copy run, and the road from
// start to exit. It runs the main window modally and, when that ends, lets
// the process end; there is no other event loop.

#include "app/AppRequest.h"

#include <QString>

class CSettings;
class IInstanceLock;
class IMessageBox;
class IPathPicker;
class IShell;

// What the program reaches outside itself; main() passes the real ones, tests
// fakes.
struct CAppServices {
    IInstanceLock& m_lock;
    CSettings& m_settings; // the process's one settings record
    IShell& m_shell;
    IPathPicker& m_picker;
    QString m_dataFolder;              // empty: the current directory
    IMessageBox* m_messages = nullptr; // null: DesktopMessageBox()
    // Where the merge history of the data file lives; empty keeps none.
    QString m_stateFolder = {};
    // A note for the window once it shows (a data file found elsewhere).
    QString m_startNote = {};
};

class CMainApp final {
public:
    explicit CMainApp(const CAppServices& services) : m_services(services) {}
    CMainApp(const CMainApp&) = delete;
    CMainApp& operator=(const CMainApp&) = delete;

    // Takes the instance marker; when another copy holds it, returns at once
    // without a window and without touching a file or a setting (after
    // handing a request over to that copy, or saying that it runs on
    // another data folder). A pipe or a device in the place
    // of the data file, the fallback or the settings file is named on
    // standard error and in a message, and the run ends without reading
    // them. Otherwise listens for requests and runs the main window until it
    // closes. Always false: no event loop follows.
    bool InitInstance();
    // Gives the marker back; returns the process's exit code: 1 when a
    // request could not be handed over or the files refused, else 0.
    int ExitInstance();

    bool IsSecondCopy() const { return m_bSecondCopy; }

    // What the command line asks of the running copy (--menu, --find). A
    // second copy hands it over and ends; the first does it once its window
    // is up.
    void SetRequest(EAppRequest request) { m_request = request; }
    // Where the running copy listens for requests (InstanceSocketPath());
    // empty: no channel.
    void SetChannelPath(const QString& path) { m_channelPath = path; }

private:
    CAppServices m_services;
    EAppRequest m_request = EAppRequest::None;
    QString m_channelPath;
    bool m_bSecondCopy = false;
    bool m_bFailed = false;

    // A second copy: when the running copy uses another data folder, says
    // so (and how to reach this one) and returns true for a plain start,
    // which then ends; a request is only noted on standard error and
    // still handed over.
    bool TellOtherFolder();
    // Says text on standard error and in a message box.
    void Tell(const QString& text);
};
