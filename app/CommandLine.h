// SPDX-License-Identifier: MIT
#pragma once
// The program's command line: what to do before any window exists. Parsing is
// pure (no file is touched); PrepareDataFolder then checks or makes the folder
// the data files will live in.

#include "app/AppRequest.h"

#include <QString>
#include <QStringList>

struct CCommandLine {
    enum EOutcome {
        Run,        // go on and start (or reach) the program
        Print,      // --help or --version: print text to standard output, exit 0
        UsageError, // print text (the error and the usage) to standard error, exit 2
    };
    EOutcome m_outcome = Run;
    QString m_text;
    QString m_dataDir;                         // --data-dir as given; empty when not given
    bool m_userDataFolder = false;             // --user-data: what no folder option gives too
    EAppRequest m_request = EAppRequest::None; // --menu, --find
    QString m_importFile; // --import: add a bookmark file's bookmarks, no window
    QString m_exportFile; // --export: write the bookmarks to a bookmark file, no window

    int ExitCode() const { return m_outcome == UsageError ? 2 : 0; }
};

// arguments as QCoreApplication would have them: the program first. Options
// that Qt's application object itself reads (-session, -platform, -display,
// ...) are passed over, so that a desktop session can restart the program.
CCommandLine ParseCommandLine(const QStringList& arguments);

// Where the data files live for a parsed command line: the folder given with
// --data-dir ("." keeps them in the current folder), which must exist, be a
// folder and take new files; otherwise (no folder option, or --user-data)
// <userDataBase>/Quillbox, made on first use readable by its owner only (a
// folder that exists keeps its mode). The result is absolute. userDataBase is the
// per-user data folder of the base directory standard ($XDG_DATA_HOME).
// Returns false with a message for the user in *error.
bool PrepareDataFolder(const CCommandLine& line, const QString& userDataBase, QString* folder,
                       QString* error);

inline constexpr char USER_DATA_FOLDER_NAME[] = "Quillbox";

// What to tell the user when the data folder holds no data file yet (missing
// or empty) while currentFolder holds one, as older versions kept it there:
// where that file is and how to use it. Nothing is moved. Empty when there is
// nothing to say (also when both are the same folder). Printed on the
// terminal at start; the window shows it once.
QString StrayDataFileNote(const QString& folder, const QString& currentFolder);
