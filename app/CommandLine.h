#pragma once
// The program's command line: what to do before any window exists. Parsing is
// pure (no file is touched); PrepareDataFolder then checks or makes the folder
// the data files will live in.

#include "app/AppRequest.h"

#include <QString>
#include <QStringList>

struct CCommandLine {
    enum Outcome {
        run,        // go on and start (or reach) the program
        print,      // --help or --version: print text to standard output, exit 0
        usageError, // print text (the error and the usage) to standard error, exit 2
    };
    Outcome outcome = run;
    QString text;
    QString dataDir;                         // --data-dir as given; empty when not given
    bool userDataFolder = false;             // --user-data: $XDG_DATA_HOME/Quillbox
    EAppRequest request = EAppRequest::none; // --menu, --find
    QString importFile;                      // --import: add a bookmark file's bookmarks, no window
    QString exportFile; // --export: write the bookmarks to a bookmark file, no window

    int ExitCode() const { return outcome == usageError ? 2 : 0; }
};

// arguments as QCoreApplication would have them: the program first. Options
// that Qt's application object itself reads (-session, -platform, -display,
// ...) are passed over, so that a desktop session can restart the program.
CCommandLine ParseCommandLine(const QStringList& arguments);

// Where the data files live for a parsed command line: an empty text for the
// current folder (started without a folder option); the folder given with
// --data-dir, which must exist, be a folder and take new files; or
// <userDataBase>/Quillbox for --user-data, made on first use readable by its
// owner only (a folder that exists keeps its mode). userDataBase is the
// per-user data folder of the base directory standard ($XDG_DATA_HOME).
// Returns false with a message for the user in *error.
bool PrepareDataFolder(const CCommandLine& line, const QString& userDataBase, QString* folder,
                       QString* error);

inline constexpr char USER_DATA_FOLDER_NAME[] = "Quillbox";
