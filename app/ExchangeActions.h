// SPDX-License-Identifier: MIT
#pragma once
// The window's ways in and out for bookmarks: the options panel's Import
// button (a menu: a bookmark file, or one of the browser profiles found) and
// Export button, and a bookmark file dropped on the main window.
//
// An import reads everything first (with a progress dialog that can cancel
// once it takes over half a second), then places the whole of it as one new
// folder at the end of the top folder and says in one message what came in
// and what was left out. A failed or cancelled import changes nothing.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct CBrowserProfile;
class CFolder;
class CProfileScan;
class QMenu;
class IMessageBox;
class IPathPicker;
class QWidget;

// Puts an import's folder, built off the tree, at the end of the top folder:
// one insertion (or one undoable step).
using PlaceFolderFn = std::function<void(std::unique_ptr<CFolder> folder)>;

// The Import menu: its first item a bookmark file, then the browser profiles
// scan found (started here if it was not) with their counts as far as they
// are known; the items change as the counts come in. A profile that cannot
// be read is listed greyed, the reason in its tooltip. Each profile's item
// holds its index in scan.Profiles().
void FillImportMenu(QMenu& menu, CProfileScan& scan);

// Lets the user pick a source from the Import menu under button (a bookmark
// file through picker) and imports it. Returns whether the tree changed.
bool ImportFromMenu(QWidget* parent, QWidget* button, const PlaceFolderFn& place,
                    IMessageBox& messages, IPathPicker& picker, CProfileScan& scan);

// Asks picker for a bookmark file to import.
std::optional<QString> PickBookmarkFile(QWidget* parent, IPathPicker& picker);

// Imports a browser profile, read behind the same progress as a file.
// Returns whether the tree changed.
bool ImportBrowserProfile(QWidget* parent, const CBrowserProfile& profile,
                          const PlaceFolderFn& place, IMessageBox& messages);

// Imports the bookmark file at path. Returns whether the tree changed.
bool ImportBookmarkFile(QWidget* parent, const QString& path, const PlaceFolderFn& place,
                        IMessageBox& messages);

// Asks picker for a file name and writes the whole tree below top there.
void ExportBookmarks(QWidget* parent, const CFolder& top, IMessageBox& messages,
                     IPathPicker& picker);

// Whether a dropped file may be a bookmark file worth trying.
bool LooksLikeBookmarkFile(const QString& path);
