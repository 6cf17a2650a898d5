// Quillbox: a small organiser for one user's bookmarks and shortcuts.

#include "app/CommandLine.h"
#include "app/ExchangeCommand.h"
#include "app/InstanceChannel.h"
#include "app/InstanceLock.h"
#include "app/MainApp.h"
#include "app/PathPicker.h"
#include "app/Platform.h"
#include "app/Shell.h"
#include "store/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>

int main(int argc, char** argv) {
    // The command line is read before the application object, so that --help
    // and a wrong option answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CCommandLine line = ParseCommandLine(arguments);
    if (line.outcome != CCommandLine::run) {
        std::fputs(line.text.toLocal8Bit().constData(),
                   line.outcome == CCommandLine::print ? stdout : stderr);
        return line.ExitCode();
    }
    QString dataFolder, error;
    if (!PrepareDataFolder(line,
                           QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                           &dataFolder, &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    const QString strayNote = StrayDataFileNote(dataFolder, QDir::currentPath());
    if (!strayNote.isEmpty())
        std::fprintf(stderr, "quillbox: %s\n", strayNote.toLocal8Bit().constData());

    if (!line.importFile.isEmpty() || !line.exportFile.isEmpty()) {
        QCoreApplication application(argc, argv); // no window, no display needed
        CSettings settings;
        CFileInstanceLock lock;
        return RunExchangeCommand(line, dataFolder, lock, settings);
    }

    PreferX11OnWayland();
    // Without a runtime folder (an ssh or su session) the display plugin
    // warns on the terminal at every start: give it the private one that
    // holds the instance marker.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(CFileInstanceLock::DefaultFolder()));
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("quillbox")); // the desktop entry
    CSettings settings;
    CFileInstanceLock lock;
    CDesktopShell shell;
    CFileDialogPicker picker;
    CMainApp app({lock, settings, shell, picker, dataFolder});
    app.SetRequest(line.request);
    app.SetChannelPath(InstanceSocketPath());
    app.InitInstance();
    return app.ExitInstance();
}
