// SPDX-License-Identifier: MIT
#pragma once
// The main window's undoable editing: every change the user makes to the
// tree in the list columns and the address box goes through one CTreeEditor
// (edit/TreeEditor.h), so it can be undone and redone. Adds to the columns
// the clipboard (Cut, Copy, Paste of items with their content), drag and
// drop (moving rows, links and files from outside, entries out as URLs),
// Sort by Name and the keys of edit/EditKeys.h. An undone step brings the
// depth it worked on into the columns.

#include "edit/TreeEditor.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CBookmarkListCtrl;
class CItem;
class IColumns;
class QMimeData;

// Editing codes, in the order of the editing buttons (IDC_BTNADD..IDC_BTNREN)
// and of the "OP" menu's commands (ID_OP_INSERT..ID_OP_RENAME).
enum : int { EditInsert = 0, EditInsertSep, EditDelete, EditUp, EditDown, EditRename };

class CEditActions final {
public:
    // columns: where an undone step shows its depth, and what the keys for
    // the next and the previous depth step.
    explicit CEditActions(IColumns& columns);

    // Takes over the list's naming, keys and drag and drop.
    void Attach(CBookmarkListCtrl* list);
    void Detach(CBookmarkListCtrl* list);

    // The tree edited from now on (null: none); the history starts empty.
    void SetTop(CFolder* top) { m_editor.SetTop(top); }
    CTreeEditor& Editor() { return m_editor; }

    // An editing code on list's selected row: Insert and Rename open the
    // name editor, the others are undoable steps; nothing without a folder
    // shown in list.
    void EditRow(CBookmarkListCtrl* list, int code);
    // Cut, Copy, Paste, Sort by Name, Undo, Redo (edit/EditKeys.h) on list;
    // false for other ids.
    bool OnCommand(CBookmarkListCtrl* list, unsigned id);
    // The address box's text for item.
    void CommitAddress(CItem* item, const std::string& target);
    // Shows the message when a paste or a drop is refused (too much at once).
    void SetTell(std::function<void(const QString&)> tell) { m_tell = std::move(tell); }

private:
    // The items a paste or drop brings; a refusal is told.
    std::vector<std::unique_ptr<CItem>> Bring(const QMimeData& data);
    // Insert Separator, Delete, Up and Down on row sel of folder.
    void Edit(CItem* folder, int sel, int code);
    bool OnKey(CBookmarkListCtrl* list, QKeyCombination key);
    QMimeData* StartDrag(CBookmarkListCtrl* list, int row);
    bool Drop(CBookmarkListCtrl* list, const QMimeData* data, int row, bool onto);
    void Copy(CBookmarkListCtrl* list);
    void ShowDepth(int depth);

    IColumns& m_columns;
    CTreeEditor m_editor;
    // The row being dragged out of a column, while the drag lasts.
    CItem* m_pDragFolder = nullptr;
    CItem* m_pDragItem = nullptr;
    std::function<void(const QString&)> m_tell;
};
