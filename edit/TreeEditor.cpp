// SPDX-License-Identifier: MIT
#include "edit/TreeEditor.h"

#include "edit/NameOrder.h"
#include "tree/Item.h"
#include "tree/ObserverSwitch.h"

#include <QUndoCommand>
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

// The item a level shows where item would be shown, when it is item itself.
bool IsShown(const CItem& item) {
    const auto* route = dynamic_cast<const CObserverSwitch*>(item.GetObserver());
    const CItemObserver* level = route ? route->GetLevel() : nullptr;
    return level && level->GetSubject() == &item;
}

// The tree's row operations work on the selected row: Insert, Rename and the
// moves hide the display of the child they take for the current one. A step
// that works on another row makes that row current first (an insert at the
// end: none).
void MakeCurrent(CFolder& folder, int index) {
    CItem* child = folder.GetChild(index);
    if (!child)
        index = -1;
    if (folder.GetCurrent() != index || (child && !IsShown(*child)))
        folder.Select(index);
}

void InsertAt(CFolder& folder, int index, std::unique_ptr<CItem> item) {
    MakeCurrent(folder, index);
    folder.Insert(index, std::move(item));
}

} // namespace

// ---------------------------------------------------------------- commands

class CTreeCommand : public QUndoCommand {
public:
    CTreeCommand(CTreeEditor& editor, const QString& text) : QUndoCommand(text), m_editor(editor) {}

    void redo() final {
        const bool done = Do();
        m_editor.m_bDone = done;
        if (!done)
            setObsolete(true); // the tree is not what this step was made on
        m_bRan = true;
    }
    void undo() final {
        if (!Undo())
            setObsolete(true);
    }

protected:
    virtual bool Do() = 0;
    virtual bool Undo() = 0;
    bool Show(CItem* container) { return m_editor.Reveal(container); }

    CTreeEditor& m_editor;
    bool m_bRan = false; // the first run is the user's own edit, made where they look
};

namespace {

// New items (typed, pasted, dropped, imported) inserted into a folder.
class CInsertCommand final : public CTreeCommand {
public:
    CInsertCommand(CTreeEditor& editor, const QString& text, CFolder* folder, int index,
                   std::vector<std::unique_ptr<CItem>> items)
        : CTreeCommand(editor, text), m_pFolder(folder), m_nIndex(index), m_kept(std::move(items)) {
        for (const auto& item : m_kept)
            m_items.push_back(item.get());
    }

private:
    bool Do() override {
        if (!Show(m_pFolder))
            return false;
        for (std::size_t k = 0; k < m_kept.size(); ++k)
            InsertAt(*m_pFolder, m_nIndex + static_cast<int>(k), std::move(m_kept[k]));
        return true;
    }
    bool Undo() override {
        if (!Show(m_pFolder))
            return false;
        for (std::size_t k = m_items.size(); k-- > 0;)
            m_kept[k] = m_pFolder->Take(m_pFolder->IndexOf(m_items[k]));
        return true;
    }

    CFolder* m_pFolder;
    int m_nIndex;
    std::vector<CItem*> m_items;
    std::vector<std::unique_ptr<CItem>> m_kept; // while not in the tree
};

// An insert into a blank entry: the entry gives way to a folder of its name
// holding a new blank entry (as CEntry::Insert does), but is kept for undo.
class CBlankToFolderCommand final : public CTreeCommand {
public:
    CBlankToFolderCommand(CTreeEditor& editor, const QString& text, CFolder* parent, CEntry* blank,
                          std::string name)
        : CTreeCommand(editor, text), m_pParent(parent), m_pBlank(blank),
          m_strName(std::move(name)) {}

private:
    bool Do() override {
        if (!Show(m_pParent))
            return false;
        const int position = m_pParent->IndexOf(m_pBlank);
        m_keptBlank = m_pParent->Take(position);
        if (!m_keptBlank)
            return false;
        if (m_keptFolder) {
            InsertAt(*m_pParent, position, std::move(m_keptFolder));
            return true;
        }
        auto folder = std::make_unique<CFolder>(m_pBlank->GetName());
        m_pFolder = folder.get();
        InsertAt(*m_pParent, position, std::move(folder));
        m_pFolder->Insert(-1, std::make_unique<CEntry>(m_strName, std::string(), m_pFolder));
        return true;
    }
    bool Undo() override {
        if (!Show(m_pParent))
            return false;
        const int position = m_pParent->IndexOf(m_pFolder);
        m_keptFolder = m_pParent->Take(position);
        if (!m_keptFolder)
            return false;
        InsertAt(*m_pParent, position, std::move(m_keptBlank));
        return true;
    }

    CFolder* m_pParent;
    CEntry* m_pBlank;
    std::string m_strName;
    CFolder* m_pFolder = nullptr;
    std::unique_ptr<CItem> m_keptBlank;
    std::unique_ptr<CItem> m_keptFolder;
};

class CRemoveCommand final : public CTreeCommand {
public:
    CRemoveCommand(CTreeEditor& editor, const QString& text, CFolder* folder, CItem* item)
        : CTreeCommand(editor, text), m_pFolder(folder), m_pItem(item) {}

private:
    bool Do() override {
        if (!Show(m_pFolder))
            return false;
        m_nPosition = m_pFolder->IndexOf(m_pItem);
        m_kept = m_pFolder->Take(m_nPosition);
        return m_kept != nullptr;
    }
    bool Undo() override {
        if (!Show(m_pFolder) || !m_kept)
            return false;
        InsertAt(*m_pFolder, m_nPosition, std::move(m_kept));
        return true;
    }

    CFolder* m_pFolder;
    CItem* m_pItem;
    int m_nPosition = -1;
    std::unique_ptr<CItem> m_kept; // the whole subtree, while deleted
};

class CRenameCommand final : public CTreeCommand {
public:
    CRenameCommand(CTreeEditor& editor, CFolder* folder, CItem* item, std::string name)
        : CTreeCommand(editor, QStringLiteral("Rename")), m_pFolder(folder), m_pItem(item),
          m_strOld(item->GetName()), m_strNew(std::move(name)) {}

private:
    bool Do() override {
        if (!Show(m_pFolder))
            return false;
        const int index = m_pFolder->IndexOf(m_pItem);
        MakeCurrent(*m_pFolder, index);
        m_pFolder->Rename(index, m_strNew);
        return true;
    }
    bool Undo() override {
        if (!Show(m_pFolder))
            return false;
        const int index = m_pFolder->IndexOf(m_pItem);
        MakeCurrent(*m_pFolder, index);
        m_pFolder->SetChildName(index, m_strOld);
        return true;
    }

    CFolder* m_pFolder;
    CItem* m_pItem;
    std::string m_strOld;
    std::string m_strNew;
};

class CShiftCommand final : public CTreeCommand {
public:
    CShiftCommand(CTreeEditor& editor, CFolder* folder, CItem* item, bool up)
        : CTreeCommand(editor, up ? QStringLiteral("Up") : QStringLiteral("Down")),
          m_pFolder(folder), m_pItem(item), m_bUp(up) {}

private:
    bool Do() override { return Shift(m_bUp); }
    bool Undo() override { return Shift(!m_bUp); }
    bool Shift(bool up) {
        if (!Show(m_pFolder))
            return false;
        const int index = m_pFolder->IndexOf(m_pItem);
        MakeCurrent(*m_pFolder, index);
        if (up)
            m_pFolder->MoveUp(index);
        else
            m_pFolder->MoveDown(index);
        return true;
    }

    CFolder* m_pFolder;
    CItem* m_pItem;
    bool m_bUp;
};

class CTargetCommand final : public CTreeCommand {
public:
    CTargetCommand(CTreeEditor& editor, CFolder* folder, CEntry* entry, std::string target)
        : CTreeCommand(editor, QStringLiteral("Address")), m_pFolder(folder), m_pEntry(entry),
          m_strOld(entry->GetTarget()), m_strNew(std::move(target)), m_bWasBlank(entry->IsBlank()) {
    }

private:
    bool Do() override {
        // The first time the box commits what was typed where the user is.
        if (m_bRan && !Show(m_pFolder))
            return false;
        m_pEntry->SetTarget(m_strNew);
        if (m_bRan)
            m_pFolder->Select(m_pFolder->IndexOf(m_pEntry));
        return true;
    }
    bool Undo() override {
        if (!Show(m_pFolder))
            return false;
        m_pEntry->RestoreTarget(m_strOld, m_bWasBlank ? m_pFolder : nullptr);
        m_pFolder->Select(m_pFolder->IndexOf(m_pEntry));
        return true;
    }

    CFolder* m_pFolder;
    CEntry* m_pEntry;
    std::string m_strOld;
    std::string m_strNew;
    bool m_bWasBlank;
};

class CMoveCommand final : public CTreeCommand {
public:
    CMoveCommand(CTreeEditor& editor, const QString& text, CFolder* from, CItem* item, CFolder* to,
                 int at)
        : CTreeCommand(editor, text), m_pFrom(from), m_pTo(to), m_pItem(item), m_nTo(at) {}

private:
    bool Do() override { return Carry(m_pFrom, m_pTo, &m_nFrom, m_nTo); }
    bool Undo() override {
        int unused = -1;
        return Carry(m_pTo, m_pFrom, &unused, m_nFrom);
    }
    bool Carry(CFolder* from, CFolder* to, int* taken, int at) {
        if (!Show(from))
            return false;
        *taken = from->IndexOf(m_pItem);
        std::unique_ptr<CItem> item = from->Take(*taken);
        if (!item)
            return false;
        if (!Show(to)) {
            InsertAt(*from, *taken, std::move(item)); // never lose it
            return false;
        }
        InsertAt(*to, at, std::move(item));
        return true;
    }

    CFolder* m_pFrom;
    CFolder* m_pTo;
    CItem* m_pItem;
    int m_nFrom = -1;
    int m_nTo;
};

class CSortCommand final : public CTreeCommand {
public:
    CSortCommand(CTreeEditor& editor, CFolder* folder, std::vector<CItem*> before,
                 std::vector<CItem*> after)
        : CTreeCommand(editor, QStringLiteral("Sort by Name")), m_pFolder(folder),
          m_before(std::move(before)), m_after(std::move(after)) {}

private:
    bool Do() override { return Order(m_after); }
    bool Undo() override { return Order(m_before); }
    bool Order(const std::vector<CItem*>& order) {
        if (!Show(m_pFolder))
            return false;
        m_pFolder->Reorder(order);
        return true;
    }

    CFolder* m_pFolder;
    std::vector<CItem*> m_before;
    std::vector<CItem*> m_after;
};

std::vector<CItem*> Children(const CItem& folder);

// Several folders given new children at once. Items taken out of a folder
// and new items wait in m_pool while out of the tree; the same items go
// back on undo.
class CReshapeCommand final : public CTreeCommand {
public:
    struct CReshapedFolder {
        CFolder* m_folder;
        std::vector<CItem*> m_before, m_after;
    };
    CReshapeCommand(CTreeEditor& editor, const QString& text, std::vector<CReshapedFolder> folders,
                    std::unordered_map<CItem*, std::unique_ptr<CItem>> pool)
        : CTreeCommand(editor, text), m_folders(std::move(folders)), m_pool(std::move(pool)) {}

private:
    bool Do() override {
        for (const CReshapedFolder& each : m_folders)
            Shape(*each.m_folder, each.m_after);
        return true;
    }
    bool Undo() override {
        for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it)
            Shape(*it->m_folder, it->m_before);
        return true;
    }
    void Shape(CFolder& folder, const std::vector<CItem*>& children) {
        const std::unordered_set<const CItem*> wanted(children.begin(), children.end());
        CItem* const current = folder.GetChild(folder.GetCurrent());
        for (int i = folder.GetCount(); i-- > 0;) {
            CItem* child = folder.GetChild(i);
            if (!wanted.contains(child))
                m_pool[child] = folder.Take(i);
        }
        for (std::size_t k = 0; k < children.size(); ++k) {
            const auto it = m_pool.find(children[k]);
            if (it == m_pool.end())
                continue; // already a child: Reorder puts it in place
            folder.Insert(std::min(static_cast<int>(k), folder.GetCount()), std::move(it->second));
            m_pool.erase(it);
        }
        folder.Reorder(children);
        // The user's place stays where it was while its item stays (and
        // nothing is selected where nothing was).
        const int index = current ? folder.IndexOf(current) : -1;
        if (folder.GetCurrent() != index)
            folder.Select(index);
    }

    std::vector<CReshapedFolder> m_folders;
    std::unordered_map<CItem*, std::unique_ptr<CItem>> m_pool;
};

std::vector<CItem*> Children(const CItem& folder) {
    std::vector<CItem*> children;
    children.reserve(static_cast<std::size_t>(folder.GetCount()));
    for (int i = 0; i < folder.GetCount(); ++i)
        children.push_back(folder.GetChild(i));
    return children;
}

} // namespace

// ---------------------------------------------------------------- the editor

CTreeEditor::CTreeEditor(int limit) {
    m_stack.setUndoLimit(limit);
    QObject::connect(&m_stack, &QUndoStack::indexChanged, [this] {
        if (m_onChanged)
            m_onChanged();
    });
}

CTreeEditor::~CTreeEditor() {
    // The kept items go before anything they point at.
    m_stack.clear();
}

void CTreeEditor::SetTop(CFolder* top) {
    m_stack.clear();
    m_pTop = top;
}

void CTreeEditor::Clear() {
    m_stack.clear();
}

bool CTreeEditor::Undo() {
    if (!m_stack.canUndo())
        return false;
    m_stack.undo();
    return true;
}

bool CTreeEditor::Redo() {
    if (!m_stack.canRedo())
        return false;
    m_stack.redo();
    return true;
}

std::vector<CItem*> CTreeEditor::PathTo(const CItem* item) const {
    if (!m_pTop || !item)
        return {};
    std::vector<CItem*> path{m_pTop};
    if (item == m_pTop)
        return path;
    // Depth first, iteratively (a tree may be deep); next[k] is the next
    // child of path[k] to look at.
    std::vector<int> next{0};
    while (!path.empty()) {
        CItem* current = path.back();
        int& i = next.back();
        if (i >= current->GetCount()) {
            path.pop_back();
            next.pop_back();
            continue;
        }
        CItem* child = current->GetChild(i++);
        if (child == item) {
            path.push_back(child);
            return path;
        }
        if (child->GetCount() > 0) {
            path.push_back(child);
            next.push_back(0);
        }
    }
    return {};
}

bool CTreeEditor::Reveal(CItem* container) {
    const std::vector<CItem*> path = PathTo(container);
    if (path.empty())
        return false;
    if (!IsShown(*path.front()))
        path.front()->Show(SCOPE_LEVEL);
    for (std::size_t k = 0; k + 1 < path.size(); ++k) {
        auto* parent = dynamic_cast<CFolder*>(path[k]);
        if (!parent)
            return false;
        const int index = parent->IndexOf(path[k + 1]);
        if (parent->GetCurrent() != index || !IsShown(*path[k + 1]))
            parent->Select(index);
    }
    if (m_onShowDepth)
        m_onShowDepth(static_cast<int>(path.size()) - 1);
    return true;
}

bool CTreeEditor::Push(std::unique_ptr<CTreeCommand> command) {
    m_bDone = false;
    m_stack.push(command.release());
    return m_bDone;
}

bool CTreeEditor::Insert(CItem* container, int index, std::vector<std::unique_ptr<CItem>> items,
                         const QString& text) {
    std::erase_if(items, [](const std::unique_ptr<CItem>& item) { return !item; });
    if (items.empty())
        return false;
    const std::vector<CItem*> path = PathTo(container);
    if (path.empty())
        return false;
    if (auto* folder = dynamic_cast<CFolder*>(container)) {
        for (const auto& item : items)
            if (!folder->Fits(*item))
                return false; // folders nested deeper than a data file holds
        const int count = folder->GetCount();
        if (index < 0 || index > count)
            index = count;
        return Push(std::make_unique<CInsertCommand>(*this, text, folder, index, std::move(items)));
    }
    auto* blank = dynamic_cast<CEntry*>(container);
    if (!blank || !blank->IsBlank() || path.size() < 2)
        return false; // a separator or an entry with a target takes nothing
    auto* parent = dynamic_cast<CFolder*>(path[path.size() - 2]);
    if (!parent || parent->GetDepth() >= MAX_FOLDER_DEPTH)
        return false;
    return Push(std::make_unique<CBlankToFolderCommand>(*this, text, parent, blank,
                                                        items.front()->GetName()));
}

bool CTreeEditor::Remove(CItem* container, int index, const QString& text) {
    auto* folder = dynamic_cast<CFolder*>(container);
    CItem* item = folder ? folder->GetChild(index) : nullptr;
    if (!item || PathTo(folder).empty())
        return false;
    return Push(std::make_unique<CRemoveCommand>(*this, text, folder, item));
}

bool CTreeEditor::Rename(CItem* container, int index, const std::string& name) {
    auto* folder = dynamic_cast<CFolder*>(container);
    CItem* item = folder ? folder->GetChild(index) : nullptr;
    if (!item || PathTo(folder).empty())
        return false;
    std::string trimmed = TrimWhiteSpace(name);
    if (trimmed.empty() || trimmed == item->GetName())
        return false;
    return Push(std::make_unique<CRenameCommand>(*this, folder, item, std::move(trimmed)));
}

bool CTreeEditor::MoveUp(CItem* container, int index) {
    auto* folder = dynamic_cast<CFolder*>(container);
    if (!folder || index <= 0 || index >= folder->GetCount() || PathTo(folder).empty())
        return false;
    return Push(std::make_unique<CShiftCommand>(*this, folder, folder->GetChild(index), true));
}

bool CTreeEditor::MoveDown(CItem* container, int index) {
    auto* folder = dynamic_cast<CFolder*>(container);
    if (!folder || index < 0 || index >= folder->GetCount() - 1 || PathTo(folder).empty())
        return false;
    return Push(std::make_unique<CShiftCommand>(*this, folder, folder->GetChild(index), false));
}

bool CTreeEditor::SetTarget(CItem* container, CItem* entry, const std::string& target) {
    auto* folder = dynamic_cast<CFolder*>(container);
    auto* subject = dynamic_cast<CEntry*>(entry);
    if (!folder || !subject || folder->IndexOf(subject) < 0 || PathTo(folder).empty())
        return false;
    std::string trimmed = TrimWhiteSpace(target);
    if (trimmed.empty() || trimmed == subject->GetTarget())
        return false;
    return Push(std::make_unique<CTargetCommand>(*this, folder, subject, std::move(trimmed)));
}

bool CTreeEditor::Move(CItem* from, int index, CItem* to, int at, const QString& text) {
    auto* source = dynamic_cast<CFolder*>(from);
    auto* target = dynamic_cast<CFolder*>(to);
    CItem* item = source ? source->GetChild(index) : nullptr;
    if (!item || !target || PathTo(source).empty())
        return false;
    const std::vector<CItem*> path = PathTo(target);
    if (path.empty())
        return false;
    for (const CItem* each : path)
        if (each == item)
            return false; // into itself or its own content
    if (!target->Fits(*item))
        return false;
    const int count = target->GetCount();
    if (at < 0 || at > count)
        at = count;
    if (source == target) {
        if (at == index || at == index + 1)
            return false; // where it is
        if (at > index)
            --at;
    }
    return Push(std::make_unique<CMoveCommand>(*this, text, source, item, target, at));
}

bool CTreeEditor::Sort(CItem* container) {
    auto* folder = dynamic_cast<CFolder*>(container);
    if (!folder || PathTo(folder).empty())
        return false;
    std::vector<CItem*> before = Children(*folder);
    std::vector<CItem*> after = SortedChildren(*folder);
    if (before == after)
        return false;
    return Push(std::make_unique<CSortCommand>(*this, folder, std::move(before), std::move(after)));
}

bool CTreeEditor::Reshape(std::vector<CFolderShape> shapes, const QString& text) {
    std::vector<CReshapeCommand::CReshapedFolder> folders;
    std::unordered_map<CItem*, std::unique_ptr<CItem>> pool;
    for (CFolderShape& shape : shapes) {
        if (!shape.m_folder || PathTo(shape.m_folder).empty())
            return false;
        std::vector<CItem*> before = Children(*shape.m_folder);
        for (std::unique_ptr<CItem>& item : shape.m_fresh) {
            CItem* key = item.get();
            pool.emplace(key, std::move(item));
        }
        if (before != shape.m_after)
            folders.push_back({shape.m_folder, std::move(before), std::move(shape.m_after)});
    }
    if (folders.empty())
        return false;
    return Push(
        std::make_unique<CReshapeCommand>(*this, text, std::move(folders), std::move(pool)));
}

bool CTreeEditor::AppendFolder(CItem* parent, std::unique_ptr<CFolder> folder,
                               const QString& text) {
    if (!folder || !dynamic_cast<CFolder*>(parent))
        return false;
    std::vector<std::unique_ptr<CItem>> items;
    items.push_back(std::move(folder));
    return Insert(parent, -1, std::move(items), text);
}
