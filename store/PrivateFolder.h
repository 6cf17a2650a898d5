// SPDX-License-Identifier: MIT
#pragma once
// Folders of ours (the data, settings and state folders) are their owner's
// alone, whatever the umask the program was started with.

#include <QString>

// Makes path and every missing folder above it with mode 0700 (never wider,
// as mkdir's mode is narrowed by the umask but never widened), and narrows
// path itself to 0700 when it exists wider and belongs to this user. False
// when a folder could not be made or path is no folder.
bool MakePrivateFolder(const QString& path);
