// SPDX-License-Identifier: MIT
#pragma once
// Opening a target: the one place where the program hands something to the
// desktop. The window code only knows IShell; the real adapter asks the
// desktop's default handler, and tests record what was asked for.

#include <QString>
#include <QUrl>

class IShell {
public:
    virtual ~IShell() = default;
    // Opens one target (a web address, a file or a folder) with the desktop's
    // default handler, the verb "open". The outcome is not reported.
    virtual void Open(const QString& target) = 0;
    // Whether the desktop has a program of its own choice for files of
    // mimeType (not just the browser that takes anything).
    virtual bool HasHandlerFor(const QString& mimeType) = 0;
};

// The desktop's handler through QDesktopServices: never a command shell.
class CDesktopShell final : public IShell {
public:
    void Open(const QString& target) override;
    // Asks the desktop's default for the type (xdg-mime query default): a
    // handler named means yes; no answer, or no xdg-mime, means no.
    bool HasHandlerFor(const QString& mimeType) override;

    // What is handed to the desktop for a target: a text with a URL scheme as
    // it stands, "www." with "http://" put in front, anything else as a local
    // path (a relative one against the current folder).
    static QUrl UrlFor(const QString& target);
};

inline constexpr char BLANK_PAGE[] = "about:blank";
inline constexpr char HOME_PAGE_URL[] = "https://quillbox.example.org/";
inline constexpr char HELP_FILE_NAME[] = "quillbox.chm";
inline constexpr char HELP_FILE_TYPE[] = "application/vnd.ms-htmlhelp";
// The same help pages as HTML, in a folder beside the help file.
inline constexpr char HELP_PAGES[] = "help/index.html";

// The rule by which a target text is opened: nothing for the empty text; a text
// that starts with "http://", "www." or "https://" in any case opens the blank
// page first; then the text itself, unchanged.
void OpenTarget(IShell& shell, const QString& text);

// The folder of the help: the program's own folder when the help file lies
// there (the build tree), otherwise ../share/quillbox from it when the help
// file lies there (an installed tree under any prefix), else the program's.
QString HelpFolderFor(const QString& programFolder);
// The help file in the program's help folder, wherever the current folder is.
QString HelpFilePath();
// What the Help button opens: the help file when the desktop has a program
// for it, otherwise the same pages as HTML (in the browser) when they are
// there; the help file when they are not. programFolder: where the program
// lies (the running program's own folder when empty).
QString HelpTarget(IShell& shell, const QString& programFolder = QString());
