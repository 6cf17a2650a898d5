// SPDX-License-Identifier: MIT
#pragma once
// The trees this machine last loaded or saved, kept per data file outside the
// synced folder, so that a merge can find the tree both machines started from.
//
// The history of a data file lives in <state folder>/<key of its path>/ as
// numbered files, each written as the data file is (same records, same key:
// never in the clear when the data file is not), readable by the owner only
// in folders only the owner can enter. The newest few are kept.
//
// Both machines may have saved since they last agreed, so the tree this
// machine saved last is not always the common ancestor: the base is the tree
// of the history closest to the arriving one (fewest differences), which is
// the version both started from. No usable history gives an empty base: the
// merge then keeps everything of both sides.

#include "sync/PlainTree.h"
#include "sync/TreeMerge.h"

#include <QString>
#include <vector>

class CMergeHistory {
public:
    // stateFolder: where histories live ($XDG_STATE_HOME/Quillbox, see
    // DefaultStateFolder); dataFilePath: the data file whose history this is.
    CMergeHistory(const QString& stateFolder, const QString& dataFilePath, int keep = 8);

    // $XDG_STATE_HOME/Quillbox, by default ~/.local/state/Quillbox; empty when
    // neither XDG_STATE_HOME nor HOME is set.
    static QString DefaultStateFolder();

    // Adds tree (loaded or saved) as the newest, written by codec; nothing is
    // added when it equals the newest one. False with a message when it
    // cannot be written (the merge then has less to choose from; nothing
    // else is lost).
    bool Record(const CPlainItem& tree, const CPlainCodec& codec, QString* error = nullptr);

    // The trees that codec reads, newest first; damaged ones and ones under
    // another key are left out.
    std::vector<CPlainItem> Trees(const CPlainCodec& codec) const;

    // The tree of the history closest to arriving; EmptyPlainTree() when
    // there is none.
    CPlainItem ChooseBase(const CPlainItem& arriving, const CPlainCodec& codec) const;

    // The folder of this data file's history.
    const QString& Folder() const { return m_strFolder; }

private:
    QStringList Files() const; // oldest first

    QString m_strFolder;
    int m_nKeep;
};

// The base among candidates: the one with the fewest differences to arriving;
// EmptyPlainTree() when there is none.
CPlainItem ClosestTree(const std::vector<CPlainItem>& candidates, const CPlainItem& arriving);
