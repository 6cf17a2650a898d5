// SPDX-License-Identifier: MIT
#pragma once
// Files of ours are regular files. A pipe, a device or a socket put where one
// should be is never opened the usual way: opening a pipe for reading waits
// for a writer, and a device may never end, so the program would hang holding
// its instance marker.

#include <QString>

class QFile;

// Whether something is at path (links followed) that is neither a regular
// file nor a folder: a pipe, a device or a socket.
bool IsSpecialFile(const QString& path);

// Opens file (named, closed) for reading like QFile::open, but only a regular
// file and without ever waiting: a pipe or a device is found out before a
// byte is read and refused (false, errno ENXIO, nothing left open). Opened,
// the QFile holds the checked handle and, as Qt does for a handle, no name:
// keep the path for messages.
bool OpenRegularForReading(QFile& file);

// The message for a special file at path: what it is and that the program
// takes regular files only, e.g. "/x/Quillbox.dat is a pipe, not a regular
// file. ..."
QString SpecialFileMessage(const QString& path);
