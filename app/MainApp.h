#pragma once
// The application object: the guard that lets one copy run, and the road from
// start to exit. It runs the main window modally and, when that ends, lets
// the process end; there is no other event loop.

#include <QString>

class CSettings;
class IInstanceLock;
class IPathPicker;
class IShell;

// What the program reaches outside itself; main() passes the real ones, tests
// fakes.
struct CAppServices {
    IInstanceLock& lock;
    CSettings& settings; // the process's one settings record
    IShell& shell;
    IPathPicker& picker;
    QString dataFolder; // empty: the current directory
};

class CMainApp final {
public:
    explicit CMainApp(const CAppServices& services) : m_services(services) {}
    CMainApp(const CMainApp&) = delete;
    CMainApp& operator=(const CMainApp&) = delete;

    // Takes the instance marker; when another copy holds it, returns at once
    // without a window and without touching a file or a setting. Otherwise
    // runs the main window until it closes. Always false: no event loop
    // follows.
    bool InitInstance();
    // Gives the marker back; returns the process's exit code.
    int ExitInstance();

    bool IsSecondCopy() const { return m_bSecondCopy; }

private:
    CAppServices m_services;
    bool m_bSecondCopy = false;
};
