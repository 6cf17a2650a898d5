// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"

#include "store/DataFile.h"
#include "store/PrivateFolder.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <array>

#ifndef QB_VERSION
#define QB_VERSION "unknown"
#endif

namespace {

// Qt's application object reads these itself; the first group takes a value.
constexpr std::array QT_VALUE_OPTIONS{
    "-session", "-platform",   "-platformpluginpath", "-platformtheme", "-plugin",      "-display",
    "-style",   "-stylesheet", "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-name",
    "-title",   "-geometry"};
constexpr std::array QT_FLAG_OPTIONS{"-reverse", "-nograb", "-dograb", "-sync", "-widgetcount"};

QStringList WithoutQtOptions(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            return kept + arguments.mid(i);
        const auto is = [&argument](const char* name) { return argument == QLatin1String(name); };
        if (i > 0 && std::any_of(QT_VALUE_OPTIONS.begin(), QT_VALUE_OPTIONS.end(), is)) {
            ++i; // and its value
            continue;
        }
        if (i > 0 && std::any_of(QT_FLAG_OPTIONS.begin(), QT_FLAG_OPTIONS.end(), is))
            continue;
        kept << argument;
    }
    return kept;
}

// The parser's help with a fixed program name: without an application object
// it would print a placeholder, with one the path it was started by.
QString Usage(const QCommandLineParser& parser) {
    QString text = parser.helpText();
    text.remove(0, text.indexOf(QLatin1Char('\n')) + 1);
    return QStringLiteral("Usage: quillbox [options]\n") + text;
}

CCommandLine UsageError(const QCommandLineParser& parser, QString message) {
    // Qt's own words ("Unknown option 'x'.") start in lower case too, as every
    // message after "quillbox: " does.
    if (!message.isEmpty())
        message[0] = message[0].toLower();
    CCommandLine line;
    line.m_outcome = CCommandLine::UsageError;
    line.m_text = QStringLiteral("quillbox: ") + message + QStringLiteral("\n\n") + Usage(parser);
    return line;
}

} // namespace

CCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quillbox keeps your bookmarks and shortcuts in a tree of folders.\n"
                       "Started without a folder option it keeps them in your own data folder,\n"
                       "$XDG_DATA_HOME/Quillbox (~/.local/share/Quillbox)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Keep the data file and its backups in <folder>, which must exist, "
                       "instead of your own data folder (\".\" for the current folder)."),
        QStringLiteral("folder"));
    const QCommandLineOption userData(
        QStringLiteral("user-data"),
        QStringLiteral("Keep the data file in your own data folder, $XDG_DATA_HOME/Quillbox "
                       "(~/.local/share/Quillbox), made on first use. This is also what happens "
                       "without a folder option."));
    const QCommandLineOption menu(
        QStringLiteral("menu"),
        QStringLiteral("Show the menu of all bookmarks at the mouse pointer, starting Quillbox "
                       "when it is not running. Bind it to a key in your desktop's settings."));
    const QCommandLineOption find(QStringLiteral("find"),
                                  QStringLiteral("Open the quick-find box of the running Quillbox, "
                                                 "starting it when it is not running."));

    const QCommandLineOption importFile(
        QStringLiteral("import"),
        QStringLiteral("Add the bookmarks of the bookmark file <file> (HTML as browsers export "
                       "them, or XBEL) in a new folder, save and exit, without a window."),
        QStringLiteral("file"));
    const QCommandLineOption exportFile(
        QStringLiteral("export"),
        QStringLiteral("Write all bookmarks to the bookmark file <file> (HTML as browsers "
                       "import them; XBEL when its name ends in .xbel) and exit, without a "
                       "window."),
        QStringLiteral("file"));
    parser.addOptions({help, version, dataDir, userData, menu, find, importFile, exportFile});

    if (!parser.parse(WithoutQtOptions(arguments)))
        return UsageError(parser, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return UsageError(parser, QStringLiteral("unexpected argument '%1'.")
                                      .arg(parser.positionalArguments().constFirst()));

    CCommandLine line;
    if (parser.isSet(help)) {
        line.m_outcome = CCommandLine::Print;
        line.m_text = Usage(parser);
        return line;
    }
    if (parser.isSet(version)) {
        line.m_outcome = CCommandLine::Print;
        line.m_text = QStringLiteral("quillbox " QB_VERSION "\n");
        return line;
    }
    if (parser.values(dataDir).size() > 1)
        return UsageError(parser, QStringLiteral("--data-dir is given more than once."));
    if (parser.isSet(dataDir) && parser.isSet(userData))
        return UsageError(parser, QStringLiteral("--data-dir and --user-data exclude each other."));
    if (parser.isSet(menu) && parser.isSet(find))
        return UsageError(parser, QStringLiteral("--menu and --find exclude each other."));
    line.m_dataDir = parser.value(dataDir);
    if (parser.isSet(dataDir) && line.m_dataDir.isEmpty())
        return UsageError(parser, QStringLiteral("--data-dir needs a folder."));
    line.m_userDataFolder = parser.isSet(userData);
    line.m_request = parser.isSet(menu)   ? EAppRequest::Menu
                     : parser.isSet(find) ? EAppRequest::Find
                                          : EAppRequest::None;
    if (parser.values(importFile).size() + parser.values(exportFile).size() > 1)
        return UsageError(parser, QStringLiteral("give one --import or --export at a time."));
    line.m_importFile = parser.value(importFile);
    line.m_exportFile = parser.value(exportFile);
    if ((parser.isSet(importFile) && line.m_importFile.isEmpty()) ||
        (parser.isSet(exportFile) && line.m_exportFile.isEmpty()))
        return UsageError(parser, QStringLiteral("--import and --export need a file."));
    return line;
}

bool PrepareDataFolder(const CCommandLine& line, const QString& userDataBase, QString* folder,
                       QString* error) {
    folder->clear();
    if (line.m_dataDir.isEmpty()) {
        if (userDataBase.isEmpty()) {
            *error = QStringLiteral("quillbox: the per-user data folder is not known "
                                    "(neither XDG_DATA_HOME nor HOME is set).");
            return false;
        }
        const QString path =
            QDir(userDataBase).absoluteFilePath(QLatin1String(USER_DATA_FOLDER_NAME));
        if (!QFileInfo(path).isDir()) {
            // The folder holds the user's bookmarks: only its owner may look in.
            if (!MakePrivateFolder(path)) {
                *error = QStringLiteral("quillbox: cannot make the data folder %1.").arg(path);
                return false;
            }
        }
        *folder = path;
    } else {
        const QFileInfo info(line.m_dataDir);
        if (!info.exists()) {
            *error =
                QStringLiteral("quillbox: the data folder %1 does not exist.").arg(line.m_dataDir);
            return false;
        }
        if (!info.isDir()) {
            *error = QStringLiteral("quillbox: %1 is not a folder.").arg(line.m_dataDir);
            return false;
        }
        *folder = info.absoluteFilePath();
    }
    // Saving writes a new file beside the old one, so the folder must take one.
    QTemporaryFile probe(QDir(*folder).filePath(QStringLiteral(".quillbox-probe-XXXXXX")));
    if (!probe.open()) {
        *error = QStringLiteral("quillbox: cannot write in the data folder %1 (%2), so nothing "
                                "could be saved.")
                     .arg(*folder, probe.errorString());
        folder->clear();
        return false;
    }
    return true;
}

QString StrayDataFileNote(const QString& folder, const QString& currentFolder) {
    const QDir here(currentFolder);
    const QFileInfo stray(here.filePath(QLatin1String(DATA_FILE_NAME)));
    if (!stray.isFile() || stray.size() == 0)
        return {};
    const QFileInfo own(QDir(folder).filePath(QLatin1String(DATA_FILE_NAME)));
    if (own.exists() && own.size() > 0)
        return {};
    if (QFileInfo(folder).canonicalFilePath() == QFileInfo(currentFolder).canonicalFilePath())
        return {};
    return QStringLiteral("The current folder holds a data file, %1, but Quillbox now keeps your "
                          "bookmarks in %2, which holds none yet. To use that file, start "
                          "Quillbox with --data-dir %3, or move it into %2.")
        .arg(stray.absoluteFilePath(), QDir::toNativeSeparators(folder),
             QDir::toNativeSeparators(here.absolutePath()));
}
