// SPDX-License-Identifier: MIT
#pragma once
// Keeps the window's tree and the data file on disk together while a sync
// engine (or anything else) may replace the file: another machine's version
// is shown at once, merged with this machine's edits when both changed, and
// the engine's conflict copies are merged in and marked.
//
// The window tells this class when it loaded the tree, and asks it before and
// after each write; the rest comes from the watch (sync/DataFileWatch.h):
//   - a file on disk that this run has not seen is read under the key in use
//     and merged three ways (sync/TreeMerge.h) with the base chosen from the
//     history (sync/MergeHistory.h): a file that only moved on from what this
//     machine last had is simply shown, one that crossed this machine's
//     edits (saved or not) is merged and the merge saved at once;
//   - the tree shown changes in place, as one undoable step, so the columns
//     keep their place where the same folders still exist; a quiet note says
//     what came in and what conflicted;
//   - a file that does not open under the key in use was given a new
//     password elsewhere: the window asks for it;
//   - a file cut short or damaged (a sync engine's half-written file) is
//     looked at again later; a save meanwhile keeps its bytes as a backup;
//   - nothing is taken while the user types a name or has a menu open.

#include "sync/DataFileWatch.h"
#include "sync/MergeHistory.h"
#include "sync/TreeMerge.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <set>
#include <string>

class CFolder;
class CSettings;
class CTreeEditor;
struct CDataFileState;

// What the sync needs of the window that holds the tree.
class ISyncHost {
public:
    virtual ~ISyncHost() = default;
    // The tree shown; null while none is (the password prompt).
    virtual CFolder* SyncTop() const = 0;
    virtual CTreeEditor& SyncEditor() = 0;
    // A name is typed or a menu is open: an update waits.
    virtual bool SyncBusy() const = 0;
    // The tree changed since it was last loaded or saved.
    virtual bool HasOwnChanges() const = 0;
    // The tree shown was taken from the file on disk as it stands.
    virtual void TreeInStep() = 0;
    // Writes the tree now (a merge that holds this machine's edits);
    // false when the write failed (and was told).
    virtual bool SaveMerged() = 0;
    virtual void ShowNote(const QString& text) = 0;
    // The data file is under a password other than the one in use.
    virtual void PasswordChangedElsewhere() = 0;
    // Asks for the password of a conflict copy; none when the user declines.
    virtual std::optional<std::string> AskCopyPassword(const QString& path) = 0;
};

class CCollectionSync final : public QObject {
public:
    // stateFolder: where the histories live (CMergeHistory::DefaultStateFolder);
    // empty keeps no history (every merge is two-way).
    CCollectionSync(ISyncHost& host, const CSettings& settings, CDataFileState& state,
                    const QString& stateFolder);
    ~CCollectionSync() override;
    CCollectionSync(const CCollectionSync&) = delete;
    CCollectionSync& operator=(const CCollectionSync&) = delete;

    CDataFileWatch& Watch() { return m_watch; }

    // Right before the data file is read for the tree shown.
    void BeforeLoad();
    // The tree shown was loaded: it is what this machine and the file agree
    // on. Conflict copies are merged in soon after.
    void Loaded();
    // Before the tree is written: bytes on disk not seen yet are merged
    // first, so that a save never replaces what it has not seen.
    void BeforeSave();
    // The tree was written.
    void Saved();
    // Merges the conflict copies beside the data file now.
    void MergeConflictCopies();

    // The tree this machine held when the file went under another password:
    // merged (two ways) into the tree loaded after the prompt.
    void KeepUntilUnlocked(CPlainItem mine) { m_pendingMine = std::move(mine); }

private:
    enum class ETaken { Taken, Unreadable, OtherKey, Missing };
    void OnFileChanged();
    // Reads the file on disk and shows it, merged when this run has edits.
    ETaken TakeDiskFile(bool beforeSave);
    // Reads bytes into tree under the key in use (or password, when given).
    ETaken ReadTree(const QByteArray& bytes, CPlainItem* tree,
                    const std::optional<std::string>& password = std::nullopt) const;
    // Changes the tree shown to result in place, as one undoable step.
    void Apply(const CPlainItem& result, const QString& stepName);
    void Record(const CPlainItem& tree);

    ISyncHost& m_host;
    const CSettings& m_settings;
    CDataFileState& m_state;
    CPlainCodec m_codec;
    QString m_strPath;
    CDataFileWatch m_watch;
    std::unique_ptr<CMergeHistory> m_pHistory;
    QTimer m_retry;                 // an update that waited for the user
    QTimer m_copies;                // conflict copies to merge
    bool m_bBusy = false;           // within a take: no second one
    bool m_bToldUnreadable = false; // since the last file that was read
    bool m_bToldHistory = false;    // a history that cannot be written, told once
    std::set<QString> m_leftAlone;  // copies that could not be read, told once
    std::optional<CPlainItem> m_pendingMine;
};
