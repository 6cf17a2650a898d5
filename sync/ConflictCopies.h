// SPDX-License-Identifier: MIT
#pragma once
// The copies of the data file that sync engines keep when two machines saved
// before they synced. Three namings are known, for "Quillbox.dat":
//   Quillbox.sync-conflict-20261210-120000-ABCDEFG.dat
//   Quillbox (conflicted copy 2026-12-10 120000).dat
//   Quillbox (NAME's conflicted copy 2026-12-10).dat
// A copy that was merged gets ".merged" appended, so that it is neither lost
// nor merged twice.

#include <QString>
#include <QStringList>

// Whether fileName (no folder) is a conflict copy of dataFileName.
bool IsConflictCopyName(const QString& fileName, const QString& dataFileName);

// The conflict copies of dataFileName in folder, as absolute paths sorted by
// name; only regular files (no links, folders or devices).
QStringList FindConflictCopies(const QString& folder, const QString& dataFileName);

// Renames a merged copy to <path>.merged (.merged2, ... when taken). Refuses
// what is not a regular file. False with a message for the user.
bool MarkConflictCopyMerged(const QString& path, QString* error);
