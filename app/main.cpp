// Quillbox: a small organiser for one user's bookmarks and shortcuts.

#include "app/InstanceLock.h"
#include "app/MainApp.h"
#include "app/PathPicker.h"
#include "app/Platform.h"
#include "app/Shell.h"
#include "store/Settings.h"

#include <QApplication>

int main(int argc, char** argv) {
    PreferX11OnWayland();
    QApplication application(argc, argv);
    CSettings settings;
    CFileInstanceLock lock;
    CDesktopShell shell;
    CFileDialogPicker picker;
    CMainApp app({lock, settings, shell, picker, QString()});
    app.InitInstance();
    return app.ExitInstance();
}
