// SPDX-License-Identifier: MIT
#include "app/CollectionSync.h"

#include "edit/TreeEditor.h"
#include "store/DataFile.h"
#include "store/DataRecords.h"
#include "store/RegularFile.h"
#include "store/Settings.h"
#include "store/StrongFormat.h"
#include "sync/ConflictCopies.h"
#include "sync/PlainTree.h"
#include "tree/Item.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <tuple>

namespace {

// Larger than any collection; a file beyond it is not read whole into memory.
constexpr qint64 MAX_READ_BYTES = qint64(1) << 30;

// The classic format's values are enciphered blocks of this many bytes.
constexpr qsizetype CLASSIC_BLOCK = 8;

using SKey = std::tuple<CPlainItem::EKind, std::string, std::string>;

SKey KeyOf(const CItem& item) {
    if (dynamic_cast<const CFolder*>(&item))
        return {CPlainItem::EKind::Folder, item.GetName(), {}};
    if (const auto* entry = dynamic_cast<const CEntry*>(&item))
        return {CPlainItem::EKind::Entry, entry->GetName(), entry->Target()};
    return {CPlainItem::EKind::Separator, {}, {}};
}

SKey KeyOf(const CPlainItem& item) {
    return {item.m_kind, item.m_kind == CPlainItem::EKind::Separator ? std::string() : item.m_name,
            item.m_kind == CPlainItem::EKind::Entry ? item.m_target : std::string()};
}

std::unique_ptr<CItem> MakeItem(const CPlainItem& plain, CFolder& holder) {
    switch (plain.m_kind) {
    case CPlainItem::EKind::Folder: {
        auto folder = std::make_unique<CFolder>(plain.m_name);
        AppendPlainChildren(*folder, plain);
        return folder;
    }
    case CPlainItem::EKind::Entry:
        return std::make_unique<CEntry>(plain.m_name, plain.m_target,
                                        plain.m_target.empty() ? &holder : nullptr);
    case CPlainItem::EKind::Separator:
        break;
    }
    return std::make_unique<CItem>(SEPARATOR_TEXT);
}

// The shapes that turn folder's children into plain's: items matched by kind,
// name and target (the n-th of a kind to the n-th) stay, matched folders are
// shaped in turn, the rest are made new. A folder comes before its folders.
void PlanShapes(CFolder& folder, const CPlainItem& plain,
                std::vector<CTreeEditor::CFolderShape>& shapes) {
    std::map<SKey, std::vector<CItem*>> mine; // per key, in order, the first unused last
    for (int i = folder.GetCount(); i-- > 0;) {
        CItem* child = folder.GetChild(i);
        mine[KeyOf(*child)].push_back(child);
    }
    CTreeEditor::CFolderShape shape;
    shape.m_folder = &folder;
    std::vector<std::pair<CFolder*, const CPlainItem*>> matchedFolders;
    for (const CPlainItem& child : plain.m_children) {
        std::vector<CItem*>& same = mine[KeyOf(child)];
        if (!same.empty()) {
            CItem* item = same.back();
            same.pop_back();
            shape.m_after.push_back(item);
            if (auto* sub = dynamic_cast<CFolder*>(item))
                matchedFolders.emplace_back(sub, &child);
            continue;
        }
        shape.m_fresh.push_back(MakeItem(child, folder));
        shape.m_after.push_back(shape.m_fresh.back().get());
    }
    bool same = static_cast<int>(shape.m_after.size()) == folder.GetCount();
    for (int i = 0; same && i < folder.GetCount(); ++i)
        same = folder.GetChild(i) == shape.m_after[static_cast<std::size_t>(i)];
    if (!same)
        shapes.push_back(std::move(shape));
    for (const auto& [sub, child] : matchedFolders)
        PlanShapes(*sub, *child, shapes);
}

bool ReadBytes(const QString& path, QByteArray* bytes) {
    const QFileInfo info(path);
    // Only a regular file: a FIFO or a device would block or never end.
    if (!info.isFile() || info.size() > MAX_READ_BYTES)
        return false;
    QFile file(path);
    if (!OpenRegularForReading(file)) // never waits on a pipe put there since
        return false;
    *bytes = file.read(MAX_READ_BYTES);
    return file.error() == QFileDevice::NoError;
}

QString FileName(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

CCollectionSync::CCollectionSync(ISyncHost& host, const CSettings& settings, CDataFileState& state,
                                 const QString& stateFolder)
    : m_host(host), m_settings(settings), m_state(state), m_codec(DataFileCodec(settings, state)),
      m_strPath(DataFilePath(state.m_strFolder, DATA_FILE_NAME)), m_watch(m_strPath) {
    if (!stateFolder.isEmpty())
        m_pHistory = std::make_unique<CMergeHistory>(stateFolder, m_strPath);
    connect(&m_watch, &CDataFileWatch::FileChanged, this, [this] { OnFileChanged(); });
    connect(&m_watch, &CDataFileWatch::ConflictCopiesChanged, this, [this] { m_copies.start(); });
    m_retry.setSingleShot(true);
    m_retry.setInterval(400);
    connect(&m_retry, &QTimer::timeout, this, [this] { OnFileChanged(); });
    m_copies.setSingleShot(true);
    m_copies.setInterval(0);
    connect(&m_copies, &QTimer::timeout, this, [this] { MergeConflictCopies(); });
}

CCollectionSync::~CCollectionSync() = default;

void CCollectionSync::BeforeLoad() {
    m_watch.MarkSeen();
}

void CCollectionSync::Loaded() {
    CFolder* top = m_host.SyncTop();
    if (!top)
        return;
    const CPlainItem loaded = PlainCopy(*top);
    Record(loaded);
    if (m_pendingMine) {
        // The tree of before the new password, with its edits: no history
        // opens under the new key, so everything of both sides stays.
        const CMergeResult merged = MergeTrees(EmptyPlainTree(), *m_pendingMine, loaded);
        m_pendingMine.reset();
        if (merged.m_tree != loaded) {
            Apply(merged.m_tree, QStringLiteral("Merge"));
            m_host.SaveMerged();
            m_host.ShowNote(QStringLiteral("The edits made here before the password changed on "
                                           "another machine were merged in."));
        }
    }
    m_copies.start();
}

void CCollectionSync::BeforeSave() {
    if (!m_host.SyncTop() || m_watch.IsSeen())
        return;
    TakeDiskFile(true);
}

void CCollectionSync::Saved() {
    m_watch.MarkSeen();
    if (CFolder* top = m_host.SyncTop())
        Record(PlainCopy(*top));
}

void CCollectionSync::OnFileChanged() {
    if (!m_host.SyncTop())
        return; // the prompt reads the file as it is when it opens
    if (m_host.SyncBusy()) {
        m_retry.start(); // after the name or the menu
        return;
    }
    TakeDiskFile(false);
}

CCollectionSync::ETaken
CCollectionSync::ReadTree(const QByteArray& bytes, CPlainItem* tree,
                          const std::optional<std::string>& password) const {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    if (bytes.isEmpty())
        return ETaken::Unreadable;
    try {
        if (password) {
            if (DeviceFormat(buffer) == EDataFormat::Strong) {
                const std::shared_ptr<CStrongKey> key = CStrongKey::FromPassword(*password);
                CFolder top(ROOT_FOLDER_NAME);
                if (!key || ReadStrongRecords(buffer, *key, top) != EStrongOutcome::Loaded)
                    return ETaken::OtherKey;
                *tree = PlainCopy(top);
                return ETaken::Taken;
            }
            if (bytes.size() % CLASSIC_BLOCK != 0)
                return ETaken::Unreadable;
            if (!OpensWithKey(buffer, *password))
                return ETaken::OtherKey;
            buffer.seek(0);
            return ReadPlainTree(buffer, *password, tree) ? ETaken::Taken : ETaken::Unreadable;
        }
        if (m_codec.m_read(buffer, tree))
            return ETaken::Taken;
        buffer.seek(0);
        // A strong file that does not open cannot tell a new password from
        // damage; a classic one whose first block opens is cut short or damaged.
        if (DeviceFormat(buffer) == EDataFormat::Strong)
            return ETaken::OtherKey;
        // The classic format is whole blocks of 8 bytes: anything else is
        // damage, whatever key opens it.
        if (bytes.size() % CLASSIC_BLOCK != 0)
            return ETaken::Unreadable;
        return OpensWithKey(buffer, m_settings.m_strPassword) ? ETaken::Unreadable
                                                              : ETaken::OtherKey;
    } catch (const CArchiveException&) {
        return ETaken::Unreadable;
    }
}

CCollectionSync::ETaken CCollectionSync::TakeDiskFile(bool beforeSave) {
    CFolder* top = m_host.SyncTop();
    if (m_bBusy || !top)
        return ETaken::Taken;
    m_bBusy = true;
    const struct CDone {
        bool& m_busy;
        ~CDone() { m_busy = false; }
    } done{m_bBusy};

    if (!QFileInfo::exists(m_strPath))
        return ETaken::Missing; // the next save writes it again
    QByteArray bytes;
    CPlainItem theirs;
    const bool readable = ReadBytes(m_strPath, &bytes);
    if (readable && bytes.isEmpty()) {
        // The empty file a first start makes (or one emptied): nothing came
        // in, and the next save writes the tree over it.
        m_watch.MarkSeen(bytes);
        return ETaken::Missing;
    }
    const ETaken read = readable ? ReadTree(bytes, &theirs) : ETaken::Unreadable;
    if (read != ETaken::Taken) {
        if (beforeSave) {
            // Bytes this run could not take are kept beside the new file.
            m_state.m_bKeepOldFile = true;
            return read;
        }
        if (read == ETaken::OtherKey) {
            if (m_host.HasOwnChanges())
                KeepUntilUnlocked(PlainCopy(*top));
            m_host.PasswordChangedElsewhere();
            return read;
        }
        m_watch.RetryLater();
        if (!m_bToldUnreadable)
            m_host.ShowNote(QStringLiteral("%1 changed on disk but cannot be read yet (cut short "
                                           "or damaged); the collection shown stays, and the "
                                           "file is looked at again.")
                                .arg(FileName(m_strPath)));
        m_bToldUnreadable = true;
        return read;
    }
    m_bToldUnreadable = false;
    m_watch.MarkSeen(bytes);
    m_state.m_bKeepOldFile = false; // every byte of it was read

    const CPlainItem mine = PlainCopy(*top);
    const bool own = m_host.HasOwnChanges();
    if (theirs != mine) {
        // The base is what both sides started from: with a history, its tree
        // closest to what arrived (this run may have saved edits the other
        // side never saw, so its own last tree is not always it); without
        // one, this tree when the run changed nothing since its last load or
        // save, else nothing (everything of both sides is kept).
        const CPlainItem base = m_pHistory ? m_pHistory->ChooseBase(theirs, m_codec)
                                : own      ? EmptyPlainTree()
                                           : mine;
        const CMergeResult merged = MergeTrees(base, mine, theirs);
        Apply(merged.m_tree, QStringLiteral("Update from Disk"));
        const std::string note = merged.m_summary.Note();
        if (merged.m_tree != mine) // a merge that keeps this tree as it is says nothing
            m_host.ShowNote(note.empty() ? QStringLiteral("The collection was updated from disk.")
                                         : QString::fromStdString(note));
        Record(theirs);
        if (merged.m_tree != theirs) {
            m_state.m_bFileHoldsTree = false;
            if (!beforeSave)
                m_host.SaveMerged();
            return ETaken::Taken;
        }
    } else {
        Record(theirs);
    }
    m_state.m_bFileHoldsTree = true;
    m_host.TreeInStep();
    return ETaken::Taken;
}

void CCollectionSync::Apply(const CPlainItem& result, const QString& stepName) {
    CFolder* top = m_host.SyncTop();
    if (!top)
        return;
    std::vector<CTreeEditor::CFolderShape> shapes;
    PlanShapes(*top, result, shapes);
    if (!shapes.empty())
        m_host.SyncEditor().Reshape(std::move(shapes), stepName);
}

void CCollectionSync::Record(const CPlainItem& tree) {
    if (!m_pHistory)
        return;
    QString error;
    if (!m_pHistory->Record(tree, m_codec, &error) && !m_bToldHistory) {
        m_bToldHistory = true;
        m_host.ShowNote(error + QStringLiteral(" Changes from other machines are merged "
                                               "keeping everything of both sides."));
    }
}

void CCollectionSync::MergeConflictCopies() {
    CFolder* top = m_host.SyncTop();
    if (!top || m_bBusy)
        return;
    if (m_host.SyncBusy()) {
        m_copies.start(400);
        return;
    }
    m_bBusy = true;
    const struct CDone {
        bool& m_busy;
        ~CDone() { m_busy = false; }
    } done{m_bBusy};

    QStringList notes;
    const QFileInfo data(m_strPath);
    for (const QString& path : FindConflictCopies(data.path(), data.fileName())) {
        if (m_leftAlone.contains(path))
            continue;
        QByteArray bytes;
        CPlainItem copy;
        ETaken read = ReadBytes(path, &bytes) ? ReadTree(bytes, &copy) : ETaken::Unreadable;
        if (read == ETaken::OtherKey) {
            if (const std::optional<std::string> password = m_host.AskCopyPassword(path))
                read = ReadTree(bytes, &copy, password);
        }
        if (read != ETaken::Taken) {
            m_leftAlone.insert(path);
            notes << (read == ETaken::OtherKey
                          ? QStringLiteral("The conflict copy %1 does not open with the "
                                           "password given; it was left as it is.")
                          : QStringLiteral("The conflict copy %1 cannot be read; it was left "
                                           "as it is."))
                         .arg(path);
            continue;
        }
        top = m_host.SyncTop();
        const CPlainItem mine = PlainCopy(*top);
        const CPlainItem base =
            m_pHistory ? m_pHistory->ChooseBase(copy, m_codec) : EmptyPlainTree();
        const CMergeResult merged = MergeTrees(base, mine, copy);
        if (merged.m_tree != mine) {
            Apply(merged.m_tree, QStringLiteral("Merge Conflict Copy"));
            if (!m_host.SaveMerged()) {
                m_leftAlone.insert(path); // kept until a start that can save
                continue;
            }
        }
        QString error;
        if (!MarkConflictCopyMerged(path, &error)) {
            m_leftAlone.insert(path);
            notes << error;
        }
        const std::string note = merged.m_summary.Note();
        notes << QStringLiteral("The conflict copy %1 was merged in.").arg(FileName(path));
        if (!note.empty())
            notes << QString::fromStdString(note);
    }
    if (!notes.isEmpty())
        m_host.ShowNote(notes.join(QLatin1Char('\n')));
}
