// SPDX-License-Identifier: MIT
#pragma once
// One of the main window's three list columns: it shows the children of the
// item its level observer displays, one row per child with the child's name,
// and adds the user's side: naming new and existing entries in place (never
// a separator), the editing menu "OP" on a right press, Go on a double
// click, and telling the main window which list the user last pressed.
//
// Rows are put in and taken out only by the level observer (through
// IListOutput). A label edit never changes a row itself: it calls the tree,
// whose observer relists the rows.
//
// Placeholder rule: while the list holds as many rows as the shown item has
// children, row i is child i. Otherwise one row is a placeholder for a new
// entry being named (the main window's Insert command adds an empty row and
// starts editing it).
//
// Reports to the main window, as callbacks set once by the window:
//   m_onSelection(list)  the selection changed (by the user or by the tree,
//                        synchronously, re-entering the tree when it selected);
//                        the window calls GetShownItem()->Select(first row)
//   m_onFocusIn(list)    the list got the keyboard focus (same handling)
//   m_onActivate(list)   MakeActive: a left or right press made it the active
//                        list that the editing buttons act on
//   m_onGo(list)         a double click: the Go command (2005), posted
//   m_onMenuCommand(list, id) a command chosen from the "OP" menu, posted
// Row texts are bytes, shown with TextFromBytes (text/TextCodec.h).

#include "tree/ListOutput.h"

#include <QListWidget>
#include <functional>
#include <optional>
#include <string>

class CItem;
class CMenu;

class CBookmarkListCtrl final : public QListWidget, public IListOutput {
    Q_OBJECT
public:
    static constexpr int NAME_COLUMN_WIDTH = 1000;
    static constexpr unsigned ID_GO = 2005;

    explicit CBookmarkListCtrl(QWidget* parent = nullptr);
    ~CBookmarkListCtrl() override;

    // IListOutput
    void SetObserver(CItemObserver* level) override;
    CItemObserver* GetObserver() const override { return m_pObserver; }
    void InsertRow(int index, const std::string& text) override;
    void DeleteAllRows() override;
    int GetFirstSelectedRow() const override;
    void SetRowSelectedFocused(int index) override;
    int GetRowCount() const override { return count(); }
    std::string GetRowText(int index) const override;

    // The item the level observer shows (its subject); null when unbound.
    CItem* GetShownItem() const;
    void MakeActive();
    // A label is being edited.
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    // The "OP" pop-up that a right press opens (not owned).
    void SetEditMenu(const CMenu* menu) { m_pEditMenu = menu; }

    std::function<void(CBookmarkListCtrl*)> m_onSelection;
    std::function<void(CBookmarkListCtrl*)> m_onFocusIn;
    std::function<void(CBookmarkListCtrl*)> m_onActivate;
    std::function<void(CBookmarkListCtrl*)> m_onGo;
    std::function<void(CBookmarkListCtrl*, unsigned)> m_onMenuCommand;
    // Set by a window that makes the tree's changes undoable: a name typed
    // for row (an existing child, or the new entry's placeholder) goes here
    // instead of to the tree.
    std::function<void(CBookmarkListCtrl*, int row, const std::string& name, bool isNew)> m_onName;
    // A key pressed while no name is edited; true when it was handled.
    std::function<bool(CBookmarkListCtrl*, QKeyCombination)> m_onKey;
    // Drag and drop: the data of a row dragged out (null: no drag), called
    // again when the drag ended; whether dropped data is welcome; a drop
    // between rows (before row; the row count: at the end) or onto a row.
    std::function<QMimeData*(CBookmarkListCtrl*, int row)> m_onDragStart;
    std::function<void(CBookmarkListCtrl*)> m_onDragEnd;
    std::function<bool(CBookmarkListCtrl*, const QMimeData*)> m_onCanDrop;
    std::function<bool(CBookmarkListCtrl*, const QMimeData*, int row, bool onto)> m_onDrop;
    // The formats a drop may carry; drags and drops are on once set.
    void SetDropTypes(const QStringList& types) {
        m_dropTypes = types;
        setDragDropMode(QAbstractItemView::DragDrop);
        setDropIndicatorShown(true);
    }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool CanEditRow(int row) const; // begin of a label edit
    void EndLabelEdit(int row, const std::optional<QString>& text);
    void ReportSelection();
    void DeleteRowQuietly(int row);
    QSize RowSize() const;

    CItemObserver* m_pObserver = nullptr;
    const CMenu* m_pEditMenu = nullptr;
    int m_nEditRow = -1;                // row being edited, -1 none
    QWidget* m_pEditor = nullptr;       // its editor
    std::optional<QString> m_committed; // text the editor handed in
    int m_nQuiet = 0;                   // > 0: changes made here, not reported
    QSize m_rowSize;
    QStringList m_dropTypes; // every row: the column's width
};
