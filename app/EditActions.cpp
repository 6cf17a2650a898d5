// SPDX-License-Identifier: MIT
#include "app/EditActions.h"

#include "app/Columns.h"
#include "edit/EditKeys.h"
#include "edit/ItemMime.h"
#include "exchange/Xbel.h"
#include "skin/BookmarkListCtrl.h"
#include "tree/Item.h"
#include "tree/ItemObserver.h"
#include "tree/MenuResource.h"
#include "tree/TreeState.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace {

CItemObserver* LevelAt(int depth) {
    CItemObserver* level = g_pFirstLevel;
    while (level && depth-- > 0)
        level = level->GetNextLevel();
    return level;
}

int DepthOf(const CItemObserver* level) {
    int depth = 0;
    for (const CItemObserver* each = g_pFirstLevel; each; each = each->GetNextLevel(), ++depth)
        if (each == level)
            return depth;
    return -1;
}

std::vector<std::unique_ptr<CItem>> One(std::unique_ptr<CItem> item) {
    std::vector<std::unique_ptr<CItem>> items;
    items.push_back(std::move(item));
    return items;
}

// One HTML or XBEL file: a bookmark file, left to the window, which imports it.
bool IsBookmarkFileDrop(const QMimeData& data) {
    if (data.hasFormat(ITEMS_MIME_TYPE) || !data.hasUrls() || data.urls().size() != 1)
        return false;
    const QUrl url = data.urls().constFirst();
    const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
    return url.isLocalFile() &&
           (suffix == QLatin1String("html") || suffix == QLatin1String("htm") ||
            suffix == QLatin1String("xbel") || IsXbelFile(url.toLocalFile()));
}

} // namespace

CEditActions::CEditActions(IColumns& columns) : m_columns(columns) {
    m_editor.m_onShowDepth = [this](int depth) { ShowDepth(depth); };
}

void CEditActions::Attach(CBookmarkListCtrl* list) {
    list->m_onName = [this](CBookmarkListCtrl* each, int row, const std::string& name, bool isNew) {
        CItem* shown = each->GetShownItem();
        if (isNew)
            m_editor.Insert(shown, row, One(std::make_unique<CEntry>(name, std::string(), shown)));
        else
            m_editor.Rename(shown, row, name);
    };
    list->m_onKey = [this](CBookmarkListCtrl* each, QKeyCombination key) {
        return OnKey(each, key);
    };
    list->m_onDragStart = [this](CBookmarkListCtrl* each, int row) { return StartDrag(each, row); };
    list->m_onDragEnd = [this](CBookmarkListCtrl*) {
        m_pDragFolder = nullptr;
        m_pDragItem = nullptr;
    };
    list->m_onCanDrop = [](CBookmarkListCtrl* each, const QMimeData* data) {
        return data && each->GetShownItem() && AcceptsMime(*data) && !IsBookmarkFileDrop(*data);
    };
    list->m_onDrop = [this](CBookmarkListCtrl* each, const QMimeData* data, int row, bool onto) {
        return Drop(each, data, row, onto);
    };
    list->SetDropTypes({ITEMS_MIME_TYPE, QStringLiteral("text/uri-list"),
                        QStringLiteral("text/x-moz-url"), QStringLiteral("text/plain")});
}

void CEditActions::Detach(CBookmarkListCtrl* list) {
    list->m_onName = nullptr;
    list->m_onKey = nullptr;
    list->m_onDragStart = nullptr;
    list->m_onDragEnd = nullptr;
    list->m_onCanDrop = nullptr;
    list->m_onDrop = nullptr;
}

void CEditActions::EditRow(CBookmarkListCtrl* list, int code) {
    if (!list || !list->GetObserver())
        return;
    CItem* folder = list->GetShownItem();
    if (!folder || !folder->IsContainer())
        return;
    int sel = list->GetFirstSelectedRow();
    switch (code) {
    case EditInsert:
        if (sel == -1)
            sel = list->GetRowCount();
        list->InsertRow(sel, std::string());
        list->scrollToItem(list->item(sel));
        list->setFocus();
        list->editItem(list->item(sel));
        return;
    case EditInsertSep:
    case EditDelete:
    case EditUp:
    case EditDown:
        Edit(folder, sel, code); // undoable
        list->setFocus();
        return;
    case EditRename:
        list->setFocus();
        if (QListWidgetItem* row = list->item(sel))
            list->editItem(row);
        return;
    default:
        return;
    }
}

void CEditActions::Edit(CItem* folder, int sel, int code) {
    switch (code) {
    case EditInsertSep:
        m_editor.Insert(folder, sel, One(std::make_unique<CItem>(SEPARATOR_TEXT)),
                        QStringLiteral("Insert Separator"));
        return;
    case EditDelete:
        m_editor.Remove(folder, sel);
        return;
    case EditUp:
        m_editor.MoveUp(folder, sel);
        return;
    case EditDown:
        m_editor.MoveDown(folder, sel);
        return;
    default:
        return;
    }
}

bool CEditActions::OnCommand(CBookmarkListCtrl* list, unsigned id) {
    CItem* shown = list ? list->GetShownItem() : nullptr;
    const int sel = list ? list->GetFirstSelectedRow() : -1;
    switch (id) {
    case ID_OP_UNDO:
        m_editor.Undo();
        return true;
    case ID_OP_REDO:
        m_editor.Redo();
        return true;
    case ID_OP_COPY:
        Copy(list);
        return true;
    case ID_OP_CUT:
        Copy(list);
        if (shown && shown->GetChild(sel))
            m_editor.Remove(shown, sel, QStringLiteral("Cut"));
        return true;
    case ID_OP_PASTE:
        if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(); data && shown)
            m_editor.Insert(shown, sel, Bring(*data), QStringLiteral("Paste"));
        return true;
    case ID_OP_SORT:
        m_editor.Sort(shown);
        return true;
    default:
        return false;
    }
}

std::vector<std::unique_ptr<CItem>> CEditActions::Bring(const QMimeData& data) {
    QString refusal;
    std::vector<std::unique_ptr<CItem>> items = ItemsFromMime(data, &refusal);
    if (!refusal.isEmpty() && m_tell)
        m_tell(refusal);
    return items;
}

void CEditActions::Copy(CBookmarkListCtrl* list) {
    CItem* shown = list ? list->GetShownItem() : nullptr;
    const CItem* item = shown ? shown->GetChild(list->GetFirstSelectedRow()) : nullptr;
    if (item)
        QGuiApplication::clipboard()->setMimeData(MakeItemsMime({item}).release());
}

void CEditActions::CommitAddress(CItem* item, const std::string& target) {
    const std::vector<CItem*> path = m_editor.PathTo(item);
    if (path.size() >= 2)
        m_editor.SetTarget(path[path.size() - 2], item, target);
}

bool CEditActions::OnKey(CBookmarkListCtrl* list, QKeyCombination key) {
    const unsigned id = CommandForKey(key);
    if (id == 0)
        return false;
    if (id == ID_COLUMNS_UP)
        m_columns.StepUp();
    else if (id == ID_COLUMNS_DOWN)
        m_columns.StepDown();
    else if (id >= ID_OP_INSERT && id <= ID_OP_RENAME)
        EditRow(list, int(id - ID_OP_INSERT));
    else
        OnCommand(list, id);
    return true;
}

QMimeData* CEditActions::StartDrag(CBookmarkListCtrl* list, int row) {
    CItem* shown = list->GetShownItem();
    CItem* item = shown ? shown->GetChild(row) : nullptr;
    if (!item)
        return nullptr;
    m_pDragFolder = shown;
    m_pDragItem = item;
    return MakeItemsMime({item}).release();
}

bool CEditActions::Drop(CBookmarkListCtrl* list, const QMimeData* data, int row, bool onto) {
    CItem* shown = list->GetShownItem();
    if (!shown || !data)
        return false;
    CItem* into = shown;
    int at = row;
    if (onto) {
        // Onto a row: into a folder (at its end) or as the tree inserts into
        // a blank entry; a separator or an entry with a target takes nothing.
        into = shown->GetChild(row);
        at = -1;
        if (!into || !into->IsContainer())
            return false;
    }
    bool done = false;
    if (m_pDragItem && data->hasFormat(ITEMS_MIME_TYPE)) {
        // A row of ours: moved (a blank entry takes no moved item).
        if (auto* from = dynamic_cast<CFolder*>(m_pDragFolder))
            done = m_editor.Move(from, from->IndexOf(m_pDragItem), into, at);
    } else {
        done = m_editor.Insert(into, at, Bring(*data), QStringLiteral("Drop"));
    }
    if (done)
        list->setFocus();
    return done;
}

void CEditActions::ShowDepth(int depth) {
    // The columns show three depths from the leftmost one's.
    const int left = DepthOf(m_columns.LeftmostLevel());
    if (left >= 0 && depth >= left && depth <= left + 2)
        return;
    for (int start = depth < left ? depth : depth - 2; start > 0; --start)
        if (m_columns.Bind(LevelAt(start)))
            return;
    m_columns.Bind(g_pFirstLevel);
}
