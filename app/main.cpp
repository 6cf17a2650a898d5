// SPDX-License-Identifier: MIT
// Quillbox: a small organiser for one user's bookmarks and shortcuts.

#include "app/CommandLine.h"
#include "app/ExchangeCommand.h"
#include "app/InstanceChannel.h"
#include "app/InstanceLock.h"
#include "app/MainApp.h"
#include "app/MessageBox.h"
#include "app/PathPicker.h"
#include "app/Platform.h"
#include "app/Shell.h"
#include "store/Settings.h"
#include "sync/MergeHistory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>

namespace {

// Before the application object: the platform and a runtime folder.
void PrepareDisplay() {
    PreferX11OnWayland();
    // Without a runtime folder (an ssh or su session) the display plugin
    // warns on the terminal at every start: give it the private one that
    // holds the instance marker.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(CFileInstanceLock::DefaultFolder()));
}

// Whether a message box can show: a desktop's display, not a platform
// without one (where a modal box would wait for ever).
bool HasScreen() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    // The command line is read before the application object, so that --help
    // and a wrong option answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CCommandLine line = ParseCommandLine(arguments);
    if (line.m_outcome != CCommandLine::Run) {
        std::fputs(line.m_text.toLocal8Bit().constData(),
                   line.m_outcome == CCommandLine::Print ? stdout : stderr);
        return line.ExitCode();
    }
    const bool exchange = !line.m_importFile.isEmpty() || !line.m_exportFile.isEmpty();
    QString dataFolder, error;
    if (!PrepareDataFolder(line,
                           QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                           &dataFolder, &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        // A start from the desktop's menu has no terminal to read: the
        // message shows in a box as well.
        if (!exchange && HasScreen()) {
            PrepareDisplay();
            QApplication application(argc, argv);
            QString text = error.mid(error.indexOf(QLatin1Char(' ')) + 1); // no "quillbox: "
            text[0] = text[0].toUpper();
            DesktopMessageBox().Error(nullptr, QStringLiteral("Quillbox"), text);
        }
        return 1;
    }
    const QString strayNote = StrayDataFileNote(dataFolder, QDir::currentPath());
    if (!strayNote.isEmpty())
        std::fprintf(stderr, "quillbox: %s\n", strayNote.toLocal8Bit().constData());

    if (exchange) {
        QCoreApplication application(argc, argv); // no window, no display needed
        CSettings settings;
        CFileInstanceLock lock;
        return RunExchangeCommand(line, dataFolder, lock, settings);
    }

    if (!HasDesktopSession()) {
        std::fprintf(stderr, "%s\n", NO_DESKTOP_SESSION_TEXT);
        return 1;
    }
    PrepareDisplay();
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("quillbox")); // the desktop entry
    CSettings settings;
    CFileInstanceLock lock;
    CDesktopShell shell;
    CFileDialogPicker picker;
    CMainApp app({lock, settings, shell, picker, dataFolder, nullptr,
                  CMergeHistory::DefaultStateFolder(), strayNote});
    app.SetRequest(line.m_request);
    app.SetChannelPath(InstanceSocketPath());
    app.InitInstance();
    return app.ExitInstance();
}
