// SPDX-License-Identifier: MIT
#pragma once
// Bookmarks straight from the browsers installed for this user.
//
// Chromium-family browsers keep a profile's bookmarks in a JSON file named
// "Bookmarks" in the profile folder: {"roots": {"bookmark_bar": ...,
// "other": ..., "synced": ...}}, each node {"type": "folder"|"url", "name",
// "url", "children"}. The three roots become folders.
//
// Firefox keeps them in places.sqlite of each profile that profiles.ini lists:
// moz_bookmarks (type 1 bookmark, 2 folder, 3 separator; parent, position,
// title, fk into moz_places for the url). The database is read from a copy,
// since a running browser holds it (with its write-ahead log, which holds
// the latest changes). The roots "menu", "toolbar", "unfiled" and "mobile"
// become folders; tags are left out.

#include "exchange/ImportTree.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct CBrowserProfile {
    enum EFormat { Chromium, Firefox };

    EFormat m_format = Chromium;
    QString m_browser; // "Chromium", "Firefox", ...
    QString m_profile; // the name the browser shows
    QString m_path;    // the Bookmarks file or places.sqlite
};

// Every profile with a bookmarks file below home (the user's home folder)
// and configHome (where the user's settings live, $XDG_CONFIG_HOME or
// ~/.config): the usual folders, and those of snap and flatpak installs.
QList<CBrowserProfile> FindBrowserProfiles(const QString& home, const QString& configHome);

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else home/.config.
QString ConfigHome(const QString& home);

// Reads a Chromium-family Bookmarks file's bytes.
CImportResult ReadChromiumBookmarks(const QByteArray& json);

// Reads a Firefox places.sqlite from a copy of it (and its log). A database
// that fails any step of the reading (a damaged one) FAILS with the reason
// and how many of its rows could be read: no part of it is taken for the
// whole. progress may cancel (Cancelled).
CImportResult ReadFirefoxPlaces(const QString& path, const ProgressFn& progress = {});

// Reads one profile's bookmarks. Safe on any thread, one profile at a time
// or several at once.
CImportResult ReadBrowserProfile(const CBrowserProfile& profile, const ProgressFn& progress = {});

// The number of bookmarks in a result, in every folder.
int CountBookmarks(const CImportNode& node);
