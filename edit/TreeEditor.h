// SPDX-License-Identifier: MIT
#pragma once
// Undoable changes to the tree. Every change is a command on a QUndoStack
// that calls the tree's own operations (tree/Item.h), so the columns, the
// address box and the dock's menus follow it as they follow any edit.
//
// A command records the items it touched by pointer and finds their rows
// again each time it runs: the history is strictly linear, so when a step is
// undone or redone the tree holds exactly the items it held right after (or
// before) that step, whatever else happened in between and was undone. Items
// taken out of the tree (a deletion, an undone insertion) are kept, detached
// and not copied, by the command that took them, so undo puts the very same
// items back and later steps still find them.
//
// Before a step runs again its folder is shown: the path to it is selected
// from the top folder down and m_onShowDepth(depth) lets the window bring that
// depth into its columns (0 = the top folder's children). After an undo the
// restored item is the selected row.
//
// The history lives in memory only. It holds at most UNDO_LIMIT steps (the
// oldest go first); a step keeps only what it changed. SetTop clears it
// (a new tree, the password prompt, the end of the run).

#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CItem;
class CEntry;
class CFolder;

class CTreeEditor final {
public:
    static constexpr int UNDO_LIMIT = 1000;

    // limit: the number of steps kept, 0 for no limit.
    explicit CTreeEditor(int limit = UNDO_LIMIT);
    ~CTreeEditor();
    CTreeEditor(const CTreeEditor&) = delete;
    CTreeEditor& operator=(const CTreeEditor&) = delete;

    // The tree edited from now on (null: none); clears the history.
    void SetTop(CFolder* top);
    void Clear();

    QUndoStack& Stack() { return m_stack; }
    bool Undo();
    bool Redo();

    // Each of these pushes one step and returns true, or changes nothing and
    // returns false when the tree would not change (an index out of range, a
    // container that is not in the tree, a move into itself).
    //
    // Inserts items at index of container (-1 or the row count: at the end),
    // as the tree inserts: into a blank entry this makes it a folder holding
    // a new blank entry named like the first item; into anything else that
    // is not a folder nothing happens.
    bool Insert(CItem* container, int index, std::vector<std::unique_ptr<CItem>> items,
                const QString& text = QStringLiteral("Insert"));
    bool Remove(CItem* container, int index, const QString& text = QStringLiteral("Delete"));
    bool Rename(CItem* container, int index, const std::string& name);
    bool MoveUp(CItem* container, int index);
    bool MoveDown(CItem* container, int index);
    // The address box's text given to an entry (the tree trims it and never
    // empties a target).
    bool SetTarget(CItem* container, CItem* entry, const std::string& target);
    // Moves the child at index of from to row at of to (a row of to as it is
    // before the move; -1: at the end). A folder is never moved into itself
    // or its own content, and only a folder takes a moved item.
    bool Move(CItem* from, int index, CItem* to, int at,
              const QString& text = QStringLiteral("Move"));
    bool Sort(CItem* container);
    // Appends a folder built elsewhere (an import) at the end of parent.
    bool AppendFolder(CItem* parent, std::unique_ptr<CFolder> folder,
                      const QString& text = QStringLiteral("Import"));

    // The children one folder is to have after a Reshape: after names each
    // of them once, in order; those that are not in the folder now are
    // either in fresh (new items, owned until the step runs) or taken from
    // elsewhere in the same step.
    struct CFolderShape {
        CFolder* m_folder = nullptr;
        std::vector<CItem*> m_after;
        std::vector<std::unique_ptr<CItem>> m_fresh;
    };
    // Gives several folders new children in one step (a tree that arrived
    // from another machine, applied in place): items that stay are the same
    // items, so the columns keep their place and each folder keeps its
    // selected child while that child stays. Folders are reshaped in the
    // order given, so a folder comes before the folders below it. False
    // when nothing would change or a folder is not in the tree.
    bool Reshape(std::vector<CFolderShape> shapes, const QString& text);

    // The path from the top folder to item, both included; empty when item
    // is not in the tree.
    std::vector<CItem*> PathTo(const CItem* item) const;
    // Selects the path to container and lets the window show its depth;
    // false when container is not in the tree.
    bool Reveal(CItem* container);

    // Called with the depth of a folder a step works on, after its path is
    // selected and before the step changes it.
    std::function<void(int depth)> m_onShowDepth;
    // Called after every step done, undone or redone.
    std::function<void()> m_onChanged;

private:
    friend class CTreeCommand;
    bool Push(std::unique_ptr<class CTreeCommand> command);

    QUndoStack m_stack;
    CFolder* m_pTop = nullptr;
    bool m_bDone = false; // the step last run changed the tree
};
